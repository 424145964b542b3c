#include "rawlinkclient.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

RawLinkClient::~RawLinkClient()
{
    close();
}

bool RawLinkClient::open(const QString &path)
{
    close();
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio;
    if (tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    return true;
}

void RawLinkClient::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void RawLinkClient::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        } else {
            return;
        }
    }
}

QByteArray RawLinkClient::frame(const QByteArray &data)
{
    quint8 check = static_cast<quint8>(data.size());
    for (char c : data)
        check ^= static_cast<quint8>(c);
    QByteArray out;
    out.append(static_cast<char>(kStx));
    out.append(static_cast<char>(data.size()));
    out.append(data);
    out.append(static_cast<char>(check));
    return out;
}

QByteArray RawLinkClient::read(int count, int timeoutMs)
{
    QByteArray out;
    while (fd_ >= 0 && out.size() < count) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            break;
        char buffer[512];
        const ssize_t n =
            ::read(fd_, buffer, static_cast<size_t>(qMin<qsizetype>(sizeof buffer, count - out.size())));
        if (n > 0)
            out.append(buffer, static_cast<int>(n));
        else if (n == 0 || errno != EAGAIN)
            break; // the other side is gone
    }
    return out;
}

int RawLinkClient::readByte(int timeoutMs)
{
    const QByteArray b = read(1, timeoutMs);
    return b.isEmpty() ? -1 : static_cast<quint8>(b.at(0));
}

RawLinkClient::Frame RawLinkClient::readFrame(int timeoutMs)
{
    Frame f;
    f.raw = read(2, timeoutMs);
    if (f.raw.size() < 2 || static_cast<quint8>(f.raw.at(0)) != kStx)
        return f;
    f.len = static_cast<quint8>(f.raw.at(1));
    const QByteArray rest = read(f.len + 1, timeoutMs);
    f.raw.append(rest);
    if (rest.size() < f.len + 1)
        return f;
    f.complete = true;
    f.data = rest.left(f.len);
    quint8 check = f.len;
    for (char c : f.data)
        check ^= static_cast<quint8>(c);
    f.checkOk = check == static_cast<quint8>(rest.at(f.len));
    return f;
}

QByteArray RawLinkClient::drain(int quietMs)
{
    QByteArray out;
    for (;;) {
        const QByteArray more = read(4096, quietMs);
        if (more.isEmpty())
            return out;
        out.append(more);
    }
}

QByteArray RawLinkClient::command(const QByteArray &request, int timeoutMs)
{
    sendByte(kEnq);
    if (readByte(timeoutMs) != kNak)
        return QByteArray();
    sendFrame(request);
    if (readByte(timeoutMs) != kAck)
        return QByteArray();
    const Frame reply = readFrame(timeoutMs);
    if (!reply.complete || !reply.checkOk)
        return QByteArray();
    sendByte(kAck);
    return reply.data;
}
