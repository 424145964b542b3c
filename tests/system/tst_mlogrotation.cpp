#include "mfilesworks.h"
#include "mlogsystem.h"
#include "mpathworks.h"
#include "systemtestutil.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const int waitMs = 20000;

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

// Rotation of log files: dated copies, deletion of old files and compression
// by an archiver, here a stand-in shell program whose calls are recorded.
class TestMLogRotation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rotatingTwiceOnOneDayAppends();
    void burstBeforeRotationIsKept();
    void oldFilesDeletedWithoutArchiver();
#ifdef Q_OS_UNIX
    void whichFilesAreArchived();
    void sourceKeptAfterABadRun_data();
    void sourceKeptAfterABadRun();
    void fileBeingArchivedIsNotArchivedAgain();
    void archiverThatCannotStart();
    void realArchiver();
#endif

private:
    QString logFile(const QString &name) const
    {
        return m_logDir.absoluteFilePath(name);
    }
    // The stand-in archiver: records "working dir|args" and runs the body.
    void useArchiver(const QByteArray &body);
    QStringList archiverCalls() const;
    // The log's own notices as "level|text".
    QStringList notices() const;
    // Rotates app.log with archiving and waits for the archiver runs to end.
    void rotateAndArchive();

    QTemporaryDir *m_root = nullptr;
    QDir m_logDir;
    MLogSystem *m_log = nullptr;
    QSignalSpy *m_notices = nullptr;
};

void TestMLogRotation::init()
{
    m_root = new QTemporaryDir;
    QVERIFY(m_root->isValid());
    // A program folder that exists and is writable: the portable layout,
    // never the user's own folders.
    QVERIFY(QDir().mkpath(m_root->filePath("app")));
    MPathWorks::setAppDirPath(m_root->filePath("app"));
    m_logDir = MPathWorks::logDir();
    MFilesWorks::setArchiverOverride(m_root->filePath("no-archiver"));
    m_log = new MLogSystem;
    m_notices =
        new QSignalSpy(m_log, qOverload<const QString &, MLogSystem_EventLevel>(&MLogSystem::stringWrited));
}

void TestMLogRotation::cleanup()
{
    delete m_notices;
    delete m_log;
    MFilesWorks::clearArchiverOverride();
    MPathWorks::setAppDirPath(QString());
    delete m_root;
}

void TestMLogRotation::useArchiver(const QByteArray &body)
{
    const QString program = m_root->filePath("packer");
    const QByteArray calls = QFile::encodeName(m_root->filePath("calls.txt"));
    QVERIFY(writeProgram(program, "echo \"$PWD|$1|$2|$3\" >> '" + calls + "'\n" + body));
    MFilesWorks::setArchiverOverride(program);
}

QStringList TestMLogRotation::archiverCalls() const
{
    return QString::fromUtf8(readFile(m_root->filePath("calls.txt"))).split('\n', Qt::SkipEmptyParts);
}

QStringList TestMLogRotation::notices() const
{
    QStringList texts;
    for (const QList<QVariant> &signal : *m_notices)
        texts << QStringLiteral("%1|%2").arg(signal.at(1).toInt()).arg(signal.at(0).toString());
    return texts;
}

void TestMLogRotation::rotateAndArchive()
{
    m_log->rotate(logFile("app.log"), true, 30);
    QTRY_COMPARE_WITH_TIMEOUT(m_log->archiveJobCount(), 0, waitMs);
}

void TestMLogRotation::rotatingTwiceOnOneDayAppends()
{
    const QString source = logFile("app.log");
    const QString dated = logFile("app_" + today() + ".log");

    // A dated copy that cannot be opened leaves the source in place.
    QVERIFY(writeFile(source, "one\n"));
    QVERIFY(QDir().mkpath(dated));
    m_log->rotate(source, false, 0);
    QCOMPARE(readFile(source), QByteArray("one\n"));
    QVERIFY(notices().contains("5|MLogSystem: Error open log file <" + dated + ">."));
    QVERIFY(QDir().rmdir(dated));
    m_notices->clear();

    m_log->rotate(source, false, 30);
    QVERIFY(!QFile::exists(source));
    QCOMPARE(readFile(dated), QByteArray("one\n"));

    QVERIFY(writeFile(source, "two\n"));
    m_log->rotate(source, false, 30);
    QVERIFY(!QFile::exists(source));
    QCOMPARE(readFile(dated), QByteArray("one\ntwo\n"));

    QCOMPARE(notices().filter("Rotate").size(), 2);
    QCOMPARE(notices().filter("file <"),
             QStringList({"2|MLogSystem: Created new log file <" + dated + ">.",
                          "1|MLogSystem: Appended log to file <" + dated + ">."}));
}

