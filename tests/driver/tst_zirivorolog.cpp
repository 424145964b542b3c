// The exchange trace: request blocks to the event log, bytes to the debug log.

#include "zirivorolog.h"

#include <logging.h>
#include <mlogsystem.h>

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TstZiRivoroLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void blockLineGoesToTheEventLog();
    void bytesGoToTheDebugLog();

private:
    QTemporaryDir m_dir;
    QString m_debugLog;
};

void TstZiRivoroLog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_debugLog = m_dir.filePath(QStringLiteral("debug.log"));
    el::Configurations conf;
    conf.setToDefault();
    conf.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
    conf.setGlobally(el::ConfigurationType::ToFile, "true");
    conf.setGlobally(el::ConfigurationType::Filename, m_debugLog.toStdString());
    conf.setGlobally(el::ConfigurationType::Format, "%msg");
    el::Loggers::addFlag(el::LoggingFlag::AutoSpacing);
    el::Loggers::reconfigureLogger("default", conf);
}

void TstZiRivoroLog::blockLineGoesToTheEventLog()
{
    MLogSystem *log = MLogSystem::instance();
    QSignalSpy accepted(log, qOverload<const QString &, MLogSystem_EventLevel>(&MLogSystem::stringWrited));
    logSndBlock(QByteArray::fromHex("fc"));
    logSndBlock(QByteArray());
    QCOMPARE(accepted.count(), 2);
    const QRegularExpression line(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3}: send data: fc$"));
    QVERIFY2(line.match(accepted.at(0).at(0).toString()).hasMatch(),
             qPrintable(accepted.at(0).at(0).toString()));
    QCOMPARE(accepted.at(0).at(1).toInt(), 0);
    QVERIFY(accepted.at(1).at(0).toString().endsWith(QStringLiteral(": send data: ")));

    log->flush();
    QFile file(m_debugLog);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("logSndBlock. time/date:"));
}

void TstZiRivoroLog::bytesGoToTheDebugLog()
{
    logSndBytes(QByteArray::fromHex("05"));
    logRcvBytes(QByteArray::fromHex("fa"));
    el::Loggers::flushAll();
    QFile file(m_debugLog);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("logSndBytes  >>> 05"), text.constData());
    QVERIFY2(text.contains("logRcvBytes  <<< fa"), text.constData());
}

QTEST_GUILESS_MAIN(TstZiRivoroLog)
#include "tst_zirivorolog.moc"
