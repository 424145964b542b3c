#include "zirivoro.h"

#include "errortexts.h"
#include "zirivorolog.h"

#include <logging.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

QByteArray hexByte(unsigned char byte)
{
    return QByteArray(1, char(byte)).toHex();
}

} // namespace

quint8 frlink::checkByte(const QByteArray &data)
{
    quint8 check = quint8(data.size() & 0xFF);
    for (char c : data)
        check ^= quint8(c);
    return check;
}

void delayMs(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

ZiRivoro::ZiRivoro(QObject *parent) : QObject(parent) {}

ZiRivoro::~ZiRivoro()
{
    closeComPort();
}

bool ZiRivoro::isNetworkAddress(const QString &name, QString *host, quint16 *port)
{
    // Device paths start with a slash, Windows ports are "COMn": only
    // "host:port" and "[address]:port" have a colon before a port number.
    const int colon = int(name.lastIndexOf(QLatin1Char(':')));
    if (colon <= 0 || name.startsWith(QLatin1Char('/')))
        return false;
    bool ok = false;
    const uint number = name.mid(colon + 1).toUInt(&ok);
    if (!ok || number == 0 || number > 0xFFFF)
        return false;
    QString address = name.left(colon);
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
        address = address.mid(1, address.size() - 2);
    else if (address.contains(QLatin1Char(':')))
        return false; // a bare IPv6 address needs its brackets
    if (address.isEmpty())
        return false;
    if (host)
        *host = address;
    if (port)
        *port = quint16(number);
    return true;
}

bool ZiRivoro::isOpen() const
{
    return m_network ? m_socket.state() == QAbstractSocket::ConnectedState : m_port.isOpen();
}

QIODevice *ZiRivoro::io()
{
    if (!isOpen())
        return nullptr;
    return m_network ? static_cast<QIODevice *>(&m_socket) : &m_port;
}

void ZiRivoro::abort()
{
    m_aborted = true;
    if (m_waitLoop)
        m_waitLoop->quit();
}

int ZiRivoro::frInit(const QString &portName, qint32 baud)
{
    LOG(DEBUG) << "frInit" << portName << int(baud);
    m_aborted = false;
    m_portName = portName;
    m_baudRate = baud;
    m_dataBits = QSerialPort::Data8;
    m_parity = QSerialPort::NoParity;
    m_stopBits = QSerialPort::OneStop;
    m_flowControl = QSerialPort::NoFlowControl;
    const int result = openComPort();
    if (result != 0)
        LOG(DEBUG) << "frInit err" << result;
    LOG(DEBUG) << "/frInit";
    return result;
}

int ZiRivoro::openSocket()
{
    QString host;
    quint16 number = 0;
    isNetworkAddress(m_portName, &host, &number);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    m_socket.connectToHost(host, number);
    if (m_socket.state() != QAbstractSocket::ConnectedState
        && m_socket.state() != QAbstractSocket::UnconnectedState && !m_aborted) {
        timer.start(qMax(1, m_openTimeout));
        m_waitLoop = &loop;
        loop.exec();
        m_waitLoop = nullptr;
    }
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        // The protocol goes a byte at a time: no waiting to fill a packet.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return 0;
    }
    m_openErrorString = m_aborted ? QStringLiteral("cancelled")
                        : m_socket.error() == QAbstractSocket::UnknownSocketError
                            ? QStringLiteral("no connection within %1 ms").arg(m_openTimeout)
                            : m_socket.errorString();
    m_socket.abort();
    return frlink::OpenError;
}

int ZiRivoro::openComPort()
{
    LOG(DEBUG) << "openComPort" << m_portName;
    if (isOpen())
        LOG(DEBUG) << "openComPort close port!";
    m_port.close();
    m_socket.abort();
    m_inbox.clear();
    m_inboxPos = 0;
    m_openErrorString.clear();
    m_openDenied = false;
    m_network = isNetworkAddress(m_portName);
    if (m_network) {
        LOG(DEBUG) << "openComPort open";
        m_openError = openSocket();
        if (m_openError != 0)
            LOG(DEBUG) << m_openErrorString;
        else
            LOG(DEBUG) << "/openComPort";
        return m_openError;
    }
    m_port.setPortName(m_portName);
    m_port.setBaudRate(m_baudRate, QSerialPort::AllDirections);
    m_port.setDataBits(QSerialPort::DataBits(m_dataBits));
    m_port.setParity(QSerialPort::Parity(m_parity));
    m_port.setStopBits(QSerialPort::StopBits(m_stopBits));
    m_port.setFlowControl(QSerialPort::FlowControl(m_flowControl));
    LOG(DEBUG) << "openComPort open";
    if (!m_port.open(QIODevice::ReadWrite)) {
        LOG(DEBUG) << m_port.errorString();
        m_openErrorString = m_port.errorString();
        m_openDenied = m_port.error() == QSerialPort::PermissionError;
        m_openError = frlink::OpenError;
        return frlink::OpenError;
    }
    // Pseudo-terminals and some adapters refuse the modem lines; that is not
    // a reason to give up the port.
    m_port.clearError();
    LOG(DEBUG) << "/openComPort";
    m_openError = 0;
    return 0;
}

