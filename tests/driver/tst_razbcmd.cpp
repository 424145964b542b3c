// Command items: the item grammar, item lists and the item conversions.

#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"

#include <kelodefaults.h>

#include <QTest>

class TstRazbCmd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void items_data();
    void items();
    void replyListOffsets();
    void passwordDefaults();
    void failedListKeepsTheTable();
    void listLimits();
    void commandConversions_data();
    void commandConversions();
    void failingItemIsNamed();
    void replyConversions_data();
    void replyConversions();
};

void TstRazbCmd::initTestCase()
{
    mpLoadDataFiles();
    QVERIFY(mpParseDescriptionFiles());
}

void TstRazbCmd::init()
{
    mpLoadDefaults();
}

void TstRazbCmd::items_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<char>("type");
    QTest::addColumn<int>("len");
    QTest::addColumn<int>("dp");
    QTest::addColumn<QByteArray>("ident");
    QTest::addColumn<QByteArray>("pref");
    QTest::addColumn<int>("dflt");
    QTest::addColumn<QByteArray>("dftval");
    QTest::addColumn<QByteArray>("value");

    const QByteArray none;
    const QByteArray pw = QByteArray::number(kelo::kDefaultSysAdminPassword);
    const QByteArray pwBytes = QByteArray(1, char(kelo::kDefaultSysAdminPassword)) + QByteArray(3, '\0');
    QTest::newRow("money with default")
        << QByteArray("#5.2price=100") << true << '#' << 5 << 2 << QByteArray("price") << none << 1
        << QByteArray("100") << QByteArray::fromHex("1027000000");
    QTest::newRow("number named default") << QByteArray("#4prlop=prlsa") << true << '#' << 4 << -1
                                          << QByteArray("prlop") << none << 1 << pw << pwBytes;
    QTest::newRow("default from a symbol")
        << QByteArray("#x=DP_dp2") << true << '#' << 1 << -1 << QByteArray("x") << none << 1
        << QByteArray("1") << QByteArray::fromHex("01");
    QTest::newRow("unknown name") << QByteArray("#4x=nosuch") << false << '#' << 0 << 0 << none << none << 0
                                  << none << none;
    QTest::newRow("two-byte code") << QByteArray("$2cmd=FF01") << true << '$' << 2 << -1 << QByteArray("cmd")
                                   << none << 1 << QByteArray("FF01") << QByteArray(2, '\0');
    QTest::newRow("bad hex default") << QByteArray("$2c=F") << true << '$' << 2 << -1 << QByteArray("c")
                                     << none << 0 << QByteArray("F") << QByteArray(2, '\0');
    QTest::newRow("enumeration") << QByteArray("@regimFR/RegFR_") << true << '@' << 1 << -1
                                 << QByteArray("regimFR") << QByteArray("RegFR_") << 0 << none
                                 << QByteArray(1, '\0');
    QTest::newRow("enumeration default")
        << QByteArray("@x=1") << false << '@' << 0 << 0 << none << none << 0 << none << none;
    QTest::newRow("two prefixes") << QByteArray("@a/b/c") << false << '@' << 0 << 0 << none << none << 0
                                  << none << none;
    QTest::newRow("string") << QByteArray("*16nomFN") << true << '*' << 16 << -1 << QByteArray("nomFN")
                            << none << 0 << none << QByteArray(16, '\0');
    QTest::newRow("variable string") << QByteArray("*0name") << true << '*' << 0 << -1 << QByteArray("name")
                                     << none << 0 << none << none;
    QTest::newRow("string default") << QByteArray("*5name=abc") << false << '*' << 0 << 0 << none << none << 0
                                    << none << none;
    QTest::newRow("reversed date") << QByteArray("\\date") << true << '\\' << 3 << -1 << QByteArray("date")
                                   << none << 0 << none << QByteArray(3, '\0');
    QTest::newRow("short time") << QByteArray("|time") << true << '|' << 2 << -1 << QByteArray("time") << none
                                << 0 << none << QByteArray(2, '\0');
    QTest::newRow("date with width") << QByteArray("/3date") << false << '/' << 0 << 0 << none << none << 0
                                     << none << none;
    QTest::newRow("date default") << QByteArray(":time=1") << false << ':' << 0 << 0 << none << none << 0
                                  << none << none;
    QTest::newRow("time-out") << QByteArray("^tmt=100") << true << '^' << 1 << -1 << QByteArray("tmt") << none
                              << 1 << QByteArray("100") << QByteArray::fromHex("64");
    QTest::newRow("time-out decimals ignored")
        << QByteArray("^2.1tmt=300") << true << '^' << 2 << -1 << QByteArray("tmt") << none << 1
        << QByteArray("300") << QByteArray::fromHex("9700");
    QTest::newRow("time-out not a number")
        << QByteArray("^tmt=1s") << false << '^' << 0 << 0 << none << none << 0 << none << none;
    QTest::newRow("constant") << QByteArray("0") << true << '0' << 1 << -1 << none << none << 1
                              << QByteArray("0") << QByteArray(1, '\0');
    QTest::newRow("bad constant") << QByteArray("9z") << false << '0' << 0 << 0 << none << none << 0 << none
                                  << none;
    QTest::newRow("unknown type") << QByteArray("%x") << false << '%' << 0 << 0 << none << none << 0 << none
                                  << none;
    QTest::newRow("empty") << QByteArray() << false << ' ' << 0 << 0 << none << none << 0 << none << none;
    QTest::newRow("no identifier") << QByteArray("#4") << false << '#' << 0 << 0 << none << none << 0 << none
                                   << none;
    QTest::newRow("point without digits")
        << QByteArray("#4.x") << false << '#' << 0 << 0 << none << none << 0 << none << none;
    QTest::newRow("identifier of 31")
        << QByteArray("#a") + QByteArray(30, 'b') << true << '#' << 1 << -1
        << QByteArray("a") + QByteArray(30, 'b') << none << 0 << none << QByteArray(1, '\0');
    QTest::newRow("identifier of 32") << QByteArray("#a") + QByteArray(31, 'b') << false << '#' << 0 << 0
                                      << none << none << 0 << none << none;
    QTest::newRow("width above capacity")
        << QByteArray("$513blok") << false << '$' << 0 << 0 << none << none << 0 << none << none;
    QTest::newRow("width at capacity") << QByteArray("$512blok") << true << '$' << 512 << -1
                                       << QByteArray("blok") << none << 0 << none << QByteArray(512, '\0');
    QTest::newRow("left over") << QByteArray("#4x y") << false << '#' << 0 << 0 << none << none << 0 << none
                               << none;
}