void TestMLogRotation::burstBeforeRotationIsKept()
{
    // The event log rotates its own file while lines are still on their way;
    // every rotation is a chance for the writer to race the move.
    const QString events = logFile("events.log");
    m_log->setLogFile(events);
    const int count = 6000;
    for (int i = 0; i < count; ++i) {
        m_log->logWrite(QStringLiteral("burst %1").arg(i));
        if (i % 300 == 299)
            m_log->rotate(events, false, 0);
    }
    m_log->rotate(events, false, 0);
    m_log->logWrite(QStringLiteral("after rotation"));
    m_log->flush();

    const QString all = QString::fromUtf8(readFile(logFile("events_" + today() + ".log")) + readFile(events));
    for (int i = 0; i < count; ++i)
        QCOMPARE(all.count(QStringLiteral("] burst %1\n").arg(i)), 1);
    QCOMPARE(all.count(QStringLiteral("] after rotation\n")), 1);
}

void TestMLogRotation::oldFilesDeletedWithoutArchiver()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const char *name : {"old.log", "old.7z", "notes.txt"}) {
        QVERIFY(writeFile(logFile(name), "x"));
        QVERIFY(setModified(logFile(name), now.addDays(-31)));
    }
    QVERIFY(writeFile(logFile("recent.log"), "x"));
    QVERIFY(setModified(logFile("recent.log"), now.addDays(-29)));
    QVERIFY(writeFile(logFile("app.log"), "x"));

    // An old file outside the directory, reached through a link inside it.
    const QString outside = m_root->filePath("outside.log");
    QVERIFY(writeFile(outside, "not ours"));
    QVERIFY(setModified(outside, now.addDays(-60)));
    QVERIFY(QFile::link(outside, logFile("link.log")));

    m_log->rotate(logFile("app.log"), true, 0);
    QVERIFY(QFile::exists(logFile("old.log")));

    m_log->rotate(logFile("app.log"), true, 30);
    QCOMPARE(m_logDir.entryList(QDir::Files | QDir::System, QDir::Name),
             QStringList({"app_" + today() + ".log", "link.log", "recent.log"}));
    QCOMPARE(readFile(outside), QByteArray("not ours"));
    QVERIFY(notices().contains("5|MLogSystem: Archiver not found."));
    QCOMPARE(m_log->archiveJobCount(), 0);
}

#ifdef Q_OS_UNIX
void TestMLogRotation::whichFilesAreArchived()
{
    useArchiver("echo packed > \"$2\"");
    const QString outside = m_root->filePath("outside.log");
    QVERIFY(writeFile(outside, "not ours"));
    QVERIFY(QFile::link(outside, logFile("link.log")));
    for (const char *name : {"app.log", "app.d.log", "other.log", "notes.txt", "star*.log"})
        QVERIFY(writeFile(logFile(name), "x"));
    // Earlier archives of the same name are never written into.
    QVERIFY(writeFile(logFile("other.7z"), "first"));
    QVERIFY(writeFile(logFile("other_2.7z"), "second"));

    rotateAndArchive();

    // Archived logs go after a good run. The rotated log and today's copy
    // stay; "star*.log" would be a pattern to the archiver; the link leads out
    // of the directory.
    const QString appDir = MPathWorks::appDir().absolutePath();
    QStringList calls = archiverCalls();
    calls.sort();
    QCOMPARE(calls, QStringList({appDir + "|a|" + logFile("app.d.7z") + "|" + logFile("app.d.log"),
                                 appDir + "|a|" + logFile("other_3.7z") + "|" + logFile("other.log")}));
    QCOMPARE(m_logDir.entryList(QDir::Files | QDir::System, QDir::Name),
             QStringList({"app.d.7z", "app_" + today() + ".log", "link.log", "notes.txt", "other.7z",
                          "other_2.7z", "other_3.7z", "star*.log"}));
    QCOMPARE(readFile(outside), QByteArray("not ours"));
    QCOMPARE(readFile(logFile("other.7z")) + readFile(logFile("other_2.7z")), QByteArray("firstsecond"));
}

