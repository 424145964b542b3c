#pragma once

// The link to the register: one request/reply exchange at a time with the
// ENQ/ACK/NAK handshake, framed blocks (STX, length, data, XOR check),
// per-byte time-outs and a fixed number of attempts. The bytes carried are not
// interpreted here. They travel over a serial port, or over a TCP connection
// to a register on the network ("host:port" for the port name): the same
// protocol with the same waits either way.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>

#include <functional>

class QEventLoop;

// The result of one command exchange: 0 or a driver error 500 + n, and the
// reply's data bytes (empty unless the code is 0).
struct TypeAnsCmd
{
    int code = 0;
    QByteArray answer;
};

namespace frlink {
constexpr char ENQ = 0x05;
constexpr char STX = 0x02;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;

constexpr int kAttempts = 10;
constexpr int kMaxFrameData = 255;
// Bytes passed over while waiting for the answer to ENQ before the wait gives
// up: more than a whole frame, so a reply that lost its STX is passed over
// whole, yet a line that only babbles ends the wait.
constexpr int kMaxSkippedBytes = 300;

// The waits of the link, in milliseconds. Only tests and fuzzing change them.
struct Timings
{
    int byteMs = 1000;      // a byte inside a frame, and the answer to ENQ
    int probeMs = 2000;     // the answer to the link probe
    int failPauseMs = 50;   // after a failed attempt
    int retryPauseMs = 100; // between attempts
    int clearPauseMs = 100; // while dropping unexpected input
    int settleMs = 20;      // quiet that makes a NAK count once the frame has gone out
};

enum Result {
    Ok = 0,
    ByteTimeout = 501,
    ExchangeError = 502,
    OpenError = 510,
    SpeedError = 511,
    NotStx = 517,
    BadLength = 518,
    BadChecksum = 519,
    GotAck = 520,
    GotNak = 521,
    NoAnswer = 522,
    BadReplyLength = 523,
};

// The check byte of a frame: the length XOR every data byte.
quint8 checkByte(const QByteArray &data);
} // namespace frlink

class ZiRivoro : public QObject
{
    Q_OBJECT
public:
    explicit ZiRivoro(QObject *parent = nullptr);
    ~ZiRivoro() override;

    int frInit(const QString &portName, qint32 baud);
    int openComPort();
    // One link probe: ENQ, and the register's answer awaited `timeout` ms
    // (the default probe wait when 0 or less). 1 when it answered.
    int frSetLink(qint32 baud, int timeout);
    TypeAnsCmd frCommand(const QByteArray &request, int timeout);
    void closeComPort();

    int exeCmd();
    int exeCmdOnce();
    int sndBlock();
    // stxTaken: the frame's STX has already been read.
    int rcvBlock(bool stxTaken = false);
    void clrInput();
    void snd(char byte);
    int rcvTime(unsigned char &byte, int ms);

    // "host:port", "[v6 address]:port": a register reached over the network.
    static bool isNetworkAddress(const QString &name, QString *host = nullptr, quint16 *port = nullptr);
    // The system's reason for the last failed open; empty after a success.
    QString openErrorString() const { return m_openErrorString; }
    // The last open failed because the user may not open the device.
    bool openDenied() const { return m_openDenied; }
    // How long a network connection may take to be made.
    void setOpenTimeout(int ms) { m_openTimeout = ms; }
    // Ends the wait under way, and every wait after it, at once: the exchange
    // or the probe fails. Until the next frInit.
    void abort();
    bool isAborted() const { return m_aborted; }
    void resetAbort() { m_aborted = false; }

    // "Ошибка драйвера [n]: text!" for a driver code 500 + n.
    QString drvErrorText(int code) const;

    bool isOpen() const;
    bool isNetwork() const { return m_network; }
    int lastResult() const { return m_lastResult; }
    void setFirstByteTimeout(int ms) { m_firstByteTimeout = ms; }
    void setTimings(const frlink::Timings &timings) { m_timings = timings; }
    // While the port is closed, bytes are asked from this source as if they
    // had arrived on the port (fuzzing).
    using InputSource = std::function<QByteArray()>;
    void setInputSource(InputSource source) { m_inputSource = std::move(source); }
    QSerialPort &port() { return m_port; }

    // Told of every frame sent or received, whole (STX to check byte, or as
    // much of it as came), and of every byte outside a frame: ENQ, ACK, NAK
    // or noise. Only watches; the exchange is the same with or without it.
    using Observer = std::function<void(bool sent, const QByteArray &bytes)>;
    void setObserver(Observer observer) { m_observer = std::move(observer); }

private:
    // sndBlock: the reply began where the ACK was due.
    static constexpr int kReplyStarted = -1;

    // What came where the answer to an ENQ was due.
    enum class EnqAnswer {
        Ready,   // NAK
        Pending, // ACK: a reply follows
        Frame,   // STX: a reply that came by itself
        Nothing, // the wait ran out
        Noise,   // only bytes that mean nothing, more than kMaxSkippedBytes
    };

    QIODevice *io();
    int openSocket();
    void write(char byte);
    void observe(bool sent, const QByteArray &bytes);
    void endObservedFrame();
    int rcvFrame(bool stxTaken);
    bool connectionLost();
    bool takeByte(unsigned char &byte);
    bool takeWaitingByte(unsigned char &byte);
    int gotByte(unsigned char byte);
    void skipByte(unsigned char byte);
    void waitForInput(qint64 ms);
    void dropInput();
    EnqAnswer awaitEnqAnswer(int ms);
    bool takeLeftovers();
    bool takePendingReply(bool stxTaken);
    bool isOwnPendingReply() const;

    QSerialPort m_port;
    QTcpSocket m_socket;
    bool m_network = false;
    QString m_openErrorString;
    bool m_openDenied = false;
    int m_openTimeout = 2000;
    bool m_aborted = false;
    QEventLoop *m_waitLoop = nullptr;
    QString m_portName;
    int m_baudRate = QSerialPort::Baud115200;
    int m_dataBits = QSerialPort::Data8;
    int m_parity = QSerialPort::NoParity;
    int m_stopBits = QSerialPort::OneStop;
    int m_flowControl = QSerialPort::NoFlowControl;
    int m_lastResult = 0;
    QByteArray m_answer;
    QByteArray m_request;
    QByteArray m_received;
    // This command's frame has gone out since the register last said it was
    // ready: a reply it holds from now on can only be this command's.
    bool m_frameOnLine = false;
    int m_lastByteResult = 0;
    int m_firstByteTimeout = 0;
    int m_openError = 0;
    frlink::Timings m_timings;
    InputSource m_inputSource;
    Observer m_observer;
    // The frame being received, for the observer; m_observingFrame while
    // rcvBlock reads it.
    QByteArray m_observedFrame;
    bool m_observingFrame = false;

    // Bytes read from the port and not yet taken.
    QByteArray m_inbox;
    int m_inboxPos = 0;
};

// Waits the given time while the application goes on handling its events.
void delayMs(int ms);
