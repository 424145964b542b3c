#include "mpathworks.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMPathWorks : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { MPathWorks::setAppDirPath(QString()); }

    void buildFolderUsesParent_data();
    void buildFolderUsesParent();
    void blockedDirectoryFallsBackToProgramDir();
    void readOnlyInstallUsesTheUsersFolders();
};

void TestMPathWorks::buildFolderUsesParent_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("parent");
    QTest::newRow("Release") << "Release" << true;
    QTest::newRow("DEBUG") << "DEBUG" << true;
    QTest::newRow("releases") << "releases" << false;
    QTest::newRow("bin") << "bin" << false;
}

void TestMPathWorks::buildFolderUsesParent()
{
    QFETCH(QString, folder);
    QFETCH(bool, parent);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString start = root.filePath(folder);
    QVERIFY(QDir().mkpath(start));
    MPathWorks::setAppDirPath(start);

    const QString expected = parent ? root.path() : start;
    QCOMPARE(MPathWorks::appDir().absolutePath(), QDir(expected).absolutePath());
    // The language folder is made inside the data folder.
    const QList<QPair<QDir, QString>> dirs = {{MPathWorks::languageDir(), "Data/Language"},
                                              {MPathWorks::settingsDir(), "Settings"},
                                              {MPathWorks::dataDir(), "Data"},
                                              {MPathWorks::logDir(), "Log"},
                                              {MPathWorks::pluginsDir(), "Plugins"}};
    for (const auto &[dir, name] : dirs) {
        QCOMPARE(dir.absolutePath(), QDir(expected).absoluteFilePath(name));
        QVERIFY(dir.exists());
    }
}

void TestMPathWorks::blockedDirectoryFallsBackToProgramDir()
{
    // A file where the folder should be: no folder can be made, and the
    // program directory is the answer rather than a path that does not exist.
    QTemporaryDir root;
    MPathWorks::setAppDirPath(root.path());
    QVERIFY(QFile(root.filePath("Log")).open(QIODevice::WriteOnly));

    QCOMPARE(MPathWorks::logDir().absolutePath(), QDir(root.path()).absolutePath());
    QVERIFY(QFileInfo(root.filePath("Log")).isFile());
}

void TestMPathWorks::readOnlyInstallUsesTheUsersFolders()
{
    // Installed, the program folder is not written to, not even by a
    // superuser who could: settings go to the user's configuration folder,
    // logs and data to the user's data folder.
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    MPathWorks::setAppDirPath(bin);

    QCOMPARE(int(MPathWorks::layout()), int(MPathWorks::Layout::UserFolders));
    QCOMPARE(MPathWorks::settingsDir().absolutePath(), root.filePath(QStringLiteral("config/KeloAssist")));
    QCOMPARE(MPathWorks::logDir().absolutePath(), root.filePath(QStringLiteral("data/KeloAssist/Log")));
    QCOMPARE(MPathWorks::dataDir().absolutePath(), root.filePath(QStringLiteral("data/KeloAssist/Data")));
    QCOMPARE(MPathWorks::pluginsDir().absolutePath(), bin);
    QVERIFY(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(MPathWorks::layoutDescription().contains(root.filePath(QStringLiteral("data/KeloAssist/Log"))));

    // Writable again, it is a portable copy: everything beside the program.
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(int(MPathWorks::layout()), int(MPathWorks::Layout::Portable));
    QCOMPARE(MPathWorks::logDir().absolutePath(), QDir(bin).absoluteFilePath(QStringLiteral("Log")));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

QTEST_GUILESS_MAIN(TestMPathWorks)
#include "tst_mpathworks.moc"
