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
    QFile blocker(root.filePath("Log"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QCOMPARE(MPathWorks::logDir().absolutePath(), QDir(root.path()).absolutePath());
    QVERIFY(QFileInfo(root.filePath("Log")).isFile());
}

QTEST_GUILESS_MAIN(TestMPathWorks)
#include "tst_mpathworks.moc"
