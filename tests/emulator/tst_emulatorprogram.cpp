// The kelo-emulator program: its PORT line, options, state file, link, trace
// and a clean end on SIGINT and SIGTERM.

#include "rawlinkclient.h"
#include "registermodel.h"
#include "registerrequests.h"
#include "systemtestutil.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
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

// Every entry of a folder with what it is: a link's target, a file's bytes.
QStringList contents(const QString &path)
{
    QStringList entries;
    const auto filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden;
    for (const QFileInfo &info : QDir(path).entryInfoList(filter, QDir::Name)) {
        entries << info.fileName() + QLatin1Char(' ')
                       + (info.isSymLink() ? QStringLiteral("-> ") + info.symLinkTarget()
                          : info.isDir()   ? QStringLiteral("/")
                                           : QString::fromUtf8(readFile(info.filePath())));
    }
    return entries;
}

// A state file as the program writes it, less one part.
QByteArray stateWithout(const QString &section, const QString &key)
{
    QJsonObject state = kelo::emu::RegisterModel().toJson();
    if (section.isEmpty()) {
        state.remove(key);
    } else {
        QJsonObject part = state.value(section).toObject();
        part.remove(key);
        state.insert(section, part);
    }
    return QJsonDocument(state).toJson();
}

} // namespace

class TestEmulatorProgram : public QObject
{
    Q_OBJECT

private slots:
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void refusedStartTouchesNothing_data();
    void refusedStartTouchesNothing();
    void servesItsPortAndKeepsItsState();
    void failedSavesAreReported();
    void traceHasALinePerFrame_data();
    void traceHasALinePerFrame();
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

// What is at the link's path is the user's unless it is a link to a
// pseudo-terminal; a state file must have every part. A refusal names the
// path and leaves every file as it was, the state file not written either.
void TestEmulatorProgram::refusedStartTouchesNothing_data()
{
    QTest::addColumn<QString>("atLink");   // what is at the link's path beforehand
    QTest::addColumn<QByteArray>("state"); // empty: no state file
    QTest::addColumn<bool>("stateNamed");  // the message names the state file, else the link
    QTest::addColumn<QString>("why");
    QTest::newRow("a file at the link") << "file" << QByteArray() << false << "a file";
    QTest::newRow("a directory at the link") << "directory" << QByteArray() << false << "a directory";
    QTest::newRow("a link elsewhere") << "link" << QByteArray() << false << "a link to";
    QTest::newRow("state without the FN's archive")
        << QString() << stateWithout(QStringLiteral("fn"), QStringLiteral("documents")) << true
        << "lacks \"fn.documents\"";
    QTest::newRow("state without the register")
        << QString() << stateWithout(QString(), QStringLiteral("register")) << true << "lacks \"register\"";
    QTest::newRow("state cut short") << QString() << stateWithout(QString(), QString()).left(300) << true
                                     << "not JSON";
}

void TestEmulatorProgram::refusedStartTouchesNothing()
{
    QFETCH(QString, atLink);
    QFETCH(QByteArray, state);
    QFETCH(bool, stateNamed);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyKELO"));
    const QString statePath = dir.filePath(QStringLiteral("register.json"));
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeFile(notes, "the user's notes\n"));
    if (atLink == QLatin1String("file"))
        QVERIFY(writeFile(link, "the user's own file\n"));
    else if (atLink == QLatin1String("directory"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ttyKELO")));
    else if (atLink == QLatin1String("link"))
        QVERIFY(QFile::link(notes, link));
    if (!state.isEmpty())
        QVERIFY(writeFile(statePath, state));
    const QStringList before = contents(dir.path());

    QProcess process;
    process.start(
        QStringLiteral(KELO_EMULATOR_PROGRAM),
        {QStringLiteral("--link"), link, QStringLiteral("--state"), statePath, QStringLiteral("--baud=0")});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    const QString message = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(message.contains(stateNamed ? statePath : link) && message.contains(why), qPrintable(message));
    QCOMPARE(contents(dir.path()), before);
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
    // An earlier run's link, left when it was killed, is taken over.
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/999999"), link));
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
    // What the user put at the path meanwhile stays at the end.
    QVERIFY(QFile::remove(link) && writeFile(link, "mine"));
    QCOMPARE(stopProgram(process, SIGTERM), 0);
    QCOMPARE(readFile(link), QByteArray("mine"));
}

// A state file that can no longer be written is reported while the emulator
// runs (once for as long as the reason lasts) and at the end, which then is
// no clean end.
void TestEmulatorProgram::failedSavesAreReported()
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("register.json"));
    QProcess process;
    const QString port = startProgram(process, {QStringLiteral("--state"), state, QStringLiteral("--baud=0"),
                                                QStringLiteral("--serial=0")});
    QVERIFY(!port.isEmpty());
    // A directory in its place: not writable even for root.
    QVERIFY(QFile::remove(state) && QDir(dir.path()).mkdir(QStringLiteral("register.json")));
    RawLinkClient pc;
    QVERIFY(pc.open(port));
    QCOMPARE(pc.command(rq::cmd(0x0E) + rq::le(123456789, 7)), QByteArray::fromHex("0e00"));
    QCOMPARE(pc.command(rq::table(0x1E, 4, 1, 1, QByteArray::fromHex("6400"))), QByteArray::fromHex("1e00"));
    const QString failure = QStringLiteral("cannot save the state file %1: ").arg(state);
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains(failure.toLocal8Bit()), 5000);
    pc.close();
    QCOMPARE(stopProgram(process, SIGTERM), 1);
    err += process.readAllStandardError();
    QCOMPARE(QString::fromLocal8Bit(err).count(failure), 2);
}

