// One running instance per installation: the lock decides, the local socket
// carries the wake-up message. A second start waking the first is tried on
// the program itself (tst_startup).

#include "minstanceguard.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

class TstInstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void keyIsFreedWhenTheFirstEnds();
    void installationsDoNotMeet();

private:
    static QString freshKey()
    {
        return QStringLiteral("kelo-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    }
};

void TstInstanceGuard::keyIsFreedWhenTheFirstEnds()
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

void TstInstanceGuard::installationsDoNotMeet()
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

QTEST_MAIN(TstInstanceGuard)
#include "tst_instanceguard.moc"
