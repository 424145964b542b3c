#include "rawlinkclient.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

bool RawLinkClient::open(const QString &path, int baud)
{
    close();
    // Blocking: every read waits in poll() first, and a few bytes never fill the terminal's buffer.
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio;
    if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        // The emulated register listens at one speed only.
        const speed_t speed = baud == 9600 ? B9600 : baud == 19200 ? B19200 : baud == 115200 ? B115200 : B0;
        if (speed != B0)
            cfsetspeed(&tio, speed);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    return fd_ >= 0;
}

void RawLinkClient::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void RawLinkClient::send(const QByteArray &bytes)
{
    for (qsizetype done = 0, n = 0; fd_ >= 0 && done < bytes.size(); done += n) {
        n = ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return;
    }
}

QByteArray RawLinkClient::frame(const QByteArray &data)
{
    char check = static_cast<char>(data.size());
    for (char c : data)
        check ^= c;
    return char(STX) + QByteArray(1, static_cast<char>(data.size())) + data + check;
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
        if (n <= 0)
            break; // the other side is gone
        out.append(buffer, static_cast<int>(n));
    }
    return out;
}

int RawLinkClient::readByte(int timeoutMs)
{
    const QByteArray b = read(1, timeoutMs);
    return b.isEmpty() ? -1 : static_cast<quint8>(b.at(0));
}

QByteArray RawLinkClient::readFrame(int timeoutMs)
{
    const QByteArray head = read(2, timeoutMs);
    if (head.size() < 2 || head.at(0) != STX)
        return QByteArray();
    const QByteArray rest = read(static_cast<quint8>(head.at(1)) + 1, timeoutMs);
    const QByteArray data = rest.chopped(qMin<qsizetype>(1, rest.size()));
    return frame(data) == head + rest ? data : QByteArray();
}

int RawLinkClient::request(const QByteArray &data, int timeoutMs)
{
    sendByte(ENQ);
    if (readByte(timeoutMs) != NAK)
        return -1;
    sendFrame(data);
    return readByte(timeoutMs);
}

QByteArray RawLinkClient::command(const QByteArray &data, int timeoutMs)
{
    const QByteArray reply = request(data, timeoutMs) == ACK ? readFrame(timeoutMs) : QByteArray();
    if (!reply.isEmpty())
        sendByte(ACK);
    return reply;
}