void TstRazbCmd::items()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    RazbCmd parser;
    CmdItem item;
    QCOMPARE(parser.convCmdItem(text, item), ok);
    if (!ok)
        return;
    QFETCH(char, type);
    QFETCH(int, len);
    QFETCH(int, dp);
    QFETCH(QByteArray, ident);
    QFETCH(QByteArray, pref);
    QFETCH(int, dflt);
    QFETCH(QByteArray, dftval);
    QFETCH(QByteArray, value);
    QCOMPARE(char(item.type), type);
    QCOMPARE(int(item.len), len);
    QCOMPARE(item.dp, dp);
    QCOMPARE(item.ident, ident);
    QCOMPARE(item.pref, pref);
    QCOMPARE(int(item.dflt), dflt);
    QCOMPARE(item.dftval, dftval);
    QCOMPARE(item.value.toHex(), value.toHex());
}

void TstRazbCmd::replyListOffsets()
{
    RazbCmd parser;
    quint32 width = 0;
    QVERIFY(parser.razbItems("$2cmd,#error,*16nomFN", false, width));
    QCOMPARE(width, 19u);
    QCOMPARE(rplItems.count(), 3);
    QCOMPARE(rplItems.at(0).rel, 0u);
    QCOMPARE(rplItems.at(1).rel, 2u);
    QCOMPARE(rplItems.at(2).rel, 3u);
    QCOMPARE(rplItems.at(0).len, 2u);
    QCOMPARE(rplItems.at(2).len, 16u);
    QCOMPARE(rplItems.at(0).ident, QByteArray("CMD"));
    QCOMPARE(rplItems.at(0).view, QByteArray("CMD"));
    QCOMPARE(int(rplItems.at(0).ned), 1);
    QCOMPARE(QString::fromUtf8(rplItems.at(2).view), QStringLiteral("Номер ФН"));
    QCOMPARE(QString::fromUtf8(rplItems.at(1).view), QStringLiteral("Код ошибки"));
}

void TstRazbCmd::passwordDefaults()
{
    mpSetPassword(1234);
    RazbCmd parser;
    quint32 width = 0;

    QVERIFY(parser.razbItems("$cmd=E0,#4prlop", true, width));
    QCOMPARE(cmdItems.at(1).dftval, QByteArray("1234"));
    QCOMPARE(cmdItems.at(1).value.toHex(), QByteArray("d2040000"));
    QCOMPARE(int(cmdItems.at(1).dflt), 1);

    // A named default keeps the shipped value whatever the current password.
    QVERIFY(parser.razbItems("$cmd=11,#4prlop=prlsa", true, width));
    QCOMPARE(cmdItems.at(1).dftval, QByteArray::number(kelo::kDefaultSysAdminPassword));

    QVERIFY(parser.razbItems("$cmd=2C,#4prlasa", true, width));
    QCOMPARE(cmdItems.at(1).dftval, QByteArray("1234"));
    QVERIFY(parser.razbItems("$cmd=2C,#4prl0", true, width));
    QCOMPARE(cmdItems.at(1).dftval, QByteArray("0"));
    QCOMPARE(cmdItems.at(1).value.toHex(), QByteArray("00000000"));
    QVERIFY(parser.razbItems("$cmd=2C,#4prlni", true, width));
    QCOMPARE(int(cmdItems.at(1).dflt), 0);
    // Only the second item of a command list is a password.
    QVERIFY(parser.razbItems("$cmd=2C,#4x,#4prlop", true, width));
    QCOMPARE(int(cmdItems.at(2).dflt), 0);
    QVERIFY(parser.razbItems("$cmd,#4prlop", false, width));
    QCOMPARE(int(rplItems.at(1).dflt), 0);
}

