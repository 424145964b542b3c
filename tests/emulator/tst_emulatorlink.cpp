// The emulator on its pseudo-terminal, driven byte by byte by an independent
// little client: framing, handshake, retransmissions, every injectable fault,
// a fiscal history read back item by item, and the pacing.

#include "emulatorengine.h"
#include "emulatorfaults.h"
#include "rawlinkclient.h"
#include "registerrequests.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

using namespace kelo::emu;

Q_DECLARE_METATYPE(kelo::emu::Fault)

namespace {

const QByteArray kFc = QByteArray::fromHex("fc");
constexpr quint8 ENQ = RawLinkClient::kEnq;
constexpr quint8 STX = RawLinkClient::kStx;
constexpr quint8 ACK = RawLinkClient::kAck;
constexpr quint8 NAK = RawLinkClient::kNak;

struct Bench
{
    explicit Bench(EmulatorConfig config = unpaced()) : engine(config) {}

    static EmulatorConfig unpaced()
    {
        EmulatorConfig config;
        config.baud = 0;
        config.faultDelayMs = 300;
        return config;
    }

    bool start() { return engine.start() && pc.open(engine.slavePath()); }

    // The expected reply to the device-type request, taken from a clean exchange.
    QByteArray deviceType() { return pc.command(kFc); }

    EmulatorEngine engine;
    RawLinkClient pc;
};

QByteArray expectedFcReply()
{
    return QByteArray::fromHex("fc0000000106fa00")
           + QTextCodec::codecForName("Windows-1251")->fromUnicode(QStringLiteral("Kelo-Vint-Ф"));
}

} // namespace

class TestEmulatorLink : public QObject
{
    Q_OBJECT

private slots:
    void deviceTypeOverTheLine();
    void badFramesAreRefused_data();
    void badFramesAreRefused();
    void replyIsHeldUntilAcknowledged();
    void repeatedFrameRunsOnce();
    void faultsShowOnTheWire_data();
    void faultsShowOnTheWire();
    void randomFaultsAreSeeded();
    void shiftWithReceiptReadsBack();
    void dumpTakesItsWireTime();
    void unpluggedPortComesBack();
};

void TestEmulatorLink::deviceTypeOverTheLine()
{
    Bench bench;
    QVERIFY2(bench.start(), qPrintable(bench.engine.errorString()));
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
    bench.pc.send(QByteArray::fromHex("0201fcfd"));
    QCOMPARE(bench.pc.readByte(1000), int(ACK));
    const RawLinkClient::Frame reply = bench.pc.readFrame(1000);
    QVERIFY(reply.complete && reply.checkOk);
    bench.pc.sendByte(ACK);
    QCOMPARE(reply.data, expectedFcReply());
    QCOMPARE(static_cast<int>(static_cast<quint8>(reply.data.at(6))), 250); // reply value 6: the model
    QCOMPARE(QTextCodec::codecForName("Windows-1251")->toUnicode(reply.data.mid(8)),
             QStringLiteral("Kelo-Vint-Ф"));
    // Ready again: the next ENQ is answered with NAK.
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
}

void TestEmulatorLink::badFramesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("minWaitMs");
    QTest::newRow("wrong check byte") << QByteArray::fromHex("0201fc00") << 0;
    QTest::newRow("LEN 0") << QByteArray::fromHex("0200") << 0;
    QTest::newRow("byte missing") << QByteArray::fromHex("0202fc") << 50;
}

void TestEmulatorLink::badFramesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, minWaitMs);
    Bench bench;
    QVERIFY(bench.start());
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
    QElapsedTimer timer;
    timer.start();
    bench.pc.send(bytes);
    QCOMPARE(bench.pc.readByte(2000), int(NAK));
    QVERIFY(timer.elapsed() >= minWaitMs);
    QCOMPARE(bench.pc.drain(50), QByteArray()); // nothing executed, nothing to send
    QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(0));
    QCOMPARE(bench.engine.stats().link.badFrames, quint64(1));
    QCOMPARE(bench.deviceType(), expectedFcReply());
}

