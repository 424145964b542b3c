#include "mfilesworks.h"
#include "mpathworks.h"
#include "systemtestutil.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMFilesWorks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileNames();
#ifdef Q_OS_UNIX
    void archiverSearch();
#endif

private:
    QTemporaryDir *m_root = nullptr;
    QByteArray m_path;
};

void TestMFilesWorks::init()
{
    m_root = new QTemporaryDir;
    QVERIFY(m_root->isValid());
    MPathWorks::setAppDirPath(m_root->path());
    m_path = qgetenv("PATH");
}

void TestMFilesWorks::cleanup()
{
    qputenv("PATH", m_path);
    MPathWorks::setAppDirPath(QString());
    delete m_root;
}

void TestMFilesWorks::fileNames()
{
    // This program is not called KeloAssist: the start-up switches still come
    // from KeloAssist.ini, the remembered values from a file of its own name.
    const QDir root(m_root->path());
    QCOMPARE(MFilesWorks::settingsFile().absoluteFilePath(),
             root.absoluteFilePath("Settings/KeloAssist.ini"));
    QCOMPARE(MFilesWorks::appSettingsFile().absoluteFilePath(),
             root.absoluteFilePath("Settings/tst_mfilesworks.ini"));
    QCOMPARE(MFilesWorks::eventLogFile().absoluteFilePath(),
             root.absoluteFilePath("Log/tst_mfilesworks_events.log"));
}

#ifdef Q_OS_UNIX
void TestMFilesWorks::archiverSearch()
{
    QTemporaryDir onPath;
    qputenv("PATH", QFile::encodeName(onPath.path()));
    QCOMPARE(MFilesWorks::archiverPath(), QString());
    QVERIFY(writeProgram(onPath.filePath("7z"), "exit 0"));
    QCOMPARE(MFilesWorks::archiverPath(), QDir(onPath.path()).absoluteFilePath("7z"));

    // One beside the program beats PATH; a non-executable "7zz" beside it
    // does not count, an executable one comes first.
    QVERIFY(writeProgram(m_root->filePath("7zz"), "exit 0", false));
    QVERIFY(writeProgram(m_root->filePath("7z"), "exit 0"));
    QCOMPARE(MFilesWorks::archiverPath(), QDir(m_root->path()).absoluteFilePath("7z"));
    QVERIFY(writeProgram(m_root->filePath("7zz"), "exit 0"));
    QCOMPARE(MFilesWorks::archiverPath(), QDir(m_root->path()).absoluteFilePath("7zz"));
}
#endif

QTEST_GUILESS_MAIN(TestMFilesWorks)
#include "tst_mfilesworks.moc"
