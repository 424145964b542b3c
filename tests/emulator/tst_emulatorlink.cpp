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
const QByteArray kFcReply = QByteArray::fromHex("fc0000000106fa00") + "Kelo-Vint-\xD4"; // Ф in Windows-1251
const QByteArray kFcFrame = RawLinkClient::frame(kFcReply);

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
    // What an ENQ gets while the device-type reply is pending: ACK and its frame.
    QByteArray pendingReply()
    {
        pc.sendByte(ENQ);
        return pc.read(kFcFrame.size() + 1);
    }

    EmulatorEngine engine;
    RawLinkClient pc;
};

} // namespace

class TestEmulatorLink : public QObject
{
    Q_OBJECT

private slots:
    void framesFromThePc_data();
    void framesFromThePc();
    void repeatedFrameRunsOnce();
    void enqWhileACommandRuns_data();
    void enqWhileACommandRuns();
    void faultsShowOnTheWire_data();
    void faultsShowOnTheWire();
    void randomFaultsAreSeeded();
    void shiftWithReceiptsReadsBack();
    void bytesArePaced();
    void unpluggedPortComesBack();
};

void TestEmulatorLink::framesFromThePc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("minWaitMs"); // before the answer
    QTest::newRow("device type") << QByteArray::fromHex("0201fcfd") << 0;
    QTest::newRow("wrong check byte") << QByteArray::fromHex("0201fc00") << 0;
    QTest::newRow("LEN 0") << QByteArray::fromHex("0200") << 0;
    QTest::newRow("byte missing") << QByteArray::fromHex("0202fc") << 50;
}

void TestEmulatorLink::framesFromThePc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, minWaitMs);
    Bench bench;
    QVERIFY2(bench.start(), qPrintable(bench.engine.errorString()));
    bench.pc.sendByte(ENQ);
    QCOMPARE(bench.pc.readByte(), NAK);
    QElapsedTimer timer;
    timer.start();
    bench.pc.send(bytes);
    const bool good = bytes == RawLinkClient::frame(kFc); // the one well-formed frame
    QCOMPARE(bench.pc.readByte(2000), good ? ACK : NAK);
    QVERIFY(timer.elapsed() >= minWaitMs);
    if (good) {
        const QByteArray reply = bench.pc.readFrame();
        bench.pc.sendByte(ACK);
        QCOMPARE(reply, kFcReply);
        QCOMPARE(static_cast<quint8>(reply.at(6)), 250); // reply value 6: the model
        QCOMPARE(QTextCodec::codecForName("Windows-1251")->toUnicode(reply.mid(8)),
                 QStringLiteral("Kelo-Vint-Ф"));
    }
    // A bad frame is not executed and gets no reply; the link goes on.
    QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(good ? 1 : 0));
    QCOMPARE(bench.engine.stats().link.badFrames, quint64(good ? 0 : 1));
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
    QCOMPARE(bench.engine.stats().link.duplicateFrames, quint64(1));
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
    config.replyDelayMs = 400;
    Bench bench(config);
    QVERIFY(bench.start());
    RawLinkClient &pc = bench.pc;
    QCOMPARE(pc.request(kFc), ACK);
    if (fault >= 0)
        bench.engine.faults().arm(Fault(fault), 1);
    pc.sendByte(ENQ);               // the PC missed the ACK and asks
    QCOMPARE(pc.readByte(200), -1); // nothing while it runs
    const QByteArray got = pc.read(before.size() + kFcFrame.size(), 1000);
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
        QCOMPARE(bench.pendingReply(), char(ACK) + good);
        pc.sendByte(NAK);
        QCOMPARE(pc.read(good.size()), good);
        pc.sendByte(ACK);
        QCOMPARE(bench.engine.stats().link.framesExecuted, quint64(1));
    }
    QCOMPARE(bench.engine.faults().injected(fault), 1);
    QCOMPARE(bench.engine.faults().armed(fault), 0);
    QCOMPARE(pc.command(kFc), kFcReply); // one occasion only
}

void TestEmulatorLink::randomFaultsAreSeeded()
{
    auto pattern = [](quint64 seed) {
        FaultInjector faults(seed);
        faults.setRandomRate(0.05);
        QList<int> shown; // command and fault of every injection
        for (int command = 0; command < 2000; ++command) {
            faults.onCommand();
            for (int f = 0; f < kFaultCount; ++f) {
                if (faults.take(static_cast<Fault>(f)))
                    shown.append(command * kFaultCount + f);
            }
        }
        return shown;
    };
    const QList<int> shown = pattern(7);
    QCOMPARE(pattern(7), shown);
    QVERIFY(pattern(8) != shown);
    QVERIFY2(shown.size() > 60 && shown.size() < 140,
             qPrintable(QString::number(shown.size()))); // 5 % of 2000
}

