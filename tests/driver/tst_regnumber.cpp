// The registration number: CRC-16 over ordinal number, INN and serial number.

#include "regnumber.h"

#include <QTest>

class TstRegNumber : public QObject
{
    Q_OBJECT
private slots:
    void crc();
    void calculateAndVerify_data();
    void calculateAndVerify();
    void numbersFromText_data();
    void numbersFromText();
};

void TstRegNumber::crc()
{
    QCOMPARE(rnCrc16("123456789"), quint16(0x29B1));
    QCOMPARE(rnCrc16(QByteArray()), quint16(0xFFFF));
}

void TstRegNumber::calculateAndVerify_data()
{
    QTest::addColumn<quint64>("ordinal");
    QTest::addColumn<quint64>("inn");
    QTest::addColumn<quint64>("serial");
    QTest::addColumn<QString>("number"); // empty: refused
    QTest::newRow("registration page example")
        << quint64(1) << quint64(7700000000ull) << quint64(1) << QStringLiteral("0000000001014920");
    // A CRC below 100000 still takes six digits.
    QTest::newRow("widest numbers") << quint64(9999999999ull) << quint64(999999999999ull)
                                    << quint64(18446744073709551615ull) << QStringLiteral("9999999999017397");
    // Cutting a number to its field would give another register's number.
    QTest::newRow("ordinal too wide") << quint64(10000000000ull) << quint64(1) << quint64(1) << QString();
    QTest::newRow("INN too wide") << quint64(1) << quint64(1000000000000ull) << quint64(1) << QString();
}

void TstRegNumber::calculateAndVerify()
{
    QFETCH(quint64, ordinal);
    QFETCH(quint64, inn);
    QFETCH(quint64, serial);
    QFETCH(QString, number);
    QCOMPARE(rnCalculate(ordinal, inn, serial), number);
    QCOMPARE(rnVerify(number, ordinal, inn, serial), !number.isEmpty());
    if (number.isEmpty())
        return;
    QString otherCrc = number;
    otherCrc[15] = QChar('0' + (number.at(15).digitValue() + 1) % 10);
    QVERIFY(!rnVerify(otherCrc, ordinal, inn, serial));
    QVERIFY(!rnVerify(number.mid(1), ordinal, inn, serial)); // 15 digits
    QVERIFY(!rnVerify(number, ordinal, inn, serial + 1));
}

void TstRegNumber::numbersFromText_data()
{
    // The window's field reading (0 for anything not a number) and the strict
    // reading of the command-line tool.
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("field");
    QTest::addColumn<bool>("strictOk");
    QTest::newRow("leading zeros") << QStringLiteral("007") << quint64(7) << true;
    QTest::newRow("64-bit max") << QStringLiteral("18446744073709551615") << quint64(18446744073709551615ull)
                                << true;
    QTest::newRow("beyond 64 bits") << QStringLiteral("18446744073709551616") << quint64(0) << false;
    QTest::newRow("blanks around") << QStringLiteral(" 12 ") << quint64(12) << false;
    QTest::newRow("empty") << QString() << quint64(0) << false;
    QTest::newRow("letters") << QStringLiteral("12ab") << quint64(0) << false;
    QTest::newRow("minus") << QStringLiteral("-5") << quint64(0) << false;
    QTest::newRow("plus") << QStringLiteral("+5") << quint64(0) << false;
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0661)) << quint64(0) << false;
}

void TstRegNumber::numbersFromText()
{
    QFETCH(QString, text);
    QFETCH(quint64, field);
    QFETCH(bool, strictOk);
    QCOMPARE(rnFieldNumber(text), field);
    quint64 strict = 42;
    QCOMPARE(rnParseDigits(text, &strict), strictOk);
    QCOMPARE(strict, strictOk ? field : quint64(42));
}

QTEST_GUILESS_MAIN(TstRegNumber)
#include "tst_regnumber.moc"
