// Text commands end to end: the driver against the register emulator, with
// and without faults on the line.

#include "emulatorlink.h"
#include "razbcmd.h"
#include "testfp.h"

#include <kelodefaults.h>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <ctime>

using kelo::emu::Fault;

namespace {

const QString pw = QString::number(kelo::kDefaultSysAdminPassword);

QString text(int index)
{
    return QString::fromUtf8(rplItems.at(index).dftval);
}

} // namespace

class TstExecEmulator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void stateAndPassword();
    void receiptAndDocumentRead();
    void lineFaultsNeverRunACommandTwice_data();
    void lineFaultsNeverRunACommandTwice();
    void strayByteBeforeEveryAnswer();
    void unpluggedPortFailsFastAndIdle();

private:
    bool exec(const QString &command)
    {
        TestFp fp;
        return fp.execCommand(command);
    }

    std::unique_ptr<EmulatorLink> m_emu;
};

void TstExecEmulator::initTestCase()
{
    mpLoadDataFiles();
    QVERIFY(mpParseDescriptionFiles());
}

void TstExecEmulator::init()
{
    mpLoadDefaults();
    kelo::emu::EmulatorConfig config;
    config.baud = 0; // no pacing: these tests are about behaviour, not timing
    config.preset = kelo::emu::Preset::Registered;
    m_emu = std::make_unique<EmulatorLink>(config);
    QVERIFY(m_emu->connect());
}

void TstExecEmulator::cleanup()
{
    m_emu.reset();
}

void TstExecEmulator::stateAndPassword()
{
    QVERIFY2(exec("11," + pw), qPrintable(lastErrText));
    QCOMPARE(rplItems.count(), 24);
    quint64 serial = 0;
    m_emu->engine().inspect([&](const kelo::emu::RegisterModel &m) { serial = m.state().serialNumber; });
    QCOMPARE(text(18).toULongLong(), serial);

    QVERIFY(!exec(QStringLiteral("11,12345")));
    QCOMPARE(lastErrCode, 79);
    QCOMPARE(lastErrText, QStringLiteral("[79]: Неверный пароль!"));
}

void TstExecEmulator::receiptAndDocumentRead()
{
    QVERIFY2(exec("E0," + pw), qPrintable(lastErrText));
    QVERIFY2(exec("8D," + pw + ",0"), qPrintable(lastErrText));
    QVERIFY2(exec(QStringLiteral("80,%1,1.000,550.00,0,1,0,0,0,'Торт Прага'").arg(pw)),
             qPrintable(lastErrText));
    QVERIFY2(exec(QStringLiteral("85,%1,1000.00,0.00,0.00,0.00,0,1,0,0,0,'Спасибо'").arg(pw)),
             qPrintable(lastErrText));
    QCOMPARE(text(3), QStringLiteral("450.00"));

    QVERIFY(exec("FF01," + pw));
    const QString last = text(10);
    QVERIFY2(exec(QStringLiteral("FF3A,%1,%2").arg(pw, last)), qPrintable(lastErrText));
    QCOMPARE(text(2), QStringLiteral("3"));
    int items = 0;
    bool sawTotal = false;
    while (exec("FF3B," + pw)) {
        ++items;
        QVERIFY(rplItems.count() >= 4);
        // The variable-width value takes exactly the item's length.
        QCOMPARE(quint32(rplItems.at(4).value.size()), text(3).toUInt());
        sawTotal = sawTotal || text(2) == QStringLiteral("1020");
        QVERIFY(items < 1000);
    }
    QCOMPARE(lastErrCode, 8);
    QVERIFY(items > 5);
    QVERIFY(sawTotal);
}

void TstExecEmulator::lineFaultsNeverRunACommandTwice_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("processingMs");
    for (Fault f : kelo::emu::kLineFaults) {
        QTest::addRow("%s", kelo::emu::kFaultNames[int(f)]) << int(f) << 0;
        // Longer than the link waits for the ACK of its frame.
        QTest::addRow("%s, slow command", kelo::emu::kFaultNames[int(f)]) << int(f) << 1500;
    }
}

void TstExecEmulator::lineFaultsNeverRunACommandTwice()
{
    QFETCH(int, fault);
    QFETCH(int, processingMs);
    kelo::emu::EmulatorEngine &engine = m_emu->engine();
    // Paced like a real line: what a fault does depends on when bytes arrive.
    engine.setBaud(115200);
    QVERIFY2(exec("E0," + pw), qPrintable(lastErrText));
    QVERIFY2(exec("8D," + pw + ",0"), qPrintable(lastErrText));
    engine.setReplyDelayMs(processingMs);
    engine.faults().arm(Fault(fault), 1);
    const auto before = engine.stats().link;
    QVERIFY2(exec(QStringLiteral("80,%1,2.000,10.00,0,1,0,0,0,'Хлеб'").arg(pw)), qPrintable(lastErrText));
    const auto after = engine.stats().link;
    QCOMPARE(engine.faults().injected(Fault(fault)), 1);
    // Run once, and the request not even repeated for the register to
    // recognise: not every register would.
    QCOMPARE(after.framesExecuted - before.framesExecuted, quint64(1));
    QCOMPARE(after.duplicateFrames - before.duplicateFrames, quint64(0));
    QCOMPARE(text(0), QStringLiteral("80"));
    engine.setReplyDelayMs(0);
    // The next command also passes whatever the fault left on the line.
    QVERIFY2(exec("10," + pw), qPrintable(lastErrText));
    int lines = -1;
    engine.inspect([&](const kelo::emu::RegisterModel &m) { lines = int(m.state().receipt.lines.size()); });
    QCOMPARE(lines, 1);
}

void TstExecEmulator::strayByteBeforeEveryAnswer()
{
    // Some registers put a byte before every answer to ENQ over a network
    // link: every command must still go through on its first attempt.
    m_emu->engine().setBaud(115200);
    m_emu->engine().faults().arm(Fault::Noise, 100);
    const auto before = m_emu->engine().stats().link;
    QVERIFY2(exec(QStringLiteral("FC")), qPrintable(lastErrText));
    QVERIFY2(exec("11," + pw), qPrintable(lastErrText));
    QVERIFY2(exec("FF01," + pw), qPrintable(lastErrText));
    QCOMPARE(m_emu->engine().stats().link.enqAnswered - before.enqAnswered, quint64(3));
    QCOMPARE(m_emu->engine().faults().injected(Fault::Noise), 3);
}

void TstExecEmulator::unpluggedPortFailsFastAndIdle()
{
    // The cable goes while the register is still working on the command:
    // the link must give up promptly and not spin on the dead port.
    m_emu->engine().setReplyDelayMs(2000);
    QTimer::singleShot(300, [this] { m_emu->engine().unplug(); });
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!exec("11," + pw));
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    const double cpu = double(cpu1.tv_sec - cpu0.tv_sec) + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
    QCOMPARE(lastErrCode, -1);
    QCOMPARE(lastErrText, QStringLiteral("Состояние ФР: Ошибка драйвера [2]: ошибка обмена с ФР!!"));
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(cpu < 1.0, qPrintable(QString::number(cpu)));

    // Plugged back in, the next connection works again.
    m_emu->engine().setReplyDelayMs(0);
    QVERIFY(m_emu->engine().plugIn());
    QVERIFY(m_emu->connect());
    QVERIFY2(exec("11," + pw), qPrintable(lastErrText));
}

QTEST_GUILESS_MAIN(TstExecEmulator)
#include "tst_execemulator.moc"
