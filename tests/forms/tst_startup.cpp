// The program as a whole, started as a process from a copy in a throw-away
// directory (its Settings, Log and Data folders go there): a second start,
// the page pictures on the built-in emulator and the logs, the command line.
// And the guard of one running instance per installation on its own: the lock
// decides, the local socket carries the wake-up message.

#include "minstanceguard.h"
#include "systemtestutil.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace {

const int kStartMs = 30000;

QString freshKey()
{
    return QStringLiteral("kelo-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

class Installed
{
public:
    Installed()
    {
        m_program = m_dir.filePath(QStringLiteral("KeloAssist"));
        QFile::copy(QStringLiteral(KELO_APP_PATH), m_program);
    }
    bool isValid() const { return QFileInfo(m_program).isExecutable(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Started from another directory, as from a desktop shortcut.
    void start(QProcess &process, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_elsewhere.path());
        process.start(m_program, arguments);
    }
    QString elsewhere() const { return m_elsewhere.path(); }

    QString mainLog() const
    {
        return QString::fromUtf8(readFile(path(QStringLiteral("Log/KeloAssist.log"))));
    }
    QStringList datedLogs() const
    {
        return QDir(m_dir.filePath(QStringLiteral("Log"))).entryList({QStringLiteral("KeloAssist_2*")});
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_elsewhere;
    QString m_program;
};

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT

private slots:
    void secondStartWakesTheFirstAndEnds();
    void picturesOfEveryPageAndLogs_data();
    void picturesOfEveryPageAndLogs();
    void versionAndOptions();
    void keyIsFreedWhenTheFirstEnds();
    void installationsDoNotMeet();
};

void TstStartup::secondStartWakesTheFirstAndEnds()
{
    Installed app;
    QVERIFY(app.isValid());
    QProcess first;
    app.start(first, {QStringLiteral("--port"), QStringLiteral("/nonexistent/ttyKelo")});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(app.mainLog().contains(QStringLiteral("Boot complete.")), kStartMs);
    const QStringList datedBefore = app.datedLogs();

    QProcess second;
    app.start(second, {});
    QVERIFY(second.waitForFinished(kStartMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 255); // -1
    QTRY_VERIFY_WITH_TIMEOUT(app.mainLog().contains(QStringLiteral("Run second copy application.")),
                             kStartMs);

    // The second start left the running instance's logs where they were.
    QCOMPARE(app.datedLogs(), datedBefore);
    QVERIFY(app.mainLog().contains(QStringLiteral("main: Prevision instance found.")));
    // It worked in the program's directory, not where it was started.
    QVERIFY(QDir(app.elsewhere()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    first.kill();
    first.waitForFinished();
}

void TstStartup::picturesOfEveryPageAndLogs_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("mainLog");
    QTest::addColumn<bool>("performanceLog");
    QTest::newRow("default logs") << QString() << true << true;
    QTest::newRow("debug logs off") << "EnableLog=false" << false << false;
    QTest::newRow("performance log off") << "Perfomance=false" << true << false;
}

void TstStartup::picturesOfEveryPageAndLogs()
{
    QFETCH(QString, settings);
    QFETCH(bool, mainLog);
    QFETCH(bool, performanceLog);
    Installed app;
    QVERIFY(app.isValid());
    if (!settings.isEmpty()) {
        QVERIFY(QDir().mkpath(app.path(QStringLiteral("Settings"))));
        QVERIFY(writeFile(app.path(QStringLiteral("Settings/KeloAssist.ini")),
                          "[Logging]\n" + settings.toLatin1() + "\n"));
    }
    const QString pictures = app.path(QStringLiteral("pictures"));
    QProcess run;
    app.start(run, {QStringLiteral("--emulator"), QStringLiteral("--screenshots"), pictures});
    QVERIFY(run.waitForFinished(kStartMs * 2));
    QCOMPARE(run.exitCode(), 0);
    const QStringList files = QDir(pictures).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 9);
    QCOMPARE(files.first(), QStringLiteral("page-0-pageConnect.png"));
    QCOMPARE(files.last(), QStringLiteral("page-8-tabJournal.png"));
    for (const QString &file : files) {
        const QImage image(QDir(pictures).filePath(file));
        QVERIFY2(image.width() > 600 && image.height() > 400, qPrintable(file));
    }
    // The register the pictures were taken of is kept for the next start.
    QVERIFY(QFile::exists(app.path(QStringLiteral("Data/emulator.json"))));

    // The event log does not depend on the debug logs' switches.
    QVERIFY(readFile(app.path(QStringLiteral("Log/KeloAssist_events.log"))).contains("Events:"));
    QCOMPARE(QFile::exists(app.path(QStringLiteral("Log/KeloAssist.log"))), mainLog);
    QCOMPARE(QFile::exists(app.path(QStringLiteral("Log/KeloAssist.p.log"))), performanceLog);
    if (mainLog) {
        QVERIFY(app.mainLog().contains(QStringLiteral("Return code:  0")));
        QCOMPARE(app.mainLog().count(QStringLiteral("Starting log")), 1);
    }
    if (mainLog && !performanceLog)
        QVERIFY(!app.mainLog().contains(QStringLiteral("Performance checkpoint")));
}

void TstStartup::versionAndOptions()
{
    Installed app;
    QVERIFY(app.isValid());
    // An option the program does not know is passed over with a word on it.
    QProcess version;
    app.start(version, {QStringLiteral("--no-such-option"), QStringLiteral("--version")});
    QVERIFY(version.waitForFinished(kStartMs));
    QCOMPARE(version.exitCode(), 0);
    QVERIFY(QString::fromUtf8(version.readAllStandardOutput()).contains(QStringLiteral("1.0.0.12")));
    QVERIFY(QString::fromUtf8(version.readAllStandardError()).contains(QStringLiteral("no-such-option")));

    QProcess bad;
    app.start(bad, {QStringLiteral("--port")});
    QVERIFY(bad.waitForFinished(kStartMs));
    QCOMPARE(bad.exitCode(), 2);
}

void TstStartup::keyIsFreedWhenTheFirstEnds()
{
    const QString key = freshKey();
    {
        MInstanceGuard first(key);
        QVERIFY(!first.isRunning());
    }
    MInstanceGuard next(key);
    QVERIFY(!next.isRunning());
    // The new first one listens under the freed key.
    QSignalSpy received(&next, &MInstanceGuard::messageReceived);
    MInstanceGuard later(key);
    QVERIFY(later.isRunning());
    QVERIFY(later.isRunning()); // the answer does not change by asking again
    QVERIFY(later.sendMessage(QStringLiteral("WakeUp"), 5000));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
    QCOMPARE(received.at(0).at(0).toString(), "WakeUp");
}

void TstStartup::installationsDoNotMeet()
{
    QTemporaryDir a, b;
    const QString keyA = MInstanceGuard::keyFor(QStringLiteral("KeloAssist"), a.path());
    const QString keyB = MInstanceGuard::keyFor(QStringLiteral("KeloAssist"), b.path());
    QVERIFY(keyA != keyB);
    QCOMPARE(MInstanceGuard::keyFor(QStringLiteral("KeloAssist"), a.path() + QStringLiteral("/.")), keyA);
    MInstanceGuard first(keyA);
    MInstanceGuard other(keyB);
    QVERIFY(!first.isRunning());
    QVERIFY(!other.isRunning());
    // Nobody listens under a key nobody holds.
    MInstanceGuard stranger(freshKey());
    QVERIFY(!stranger.sendMessage(QStringLiteral("WakeUp"), 500));
}

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
