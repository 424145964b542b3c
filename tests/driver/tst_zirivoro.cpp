// The serial link against a scripted peer on a pseudo-terminal: exact bytes
// out, exact bytes back, and every fault path of the handshake.

#include "mainproc.h"
#include "ptypeer.h"
#include "zirivoro.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

using namespace linkbytes;

// What the register hears and what it answers, step by step, with the time
// it takes before answering.
using Script = QList<PtyPeer::Step>;

// A command that takes longer than the link waits for the ACK of its frame.
constexpr int kSlowMs = 1500;

} // namespace

class TstZiRivoro : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void exchanges_data();
    void exchanges();
    void malformedFrames_data();
    void malformedFrames();
    void lastLookWhenTheTimeIsUp();
    void overlongRequestIsNotSent();
    void probe();
    void silentRegister();

private:
    bool open(ZiRivoro &link, PtyPeer &peer);
};

bool TstZiRivoro::open(ZiRivoro &link, PtyPeer &peer)
{
    if (!peer.isValid())
        return false;
    peer.start();
    return link.frInit(peer.slavePath(), QSerialPort::Baud115200) == 0;
}

void TstZiRivoro::initTestCase()
{
    mpLoadDataFiles();
}

void TstZiRivoro::exchanges_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("enqs"); // ENQs the link sends

    QTest::newRow("plain") << Script{{ENQ, NAK},
                                     {QByteArray::fromHex("0201fcfd"),
                                      ACK + QByteArray::fromHex("02031100aab8")},
                                     {ACK, {}}}
                           << QByteArray::fromHex("fc") << QByteArray::fromHex("1100aa") << 1;

    const QByteArray reply = frame(QByteArray::fromHex("1100aa"));
    QByteArray broken = reply;
    broken[broken.size() - 1] = char(broken.at(broken.size() - 1) ^ 0x01);
    QTest::newRow("bad check byte: rejected, asked again, still pending")
        << Script{{ENQ, NAK}, {frame("\x11"), ACK + broken}, {NAK, {}}, {ENQ, ACK + reply}, {ACK, {}}}
        << QByteArray("\x11") << QByteArray::fromHex("1100aa") << 2;

    // A NAK left on the line from an earlier, broken exchange is not the
    // answer to this command's ENQ.
    QTest::newRow("leftover NAK dropped")
        << Script{{{}, NAK}, {ENQ, NAK}, {frame("\x10"), ACK + frame(QByteArray::fromHex("1000"))}, {ACK, {}}}
        << QByteArray("\x10") << QByteArray::fromHex("1000") << 1;

    QTest::newRow("stale reply drained first")
        << Script{{ENQ, ACK + frame(QByteArray::fromHex("1000"))}, // left over from an earlier command
                  {ACK, {}},
                  {ENQ, NAK},
                  {frame("\x10"), ACK + frame(QByteArray::fromHex("100001"))},
                  {ACK, {}}}
        << QByteArray("\x10") << QByteArray::fromHex("100001") << 2;

    // Seen before every NAK on a network link, and now and then on a cable.
    QTest::newRow("a stray byte before the NAK is passed over")
        << Script{{ENQ, QByteArray::fromHex("ff15")},
                  {frame("\xFC"), ACK + frame(QByteArray::fromHex("fc00"))},
                  {ACK, {}}}
        << QByteArray("\xFC") << QByteArray::fromHex("fc00") << 1;

    // The register takes a sale item and runs it, but its ACK is lost: the
    // reply it holds, or sends at once, is the result, and the frame must not
    // go out a second time (the item would be booked twice).
    const QByteArray sale = QByteArray::fromHex("80010000"); // no 05 byte in its frame
    const QByteArray saleReply = frame(QByteArray::fromHex("800001"));
    QTest::newRow("lost ACK, reply held")
        << Script{{ENQ, NAK}, {frame(sale), {}}, {ENQ, ACK + saleReply}, {ACK, {}}} << sale
        << QByteArray::fromHex("800001") << 2;
    QTest::newRow("lost ACK, reply at once") << Script{{ENQ, NAK}, {frame(sale), saleReply}, {ACK, {}}}
                                             << sale << QByteArray::fromHex("800001") << 1;

    // The same on a command that runs longer than the wait for the ACK: the
    // next attempt's ENQ meets the reply where NAK or ACK was due.
    QTest::newRow("slow command, lost ACK, reply sent by itself")
        << Script{{ENQ, NAK}, {frame(sale), saleReply, kSlowMs}, {ENQ, {}}, {ACK, {}}} << sale
        << QByteArray::fromHex("800001") << 2;
    QTest::newRow("slow command, lost ACK, the ENQ answered once it has run")
        << Script{{ENQ, NAK}, {frame(sale), {}}, {ENQ, ACK + saleReply, kSlowMs - 1000}, {ACK, {}}} << sale
        << QByteArray::fromHex("800001") << 2;
    // Its first byte lost, the reply reads as noise, and one of its bytes as
    // a NAK: taken for "ready", it would send the item again.
    const QByteArray nakInside = QByteArray::fromHex("80001533");
    QTest::newRow("slow command, lost ACK, the reply's STX lost")
        << Script{{ENQ, NAK},
                  {frame(sale), frame(nakInside).mid(1), kSlowMs},
                  {ENQ, {}},
                  {ENQ, ACK + frame(nakInside)},
                  {ACK, {}}}
        << sale << nakInside << 3;
    // The previous sale's reply is still pending when this sale's first ENQ
    // goes unanswered: same code, but not this command's reply.
    QTest::newRow("earlier reply of the same code pending after a failed ENQ")
        << Script{{ENQ, {}},
                  {ENQ, ACK + frame(QByteArray::fromHex("8000aa"))},
                  {ACK, {}},
                  {ENQ, NAK},
                  {frame(sale), ACK + saleReply},
                  {ACK, {}}}
        << sale << QByteArray::fromHex("800001") << 3;
}

