// The emulator on its pseudo-terminal, driven byte by byte by an independent
// little client: framing, handshake, retransmissions, every injectable fault,
// the pacing and the cable pulled.

#include "emulatorengine.h"
#include "emulatorfaults.h"
#include "rawlinkclient.h"
#include "registerrequests.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kelo::emu;

Q_DECLARE_METATYPE(kelo::emu::Fault)

namespace {

const QByteArray kFc = QByteArray::fromHex("fc");
const QByteArray kFcReply = QByteArray::fromHex("fc0000000106fa00") + "Kelo-Vint-\xD4"; // Ф in Windows-1251
const QByteArray kFcFrame = RawLinkClient::frame(kFcReply);

struct Bench
{
    explicit Bench(EmulatorConfig config = unpaced()) : engine(config), baud(config.baud) {}

    static EmulatorConfig unpaced()
    {
        EmulatorConfig config;
        config.baud = 0;
        config.faultDelayMs = 300;
        return config;
    }

    bool start() { return engine.start() && pc.open(engine.slavePath(), baud); }

    EmulatorEngine engine;
    int baud;
    RawLinkClient pc;
};

} // namespace

class TestEmulatorLink : public QObject
{
    Q_OBJECT

private slots:
    void badFramesGetNak_data();
    void badFramesGetNak();
    void repeatedFrameRunsOnce();
    void enqWhileACommandRuns_data();
    void enqWhileACommandRuns();
    void faultsShowOnTheWire_data();
    void faultsShowOnTheWire();
    void bytesArePaced();
    void unpluggedPortLeavesNothingToOpen();
};

void TestEmulatorLink::badFramesGetNak_data()
{
    // A frame cut short is the lost-request-byte fault's.
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("wrong check byte") << QByteArray::fromHex("0201fc00");
    QTest::newRow("LEN 0") << QByteArray::fromHex("0200");
}

void TestEmulatorLink::badFramesGetNak()
{
    QFETCH(QByteArray, bytes);
    Bench bench;
    QVERIFY2(bench.start(), qPrintable(bench.engine.errorString()));
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(), NAK);
    bench.pc.send(bytes);
    QCOMPARE(bench.pc.readByte(), NAK);
    // Not executed and no reply; the link goes on.
    QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(0));
    QCOMPARE(bench.pc.command(kFc), kFcReply);
}

void TestEmulatorLink::repeatedFrameRunsOnce()
{
    EmulatorConfig config = Bench::unpaced();
    config.preset = Preset::Registered;
    Bench bench(config);
    QVERIFY(bench.start());
    RawLinkClient &pc = bench.pc;
    QVERIFY(!pc.command(rq::cmd(0xE0)).isEmpty());
    const QByteArray sale = rq::item(0x80, 1000, 4200, 1, QStringLiteral("Чай"));
    auto lines = [&pc] {
        return pc.command(rq::cmd(0x10)).at(7);
    }; // the receipt's operations, as 10 reports

    QCOMPARE(pc.request(sale), ACK);
    const QByteArray reply = pc.readFrame();
    QCOMPARE(reply.left(2), QByteArray::fromHex("8000"));
    // The PC missed all of that and sends the frame again: answered, not booked twice.
    pc.sendFrame(sale);
    QCOMPARE(pc.readByte(), ACK);
    QCOMPARE(pc.readFrame(), reply);
    pc.sendByte(ACK);
    QCOMPARE(lines(), '\x01');
    QCOMPARE(bench.engine.stats().link.duplicateFrames, quint64(1)); // the count the driver's tests rely on
    // Once the reply was confirmed, the same frame is a new sale.
    QCOMPARE(pc.command(sale), reply);
    QCOMPARE(lines(), '\x02');
}

void TestEmulatorLink::enqWhileACommandRuns_data()
{
    QTest::addColumn<int>("fault");         // -1: none
    QTest::addColumn<QByteArray>("before"); // what precedes the reply frame
    QTest::newRow("answered once it has run") << -1 << QByteArray(1, char(ACK));
    QTest::newRow("silence: the reply comes alone") << int(Fault::Silence) << QByteArray();
    QTest::newRow("noise before the ACK") << int(Fault::Noise) << QByteArray("?") + char(ACK);
}

void TestEmulatorLink::enqWhileACommandRuns()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, before);
    EmulatorConfig config = Bench::unpaced();
    // Long enough that the ENQ surely comes while the command runs, also on a
    // loaded machine.
    config.replyDelayMs = 1200;
    Bench bench(config);
    QVERIFY(bench.start());
    RawLinkClient &pc = bench.pc;
    QCOMPARE(pc.request(kFc), ACK);
    if (fault >= 0)
        bench.engine.faults().arm(Fault(fault), 1);
    pc.sendByte(ENQ);               // the PC missed the ACK and asks
    QCOMPARE(pc.readByte(200), -1); // nothing while it runs
    const QByteArray got = pc.read(before.size() + kFcFrame.size(), 3000);
    if (fault == int(Fault::Noise))
        before[0] = got.at(0); // any byte that means nothing on the line
    QCOMPARE(got.toHex(' '), (before + kFcFrame).toHex(' '));
    pc.sendByte(ACK);
    QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(1));
    QCOMPARE(pc.command(kFc, 2000), kFcReply);
}

void TestEmulatorLink::faultsShowOnTheWire_data()
{
    QTest::addColumn<Fault>("fault");
    for (int i = 0; i < kFaultCount; ++i)
        QTest::newRow(kFaultNames[i]) << static_cast<Fault>(i);
}

