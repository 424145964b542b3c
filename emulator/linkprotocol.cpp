#include "linkprotocol.h"

#include "faultinjector.h"

namespace kelo::emu {

namespace {

// Length of the command echo and error byte, which a reply always keeps.
int replyHeaderSize(const QByteArray &reply)
{
    return !reply.isEmpty() && static_cast<quint8>(reply.at(0)) == 0xFF ? 3 : 2;
}

QString faultNote(Fault fault)
{
    return QStringLiteral("fault: ") + faultName(fault);
}

} // namespace

LinkProtocol::LinkProtocol(FaultInjector *faults, Executor executor)
    : faults_(faults), executor_(std::move(executor))
{}

void LinkProtocol::onByte(quint8 byte, qint64 now)
{
    // A register does not listen while it talks; a byte sent into that time
    // is lost.
    if (now < txBusyUntil_) {
        ++stats_.bytesIgnored;
        traceHeard(byte, now, {QStringLiteral("not heard: the register is sending")});
        return;
    }
    if (state_ == State::Busy) {
        onBusyByte(byte, now);
        return;
    }
    if (state_ == State::Idle)
        onIdleByte(byte, now);
    else
        onFrameByte(byte, now);
}

void LinkProtocol::onIdleByte(quint8 byte, qint64 now)
{
    switch (byte) {
    case kEnq:
        resendAt_ = -1;
        if (faults_->take(Fault::Silence)) {
            traceHeard(byte, now, {faultNote(Fault::Silence)});
            return;
        }
        traceHeard(byte, now);
        answerEnq(now);
        return;
    case kStx:
        resendAt_ = -1;
        state_ = State::RxLen;
        rx_.clear();
        rxIndex_ = 0;
        rxHeard_ = QByteArray(1, static_cast<char>(kStx));
        rxNotes_.clear();
        dropAt_ = faults_->take(Fault::LostRequestByte) ? static_cast<int>(faults_->draw(3)) : -1;
        if (dropAt_ >= 0)
            rxNotes_ << faultNote(Fault::LostRequestByte);
        byteDeadline_ = now + interByteTimeout_;
        return;
    case kAck:
        resendAt_ = -1;
        if (hasPending_ && faults_->take(Fault::StaleReply)) {
            traceHeard(byte, now, {faultNote(Fault::StaleReply)});
            return;
        }
        hasPending_ = false;
        pending_.clear();
        traceHeard(byte, now);
        return;
    case kNak:
        // The PC normally follows its NAK with an ENQ and then expects ACK and
        // the reply; a PC that just waits gets the reply repeated by itself.
        if (hasPending_)
            resendAt_ = now + interByteTimeout_;
        traceHeard(byte, now);
        return;
    default:
        ++stats_.bytesIgnored;
        traceHeard(byte, now, {QStringLiteral("ignored")});
        return;
    }
}

void LinkProtocol::answerEnq(qint64 now)
{
    ++stats_.enqAnswered;
    if (faults_->take(Fault::Noise))
        sendControl(noiseByte(), now, {faultNote(Fault::Noise)});
    if (hasPending_) {
        sendControl(kAck, now);
        sendReply(now);
    } else {
        sendControl(kNak, now);
    }
}

void LinkProtocol::onBusyByte(quint8 byte, qint64 now)
{
    // While a command runs the register only notes that it was asked; the
    // answer, ACK and the reply, goes out when the command has run.
    if (byte != kEnq) {
        ++stats_.bytesIgnored;
        traceHeard(byte, now, {QStringLiteral("not heard: a command runs")});
    } else if (faults_->take(Fault::Silence)) {
        ++stats_.bytesIgnored;
        traceHeard(byte, now, {faultNote(Fault::Silence)});
    } else {
        enqWhileBusy_ = true;
        traceHeard(byte, now, {QStringLiteral("answered once the command has run")});
    }
}

void LinkProtocol::onFrameByte(quint8 byte, qint64 now)
{
    if (rxIndex_++ == dropAt_)
        return; // lost on the way: the frame runs into its time-out or its check
    rxHeard_.append(static_cast<char>(byte));
    byteDeadline_ = now + interByteTimeout_;
    switch (state_) {
    case State::RxLen:
        if (byte == 0) {
            rejectFrame(now, QStringLiteral("LEN 0"));
            return;
        }
        rxLen_ = byte;
        state_ = State::RxData;
        return;
    case State::RxData:
        rx_.append(static_cast<char>(byte));
        if (rx_.size() == rxLen_)
            state_ = State::RxCheck;
        return;
    case State::RxCheck: {
        quint8 check = static_cast<quint8>(rxLen_);
        for (char c : rx_)
            check ^= static_cast<quint8>(c);
        if (check == byte)
            frameReceived(now);
        else
            rejectFrame(now, QStringLiteral("bad check byte"));
        return;
    }
    default:
        return;
    }
}

void LinkProtocol::rejectFrame(qint64 now, const QString &why)
{
    ++stats_.badFrames;
    state_ = State::Idle;
    byteDeadline_ = -1;
    trace(false, rxHeard_, now, rxNotes_ << why);
    sendControl(kNak, now);
}

void LinkProtocol::frameReceived(qint64 now)
{
    state_ = State::Idle;
    byteDeadline_ = -1;
    if (hasPending_ && rx_ == lastRequest_) {
        // The PC did not see our ACK or our reply and sent the frame again.
        ++stats_.duplicateFrames;
        rxNotes_ << QStringLiteral("repeated: answered, not run again");
        acknowledgeFrame(now);
        sendReply(now);
        return;
    }
    hasPending_ = false;
    pending_.clear();
    faults_->onCommand();
    acknowledgeFrame(now);
    lastRequest_ = rx_;
    QByteArray reply = executor_ ? executor_(rx_) : QByteArray();
    ++stats_.framesExecuted;
    if (reply.isEmpty() || reply.size() > 255) {
        // Never put a frame on the line that LEN cannot describe.
        reply = rx_.left(static_cast<quint8>(rx_.at(0)) == 0xFF ? 2 : 1);
        reply.append(char(57)); // internal error of the register's software
    }
    replyNotes_.clear();
    if (reply.size() > replyHeaderSize(reply) && faults_->take(Fault::ShortReply)) {
        reply.chop(1);
        replyNotes_ << faultNote(Fault::ShortReply);
    }
    working_ = reply;
    qint64 delay = replyDelay_ + (processingTime_ ? processingTime_(rx_) : 0);
    if (faults_->take(Fault::ReplyDelay)) {
        delay += faultDelay_;
        replyNotes_ << faultNote(Fault::ReplyDelay);
    }
    if (delay <= 0) {
        finishReply(now);
        return;
    }
    state_ = State::Busy;
    enqWhileBusy_ = false;
    replyAt_ = qMax(now, txBusyUntil_) + delay;
}

void LinkProtocol::acknowledgeFrame(qint64 now)
{
    const bool lost = faults_->take(Fault::LostAck);
    if (lost)
        rxNotes_ << faultNote(Fault::LostAck);
    trace(false, rxHeard_, now, rxNotes_);
    if (!lost)
        sendControl(kAck, now);
}

void LinkProtocol::finishReply(qint64 now)
{
    state_ = State::Idle;
    replyAt_ = -1;
    pending_ = working_;
    working_.clear();
    hasPending_ = true;
    replySent_ = false;
    if (enqWhileBusy_) {
        enqWhileBusy_ = false;
        answerEnq(now);
        return;
    }
    sendReply(now);
}

void LinkProtocol::onTime(qint64 now)
{
    if (byteDeadline_ >= 0 && now >= byteDeadline_ && state_ != State::Idle && state_ != State::Busy)
        rejectFrame(byteDeadline_, QStringLiteral("cut short"));
    if (state_ == State::Busy && now >= replyAt_)
        finishReply(replyAt_);
    if (resendAt_ >= 0 && now >= resendAt_) {
        const qint64 at = resendAt_;
        resendAt_ = -1;
        if (hasPending_)
            sendReply(at);
    }
}

qint64 LinkProtocol::nextDeadline() const
{
    qint64 next = -1;
    auto consider = [&next](qint64 t) {
        if (t >= 0 && (next < 0 || t < next))
            next = t;
    };
    if (state_ == State::RxLen || state_ == State::RxData || state_ == State::RxCheck)
        consider(byteDeadline_);
    if (state_ == State::Busy)
        consider(replyAt_);
    consider(resendAt_);
    return next;
}

QVector<LinkProtocol::TxByte> LinkProtocol::takeOutput()
{
    QVector<TxByte> out;
    out.swap(out_);
    return out;
}

QVector<LinkProtocol::TraceEntry> LinkProtocol::takeTrace()
{
    QVector<TraceEntry> entries;
    entries.swap(trace_);
    return entries;
}

void LinkProtocol::trace(bool sent, const QByteArray &bytes, qint64 at, QStringList notes)
{
    if (tracing_)
        trace_.append({sent, bytes, std::move(notes), at});
}

void LinkProtocol::traceHeard(quint8 byte, qint64 at, QStringList notes)
{
    trace(false, QByteArray(1, static_cast<char>(byte)), at, std::move(notes));
}

void LinkProtocol::sendByte(quint8 byte, qint64 now)
{
    const qint64 start = qMax(now, txBusyUntil_);
    txBusyUntil_ = start + byteTime_;
    out_.append({byte, txBusyUntil_});
}

void LinkProtocol::sendControl(quint8 byte, qint64 now, QStringList notes)
{
    sendByte(byte, now);
    trace(true, QByteArray(1, static_cast<char>(byte)), txBusyUntil_, std::move(notes));
}

void LinkProtocol::sendReply(qint64 now)
{
    const int len = pending_.size();
    quint8 check = static_cast<quint8>(len);
    for (char c : pending_)
        check ^= static_cast<quint8>(c);
    QStringList notes;
    if (replySent_)
        notes << QStringLiteral("sent again");
    else
        notes.swap(replyNotes_);
    replySent_ = true;
    quint8 lenByte = static_cast<quint8>(len);
    if (faults_->take(Fault::WrongLength)) {
        lenByte = (len >= 2 && (len == 255 || faults_->draw(2) == 0)) ? lenByte - 1 : lenByte + 1;
        notes << faultNote(Fault::WrongLength);
    }
    if (faults_->take(Fault::BadChecksum)) {
        check ^= static_cast<quint8>(1 + faults_->draw(255));
        notes << faultNote(Fault::BadChecksum);
    }

    QByteArray frame;
    frame.reserve(len + 3);
    frame.append(static_cast<char>(kStx));
    frame.append(static_cast<char>(lenByte));
    frame.append(pending_);
    frame.append(static_cast<char>(check));
    if (faults_->take(Fault::LostReplyByte)) {
        frame.remove(static_cast<int>(faults_->draw(static_cast<quint32>(frame.size()))), 1);
        notes << faultNote(Fault::LostReplyByte);
    }

    ++stats_.repliesSent;
    for (char c : frame)
        sendByte(static_cast<quint8>(c), now);
    trace(true, frame, txBusyUntil_, std::move(notes));
}

quint8 LinkProtocol::noiseByte()
{
    // Anything but the bytes that mean something to the PC at this point.
    static const quint8 excluded[] = {kStx, kEnq, kAck, kNak};
    quint8 b = static_cast<quint8>(faults_->draw(256 - 4));
    for (quint8 x : excluded) {
        if (b >= x)
            ++b;
    }
    return b;
}

} // namespace kelo::emu
