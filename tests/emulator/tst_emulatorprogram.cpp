// The kelo-emulator program: its PORT line, options, state file, link and a
// clean end on SIGINT and SIGTERM.

#include "firmwareimage.h"
#include "rawlinkclient.h"
#include "registerrequests.h"

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

// Runs the program to its end: its output, and its exit code (-1 when it did not end).
QPair<QByteArray, int> runProgram(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(KELO_EMULATOR_PROGRAM), arguments);
    const bool ended = process.waitForFinished(5000);
    return {process.readAllStandardOutput().trimmed(), ended ? process.exitCode() : -1};
}

} // namespace

class TestEmulatorProgram : public QObject
{
    Q_OBJECT

private slots:
    void helpAndChecksum();
    void servesItsPortAndKeepsItsState();
    void badOptionsAreRefused();
};

void TestEmulatorProgram::helpAndChecksum()
{
    const auto help = runProgram({QStringLiteral("--help")});
    QCOMPARE(help.second, 0);
    for (const char *option : {"--state", "--baud", "--delay", "--password", "--fault", "--seed", "--link"})
        QVERIFY2(help.first.contains(option), option);
    QCOMPARE(runProgram({QStringLiteral("--dump-md5"), QStringLiteral("--dump-blocks=64")}).first,
             kelo::emu::FirmwareImage::md5Hex(64));
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
    QFile file(state);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(file.readAll())[u"register"][u"serialNumber"].toString(),
             QStringLiteral("123456789"));

    // Written once: another number is refused after the restart.
    QCOMPARE(startProgram(process, arguments), link);
    QVERIFY(pc.open(link));
    QCOMPARE(pc.command(rq::cmd(0x0E, 44) + rq::le(42, 7)), QByteArray::fromHex("0e12"));
    pc.close();
    QCOMPARE(stopProgram(process, SIGTERM), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestEmulatorProgram::badOptionsAreRefused()
{
    for (const char *option : {"--fault=thunder", "--preset=broken", "--fault-rate=2"}) {
        const auto run = runProgram({QString::fromLatin1(option)});
        QVERIFY2(run.second > 0, option);
        QCOMPARE(run.first, QByteArray()); // no PORT line
    }
}

QTEST_GUILESS_MAIN(TestEmulatorProgram)
#include "tst_emulatorprogram.moc"