void TestEmulatorLink::faultsShowOnTheWire()
{
    QFETCH(Fault, fault);
    Bench bench;
    QVERIFY(bench.start());
    RawLinkClient &pc = bench.pc;
    const QByteArray good = kFcFrame;
    bench.engine.faults().arm(fault, 1);
    bool pending = true; // a reply the PC has not confirmed

    switch (fault) {
    case Fault::Noise: {
        pc.sendByte(ENQ);
        const int noise = pc.readByte();
        QVERIFY(noise >= 0 && noise != STX && noise != ENQ && noise != ACK && noise != NAK);
        QCOMPARE(pc.readByte(), NAK);
        pc.sendFrame(kFc);
        QCOMPARE(pc.read(good.size() + 1), char(ACK) + good);
        break;
    }
    case Fault::BadChecksum: {
        QCOMPARE(pc.request(kFc), ACK);
        const QByteArray bad = pc.read(good.size());
        QCOMPARE(bad.chopped(1), good.chopped(1));
        QVERIFY(bad.back() != good.back());
        break;
    }
    case Fault::LostReplyByte: {
        QCOMPARE(pc.request(kFc), ACK);
        const QByteArray shorter = pc.drain(100);
        QCOMPARE(shorter.size(), good.size() - 1);
        int skipped = 0;
        while (skipped < shorter.size() && shorter.at(skipped) == good.at(skipped))
            ++skipped;
        QCOMPARE(shorter.mid(skipped), good.mid(skipped + 1));
        break;
    }
    case Fault::LostRequestByte:
        QCOMPARE(pc.request(kFc, 2000), NAK);
        QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(0));
        pending = false;
        break;
    case Fault::LostAck:
        QCOMPARE(pc.request(kFc), STX); // the reply, without the ACK before it
        QCOMPARE(pc.read(good.size() - 1), good.mid(1));
        break;
    case Fault::StaleReply:
        QCOMPARE(pc.command(kFc), kFcReply); // its ACK is not taken
        break;
    case Fault::Silence:
        pc.sendByte(ENQ);
        QCOMPARE(pc.readByte(300), -1);
        pending = false;
        break;
    case Fault::ReplyDelay: {
        QCOMPARE(pc.request(kFc), ACK);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(pc.read(good.size(), 2000), good);
        QVERIFY2(timer.elapsed() >= 280, qPrintable(QString::number(timer.elapsed())));
        break;
    }
    case Fault::WrongLength: {
        QCOMPARE(pc.request(kFc), ACK);
        const QByteArray frame = pc.drain(100);
        QCOMPARE(frame.size(), good.size());
        QCOMPARE(qAbs(static_cast<quint8>(frame.at(1)) - static_cast<quint8>(good.at(1))), 1);
        QCOMPARE(frame.mid(2), good.mid(2));
        break;
    }
    case Fault::ShortReply:
        QCOMPARE(pc.command(kFc), kFcReply.chopped(1)); // a well-formed frame one byte short of the layout
        pending = false;
        break;
    }
    if (pending) {
        // Held until confirmed: NAK and ENQ, as a PC sends after a bad frame,
        // get ACK and the reply; NAK alone gets the reply again by itself.
        pc.sendByte(NAK);
        pc.sendByte(ENQ);
        QCOMPARE(pc.read(good.size() + 1), char(ACK) + good);
        pc.sendByte(NAK);
        QCOMPARE(pc.read(good.size()), good);
        pc.sendByte(ACK);
        QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(1));
    }
    QCOMPARE(bench.engine.faults().injected(fault), 1);
    QCOMPARE(pc.command(kFc), kFcReply); // one occasion only
}

void TestEmulatorLink::bytesArePaced()
{
    // How close to the wire time an exchange comes is the benchmark's
    // business (a busy machine only adds); here only that bytes are paced.
    EmulatorConfig config;
    config.baud = 9600;
    Bench bench(config);
    QVERIFY(bench.start());
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(bench.pc.command(kFc), kFcReply);
    // ENQ, NAK, the request frame, ACK, the reply frame, ACK: 10 bits a byte
    const double wireMs = 3 * (4 + (kFc.size() + 3) + kFcFrame.size()) * 10 * 1000.0 / 9600;
    QVERIFY2(timer.nsecsElapsed() / 1e6 >= 0.99 * wireMs, "faster than the line allows: bytes are not paced");
}

void TestEmulatorLink::unpluggedPortLeavesNothingToOpen()
{
    QTemporaryDir dir;
    EmulatorConfig config = Bench::unpaced();
    config.linkPath = dir.filePath(QStringLiteral("ttyKELO"));
    Bench bench(config);
    QVERIFY(bench.engine.start());
    QVERIFY(bench.pc.open(bench.engine.portPath()));
    QCOMPARE(bench.pc.command(kFc), kFcReply);

    // Pulled in the middle of a command: the PC's port reports an error at once.
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(), NAK);
    QVERIFY(bench.engine.unplug());
    QCOMPARE(bench.pc.read(1), QByteArray());
    // Neither the old terminal nor a link to it is left to open: its number
    // may go to another program's terminal.
    bench.pc.close();
    QVERIFY(!bench.pc.open(bench.engine.slavePath()));
    QVERIFY(!QFileInfo(config.linkPath).isSymLink());
    // Plugged in again (the second time there is nothing to do), the link
    // follows the new port.
    QVERIFY(bench.engine.plugIn() && bench.engine.plugIn() && bench.pc.open(config.linkPath));
    QCOMPARE(bench.pc.command(kFc), kFcReply);
}

QTEST_GUILESS_MAIN(TestEmulatorLink)
#include "tst_emulatorlink.moc"
