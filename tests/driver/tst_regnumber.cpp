// The registration number: CRC-16 over ordinal number, INN and serial number.

#include "regnumber.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Bit by bit, straight from the parameters, to check the table-driven version.
quint16 bitwiseCrc(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= quint16(quint8(c) << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

} // namespace

class TstRegNumber : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValues();
    void crcAgreesWithBitwiseDefinition();
    void registrationPageExample();
    void numbersWiderThanTheirFieldAreRefused();
    void verify();
    void fieldNumbers_data();
    void fieldNumbers();
    void strictDigits_data();
    void strictDigits();
};

void TstRegNumber::crcCheckValues()
{
    QCOMPARE(rnCrc16("123456789"), quint16(0x29B1));
    QCOMPARE(rnCrc16(QByteArray()), quint16(0xFFFF));
}

void TstRegNumber::crcAgreesWithBitwiseDefinition()
{
    QRandomGenerator rng(20240501);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(int(rng.bounded(64)), '\0');
        for (char &c : bytes)
            c = char(rng.bounded(256));
        QCOMPARE(rnCrc16(bytes), bitwiseCrc(bytes));
    }
}

void TstRegNumber::registrationPageExample()
{
    QCOMPARE(rnSourceText(1, 7700000000ull, 1), QByteArray("0000000001"
                                                           "007700000000"
                                                           "00000000000000000001"));
    QCOMPARE(rnCrc16(rnSourceText(1, 7700000000ull, 1)), quint16(14920));
    QCOMPARE(rnCalculate(1, 7700000000ull, 1), QStringLiteral("0000000001014920"));
    // A CRC below 100000 still takes six digits: the number is always 16 long.
    const QString big = rnCalculate(9999999999ull, 999999999999ull, 18446744073709551615ull);
    QCOMPARE(big.size(), 16);
    QVERIFY(big.startsWith(QLatin1String("99999999990")));
}

void TstRegNumber::numbersWiderThanTheirFieldAreRefused()
{
    QVERIFY(rnCalculate(10000000000ull, 1, 1).isEmpty());
    QVERIFY(rnCalculate(1, 1000000000000ull, 1).isEmpty());
    QVERIFY(rnSourceText(1, 1000000000000ull, 1).isEmpty());
    QVERIFY(!rnVerify(QString(), 10000000000ull, 1, 1));
}

void TstRegNumber::verify()
{
    QVERIFY(rnVerify(QStringLiteral("0000000001014920"), 1, 7700000000ull, 1));
    QVERIFY(!rnVerify(QStringLiteral("0000000001014921"), 1, 7700000000ull, 1));
    QVERIFY(!rnVerify(QStringLiteral("0000000001014920"), 1, 7700000000ull, 2));
    QVERIFY(!rnVerify(QStringLiteral("000000001014920"), 1, 7700000000ull, 1));
}

void TstRegNumber::fieldNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("number");
    QTest::newRow("digits") << QStringLiteral("7700000000") << quint64(7700000000ull);
    QTest::newRow("blanks around") << QStringLiteral(" 12 ") << quint64(12);
    QTest::newRow("empty") << QString() << quint64(0);
    QTest::newRow("letters") << QStringLiteral("12ab") << quint64(0);
    QTest::newRow("minus") << QStringLiteral("-5") << quint64(0);
    QTest::newRow("plus") << QStringLiteral("+5") << quint64(0);
    QTest::newRow("beyond 64 bits") << QStringLiteral("18446744073709551616") << quint64(0);
}

void TstRegNumber::fieldNumbers()
{
    QFETCH(QString, text);
    QFETCH(quint64, number);
    QCOMPARE(rnFieldNumber(text), number);
}

void TstRegNumber::strictDigits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint64>("number");
    QTest::newRow("leading zeros") << QStringLiteral("007") << true << quint64(7);
    QTest::newRow("64-bit max") << QStringLiteral("18446744073709551615") << true
                                << quint64(18446744073709551615ull);
    QTest::newRow("beyond 64 bits") << QStringLiteral("18446744073709551616") << false << quint64(0);
    QTest::newRow("blank") << QStringLiteral(" 1") << false << quint64(0);
    QTest::newRow("empty") << QString() << false << quint64(0);
    QTest::newRow("sign") << QStringLiteral("+1") << false << quint64(0);
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0661)) << false << quint64(0);
}

void TstRegNumber::strictDigits()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint64, number);
    quint64 value = 0;
    QCOMPARE(rnParseDigits(text, &value), ok);
    QCOMPARE(value, number);
}

QTEST_GUILESS_MAIN(TstRegNumber)
#include "tst_regnumber.moc"