void ZiRivoro::closeComPort()
{
    if (m_port.isOpen()) {
        m_port.flush();
        m_port.close();
    }
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_socket.flush();
        m_socket.abort();
    }
    m_inbox.clear();
    m_inboxPos = 0;
}

void ZiRivoro::observe(bool sent, const QByteArray &bytes)
{
    if (m_observer && !bytes.isEmpty())
        m_observer(sent, bytes);
}

void ZiRivoro::snd(char byte)
{
    write(byte);
    observe(true, QByteArray(1, byte));
}

void ZiRivoro::write(char byte)
{
    if (io()) {
        io()->write(&byte, 1);
        if (m_network)
            m_socket.flush();
        else
            m_port.flush();
    }
    logSndBytes(QByteArray(1, byte));
    LOG(DEBUG) << QByteArray("s: 0x") + hexByte(quint8(byte));
}

bool ZiRivoro::takeByte(unsigned char &byte)
{
    if (m_inboxPos >= m_inbox.size()) {
        m_inbox.clear();
        m_inboxPos = 0;
        QIODevice *device = io();
        if (device && device->bytesAvailable() > 0)
            m_inbox = device->readAll();
        else if (!device && m_inputSource)
            m_inbox = m_inputSource();
        if (m_inbox.isEmpty())
            return false;
    }
    byte = quint8(m_inbox[m_inboxPos++]);
    return true;
}

bool ZiRivoro::takeWaitingByte(unsigned char &byte)
{
    if (!takeByte(byte)) {
        if (!io())
            return false;
        io()->waitForReadyRead(0); // what the system holds but has not told yet
        if (!takeByte(byte))
            return false;
    }
    gotByte(byte);
    return true;
}

void ZiRivoro::skipByte(unsigned char byte)
{
    LOG(DEBUG) << QByteArray("skip: 0x") + hexByte(byte);
}

int ZiRivoro::gotByte(unsigned char byte)
{
    logRcvBytes(QByteArray(1, char(byte)));
    LOG(DEBUG) << QByteArray("r: 0x") + hexByte(byte);
    if (m_observer) {
        // An STX outside rcvBlock starts a frame that rcvBlock goes on reading.
        if (m_observingFrame)
            m_observedFrame.append(char(byte));
        else if (byte == quint8(frlink::STX))
            m_observedFrame = QByteArray(1, char(byte));
        else
            observe(false, QByteArray(1, char(byte)));
    }
    m_lastByteResult = 0;
    return 0;
}

