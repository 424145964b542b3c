#include "emulatorengine.h"

#include "wireformat.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <deque>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace kelo::emu {

namespace {

#ifdef Q_OS_UNIX
qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Waits for the descriptors or until the deadline; timeoutNs < 0 waits for
// the descriptors alone.
int waitFor(pollfd *fds, nfds_t count, qint64 timeoutNs)
{
#ifdef Q_OS_LINUX
    if (timeoutNs < 0)
        return ::ppoll(fds, count, nullptr, nullptr);
    timespec ts{static_cast<time_t>(timeoutNs / 1000000000), static_cast<long>(timeoutNs % 1000000000)};
    return ::ppoll(fds, count, &ts, nullptr);
#else
    const int ms = timeoutNs < 0 ? -1 : static_cast<int>((timeoutNs + 999999) / 1000000);
    return ::poll(fds, count, ms);
#endif
}
#endif

constexpr qint64 kMinInterByteNs = 50'000'000; // a register never waits less for the next byte
constexpr qint64 kReadPauseNs = 20'000'000;    // after a read error, before trying again

#ifdef Q_OS_UNIX
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Where the system puts the slave side of a pseudo-terminal: /dev/pts/N, or
// /dev/ttysN on the BSDs.
bool isPtyPath(const QString &path)
{
    for (const QLatin1String dir : {QLatin1String("/dev/pts/"), QLatin1String("/dev/ttys")}) {
        if (path.startsWith(dir) && path.size() > dir.size()) {
            return std::all_of(path.cbegin() + dir.size(), path.cend(),
                               [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
        }
    }
    return false;
}

// Where the symbolic link at path points; empty when it is no link.
QByteArray symLinkTarget(const QByteArray &path)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, static_cast<int>(n)) : QByteArray();
}

// Empty when the link may be made at path: nothing is there, or a link to a
// pseudo-terminal, as this program makes (its own from an earlier run that
// did not end cleanly, or one whose terminal is gone). Anything else is the
// user's and is left alone: then what is there.
QString linkPathTaken(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT ? QString() : systemError();
    if (S_ISLNK(st.st_mode)) {
        const QString target = QFile::decodeName(symLinkTarget(name));
        return isPtyPath(target) ? QString() : QStringLiteral("a link to %1").arg(target);
    }
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a directory");
    if (S_ISREG(st.st_mode))
        return QStringLiteral("a file");
    return QStringLiteral("a special file");
}

QString linkRefused(const QString &path, const QString &what)
{
    return QStringLiteral("will not make the link %1: %2 is there (only a link to a "
                          "pseudo-terminal is replaced)")
        .arg(path, what);
}

// A line of the trace: the wall-clock time of its last byte, direction,
// bytes and what became of them.
QString traceLine(const LinkProtocol::TraceEntry &entry, const QDateTime &at)
{
    QString bytes;
    if (entry.bytes.size() == 1
        && (entry.bytes.at(0) == char(LinkProtocol::kEnq) || entry.bytes.at(0) == char(LinkProtocol::kAck)
            || entry.bytes.at(0) == char(LinkProtocol::kNak))) {
        const char b = entry.bytes.at(0);
        bytes = QLatin1String(b == char(LinkProtocol::kEnq)   ? "ENQ"
                              : b == char(LinkProtocol::kAck) ? "ACK"
                                                              : "NAK");
    } else {
        bytes = QString::fromLatin1(entry.bytes.toHex(' ').toUpper());
    }
    QString line = at.toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ')
                   + QLatin1Char(entry.sent ? '>' : '<') + QLatin1Char(' ') + bytes;
    if (!entry.notes.isEmpty())
        line += QStringLiteral(" [%1]").arg(entry.notes.join(QStringLiteral("; ")));
    return line;
}
#endif

} // namespace

EmulatorEngine::EmulatorEngine(const EmulatorConfig &config)
    : config_(config), faults_(config.seed), model_(config)
{
    setBaud(config.baud);
    replyDelayNs_ = qint64(qMax(0, config.replyDelayMs)) * 1000000;
}

EmulatorEngine::~EmulatorEngine()
{
    stop();
}

