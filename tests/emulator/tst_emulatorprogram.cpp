// The kelo-emulator program: its PORT line, options, state file, link and a
// clean end on SIGINT and SIGTERM.

#include "rawlinkclient.h"
#include "registerrequests.h"
#include "systemtestutil.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Starts the program: the path its PORT line gives, or nothing.
QString startProgram(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(KELO_EMULATOR_PROGRAM), arguments);
    while (process.waitForStarted(5000) && !process.canReadLine() && process.waitForReadyRead(5000)) {
    }
    const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
    return line.startsWith(QLatin1String("PORT ")) ? line.mid(5) : QString();
}

// Ends the program with a signal: its exit code, -1 unless it ended normally.
int stopProgram(QProcess &process, int signal)
{
    ::kill(static_cast<pid_t>(process.processId()), signal);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode()
                                                                                         : -1;
}

} // namespace

class TestEmulatorProgram : public QObject
{
    Q_OBJECT

private slots:
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void servesItsPortAndKeepsItsState();
};

// Bad options are refused before any port is made.
void TestEmulatorProgram::badOptionsAreRefused_data()
{
    QTest::addColumn<QString>("option");
    for (const char *option : {"--fault=thunder", "--preset=broken", "--fault-rate=2"})
        QTest::newRow(option) << QString::fromLatin1(option);
}

void TestEmulatorProgram::badOptionsAreRefused()
{
    QFETCH(QString, option);
    QProcess process;
    process.start(QStringLiteral(KELO_EMULATOR_PROGRAM), {option});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

void TestEmulatorProgram::servesItsPortAndKeepsItsState()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyKELO"));
    const QString state = dir.filePath(QStringLiteral("register.json"));
    const QStringList arguments = {QStringLiteral("--link"),       link,
                                   QStringLiteral("--state"),      state,
                                   QStringLiteral("--baud=0"),     QStringLiteral("--serial=0"),
                                   QStringLiteral("--password=44")};
    QProcess process;
    QCOMPARE(startProgram(process, arguments), link);
    QVERIFY(QFileInfo(link).isSymLink());
    RawLinkClient pc;
    QVERIFY(pc.open(link));
    QCOMPARE(pc.command(rq::cmd(0x11, 30)), QByteArray::fromHex("114f")); // the old password: error 79
    QCOMPARE(pc.command(rq::cmd(0x0E, 44) + rq::le(123456789, 7)), QByteArray::fromHex("0e00"));
    pc.close();
    QCOMPARE(stopProgram(process, SIGINT), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    QCOMPARE(QJsonDocument::fromJson(readFile(state))[u"register"][u"serialNumber"].toString(),
             QStringLiteral("123456789"));

    // Written once: another number is refused after the restart.
    QCOMPARE(startProgram(process, arguments), link);
    QVERIFY(pc.open(link));
    QCOMPARE(pc.command(rq::cmd(0x0E, 44) + rq::le(42, 7)), QByteArray::fromHex("0e12"));
    pc.close();
    QCOMPARE(stopProgram(process, SIGTERM), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestEmulatorProgram)
#include "tst_emulatorprogram.moc"