void TstZiRivoro::exchanges()
{
    QFETCH(Script, script);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, enqs);
    PtyPeer peer;
    for (const PtyPeer::Step &step : script)
        peer.step(step.expect, step.send, step.delayMs);
    ZiRivoro link;
    QVERIFY(open(link, peer));
    // Bytes the register sent before the command are on the line by then.
    QTRY_VERIFY(!script.first().expect.isEmpty() || peer.finishedSteps() > 0);
    QTest::qWait(50);
    const TypeAnsCmd answer = link.frCommand(request, 10000);
    QCOMPARE(answer.code, 0);
    QCOMPARE(answer.answer.toHex(), reply.toHex());
    QTRY_VERIFY(peer.finished());
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QCOMPARE(peer.received().count(frame(request)), 1);
    QCOMPARE(peer.received().count(ENQ), enqs);
}

void TstZiRivoro::malformedFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::newRow("length 0") << QByteArray::fromHex("0200") << int(frlink::BadLength);
    QTest::newRow("not STX") << QByteArray::fromHex("aa") << int(frlink::NotStx);
    QTest::newRow("bad check byte") << QByteArray::fromHex("02011100") << int(frlink::BadChecksum);
    // A byte missing inside the frame ends it at once, not after the first-byte wait.
    QTest::newRow("promises 5 bytes, sends 2") << QByteArray::fromHex("02051100") << int(frlink::ByteTimeout);
}

void TstZiRivoro::malformedFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    PtyPeer peer;
    peer.step(ENQ, bytes);
    ZiRivoro link;
    QVERIFY(open(link, peer));
    link.setFirstByteTimeout(1000);
    link.snd(frlink::ENQ);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link.rcvBlock(), result);
    QVERIFY(timer.elapsed() < 1900);
}

void TstZiRivoro::lastLookWhenTheTimeIsUp()
{
    // The answer is on the port but the program has not been told yet (no
    // event handled since), and the wait has no time left: as when stray
    // bytes were passed over up to the deadline. It must still be taken.
    PtyPeer peer;
    peer.step(QByteArray(), NAK);
    ZiRivoro link;
    QVERIFY(open(link, peer));
    // No events meanwhile: the byte stays with the system.
    for (int i = 0; i < 200 && !peer.finished(); ++i)
        QThread::msleep(5);
    QThread::msleep(50);
    unsigned char byte = 0;
    QCOMPARE(link.rcvTime(byte, 0), 0);
    QCOMPARE(int(byte), 0x15);
}

void TstZiRivoro::overlongRequestIsNotSent()
{
    PtyPeer peer;
    ZiRivoro link;
    QVERIFY(open(link, peer));
    const TypeAnsCmd answer = link.frCommand(QByteArray(256, '\x1e'), 10000);
    QCOMPARE(answer.code, int(frlink::BadLength));
    QVERIFY(answer.answer.isEmpty());
    QTest::qWait(50);
    QVERIFY(peer.received().isEmpty());
}

void TstZiRivoro::probe()
{
    PtyPeer peer;
    peer.step(ENQ, QByteArray::fromHex("ff15"));
    peer.step(ENQ, ACK + frame(QByteArray::fromHex("1100")));
    peer.step(ACK);
    ZiRivoro link;
    // The observer sees what went each way: a frame whole, its STX taken
    // before the frame was read included, other bytes one by one.
    QStringList seen;
    link.setObserver([&seen](bool sent, const QByteArray &bytes) {
        seen << (sent ? ">" : "<") + QString::fromLatin1(bytes.toHex(' '));
    });
    QVERIFY(open(link, peer));
    QCOMPARE(link.frSetLink(QSerialPort::Baud115200, 2000), 1);
    QCOMPARE(link.frSetLink(QSerialPort::Baud115200, 2000), 1); // a pending reply is collected
    QTRY_VERIFY(peer.finished());
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QCOMPARE(seen, (QStringList{">05", "<ff", "<15", ">05", "<06", "<02 02 11 00 13", ">06"}));
}

void TstZiRivoro::silentRegister()
{
    PtyPeer peer;
    ZiRivoro link;
    QVERIFY(open(link, peer));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link.frSetLink(QSerialPort::Baud115200, 2000), 0);
    QVERIFY(timer.elapsed() >= 1900 && timer.elapsed() < 3000);

    timer.restart();
    const TypeAnsCmd answer = link.frCommand("\x11", 10000);
    QCOMPARE(answer.code, int(frlink::ExchangeError));
    QVERIFY(answer.answer.isEmpty());
    // Ten attempts of a one-second wait, 50 ms and 100 ms apart.
    QVERIFY2(timer.elapsed() >= 11000 && timer.elapsed() < 13500,
             qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(peer.received().count(ENQ), 11);
}

QTEST_GUILESS_MAIN(TstZiRivoro)
#include "tst_zirivoro.moc"