qint64 EmulatorEngine::byteTimeFor(int baud)
{
    // Ten bits a byte: start bit, eight data bits, stop bit.
    return baud > 0 ? qint64(10) * 1000000000 / baud : 0;
}

bool EmulatorEngine::openPort()
{
    QString why;
    if (!pty_.open(&why)) {
        error_ = why;
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(portMutex_);
        slavePath_ = pty_.slavePath();
        plugged_ = true;
    }
    if (!config_.linkPath.isEmpty() && !makeLink()) {
        pty_.close();
        std::lock_guard<std::mutex> lock(portMutex_);
        plugged_ = false;
        return false;
    }
    return true;
}

bool EmulatorEngine::makeLink()
{
#ifdef Q_OS_UNIX
    const QString taken = linkPathTaken(config_.linkPath);
    if (!taken.isEmpty()) {
        error_ = linkRefused(config_.linkPath, taken);
        return false;
    }
    const QByteArray name = QFile::encodeName(config_.linkPath);
    const QByteArray target = QFile::encodeName(pty_.slavePath());
    // An earlier link goes first; should anything take its place meanwhile,
    // symlink() fails rather than replace it.
    ::unlink(name.constData());
    if (::symlink(target.constData(), name.constData()) != 0) {
        error_ = QStringLiteral("cannot make the link %1: %2").arg(config_.linkPath, systemError());
        return false;
    }
    linkTarget_ = target;
    return true;
#else
    return false;
#endif
}

void EmulatorEngine::removeLink()
{
#ifdef Q_OS_UNIX
    if (linkTarget_.isEmpty())
        return;
    // Only while it is still the link made here: another emulator may have
    // taken the path over since, or the user put something else there.
    const QByteArray name = QFile::encodeName(config_.linkPath);
    if (symLinkTarget(name) == linkTarget_)
        ::unlink(name.constData());
    linkTarget_.clear();
#endif
}

void EmulatorEngine::noteStateSave(bool saved, const QString &why)
{
    if (saved) {
        if (!stateFailure_.isEmpty() && config_.stateNotice)
            config_.stateNotice(QStringLiteral("the state file %1 is saved again").arg(config_.statePath));
        stateFailure_.clear();
        return;
    }
    // Said once for as long as the same reason lasts, not at every command.
    const QString reason = why.isEmpty() ? QStringLiteral("unknown error") : why;
    if (reason != stateFailure_ && config_.stateNotice)
        config_.stateNotice(
            QStringLiteral("cannot save the state file %1: %2").arg(config_.statePath, reason));
    stateFailure_ = reason;
}

QString EmulatorEngine::slavePath() const
{
    std::lock_guard<std::mutex> lock(portMutex_);
    return slavePath_;
}

QString EmulatorEngine::portPath() const
{
    return config_.linkPath.isEmpty() ? slavePath() : config_.linkPath;
}

bool EmulatorEngine::isPlugged() const
{
    std::lock_guard<std::mutex> lock(portMutex_);
    return plugged_;
}

bool EmulatorEngine::unplug()
{
    return requestPort(false);
}

bool EmulatorEngine::plugIn()
{
    return requestPort(true);
}

bool EmulatorEngine::requestPort(bool plugged)
{
    if (!isRunning())
        return false;
    std::unique_lock<std::mutex> lock(portMutex_);
    if (plugged_ == plugged)
        return true;
    const quint64 before = portChanges_;
    portRequest_ = plugged ? 2 : 1;
    wake();
    portChanged_.wait(lock, [this, before] { return portChanges_ != before; });
    return plugged_ == plugged;
}