void ZiRivoro::waitForInput(qint64 ms)
{
    // Sleep in the event loop until a byte arrives, the port fails or the
    // time is up: the window stays live and the processor idle.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (m_network) {
        connect(&m_socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
        connect(&m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        connect(&m_socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    } else {
        connect(&m_port, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
        connect(&m_port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
    }
    timer.start(int(qMin<qint64>(ms, 0x7FFFFFFF)));
    m_waitLoop = &loop;
    loop.exec();
    m_waitLoop = nullptr;
}

bool ZiRivoro::connectionLost()
{
    // The device went away (an unplugged adapter, a closed terminal, a
    // dropped connection): no byte will come any more, and a serial port's
    // notifier would wake us again and again.
    if (m_network) {
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            return false;
        LOG(DEBUG) << "port lost:" << m_socket.errorString();
        m_socket.abort();
        return true;
    }
    const QSerialPort::SerialPortError error = m_port.error();
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError
        && error != QSerialPort::WriteError)
        return false;
    LOG(DEBUG) << "port lost:" << m_port.errorString();
    m_port.close();
    return true;
}

int ZiRivoro::rcvTime(unsigned char &byte, int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (takeByte(byte))
            return gotByte(byte);
        const qint64 left = ms - timer.elapsed();
        if (left <= 0 || !io() || m_aborted)
            break;
        waitForInput(left);
        connectionLost();
    }
    // One last look: a dialog opened during the wait may have kept us past
    // the deadline while the byte was already there.
    if (takeWaitingByte(byte))
        return 0;
    LOG(DEBUG) << "rTmt";
    m_lastByteResult = frlink::ByteTimeout;
    return frlink::ByteTimeout;
}

void ZiRivoro::dropInput()
{
    m_inbox.clear();
    m_inboxPos = 0;
    if (QIODevice *device = io()) {
        device->waitForReadyRead(0); // what the system holds too
        device->readAll();
    }
}

void ZiRivoro::clrInput()
{
    // No acknowledgement goes with it: an ACK here could only confirm a reply
    // that was thrown away unread, and the register would never send it again.
    dropInput();
    delayMs(m_timings.clearPauseMs);
    dropInput();
}

int ZiRivoro::sndBlock()
{
    const QByteArray frame = char(frlink::STX) + QByteArray(1, char(m_request.size() & 0xFF)) + m_request
                             + char(frlink::checkByte(m_request));
    for (char c : frame)
        write(c);
    observe(true, frame);
    m_frameOnLine = true;
    unsigned char answer = 0;
    if (rcvTime(answer, m_timings.byteMs) != 0)
        return frlink::GotAck;
    if (answer == quint8(frlink::ACK))
        return 0;
    // The register was ready (it answered NAK), so a frame starting now can
    // only be its reply to this request: the ACK before it went missing. The
    // command has run; its reply must be taken, not the request sent again.
    if (answer == quint8(frlink::STX))
        return kReplyStarted;
    return frlink::GotAck;
}

int ZiRivoro::rcvBlock(bool stxTaken)
{
    if (!stxTaken)
        m_observedFrame.clear();
    m_observingFrame = true;
    const int result = rcvFrame(stxTaken);
    endObservedFrame(); // a frame cut short
    return result;
}

void ZiRivoro::endObservedFrame()
{
    m_observingFrame = false;
    observe(false, m_observedFrame);
    m_observedFrame.clear();
}

int ZiRivoro::rcvFrame(bool stxTaken)
{
    m_received.clear();
    unsigned char byte = 0;
    if (!stxTaken) {
        if (rcvTime(byte, m_firstByteTimeout) != 0)
            return frlink::ByteTimeout;
        if (byte != quint8(frlink::STX))
            return frlink::NotStx;
    }
    unsigned char len = 0;
    if (rcvTime(len, m_timings.byteMs) != 0)
        return frlink::ByteTimeout;
    if (len == 0)
        return frlink::BadLength;
    quint8 check = len;
    for (int i = 0; i < len; ++i) {
        // A byte missing inside the frame ends it at once.
        if (rcvTime(byte, m_timings.byteMs) != 0)
            return frlink::ByteTimeout;
        m_received.append(char(byte));
        check ^= byte;
    }
    if (rcvTime(byte, m_timings.byteMs) != 0)
        return frlink::ByteTimeout;
    endObservedFrame(); // before the answer to it
    if (byte != check) {
        snd(frlink::NAK);
        return frlink::BadChecksum;
    }
    snd(frlink::ACK);
    return 0;
}

bool ZiRivoro::isOwnPendingReply() const
{
    if (m_received.isEmpty() || m_request.isEmpty() || m_received[0] != m_request[0])
        return false;
    if (quint8(m_request[0]) != 0xFF)
        return true;
    return m_request.size() > 1 && m_received.size() > 1 && m_received[1] == m_request[1];
}

ZiRivoro::EnqAnswer ZiRivoro::awaitEnqAnswer(int ms)
{
    // A stray byte before the answer (line noise, or a register that puts one
    // before every NAK) is passed over; the wait keeps its deadline.
    QElapsedTimer timer;
    timer.start();
    int skipped = 0;
    unsigned char byte = 0;
    bool haveByte = false;
    for (;;) {
        if (!haveByte && rcvTime(byte, int(qMax<qint64>(0, ms - timer.elapsed()))) != 0)
            return EnqAnswer::Nothing;
        haveByte = false;
        if (byte == quint8(frlink::ACK))
            return EnqAnswer::Pending;
        if (byte == quint8(frlink::STX))
            return EnqAnswer::Frame;
        if (byte == quint8(frlink::NAK)) {
            // Once the frame has gone out, a reply whose STX was lost may be
            // on its way, and one of its bytes can look like NAK; taking that
            // for "ready" would send the command again. A true NAK is
            // followed by quiet.
            unsigned char next = 0;
            if (!m_frameOnLine || rcvTime(next, m_timings.settleMs) != 0)
                return EnqAnswer::Ready;
            skipByte(byte);
            ++skipped;
            byte = next;
            haveByte = true;
            continue;
        }
        skipByte(byte);
        if (++skipped > frlink::kMaxSkippedBytes)
            return EnqAnswer::Noise;
    }
}

bool ZiRivoro::takePendingReply(bool stxTaken)
{
    // Read whole in any case, so that what is acknowledged has been seen.
    if (rcvBlock(stxTaken) != 0)
        return false;
    if (m_frameOnLine && isOwnPendingReply())
        return true;
    LOG(DEBUG) << "stale reply:" << m_received.toHex();
    return false;
}

bool ZiRivoro::takeLeftovers()
{
    // Whatever came before the ENQ: a reply the register sent by itself once
    // a slow command had run, or the rest of an earlier broken exchange (a
    // NAK after a cut reply, which would put this exchange out of step).
    // Frames are read whole; other bytes are dropped.
    unsigned char byte = 0;
    for (int n = 0; n <= frlink::kMaxSkippedBytes; ++n) {
        if (!takeWaitingByte(byte))
            return false;
        if (byte != quint8(frlink::STX))
            skipByte(byte);
        else if (takePendingReply(true))
            return true;
    }
    dropInput();
    return false;
}

int ZiRivoro::exeCmdOnce()
{
    if (takeLeftovers())
        return 0;
    snd(frlink::ENQ);
    const EnqAnswer answer = awaitEnqAnswer(m_timings.byteMs);
    if (answer == EnqAnswer::Pending || answer == EnqAnswer::Frame) {
        // The register holds a reply. It is this command's only when this
        // command's frame went out after the register last said it was ready
        // (the ACK or the first reply went missing): sending again would run
        // it twice. Any other is stale, and drained now.
        if (takePendingReply(answer == EnqAnswer::Frame))
            return 0;
        delayMs(m_timings.failPauseMs);
        return frlink::GotAck;
    }
    if (answer != EnqAnswer::Ready) {
        if (answer == EnqAnswer::Noise)
            clrInput();
        else
            delayMs(m_timings.failPauseMs);
        return frlink::ExchangeError;
    }
    const int sent = sndBlock();
    if (sent != 0 && sent != kReplyStarted)
        return sent;
    if (rcvBlock(sent == kReplyStarted) == 0)
        return 0;

    // The reply failed: ask whether the register still holds it.
    snd(frlink::ENQ);
    const EnqAnswer again = awaitEnqAnswer(m_timings.byteMs);
    if (again == EnqAnswer::Pending || again == EnqAnswer::Frame)
        return takePendingReply(again == EnqAnswer::Frame) ? 0 : frlink::NoAnswer;
    if (again == EnqAnswer::Noise) {
        delayMs(m_timings.failPauseMs);
        return frlink::NoAnswer;
    }
    return frlink::GotNak;
}

int ZiRivoro::exeCmd()
{
    int result = 0;
    for (int attempt = 1; attempt <= frlink::kAttempts; ++attempt) {
        result = exeCmdOnce();
        if (result == 0)
            return 0;
        if (m_aborted)
            break;
        LOG(DEBUG) << "ZiRivoro::exeCmd" << result;
        delayMs(m_timings.retryPauseMs);
        LOG(DEBUG) << "ZiRivoro::exeCmd; retry cmd #" << attempt;
    }
    return result;
}

TypeAnsCmd ZiRivoro::frCommand(const QByteArray &request, int timeout)
{
    LOG(DEBUG) << "frCommand:timeout" << timeout;
    m_firstByteTimeout = timeout;
    LOG(DEBUG) << "frCommand; sedn cmd = " << request.toHex();
    m_request = request;
    m_frameOnLine = false;
    int code = 0;
    if (request.isEmpty() || request.size() > frlink::kMaxFrameData) {
        // The length byte cannot describe such a request: nothing is sent.
        code = frlink::BadLength;
    } else {
        code = exeCmd();
    }
    LOG(DEBUG) << "exeCmd;- ret code = " << code;
    m_lastResult = code;
    m_answer.clear();
    if (code == 0)
        m_answer = m_received;
    LOG(DEBUG) << "/frCommand; ansv cmd = " << m_answer.toHex();
    return TypeAnsCmd{code, m_answer};
}

int ZiRivoro::frSetLink(qint32 baud, int timeout)
{
    LOG(DEBUG) << "frSetLink:" << int(baud) << timeout;
    m_firstByteTimeout = timeout;
    m_baudRate = baud;
    if (!m_network && m_port.isOpen()
        && (m_port.baudRate(QSerialPort::Input) != baud || m_port.baudRate(QSerialPort::Output) != baud)) {
        if (!m_port.setBaudRate(baud, QSerialPort::AllDirections)) {
            LOG(DEBUG) << "frSetLink baud error:" << m_port.errorString();
            return frlink::SpeedError;
        }
    }
    m_frameOnLine = false;
    takeLeftovers();
    snd(frlink::ENQ);
    const EnqAnswer answer = awaitEnqAnswer(timeout > 0 ? timeout : m_timings.probeMs);
    if (answer == EnqAnswer::Pending || answer == EnqAnswer::Frame) {
        // Collected and acknowledged; whatever it was, the register is there.
        rcvBlock(answer == EnqAnswer::Frame);
        return 1;
    }
    return answer == EnqAnswer::Ready ? 1 : 0;
}

QString ZiRivoro::drvErrorText(int code) const
{
    return mpDrvErrorText(code);
}
