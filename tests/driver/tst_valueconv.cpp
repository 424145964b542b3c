// Value conversions between the text of a command item and its wire bytes.

#include "valueconv.h"

#include <QTest>

class TstValueConv : public QObject
{
    Q_OBJECT
private slots:
    void numberToBytes_data();
    void numberToBytes();
    void numberFromBytes_data();
    void numberFromBytes();
    void timeoutBothWays_data();
    void timeoutBothWays();
    void hexBothWays();
    void longHexTextIsMarkedAsCut();
    void datesAndTimes_data();
    void datesAndTimes();
    void replyDates();
};

void TstValueConv::numberToBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("len");
    QTest::addColumn<int>("dp");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("quantity 1") << QByteArray("1") << 5 << 3 << true << QByteArray::fromHex("e803000000");
    QTest::newRow("quantity 0.5") << QByteArray("0.5") << 5 << 3 << true << QByteArray::fromHex("f401000000");
    QTest::newRow("too many decimals") << QByteArray("1.2345") << 5 << 3 << false << QByteArray();
    QTest::newRow("price .05") << QByteArray(".05") << 5 << 2 << true << QByteArray::fromHex("0500000000");
    QTest::newRow("two points") << QByteArray("1.2.3") << 5 << 3 << false << QByteArray();
    QTest::newRow("hex prefix") << QByteArray("0x1F") << 2 << -1 << true << QByteArray::fromHex("1f00");
    QTest::newRow("octal") << QByteArray("017") << 2 << -1 << true << QByteArray::fromHex("0f00");
    QTest::newRow("bad octal digit") << QByteArray("018") << 2 << -1 << false << QByteArray();
    QTest::newRow("trailing blank") << QByteArray("15 ") << 2 << -1 << false << QByteArray();
    QTest::newRow("leading blank") << QByteArray(" 15") << 2 << -1 << false << QByteArray();
    QTest::newRow("empty") << QByteArray() << 2 << -1 << false << QByteArray();
    QTest::newRow("negative") << QByteArray("-1") << 4 << -1 << false << QByteArray();
    QTest::newRow("bare 0x") << QByteArray("0x") << 2 << -1 << false << QByteArray();
    // Numbers that do not fit the item are refused rather than cut to a
    // different, wrong amount.
    QTest::newRow("256 in one byte") << QByteArray("256") << 1 << -1 << false << QByteArray();
    QTest::newRow("255 in one byte") << QByteArray("255") << 1 << -1 << true << QByteArray::fromHex("ff");
    QTest::newRow("price beyond 5 bytes") << QByteArray("99999999999") << 5 << 2 << false << QByteArray();
    QTest::newRow("64-bit overflow") << QByteArray("18446744073709551616") << 8 << -1 << false
                                     << QByteArray();
    QTest::newRow("scale overflow") << QByteArray("184467440737095517") << 8 << 2 << false << QByteArray();
    QTest::newRow("64-bit max") << QByteArray("18446744073709551615") << 8 << -1 << true
                                << QByteArray::fromHex("ffffffffffffffff");
}

void TstValueConv::numberToBytes()
{
    QFETCH(QByteArray, text);
    QFETCH(int, len);
    QFETCH(int, dp);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    QByteArray out("untouched");
    QCOMPARE(numbToParamValue(text, len, dp, out), ok);
    if (ok)
        QCOMPARE(out.toHex(), bytes.toHex());
}

void TstValueConv::numberFromBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("dp");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("no value") << QByteArray::fromHex("ffff") << -1 << QByteArray();
    QTest::newRow("65280") << QByteArray::fromHex("00ff") << -1 << QByteArray("65280");
    QTest::newRow("battery 3.3") << QByteArray::fromHex("21") << 1 << QByteArray("3.3");
    QTest::newRow("100.00") << QByteArray::fromHex("1027000000") << 2 << QByteArray("100.00");
    QTest::newRow(".05") << QByteArray::fromHex("0500000000") << 2 << QByteArray(".05");
    QTest::newRow("zero money") << QByteArray::fromHex("0000000000") << 2 << QByteArray(".00");
    QTest::newRow("8 bytes") << QByteArray::fromHex("ffffffffffffff7f") << -1
                             << QByteArray("9223372036854775807");
}

void TstValueConv::numberFromBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, dp);
    QFETCH(QByteArray, text);
    QCOMPARE(numbFromParamValue(int(bytes.size()), dp, bytes), text);
    // Whatever width is claimed, nothing past the bytes given is read.
    QCOMPARE(numbFromParamValue(int(bytes.size()) + 20, dp, bytes), text);
}

