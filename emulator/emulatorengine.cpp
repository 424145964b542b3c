#include "emulatorengine.h"

#include "wireformat.h"

#include <QFile>
#include <QFileInfo>

#include <deque>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
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
    if (!config_.linkPath.isEmpty()) {
        QFile::remove(config_.linkPath);
        if (!QFile::link(pty_.slavePath(), config_.linkPath)) {
            error_ = QStringLiteral("cannot make the link %1").arg(config_.linkPath);
            pty_.close();
            std::lock_guard<std::mutex> lock(portMutex_);
            plugged_ = false;
            return false;
        }
    }
    return true;
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
    {
        std::lock_guard<std::mutex> lock(modelMutex_);
        if (!config_.statePath.isEmpty() && QFileInfo::exists(config_.statePath)) {
            QString why;
            if (!model_.load(config_.statePath, &why)) {
                error_ = QStringLiteral("cannot read the state file %1: %2").arg(config_.statePath, why);
                return false;
            }
        } else {
            model_.applyPreset(config_.preset);
        }
        if (!config_.statePath.isEmpty() && !model_.save(config_.statePath, &error_))
            return false;
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

void EmulatorEngine::stop()
{
#ifdef Q_OS_UNIX
    if (!thread_.joinable())
        return;
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
    if (!config_.linkPath.isEmpty())
        QFile::remove(config_.linkPath);
    if (!config_.statePath.isEmpty()) {
        std::lock_guard<std::mutex> lock(modelMutex_);
        model_.save(config_.statePath, &error_);
    }
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
                tx.clear();
                // The link must not name a terminal number the system may
                // hand to somebody else meanwhile.
                if (!config_.linkPath.isEmpty())
                    QFile::remove(config_.linkPath);
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
            if (config_.trace)
                config_.trace('<', QByteArray(1, static_cast<char>(rx.front().byte)));
            link.onByte(rx.front().byte, rx.front().due);
            rx.pop_front();
        }
        link.onTime(now);
        for (const LinkProtocol::TxByte &b : link.takeOutput())
            tx.push_back(b);
        // Bytes sent while the cable is out never reach anybody.
        if ((fromTcp ? tcp_.connectionFd() : master) < 0)
            tx.clear();

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
                if (config_.trace)
                    config_.trace('>', chunk.left(static_cast<int>(n)));
            }
        } else {
            writeBlocked = false;
        }

        if (!config_.statePath.isEmpty() && changes != savedChanges && tx.empty()) {
            std::lock_guard<std::mutex> lock(modelMutex_);
            QString why;
            if (model_.save(config_.statePath, &why))
                savedChanges = changes;
        }

        qint64 deadline = link.nextDeadline();
        auto consider = [&deadline](qint64 t) {
            if (t >= 0 && (deadline < 0 || t < deadline))
                deadline = t;
        };
        if (!rx.empty())
            consider(rx.front().due);
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
                    tx.clear();
            }
        }
    }
#endif
}

} // namespace kelo::emu