void TestEmulatorLink::replyIsHeldUntilAcknowledged()
{
    Bench bench;
    QVERIFY(bench.start());
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
    bench.pc.sendFrame(kFc);
    QCOMPARE(bench.pc.readByte(1000), int(ACK));
    QCOMPARE(bench.pc.readFrame(1000).data, expectedFcReply());

    // Not acknowledged: an ENQ finds it pending.
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(ACK));
    QCOMPARE(bench.pc.readFrame(1000).data, expectedFcReply());
    // NAK followed by ENQ, as a PC does after a bad frame: ACK and the reply.
    bench.pc.send(QByteArray::fromHex("1505"));
    QCOMPARE(bench.pc.readByte(1000), int(ACK));
    QCOMPARE(bench.pc.readFrame(1000).data, expectedFcReply());
    // NAK alone: the reply comes again by itself.
    bench.pc.sendByte(NAK);
    const RawLinkClient::Frame again = bench.pc.readFrame(1000);
    QVERIFY(again.complete && again.checkOk);
    QCOMPARE(again.data, expectedFcReply());
    bench.pc.sendByte(ACK);
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
    QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(1));
}

void TestEmulatorLink::repeatedFrameRunsOnce()
{
    EmulatorConfig config = Bench::unpaced();
    config.preset = Preset::Registered;
    Bench bench(config);
    QVERIFY(bench.start());
    QVERIFY(!bench.pc.command(rq::cmd(0xE0)).isEmpty());
    const QByteArray sale = rq::item(0x80, 1000, 4200, 1, QStringLiteral("Чай"));
    auto lines = [&bench] {
        int n = 0;
        bench.engine.inspect([&n](const RegisterModel &m) { n = m.state().receipt.lines.size(); });
        return n;
    };

    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
    bench.pc.sendFrame(sale);
    QCOMPARE(bench.pc.readByte(1000), int(ACK));
    const QByteArray reply = bench.pc.readFrame(1000).data;
    QCOMPARE(reply.left(2), QByteArray::fromHex("8000"));
    // The PC missed all of that and sends the frame again: answered, not booked twice.
    bench.pc.sendFrame(sale);
    QCOMPARE(bench.pc.readByte(1000), int(ACK));
    QCOMPARE(bench.pc.readFrame(1000).data, reply);
    bench.pc.sendByte(ACK);
    QCOMPARE(lines(), 1);
    QCOMPARE(bench.engine.stats().link.duplicateFrames, quint64(1));
    // Once the reply was confirmed, the same frame is a new sale.
    QCOMPARE(bench.pc.command(sale), reply);
    QCOMPARE(lines(), 2);
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
    const QByteArray good = RawLinkClient::frame(expectedFcReply());
    RawLinkClient &pc = bench.pc;
    bench.engine.faults().arm(fault, 1);

    auto sendRequest = [&pc] {
        pc.sendByte(ENQ);
        QCOMPARE(pc.readByte(1000), int(NAK));
        pc.sendFrame(kFc);
    };
    auto pendingReplyIsGood = [&pc, &good] {
        pc.sendByte(ENQ);
        QCOMPARE(pc.readByte(1000), int(ACK));
        QCOMPARE(pc.read(good.size(), 1000), good);
        pc.sendByte(ACK);
    };

    switch (fault) {
    case Fault::Noise: {
        pc.sendByte(ENQ);
        const int noise = pc.readByte(1000);
        QVERIFY(noise >= 0 && noise != STX && noise != ENQ && noise != ACK && noise != NAK);
        QCOMPARE(pc.readByte(1000), int(NAK));
        pc.sendFrame(kFc);
        QCOMPARE(pc.readByte(1000), int(ACK));
        QCOMPARE(pc.read(good.size(), 1000), good);
        pc.sendByte(ACK);
        break;
    }
    case Fault::BadChecksum: {
        sendRequest();
        QCOMPARE(pc.readByte(1000), int(ACK));
        const QByteArray bad = pc.read(good.size(), 1000);
        QCOMPARE(bad.left(good.size() - 1), good.left(good.size() - 1));
        QVERIFY(bad.at(good.size() - 1) != good.at(good.size() - 1));
        pc.sendByte(NAK);
        pendingReplyIsGood();
        break;
    }
    case Fault::LostReplyByte: {
        sendRequest();
        QCOMPARE(pc.readByte(1000), int(ACK));
        const QByteArray shorter = pc.drain(100);
        QCOMPARE(shorter.size(), good.size() - 1);
        int skipped = 0;
        while (skipped < shorter.size() && shorter.at(skipped) == good.at(skipped))
            ++skipped;
        QCOMPARE(shorter.mid(skipped), good.mid(skipped + 1));
        pendingReplyIsGood();
        break;
    }
    case Fault::LostRequestByte: {
        sendRequest();
        QCOMPARE(pc.readByte(2000), int(NAK));
        QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(0));
        QCOMPARE(bench.deviceType(), expectedFcReply());
        break;
    }
    case Fault::LostAck: {
        sendRequest();
        QCOMPARE(pc.read(good.size(), 1000), good); // the reply, without the ACK before it
        pc.sendByte(ACK);
        break;
    }
    case Fault::StaleReply: {
        QCOMPARE(bench.deviceType(), expectedFcReply());
        pendingReplyIsGood(); // the ACK was not taken: the reply is still pending
        break;
    }
    case Fault::Silence: {
        pc.sendByte(ENQ);
        QCOMPARE(pc.readByte(300), -1);
        QCOMPARE(bench.deviceType(), expectedFcReply());
        break;
    }
    case Fault::ReplyDelay: {
        sendRequest();
        QCOMPARE(pc.readByte(1000), int(ACK));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(pc.read(good.size(), 2000), good);
        QVERIFY2(timer.elapsed() >= 280, qPrintable(QString::number(timer.elapsed())));
        pc.sendByte(ACK);
        break;
    }
    case Fault::WrongLength: {
        sendRequest();
        QCOMPARE(pc.readByte(1000), int(ACK));
        const QByteArray frame = pc.drain(100);
        QCOMPARE(frame.size(), good.size());
        QVERIFY(qAbs(static_cast<quint8>(frame.at(1)) - static_cast<quint8>(good.at(1))) == 1);
        QCOMPARE(frame.mid(2), good.mid(2));
        pendingReplyIsGood();
        break;
    }
    case Fault::ShortReply: {
        const QByteArray reply = pc.command(kFc);      // a well-formed frame ...
        QCOMPARE(reply, expectedFcReply().chopped(1)); // ... one byte short of the layout
        break;
    }
    }
    QCOMPARE(bench.engine.faults().injected(fault), 1);
    QCOMPARE(bench.engine.faults().armed(fault), 0);
    QCOMPARE(bench.deviceType(), expectedFcReply()); // one occasion only
}