void TestMLogRotation::sourceKeptAfterABadRun_data()
{
    // A good run removes the source: see whichFilesAreArchived.
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("exit 2") << QByteArray("echo packed > \"$2\"; exit 2");
    QTest::newRow("exit 0 without archive") << QByteArray("exit 0");
    QTest::newRow("killed") << QByteArray("echo packed > \"$2\"; kill -9 $$");
    QTest::newRow("log written meanwhile") << QByteArray("echo packed > \"$2\"; echo late >> \"$3\"");
}

void TestMLogRotation::sourceKeptAfterABadRun()
{
    QFETCH(QByteArray, body);
    useArchiver(body);
    QVERIFY(writeFile(logFile("other.log"), "old lines\n"));
    // The archiver's late line must change the size; the time alone may not.
    QVERIFY(setModified(logFile("other.log"), QDateTime::currentDateTime().addSecs(-60)));

    m_log->rotate(logFile("app.log"), true, 30);
    QCOMPARE(m_log->archiveJobCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_log->archiveJobCount(), 0, waitMs);
    QCOMPARE(archiverCalls().size(), 1);
    QVERIFY(readFile(logFile("other.log")).startsWith("old lines\n"));
}

void TestMLogRotation::fileBeingArchivedIsNotArchivedAgain()
{
    const QByteArray release = QFile::encodeName(m_root->filePath("release"));
    useArchiver("while [ ! -e '" + release + "' ]; do sleep 0.02; done\necho packed > \"$2\"");
    QVERIFY(writeFile(logFile("other.log"), "x"));

    m_log->rotate(logFile("app.log"), true, 30);
    m_log->rotate(logFile("app.log"), true, 30);
    QTRY_COMPARE_WITH_TIMEOUT(archiverCalls().size(), 1, waitMs);
    QCOMPARE(m_log->archiveJobCount(), 1);

    QVERIFY(writeFile(m_root->filePath("release"), ""));
    QTRY_COMPARE_WITH_TIMEOUT(m_log->archiveJobCount(), 0, waitMs);
    QCOMPARE(archiverCalls().size(), 1);
    QVERIFY(!QFile::exists(logFile("other.log")));
    QVERIFY(!QFile::exists(logFile("other_2.7z")));
}

void TestMLogRotation::archiverThatCannotStart()
{
    // Executable, but its interpreter does not exist: the run never starts and
    // sends no "finished"; the job must not stay behind and block the file.
    const QString program = m_root->filePath("broken");
    QVERIFY(writeFile(program, "#!/nonexistent/interpreter\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    MFilesWorks::setArchiverOverride(program);
    QVERIFY(writeFile(logFile("other.log"), "x"));

    rotateAndArchive();
    QCOMPARE(readFile(logFile("other.log")), QByteArray("x"));
    QVERIFY(notices().contains("5|MLogSystem: Archiver <" + program + "> could not be started."));
}

void TestMLogRotation::realArchiver()
{
    const QString archiver = QStandardPaths::findExecutable(QStringLiteral("7zz"));
    if (archiver.isEmpty())
        QSKIP("7zz is not installed");
    MFilesWorks::setArchiverOverride(archiver);
    QVERIFY(writeFile(logFile("other.log"), QByteArray(10000, 'z')));

    rotateAndArchive();
    QVERIFY(!QFile::exists(logFile("other.log")));
    QVERIFY(readFile(logFile("other.7z")).startsWith(QByteArray::fromHex("377abcaf271c")));
    QVERIFY(notices().contains("1|MLogSystem: Archive <" + logFile("other.7z")
                               + "> created. Remove old log file <" + logFile("other.log")
                               + ">. Return code=<1>. Exit status: <0>."));
}
#endif

QTEST_GUILESS_MAIN(TestMLogRotation)
#include "tst_mlogrotation.moc"
