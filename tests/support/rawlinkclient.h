#pragma once

#include <QByteArray>
#include <QString>

// A small, independent PC side of the register's link for tests: it opens a
// serial device (a pseudo-terminal) raw and speaks bytes. It shares no code
// with the driver, so a framing mistake in one cannot hide behind the same
// mistake in the other. Waits use poll() with a deadline.
class RawLinkClient
{
public:
    static constexpr quint8 kEnq = 0x05;
    static constexpr quint8 kStx = 0x02;
    static constexpr quint8 kAck = 0x06;
    static constexpr quint8 kNak = 0x15;

    struct Frame
    {
        bool complete = false; // STX, LEN, LEN data bytes and a check byte arrived
        bool checkOk = false;
        quint8 len = 0;
        QByteArray data;
        QByteArray raw; // every byte read for this frame
    };

    RawLinkClient() = default;
    ~RawLinkClient();
    RawLinkClient(const RawLinkClient &) = delete;
    RawLinkClient &operator=(const RawLinkClient &) = delete;

    bool open(const QString &path);
    void close();

    void send(const QByteArray &bytes);
    void sendByte(quint8 byte) { send(QByteArray(1, static_cast<char>(byte))); }
    static QByteArray frame(const QByteArray &data);
    void sendFrame(const QByteArray &data) { send(frame(data)); }

    // Up to count bytes, returning early when none arrives within timeoutMs.
    QByteArray read(int count, int timeoutMs);
    // -1 when nothing arrived in time.
    int readByte(int timeoutMs);
    Frame readFrame(int timeoutMs);
    // Reads everything that arrives until the line has been quiet for quietMs.
    QByteArray drain(int quietMs);

    // One clean exchange: ENQ, NAK, frame, ACK, reply, ACK. An empty result
    // means the exchange did not go as the link rules say.
    QByteArray command(const QByteArray &request, int timeoutMs = 2000);

private:
    int fd_ = -1;
};
