#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace kelo::emu {

class FaultInjector;

// The register's side of the serial link, without any I/O: bytes heard from
// the PC go in with the time they arrived, bytes to send come out with the time
// they are due on the line, and the owner calls onTime() at nextDeadline().
// Times are nanoseconds of one monotonic clock.
//
// The rules: ENQ is answered with NAK when the register is ready, or with ACK
// and the reply while it holds one the PC has not confirmed. A good frame is
// acknowledged and executed once; a bad one (wrong check byte, LEN 0, a byte
// missing for longer than the inter-byte time-out) gets NAK. A reply is held
// until the PC's ACK; after a NAK it goes out again, preceded by ACK when the
// PC follows the NAK with an ENQ. The same frame arriving again while its reply
// is unconfirmed is a retransmission: acknowledged and answered with the held
// reply, never executed a second time. Once a command has run, its reply goes
// out at once, without waiting to be asked. An ENQ that arrives while a command
// runs is answered when it has run: ACK, then the reply. Other bytes that
// arrive while the register executes, and any byte that arrives while it is
// still transmitting, are not heard.
class LinkProtocol
{
public:
    static constexpr quint8 kEnq = 0x05;
    static constexpr quint8 kStx = 0x02;
    static constexpr quint8 kAck = 0x06;
    static constexpr quint8 kNak = 0x15;

    struct TxByte
    {
        quint8 byte;
        qint64 due;
    };

    struct Stats
    {
        quint64 framesExecuted = 0;
        quint64 duplicateFrames = 0; // retransmissions answered without executing
        quint64 badFrames = 0;       // frames answered with NAK
        quint64 enqAnswered = 0;
        quint64 repliesSent = 0;  // reply frames put on the line, resends included
        quint64 bytesIgnored = 0; // heard while transmitting or executing
    };

    // One line of a trace: a frame or a single byte, heard from the PC or
    // sent, with the time its last byte was on the line and what became of it
    // ("fault: lost-ack", "bad check byte", ...).
    struct TraceEntry
    {
        bool sent = false;
        QByteArray bytes;
        QStringList notes;
        qint64 at = 0;
    };

    using Executor = std::function<QByteArray(const QByteArray &request)>;
    // The time a request takes to run, in nanoseconds, on top of the reply delay.
    using ProcessingTime = std::function<qint64(const QByteArray &request)>;

    LinkProtocol(FaultInjector *faults, Executor executor);

    void setByteTimeNs(qint64 ns) { byteTime_ = ns; }
    qint64 byteTimeNs() const { return byteTime_; }
    void setReplyDelayNs(qint64 ns) { replyDelay_ = ns; }
    void setFaultDelayNs(qint64 ns) { faultDelay_ = ns; }
    void setInterByteTimeoutNs(qint64 ns) { interByteTimeout_ = ns; }
    void setProcessingTime(ProcessingTime time) { processingTime_ = std::move(time); }

    void onByte(quint8 byte, qint64 now);
    void onTime(qint64 now);
    qint64 nextDeadline() const; // -1 when nothing is due
    QVector<TxByte> takeOutput();
    // Traced only when asked for; takeTrace() hands over what was traced since.
    void setTracing(bool on) { tracing_ = on; }
    QVector<TraceEntry> takeTrace();

    const Stats &stats() const { return stats_; }
    bool hasPendingReply() const { return hasPending_; }

private:
    enum class State { Idle, RxLen, RxData, RxCheck, Busy };

    void onIdleByte(quint8 byte, qint64 now);
    void onBusyByte(quint8 byte, qint64 now);
    void answerEnq(qint64 now);
    void onFrameByte(quint8 byte, qint64 now);
    void frameReceived(qint64 now);
    void finishReply(qint64 now);
    void acknowledgeFrame(qint64 now);
    void sendByte(quint8 byte, qint64 now);
    void sendControl(quint8 byte, qint64 now, QStringList notes = {});
    void sendReply(qint64 now);
    void rejectFrame(qint64 now, const QString &why);
    quint8 noiseByte();
    void trace(bool sent, const QByteArray &bytes, qint64 at, QStringList notes = {});
    void traceHeard(quint8 byte, qint64 at, QStringList notes = {});

    FaultInjector *faults_;
    Executor executor_;
    qint64 byteTime_ = 0;
    qint64 replyDelay_ = 0;
    qint64 faultDelay_ = 0;
    qint64 interByteTimeout_ = 100'000'000;
    ProcessingTime processingTime_;

    State state_ = State::Idle;
    QByteArray rx_;
    int rxLen_ = 0;
    int rxIndex_ = 0;
    int dropAt_ = -1;
    QByteArray rxHeard_;     // the frame's bytes as heard, STX and check byte too
    QStringList rxNotes_;    // what befell the frame being received
    QStringList replyNotes_; // faults the held reply was made with, until it first goes out
    bool replySent_ = false;
    qint64 byteDeadline_ = -1;

    QByteArray working_; // reply being prepared
    qint64 replyAt_ = -1;
    bool enqWhileBusy_ = false; // to be answered once the command has run
    QByteArray pending_;        // reply sent, not yet confirmed
    bool hasPending_ = false;
    QByteArray lastRequest_;
    qint64 resendAt_ = -1;

    qint64 txBusyUntil_ = 0;
    QVector<TxByte> out_;
    Stats stats_;
    bool tracing_ = false;
    QVector<TraceEntry> trace_;
};

} // namespace kelo::emu
