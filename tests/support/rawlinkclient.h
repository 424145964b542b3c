#pragma once

#include <QByteArray>
#include <QString>

// The link's control bytes.
constexpr int ENQ = 0x05, STX = 0x02, ACK = 0x06, NAK = 0x15;

// A small, independent PC side of the register's link for tests: it opens a
// serial device (a pseudo-terminal) raw and speaks bytes. It shares no code
// with the driver, so a framing mistake in one cannot hide behind the same
// mistake in the other. Waits use poll() with a deadline.
class RawLinkClient
{
public:
    RawLinkClient() = default;
    ~RawLinkClient() { close(); }
    RawLinkClient(const RawLinkClient &) = delete;
    RawLinkClient &operator=(const RawLinkClient &) = delete;

    // baud: the line speed to set, 0 to leave the device's own.
    bool open(const QString &path, int baud = 0);
    void close();

    void send(const QByteArray &bytes);
    void sendByte(int byte) { send(QByteArray(1, static_cast<char>(byte))); }
    static QByteArray frame(const QByteArray &data);
    void sendFrame(const QByteArray &data) { send(frame(data)); }

    // Up to count bytes, returning early when none arrives within timeoutMs.
    QByteArray read(int count, int timeoutMs = 1000);
    // Everything that arrives until the line has been quiet for quietMs.
    QByteArray drain(int quietMs) { return read(1 << 20, quietMs); }
    // -1 when nothing arrived in time.
    int readByte(int timeoutMs = 1000);
    // The data of a reply frame; empty when it is incomplete or its check byte is wrong.
    QByteArray readFrame(int timeoutMs = 1000);

    // ENQ, answered with NAK, then the request frame: returns the byte that
    // answers the frame (-1 when none came, or the ENQ got no NAK).
    int request(const QByteArray &data, int timeoutMs = 1000);
    // One clean exchange: request, ACK, reply frame, ACK. An empty result
    // means the exchange did not go as the link rules say.
    QByteArray command(const QByteArray &data, int timeoutMs = 2000);

private:
    int fd_ = -1;
};