void TestEmulatorLink::shiftWithReceiptsReadsBack()
{
    Bench bench;
    QVERIFY(bench.start());
    RawLinkClient &pc = bench.pc;
    quint64 serial = 0;
    bench.engine.inspect([&serial](const RegisterModel &m) { serial = m.state().serialNumber; });
    const quint64 inn = 7700000000;
    const QString bread = QStringLiteral("Хлеб & <соль>");
    for (const QByteArray &op :
         {rq::withByte(0xFF05, 0),
          rq::registration(0xFF06, inn, rq::registrationNumber(1, inn, serial), 1, 0), rq::cmd(0xE0),
          rq::withByte(0x8D, 0), rq::item(0x80, 1500, 1200, 1, QStringLiteral("Сыр")), // 18.00
          rq::item(0x80, 2000, 99, 2, QStringLiteral("Спички")),                       // 1.98
          rq::adjustment(0x86, 100), rq::close(5000, 500), rq::withByte(0x8D, 2),      // a sale returned
          rq::item(0x82, 1250, 4000, 0, bread),
          rq::cmd(0xFF0C) + rq::le(1008, 2) + rq::le(10, 2) + "buyer@x.ru", rq::close(5000), rq::cmd(0x41)})
        QVERIFY2(rq::error(pc.command(op)) == 0, op.toHex(' ').constData());

    const QList<int> types = {1, 2, 3, 3, 5};
    QList<QHash<quint16, QByteArray>> documents;
    for (quint32 number = 1; number <= 5; ++number) {
        QCOMPARE(pc.command(rq::document(0xFF3A, number)).left(4),
                 QByteArray::fromHex("ff3a00") + char(types.at(number - 1)));
        QHash<quint16, QByteArray> top;
        QByteArray item;
        while (rq::error(item = pc.command(rq::cmd(0xFF3B))) == 0 && top.size() < 100) {
            QCOMPARE(static_cast<quint64>(item.size() - 7), rq::value(item.mid(5, 2)));
            top.insert(static_cast<quint16>(rq::value(item.mid(3, 2))), item.mid(7));
        }
        QCOMPARE(item, QByteArray::fromHex("ff3b08")); // no more data ends the document
        QCOMPARE(rq::value(top.value(1040)), number);
        QCOMPARE(top.value(1012).size(), 4);
        QCOMPARE(top.value(1077).size(), 6);
        // The fiscal sign in the document (big-endian) is the one FF0A reports.
        QByteArray sign = top.value(1077).mid(2);
        std::reverse(sign.begin(), sign.end());
        QCOMPARE(pc.command(rq::document(0xFF0A, number)).mid(14, 4), sign);
        documents.append(top);
    }
    const QHash<quint16, QByteArray> &sale = documents.at(2), &returned = documents.at(3);
    QCOMPARE(sale.value(1054), QByteArray("\x01"));
    QCOMPARE(rq::value(sale.value(1020)), quint64(1898));
    QCOMPARE(rq::value(sale.value(1031)), quint64(1398));
    QCOMPARE(rq::value(sale.value(1081)), quint64(500));
    QCOMPARE(rq::value(sale.value(1102)), quint64((1800ull * 1800 + 5900) / 11800)); // 18 % inside 18.00
    QCOMPARE(returned.value(1054), QByteArray("\x02"));
    QCOMPARE(returned.value(1008), QByteArray("buyer@x.ru"));
    const QByteArray product = returned.value(1059);
    QCOMPARE(QTextCodec::codecForName("IBM 866")->toUnicode(rq::tlv(product, 1030)), bread);
    QCOMPARE(rq::tlv(product, 1023), QByteArray::fromHex("027d")); // 1.25
    QCOMPARE(rq::value(rq::tlv(product, 1079)), quint64(4000));
    QCOMPARE(rq::value(rq::tlv(product, 1043)), quint64(5000));
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

void TestEmulatorLink::unpluggedPortComesBack()
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
    QVERIFY(!bench.engine.isPlugged());
    QCOMPARE(bench.pc.read(1), QByteArray());
    bench.pc.close();
    QVERIFY(!bench.pc.open(bench.engine.slavePath()));

    QVERIFY(bench.engine.plugIn());
    QVERIFY(bench.pc.open(config.linkPath)); // the link follows the new port
    QCOMPARE(bench.pc.command(kFc), kFcReply);
}

QTEST_GUILESS_MAIN(TestEmulatorLink)
#include "tst_emulatorlink.moc"