void TstRazbCmd::failedListKeepsTheTable()
{
    RazbCmd parser;
    quint32 width = 7;
    QVERIFY(parser.razbItems("$cmd,#error,#opr", false, width));
    QVERIFY(!parser.razbItems("$cmd,#error,,#opr", false, width));
    QVERIFY(!parser.razbItems("$cmd,#error,", false, width));
    QVERIFY(!parser.razbItems("", false, width));
    QCOMPARE(rplItems.count(), 3);
    QCOMPARE(width, 3u);
}

void TstRazbCmd::listLimits()
{
    RazbCmd parser;
    quint32 width = 0;
    QByteArray list = "$cmd";
    for (int i = 1; i < 512; ++i)
        list += ",#x";
    QVERIFY(parser.razbItems(list, false, width));
    QCOMPARE(rplItems.count(), 512);
    QVERIFY(!parser.razbItems(list + ",#y", false, width));
    QCOMPARE(rplItems.count(), 512);
}

void TstRazbCmd::commandConversions_data()
{
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("hex variable") << QByteArray("$0val") << QByteArray("0A0B0C") << true
                                  << QByteArray::fromHex("0a0b0c");
    QTest::newRow("string padded") << QByteArray("*40name") << QByteArray("Hello") << true
                                   << QByteArray("Hello") + QByteArray(35, '\0');
    QTest::newRow("string cut") << QByteArray("*4name") << QByteArray("Hello") << true << QByteArray("Hell");
    QTest::newRow("string variable") << QByteArray("*0name") << QByteArray("ab") << true << QByteArray("ab");
    QTest::newRow("missing number") << QByteArray("#5.2skd") << QByteArray() << false << QByteArray();
    QTest::newRow("string too long") << QByteArray("*0name") << QByteArray(513, 'x') << false << QByteArray();
}

void TstRazbCmd::commandConversions()
{
    QFETCH(QByteArray, item);
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(QByteArray, value);
    RazbCmd parser;
    CmdItem parsed;
    QVERIFY(parser.convCmdItem(item, parsed));
    parsed.dftval = text;
    QCOMPARE(convItemToValue(parsed), ok);
    if (ok)
        QCOMPARE(parsed.value.toHex(), value.toHex());
}

void TstRazbCmd::failingItemIsNamed()
{
    RazbCmd parser;
    quint32 width = 0;
    QVERIFY(parser.razbItems("$cmd=22,#4prlsa,/date", true, width));
    cmdItems[2].dftval = "5/12/26";
    int failIndex = -1;
    QVERIFY(!ceConvParmCmd(failIndex));
    QCOMPARE(failIndex, 2);
    QCOMPARE(QString::fromUtf8(cmdItems.at(failIndex).view), QStringLiteral("Дата"));

    cmdItems[2].dftval = "05/12/26";
    QVERIFY(ceConvParmCmd(failIndex));
    QCOMPARE(cmdItems.at(0).value.toHex(), QByteArray("22"));
    QCOMPARE(cmdItems.at(2).value.toHex(), QByteArray("050c1a"));
}

void TstRazbCmd::replyConversions_data()
{
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("hex") << QByteArray("$3x") << QByteArray::fromHex("ff010a") << QByteArray("FF 01 0A");
    QTest::newRow("string stops at nul")
        << QByteArray("*8s") << QByteArray("ab\0cd\0\0\0", 8) << QByteArray("ab");
    QTest::newRow("reversed date") << QByteArray("\\date") << QByteArray::fromHex("1a0c05")
                                   << QByteArray("05/12/26");
    QTest::newRow("short time") << QByteArray("|time") << QByteArray::fromHex("1700") << QByteArray("23:00");
    QTest::newRow("time-out") << QByteArray("^tmt") << QByteArray::fromHex("97") << QByteArray("300");
    // Enumerations carry their number as text too.
    QTest::newRow("enumeration") << QByteArray("@regimFR/RegFR_") << QByteArray::fromHex("18")
                                 << QByteArray("24");
    QTest::newRow("enumeration FF") << QByteArray("@x") << QByteArray::fromHex("ff") << QByteArray("255");
}

void TstRazbCmd::replyConversions()
{
    QFETCH(QByteArray, item);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    RazbCmd parser;
    CmdItem parsed;
    QVERIFY(parser.convCmdItem(item, parsed));
    parsed.value = bytes;
    convItemToText(parsed);
    QCOMPARE(parsed.dftval, text);
}

QTEST_GUILESS_MAIN(TstRazbCmd)
#include "tst_razbcmd.moc"
