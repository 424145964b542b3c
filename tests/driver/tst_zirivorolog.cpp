// The exchange trace: every request block goes to the event log, stamped with
// the time it was sent.

#include "zirivorolog.h"

#include <mlogsystem.h>

#include <QSignalSpy>
#include <QTest>

class TstZiRivoroLog : public QObject
{
    Q_OBJECT
private slots:
    void blockLineGoesToTheEventLog();
};

void TstZiRivoroLog::blockLineGoesToTheEventLog()
{
    QSignalSpy accepted(MLogSystem::instance(),
                        qOverload<const QString &, MLogSystem_EventLevel>(&MLogSystem::stringWrited));
    logSndBlock(QByteArray::fromHex("fc05"));
    logSndBlock(QByteArray());
    QCOMPARE(accepted.count(), 2);
    const QString line = accepted.at(0).at(0).toString();
    QVERIFY2(line.endsWith(QStringLiteral(": send data: fc05")), qPrintable(line));
    const QDateTime sent = QDateTime::fromString(line.chopped(17), QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz"));
    QVERIFY2(sent.isValid() && qAbs(sent.msecsTo(QDateTime::currentDateTime())) < 60000, qPrintable(line));
    QCOMPARE(accepted.at(0).at(1).toInt(), 0);
    QVERIFY(accepted.at(1).at(0).toString().endsWith(QStringLiteral(": send data: ")));
}

QTEST_GUILESS_MAIN(TstZiRivoroLog)
#include "tst_zirivorolog.moc"
