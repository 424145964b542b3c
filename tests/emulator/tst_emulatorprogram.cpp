// The kelo-emulator program: its PORT line, options, state file, link and a
// clean end on SIGTERM.

#include "firmwareimage.h"
#include "rawlinkclient.h"
#include "registerrequests.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestEmulatorProgram : public QObject
{
    Q_OBJECT

private slots:
    void helpAndChecksum();
    void servesItsPortAndEndsCleanly();
    void stateFileKeepsTheRegister();
    void badOptionsAreRefused();

private:
    static QString startProgram(QProcess &process, const QStringList &arguments);
};

QString TestEmulatorProgram::startProgram(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(KELO_EMULATOR_PROGRAM), arguments);
    if (!process.waitForStarted(5000))
        return QString();
    QString line;
    while (!process.canReadLine() && process.waitForReadyRead(5000)) {
    }
    line = QString::fromLocal8Bit(process.readLine()).trimmed();
    return line.startsWith(QLatin1String("PORT ")) ? line.mid(5) : QString();
}

void TestEmulatorProgram::helpAndChecksum()
{
    QProcess help;
    help.start(QStringLiteral(KELO_EMULATOR_PROGRAM), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    for (const char *option : {"--state", "--baud", "--delay", "--password", "--fault", "--seed", "--link"})
        QVERIFY2(text.contains(QLatin1String(option)), option);

    QProcess md5;
    md5.start(QStringLiteral(KELO_EMULATOR_PROGRAM),
              {QStringLiteral("--dump-md5"), QStringLiteral("--dump-blocks=64")});
    QVERIFY(md5.waitForFinished(5000));
    QCOMPARE(md5.readAllStandardOutput().trimmed(), kelo::emu::FirmwareImage::md5Hex(64));
}

void TestEmulatorProgram::servesItsPortAndEndsCleanly()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyKELO"));
    QProcess process;
    const QString port = startProgram(process, {QStringLiteral("--link"), link, QStringLiteral("--baud=0")});
    QCOMPARE(port, link);
    QVERIFY(QFileInfo(link).isSymLink());

    RawLinkClient pc;
    QVERIFY(pc.open(port));
    const QByteArray reply = pc.command(QByteArray::fromHex("fc"));
    QCOMPARE(reply.left(2), QByteArray::fromHex("fc00"));
    QCOMPARE(static_cast<int>(static_cast<quint8>(reply.at(6))), 250);
    pc.close();

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestEmulatorProgram::stateFileKeepsTheRegister()
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("register.json"));
    const QStringList arguments = {QStringLiteral("--state"), state, QStringLiteral("--baud=0"),
                                   QStringLiteral("--serial=0"), QStringLiteral("--password=44")};
    {
        QProcess process;
        const QString port = startProgram(process, arguments);
        QVERIFY(!port.isEmpty());
        RawLinkClient pc;
        QVERIFY(pc.open(port));
        QCOMPARE(pc.command(rq::cmd(0x11, 30)), QByteArray::fromHex("114f")); // the old password: error 79
        QCOMPARE(pc.command(rq::cmd(0x0E, 44) + rq::le(123456789, 7)), QByteArray::fromHex("0e00"));
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 0);
    }
    QFile file(state);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(
        json.value(QStringLiteral("register")).toObject().value(QStringLiteral("serialNumber")).toString(),
        QStringLiteral("123456789"));
    file.close();
    {
        QProcess process;
        const QString port = startProgram(process, arguments);
        RawLinkClient pc;
        QVERIFY(pc.open(port));
        // Written once: another number is refused after the restart.
        QCOMPARE(pc.command(rq::cmd(0x0E, 44) + rq::le(42, 7)), QByteArray::fromHex("0e12"));
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(5000));
    }
}

void TestEmulatorProgram::badOptionsAreRefused()
{
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--fault=thunder")}, QStringList{QStringLiteral("--preset=broken")},
          QStringList{QStringLiteral("--fault-rate=2")}}) {
        QProcess process;
        process.start(QStringLiteral(KELO_EMULATOR_PROGRAM), arguments);
        QVERIFY(process.waitForFinished(5000));
        QVERIFY2(process.exitCode() != 0, qPrintable(arguments.join(QLatin1Char(' '))));
        QVERIFY(process.readAllStandardOutput().isEmpty()); // no PORT line
    }
}

QTEST_GUILESS_MAIN(TestEmulatorProgram)
#include "tst_emulatorprogram.moc"