void TestEmulatorLink::randomFaultsAreSeeded()
{
    auto pattern = [](quint64 seed) {
        FaultInjector faults(seed);
        faults.setRandomRate(0.05);
        QString shown;
        for (int command = 0; command < 2000; ++command) {
            faults.onCommand();
            for (int f = 0; f < kFaultCount; ++f) {
                if (faults.take(static_cast<Fault>(f)))
                    shown += QStringLiteral("%1:%2 ").arg(command).arg(f);
            }
        }
        return qMakePair(shown, faults.injectedTotal());
    };
    const auto a = pattern(7);
    QCOMPARE(pattern(7), a);
    QVERIFY(pattern(8).first != a.first);
    QVERIFY2(a.second > 60 && a.second < 140, qPrintable(QString::number(a.second))); // 5 % of 2000
}

void TestEmulatorLink::shiftWithReceiptReadsBack()
{
    Bench bench;
    QVERIFY(bench.start());
    quint64 serial = 0;
    bench.engine.inspect([&serial](const RegisterModel &m) { serial = m.state().serialNumber; });
    const quint64 inn = 7700000000;
    const QList<QByteArray> operations = {
        rq::withByte(0xFF05, 0),
        rq::registration(0xFF06, inn, rq::registrationNumber(1, inn, serial), 1, 0),
        rq::cmd(0xE0),
        rq::withByte(0x8D, 0),
        rq::item(0x80, 1000, 55000, 1, QStringLiteral("Товар")),
        rq::close(60000),
        rq::cmd(0x41),
    };
    for (const QByteArray &op : operations) {
        const QByteArray reply = bench.pc.command(op);
        QVERIFY2(reply.size() >= 2, op.toHex(' ').constData());
        QCOMPARE(static_cast<int>(reply.at(static_cast<quint8>(op.at(0)) == 0xFF ? 2 : 1)), 0);
    }

    const QList<int> types = {1, 2, 3, 5};
    for (int number = 1; number <= types.size(); ++number) {
        const QByteArray head = bench.pc.command(rq::document(0xFF3A, static_cast<quint32>(number)));
        QCOMPARE(head.left(3), QByteArray::fromHex("ff3a00"));
        QCOMPARE(static_cast<int>(head.at(3)), types.at(number - 1));
        int items = 0;
        QSet<int> tags;
        for (;;) {
            const QByteArray item = bench.pc.command(rq::cmd(0xFF3B));
            QVERIFY(item.size() >= 3);
            if (item.at(2) != 0) {
                QCOMPARE(item, QByteArray::fromHex("ff3b08")); // no more data ends the document
                break;
            }
            const int tag = static_cast<quint8>(item.at(3)) | static_cast<quint8>(item.at(4)) << 8;
            const int len = static_cast<quint8>(item.at(5)) | static_cast<quint8>(item.at(6)) << 8;
            QCOMPARE(item.size() - 7, len);
            tags.insert(tag);
            QVERIFY(++items < 100);
        }
        QVERIFY(tags.contains(1040) && tags.contains(1077) && tags.contains(1012));
        if (types.at(number - 1) == 3)
            QVERIFY(tags.contains(1059) && tags.contains(1020) && tags.contains(1031));
    }
}