void TestEmulatorProgram::traceHasALinePerFrame_data()
{
    // One exchange, a fault marked where it fell: ENQ, the request, the reply, the PC's ACK, ENQ.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("lines"); // patterns after the time stamp
    const QString reply =
        QString::fromLatin1(RawLinkClient::frame(QByteArray::fromHex("fc0000000106fa00") + "Kelo-Vint-\xD4")
                                .toHex(' ')
                                .toUpper());
    const QString request = QStringLiteral("< 02 01 FC FD");
    const QStringList opening = {QStringLiteral("< ENQ"), QStringLiteral("> NAK")};
    const QStringList closing = {QStringLiteral("< ACK"), QStringLiteral("< ENQ"), QStringLiteral("> NAK")};
    QTest::newRow("plain") << QString()
                           << opening
                                  + QStringList{request, QStringLiteral("> ACK"),
                                                QStringLiteral("> ") + reply}
                                  + closing;
    QTest::newRow("lost-ack") << "lost-ack"
                              << opening
                                     + QStringList{request + QStringLiteral(" \\[fault: lost-ack\\]"),
                                                   QStringLiteral("> ") + reply}
                                     + closing;
}

void TestEmulatorProgram::traceHasALinePerFrame()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, lines);
    QStringList arguments = {QStringLiteral("--trace"), QStringLiteral("--baud=0")};
    if (!fault.isEmpty())
        arguments << QStringLiteral("--fault") << fault;
    QProcess process;
    const QString port = startProgram(process, arguments);
    RawLinkClient pc;
    QVERIFY(pc.open(port));
    QCOMPARE(pc.request(QByteArray::fromHex("fc")), fault == QLatin1String("lost-ack") ? STX : ACK);
    QVERIFY(!pc.drain(100).isEmpty());
    pc.sendByte(ACK);
    pc.sendByte(ENQ);
    QCOMPARE(pc.readByte(), NAK); // the ACK was heard before it
    pc.close();
    QCOMPARE(stopProgram(process, SIGINT), 0);

    const QStringList traced =
        QString::fromLocal8Bit(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(traced.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpression line(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d %1$").arg(lines[i]));
        QVERIFY2(line.match(traced[i]).hasMatch(), qPrintable(traced[i] + QStringLiteral(" !~ ") + lines[i]));
    }
}

QTEST_GUILESS_MAIN(TestEmulatorProgram)
#include "tst_emulatorprogram.moc"