bool EmulatorEngine::start()
{
#ifdef Q_OS_UNIX
    if (isRunning())
        return true;
    error_.clear();
    stateFailure_.clear();
    // Checked before anything is written, so that a refusal leaves everything as it was.
    if (config_.pty && !config_.linkPath.isEmpty()) {
        const QString taken = linkPathTaken(config_.linkPath);
        if (!taken.isEmpty()) {
            error_ = linkRefused(config_.linkPath, taken);
            return false;
        }
    }
    {
        std::lock_guard<std::mutex> lock(modelMutex_);
        QString why;
        if (!config_.statePath.isEmpty() && QFileInfo::exists(config_.statePath)) {
            if (!model_.load(config_.statePath, &why)) {
                error_ = QStringLiteral("cannot read the state file %1: %2").arg(config_.statePath, why);
                return false;
            }
        } else {
            model_.applyPreset(config_.preset);
        }
        if (!config_.statePath.isEmpty() && !model_.save(config_.statePath, &why)) {
            error_ = QStringLiteral("cannot write the state file %1: %2").arg(config_.statePath, why);
            return false;
        }
    }
    for (const EmulatorConfig::ArmedFault &f : config_.faults)
        faults_.arm(f.fault, f.count);
    faults_.setRandomRate(config_.randomFaultRate);

    if (config_.pty && !openPort())
        return false;
    if (!config_.tcpAddress.isEmpty()) {
        if (!tcp_.listen(config_.tcpAddress, &error_)) {
            pty_.close();
            return false;
        }
        tcpAddress_ = tcp_.address();
    }
    if (::pipe(wakePipe_) != 0) {
        error_ = QStringLiteral("cannot make the wake-up pipe");
        pty_.close();
        tcp_.close();
        return false;
    }
    for (int fd : wakePipe_) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
#else
    error_ = QStringLiteral("the emulator needs pseudo-terminals, which this system does not have");
    return false;
#endif
}

bool EmulatorEngine::stop()
{
#ifdef Q_OS_UNIX
    if (!thread_.joinable())
        return true;
    stopping_ = true;
    wake();
    thread_.join();
    for (int &fd : wakePipe_) {
        ::close(fd);
        fd = -1;
    }
    pty_.close();
    tcp_.close();
    {
        std::lock_guard<std::mutex> lock(portMutex_);
        plugged_ = false;
    }
    removeLink();
    if (config_.statePath.isEmpty())
        return true;
    QString why;
    bool saved = false;
    {
        std::lock_guard<std::mutex> lock(modelMutex_);
        saved = model_.save(config_.statePath, &why);
    }
    if (saved) {
        noteStateSave(true, why);
        return true;
    }
    // The last changes are lost with this one: said even when said before.
    stateFailure_.clear();
    noteStateSave(false, why);
    error_ = QStringLiteral("cannot save the state file %1: %2").arg(config_.statePath, stateFailure_);
    return false;
#else
    return true;
#endif
}

void EmulatorEngine::wake()
{
#ifdef Q_OS_UNIX
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(wakePipe_[1], &c, 1);
#endif
}

EmulatorEngine::Stats EmulatorEngine::stats() const
{
    std::lock_guard<std::mutex> lock(statsMutex_);
    Stats s = stats_;
    s.faultsInjected = faults_.injectedTotal();
    return s;
}

void EmulatorEngine::inspect(const std::function<void(const RegisterModel &)> &f) const
{
    std::lock_guard<std::mutex> lock(modelMutex_);
    f(model_);
}

void EmulatorEngine::modify(const std::function<void(RegisterModel &)> &f)
{
    std::lock_guard<std::mutex> lock(modelMutex_);
    f(model_);
}

QJsonObject EmulatorEngine::stateJson() const
{
    std::lock_guard<std::mutex> lock(modelMutex_);
    return model_.toJson();
}

bool EmulatorEngine::saveState(const QString &path, QString *error) const
{
    std::lock_guard<std::mutex> lock(modelMutex_);
    return model_.save(path, error);
}