void TstValueConv::timeoutBothWays_data()
{
    QTest::addColumn<QByteArray>("ms");
    QTest::addColumn<int>("byte"); // -1: refused
    QTest::addColumn<QByteArray>("back");

    QTest::newRow("100") << QByteArray("100") << 100 << QByteArray("100");
    QTest::newRow("150") << QByteArray("150") << 150 << QByteArray("150");
    QTest::newRow("151 rounds up to 300") << QByteArray("151") << 151 << QByteArray("300");
    QTest::newRow("300") << QByteArray("300") << 151 << QByteArray("300");
    QTest::newRow("15000") << QByteArray("15000") << 249 << QByteArray("15000");
    QTest::newRow("15001") << QByteArray("15001") << 250 << QByteArray("30000");
    QTest::newRow("30000") << QByteArray("30000") << 250 << QByteArray("30000");
    QTest::newRow("105000") << QByteArray("105000") << 255 << QByteArray("105000");
    QTest::newRow("above the top") << QByteArray("0x7fffffff") << 255 << QByteArray("105000");
    QTest::newRow("empty") << QByteArray() << -1 << QByteArray();
    QTest::newRow("with a unit") << QByteArray("1s") << -1 << QByteArray();
}

void TstValueConv::timeoutBothWays()
{
    QFETCH(QByteArray, ms);
    QFETCH(int, byte);
    QFETCH(QByteArray, back);
    quint8 out = 0;
    QCOMPARE(tmtToParamValue(ms, out), byte >= 0);
    if (byte >= 0) {
        QCOMPARE(int(out), byte);
        QCOMPARE(tmtFromParamValue(out), back);
    }
}

void TstValueConv::hexBothWays()
{
    QCOMPARE(hexToParamValue("0A0B0C", 0).toHex(), QByteArray("0a0b0c"));
    QCOMPARE(hexToParamValue("FF01", 2).toHex(), QByteArray("ff01"));
    QCOMPARE(hexToParamValue("ff01", 2).toHex(), QByteArray("ff01"));
    // A short or malformed text fills the missing part with zero bytes.
    QCOMPARE(hexToParamValue("0A", 3).toHex(), QByteArray("0a0000"));
    QCOMPARE(hexToParamValue("zz0b", 2).toHex(), QByteArray("000b"));
    QCOMPARE(hexToParamValue("0A0B0C", 1).toHex(), QByteArray("0a"));
    QCOMPARE(hexFromParamValue(QByteArray::fromHex("ff010a")), QByteArray("FF 01 0A"));
    QCOMPARE(hexFromParamValue(QByteArray()), QByteArray());
}

void TstValueConv::longHexTextIsMarkedAsCut()
{
    const QByteArray fits(kHexTextMaxBytes, '\x5a');
    QCOMPARE(hexFromParamValue(fits).size(), kHexTextMaxBytes * 3 - 1);
    QVERIFY(!hexFromParamValue(fits).endsWith(kHexTextCutMark));

    const QByteArray longer(kHexTextMaxBytes + 1, '\x5a');
    const QByteArray text = hexFromParamValue(longer);
    QVERIFY(text.size() <= 511);
    QVERIFY(text.endsWith(kHexTextCutMark));
    QVERIFY(text.startsWith("5A 5A"));
}

void TstValueConv::datesAndTimes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("sep");
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("date") << QByteArray("05/12/26") << '/' << 3 << true << QByteArray::fromHex("050c1a");
    QTest::newRow("date one digit") << QByteArray("5/12/26") << '/' << 3 << false << QByteArray();
    QTest::newRow("date dashes") << QByteArray("05-12-26") << '/' << 3 << false << QByteArray();
    QTest::newRow("date letters") << QByteArray("0a/12/26") << '/' << 3 << false << QByteArray();
    QTest::newRow("time") << QByteArray("23:59:07") << ':' << 3 << true << QByteArray::fromHex("173b07");
    QTest::newRow("time too long") << QByteArray("23:59:07 ") << ':' << 3 << false << QByteArray();
    QTest::newRow("short time") << QByteArray("08:30") << ':' << 2 << true << QByteArray::fromHex("081e");
    QTest::newRow("short time with seconds") << QByteArray("08:30:00") << ':' << 2 << false << QByteArray();
}

void TstValueConv::datesAndTimes()
{
    QFETCH(QByteArray, text);
    QFETCH(char, sep);
    QFETCH(int, fields);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    QByteArray out;
    QCOMPARE(fieldsToParamValue(text, sep, fields, out), ok);
    if (ok) {
        QCOMPARE(out.toHex(), bytes.toHex());
        const int order[] = {0, 1, 2};
        QCOMPARE(fieldsFromParamValue(out, sep, order, fields), text);
    }
}

void TstValueConv::replyDates()
{
    // The register sends some dates as year, month, day.
    const int reversed[] = {2, 1, 0};
    QCOMPARE(fieldsFromParamValue(QByteArray::fromHex("1a0c05"), '/', reversed, 3), QByteArray("05/12/26"));
    const int straight[] = {0, 1, 2};
    QCOMPARE(fieldsFromParamValue(QByteArray::fromHex("000000"), ':', straight, 3), QByteArray("00:00:00"));
    QCOMPARE(fieldsFromParamValue(QByteArray::fromHex("ff"), ':', straight, 3), QByteArray());
}

QTEST_APPLESS_MAIN(TstValueConv)
#include "tst_valueconv.moc"