void TestEmulatorLink::dumpTakesItsWireTime()
{
    EmulatorConfig config;
    config.baud = 115200;
    config.dumpBlocks = 64;
    Bench bench(config);
    QVERIFY(bench.start());
    qint64 bytes = 0;
    auto exchange = [&bench, &bytes](const QByteArray &request) {
        const QByteArray reply = bench.pc.command(request);
        // ENQ, NAK, the request frame, ACK, the reply frame, ACK
        bytes += 1 + 1 + (request.size() + 3) + 1 + (reply.size() + 3) + 1;
        return reply;
    };
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(exchange(rq::cmd(0x03)), QByteArray::fromHex("0300"));
    QCOMPARE(exchange(rq::withByte(0x01, 6)), QByteArray::fromHex("01004000"));
    for (int block = 0; block < 64; ++block)
        QCOMPARE(exchange(rq::cmd(0x02)).size(), 2 + 1 + 2 + 32);
    QCOMPARE(exchange(rq::cmd(0x03)), QByteArray::fromHex("0300"));
    const double elapsed = timer.nsecsElapsed() / 1e9;
    const double wire = bytes * 10.0 / 115200;
    const double ratio = elapsed / wire;
    qInfo("64-block dump at 115200 baud: %lld bytes, wire time %.1f ms, measured %.1f ms, ratio %.3f", bytes,
          wire * 1000, elapsed * 1000, ratio);
    // How close to the wire time it comes is the benchmark's business (a busy
    // machine only adds); here only that the bytes are paced at all.
    QVERIFY2(ratio >= 0.99, "faster than the line allows: bytes are not paced");
}

void TestEmulatorLink::unpluggedPortComesBack()
{
    QTemporaryDir dir;
    EmulatorConfig config = Bench::unpaced();
    config.linkPath = dir.filePath(QStringLiteral("ttyKELO"));
    Bench bench(config);
    QVERIFY(bench.engine.start());
    QVERIFY(bench.pc.open(bench.engine.portPath()));
    QCOMPARE(bench.deviceType(), expectedFcReply());

    // Pulled in the middle of a command: the PC's port reports an error at once.
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(1000), int(NAK));
    QVERIFY(bench.engine.unplug());
    QVERIFY(!bench.engine.isPlugged());
    QCOMPARE(bench.pc.read(1, 1000), QByteArray());
    bench.pc.close();
    QVERIFY(!bench.pc.open(bench.engine.slavePath()));

    QVERIFY(bench.engine.plugIn());
    QVERIFY(bench.pc.open(config.linkPath)); // the link follows the new port
    QCOMPARE(bench.deviceType(), expectedFcReply());
}

QTEST_GUILESS_MAIN(TestEmulatorLink)
#include "tst_emulatorlink.moc"