void EmulatorEngine::run()
{
#ifdef Q_OS_UNIX
#ifdef Q_OS_LINUX
    // Pacing wants wake-ups within microseconds, not the default 50.
    ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
#endif
    LinkProtocol link(&faults_, [this](const QByteArray &request) {
        std::lock_guard<std::mutex> lock(modelMutex_);
        return model_.execute(request);
    });
    link.setFaultDelayNs(qint64(qMax(0, config_.faultDelayMs)) * 1000000);
    if (config_.timing == Timing::Real)
        link.setProcessingTime(
            [](const QByteArray &request) { return qint64(realProcessingMs(request)) * 1000000; });
    link.setTracing(bool(config_.trace));
    // Trace lines wait here, in the order of their times, until their last
    // byte is on the line.
    std::deque<LinkProtocol::TraceEntry> traced;
    const auto addTrace = [&traced](const LinkProtocol::TraceEntry &entry) {
        const auto later =
            std::upper_bound(traced.begin(), traced.end(), entry.at,
                             [](qint64 at, const LinkProtocol::TraceEntry &e) { return at < e.at; });
        traced.insert(later, entry);
    };
    const auto flushTrace = [&](qint64 upTo) {
        if (traced.empty() || traced.front().at > upTo)
            return;
        const qint64 monoNow = monotonicNs();
        const QDateTime wallNow = QDateTime::currentDateTime();
        while (!traced.empty() && traced.front().at <= upTo) {
            // Bytes that never went out are stamped with the time they were given up.
            const qint64 ago = qMax<qint64>(0, monoNow - traced.front().at);
            config_.trace(traceLine(traced.front(), wallNow.addMSecs(-ago / 1000000)));
            traced.pop_front();
        }
    };
    // Bytes still to go out are lost with the peer. Their lines are the sent
    // ones still waiting (a line goes as soon as its last byte is written):
    // they say so at once.
    const auto abandonTrace = [&](const QString &why) {
        if (traced.empty())
            return;
        for (LinkProtocol::TraceEntry &entry : traced) {
            if (entry.sent)
                entry.notes << why;
        }
        flushTrace(traced.back().at);
    };
    const auto dropOutput = [&](std::deque<LinkProtocol::TxByte> &queue) {
        if (queue.empty())
            return;
        queue.clear();
        abandonTrace(QStringLiteral("not sent: the line is gone"));
    };

    int master = pty_.masterFd();
    std::deque<LinkProtocol::TxByte> rx;
    std::deque<LinkProtocol::TxByte> tx;
    qint64 lastRxDue = 0;
    qint64 readPausedUntil = 0;
    bool writeBlocked = false;
    bool fromTcp = false;
    quint64 bytesWrongSpeed = 0;
    quint64 bytesIn = 0;
    quint64 bytesOut = 0;
    quint64 savedChanges = 0;
    {
        std::lock_guard<std::mutex> lock(modelMutex_);
        savedChanges = model_.changeCount();
    }
    char buffer[4096];

    while (!stopping_) {
        if (const int request = portRequest_.exchange(0)) {
            // Whatever was on the line is lost with the cable.
            if (request == 1) {
                pty_.close();
                rx.clear();
                dropOutput(tx);
                // The link must not name a terminal number the system may
                // hand to somebody else meanwhile.
                removeLink();
                std::lock_guard<std::mutex> lock(portMutex_);
                plugged_ = false;
            } else {
                openPort();
            }
            master = pty_.masterFd();
            std::lock_guard<std::mutex> lock(portMutex_);
            ++portChanges_;
            portChanged_.notify_all();
        }
        const qint64 byteTime = byteTimeNs_;
        link.setByteTimeNs(byteTime);
        link.setReplyDelayNs(replyDelayNs_);
        quint64 changes = 0;
        {
            std::lock_guard<std::mutex> lock(modelMutex_);
            link.setInterByteTimeoutNs(
                qMax(kMinInterByteNs, qint64(wire::timeoutMs(model_.state().exchangeTimeout)) * 1000000));
            changes = model_.changeCount();
        }

        qint64 now = monotonicNs();
        while (!rx.empty() && rx.front().due <= now) {
            link.onByte(rx.front().byte, rx.front().due);
            rx.pop_front();
        }
        link.onTime(now);
        for (const LinkProtocol::TxByte &b : link.takeOutput())
            tx.push_back(b);
        if (config_.trace) {
            for (const LinkProtocol::TraceEntry &entry : link.takeTrace())
                addTrace(entry);
        }
        // Bytes sent while the cable is out never reach anybody.
        if ((fromTcp ? tcp_.connectionFd() : master) < 0)
            dropOutput(tx);

        // Published before anything goes out, so a peer that saw a reply sees its counts.
        {
            std::lock_guard<std::mutex> lock(statsMutex_);
            stats_.link = link.stats();
            stats_.bytesIn = bytesIn;
            stats_.bytesOut = bytesOut;
            stats_.bytesWrongSpeed = bytesWrongSpeed;
        }
        // Bytes go out when their last bit would have left the line.
        QByteArray chunk;
        for (const auto &b : tx) {
            if (b.due > now)
                break;
            chunk.append(static_cast<char>(b.byte));
        }
        // The answer goes where the last bytes came from.
        const int out = fromTcp ? tcp_.connectionFd() : master;
        if (!chunk.isEmpty() && out >= 0) {
            const ssize_t n = ::write(out, chunk.constData(), static_cast<size_t>(chunk.size()));
            writeBlocked = n < chunk.size();
            if (n > 0) {
                tx.erase(tx.begin(), tx.begin() + n);
                bytesOut += static_cast<quint64>(n);
            }
        } else {
            writeBlocked = false;
        }
        flushTrace(now);

        // Once for every change: a save that fails is tried again at the next
        // change, or at the end.
        if (!config_.statePath.isEmpty() && changes != savedChanges && tx.empty()) {
            savedChanges = changes;
            QString why;
            bool saved = false;
            {
                std::lock_guard<std::mutex> lock(modelMutex_);
                saved = model_.save(config_.statePath, &why);
            }
            noteStateSave(saved, why);
        }

        qint64 deadline = link.nextDeadline();
        auto consider = [&deadline](qint64 t) {
            if (t >= 0 && (deadline < 0 || t < deadline))
                deadline = t;
        };
        if (!rx.empty())
            consider(rx.front().due);
        if (!traced.empty())
            consider(traced.front().at);
        if (!tx.empty() && !writeBlocked)
            consider(tx.front().due);
        const bool reading = now >= readPausedUntil;
        if (!reading)
            consider(readPausedUntil);

        const short writeEvents = writeBlocked ? POLLOUT : 0;
        pollfd fds[4] = {
            {master, static_cast<short>((reading ? POLLIN : 0) | (fromTcp ? 0 : writeEvents)), 0},
            {wakePipe_[0], POLLIN, 0},
            {tcp_.listenFd(), POLLIN, 0},
            {tcp_.connectionFd(), static_cast<short>(POLLIN | (fromTcp ? writeEvents : 0)), 0}};
        now = monotonicNs();
        const int ready = waitFor(fds, 4, deadline < 0 ? -1 : qMax<qint64>(0, deadline - now));
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            while (::read(wakePipe_[0], buffer, sizeof buffer) > 0) {
            }
        }
        const auto heard = [&](ssize_t n, qint64 at) {
            bytesIn += static_cast<quint64>(n);
            for (ssize_t i = 0; i < n; ++i) {
                // A byte is heard when its last bit has arrived.
                const qint64 due = byteTime > 0 ? qMax(at, lastRxDue) + byteTime : at;
                lastRxDue = due;
                rx.push_back({static_cast<quint8>(buffer[i]), due});
            }
        };
        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            const qint64 at = monotonicNs();
            if (n > 0) {
                // A PC set to another line speed sends what the register
                // hears as noise: nothing it answers.
                const int lineBaud = pty_.lineBaud();
                const int baud = baud_;
                if (baud > 0 && lineBaud != 0 && lineBaud != baud) {
                    bytesWrongSpeed += static_cast<quint64>(n);
                    if (config_.trace) {
                        addTrace({false,
                                  QByteArray(buffer, static_cast<int>(n)),
                                  {lineBaud > 0 ? QStringLiteral("not heard: sent at %1 baud").arg(lineBaud)
                                                : QStringLiteral("not heard: sent at another line speed")},
                                  at});
                    }
                } else {
                    fromTcp = false;
                    heard(n, at);
                }
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                readPausedUntil = at + kReadPauseNs; // no peer: do not spin on the hang-up
            }
        }
        if (fds[2].revents & POLLIN)
            tcp_.accept();
        if (fds[3].revents & (POLLIN | POLLERR | POLLHUP)) {
            const ssize_t n = ::read(tcp_.connectionFd(), buffer, sizeof buffer);
            if (n > 0) {
                fromTcp = true;
                heard(n, monotonicNs());
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The PC went: like a pulled cable, whatever was on its way is lost.
                tcp_.dropConnection();
                if (fromTcp)
                    dropOutput(tx);
            }
        }
    }
    abandonTrace(QStringLiteral("not sent: the emulator stopped"));
#endif
}

} // namespace kelo::emu
