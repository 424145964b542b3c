// Command items: the item grammar, item lists and the item conversions.

#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"

#include <kelodefaults.h>

#include <QTest>

namespace {

// "<type> <len>[.<dp>] <ident>[/<pref>] [=<default>|?<text without default>] <value hex>"
QByteArray described(const CmdItem &item)
{
    QByteArray text = QByteArray(1, char(item.type)) + ' ' + QByteArray::number(item.len);
    if (item.dp >= 0)
        text += '.' + QByteArray::number(item.dp);
    text += ' ' + item.ident;
    if (!item.pref.isEmpty())
        text += '/' + item.pref;
    if (item.dflt || !item.dftval.isEmpty())
        text += (item.dflt ? " =" : " ?") + item.dftval;
    return text + ' ' + item.value.toHex();
}

const QByteArray pw = QByteArray::number(kelo::kDefaultSysAdminPassword);
const QByteArray pwHex =
    QByteArray::number(kelo::kDefaultSysAdminPassword, 16).rightJustified(2, '0') + "000000";

} // namespace

class TstRazbCmd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void items_data();
    void items();
    void replyListOffsets();
    void passwordDefaults_data();
    void passwordDefaults();
    void failedListKeepsTheTable();
    void conversions_data();
    void conversions();
    void failingItemIsNamed();
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
    QTest::addColumn<QByteArray>("item"); // empty: refused

    QTest::newRow("money with default")
        << QByteArray("#5.2price=100") << QByteArray("# 5.2 price =100 1027000000");
    QTest::newRow("default from a symbol") << QByteArray("#x=DP_dp2") << QByteArray("# 1 x =1 01");
    QTest::newRow("unknown name") << QByteArray("#4x=nosuch") << QByteArray();
    QTest::newRow("two-byte code") << QByteArray("$2cmd=FF01") << QByteArray("$ 2 cmd =FF01 0000");
    QTest::newRow("bad hex default") << QByteArray("$2c=F") << QByteArray("$ 2 c ?F 0000");
    QTest::newRow("enumeration") << QByteArray("@regimFR/RegFR_") << QByteArray("@ 1 regimFR/RegFR_ 00");
    QTest::newRow("enumeration default") << QByteArray("@x=1") << QByteArray();
    QTest::newRow("string") << QByteArray("*16nomFN") << "* 16 nomFN " + QByteArray(32, '0');
    QTest::newRow("variable string") << QByteArray("*0name") << QByteArray("* 0 name ");
    QTest::newRow("string default") << QByteArray("*5name=abc") << QByteArray();
    QTest::newRow("reversed date") << QByteArray("\\date") << QByteArray("\\ 3 date 000000");
    QTest::newRow("short time") << QByteArray("|time") << QByteArray("| 2 time 0000");
    QTest::newRow("date with width") << QByteArray("/3date") << QByteArray();
    QTest::newRow("date default") << QByteArray(":time=1") << QByteArray();
    QTest::newRow("time-out decimals ignored")
        << QByteArray("^2.1tmt=300") << QByteArray("^ 2 tmt =300 9700");
    QTest::newRow("time-out not a number") << QByteArray("^tmt=1s") << QByteArray();
    QTest::newRow("constant") << QByteArray("0") << QByteArray("0 1  =0 00");
    QTest::newRow("bad constant") << QByteArray("9z") << QByteArray();
    QTest::newRow("unknown type") << QByteArray("%x") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("no identifier") << QByteArray("#4") << QByteArray();
    QTest::newRow("point without digits") << QByteArray("#4.x") << QByteArray();
    QTest::newRow("identifier of 31") << "#a" + QByteArray(30, 'b') << "# 1 a" + QByteArray(30, 'b') + " 00";
    QTest::newRow("identifier of 32") << "#a" + QByteArray(31, 'b') << QByteArray();
    QTest::newRow("width at capacity") << QByteArray("$512blok") << "$ 512 blok " + QByteArray(1024, '0');
    QTest::newRow("width above capacity") << QByteArray("$513blok") << QByteArray();
    QTest::newRow("left over") << QByteArray("#4x y") << QByteArray();
}

void TstRazbCmd::items()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, item);
    RazbCmd parser;
    CmdItem parsed;
    QCOMPARE(parser.convCmdItem(text, parsed), !item.isEmpty());
    if (!item.isEmpty())
        QCOMPARE(described(parsed), item);
}

void TstRazbCmd::replyListOffsets()
{
    RazbCmd parser;
    quint32 width = 0;
    QVERIFY(parser.razbItems("$2cmd,#error,*16nomFN", false, width));
    QCOMPARE(width, 19u);
    QStringList items;
    for (const CmdItem &item : rplItems)
        items << QStringLiteral("%1 %2+%3").arg(QString::fromUtf8(item.view)).arg(item.rel).arg(item.len);
    QCOMPARE(items, QStringList({"CMD 0+2", "Код ошибки 2+1", "Номер ФН 3+16"}));
    QCOMPARE(rplItems.at(0).ident, QByteArray("CMD"));
    QCOMPARE(int(rplItems.at(0).ned), 1);
}

void TstRazbCmd::passwordDefaults_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QByteArray>("item"); // the last one; "$cmd," starts a reply list

    QTest::newRow("current password")
        << QByteArray("$cmd=E0,#4prlop") << QByteArray("# 4 prlop =1234 d2040000");
    // A named default keeps the shipped value whatever the current password.
    QTest::newRow("named default") << QByteArray("$cmd=11,#4prlop=prlsa") << "# 4 prlop =" + pw + ' ' + pwHex;
    QTest::newRow("prlasa") << QByteArray("$cmd=2C,#4prlasa") << QByteArray("# 4 prlasa =1234 d2040000");
    QTest::newRow("prl0") << QByteArray("$cmd=2C,#4prl0") << QByteArray("# 4 prl0 =0 00000000");
    QTest::newRow("prlni") << QByteArray("$cmd=2C,#4prlni") << QByteArray("# 4 prlni 00000000");
    // Only the second item of a command list is a password.
    QTest::newRow("third item") << QByteArray("$cmd=2C,#4x,#4prlop") << QByteArray("# 4 prlop 00000000");
    QTest::newRow("reply list") << QByteArray("$cmd,#4prlop") << QByteArray("# 4 prlop 00000000");
}

void TstRazbCmd::passwordDefaults()
{
    QFETCH(QByteArray, list);
    QFETCH(QByteArray, item);
    mpSetPassword(1234);
    const bool isCmd = list.startsWith("$cmd=");
    RazbCmd parser;
    quint32 width = 0;
    QVERIFY(parser.razbItems(list, isCmd, width));
    QCOMPARE(described((isCmd ? cmdItems : rplItems).last()), item);
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
    // A list fills the table; one item more is refused.
    const QByteArray full = "$cmd" + QByteArray(",#x").repeated(511);
    QVERIFY(parser.razbItems(full, false, width));
    QVERIFY(!parser.razbItems(full + ",#y", false, width));
    QCOMPARE(rplItems.count(), 512);
}

void TstRazbCmd::conversions_data()
{
    QTest::addColumn<bool>("send"); // text to bytes, or bytes to text
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes"); // null: the text is refused

    QTest::newRow("string padded") << true << QByteArray("*40name") << QByteArray("Hello")
                                   << QByteArray("Hello") + QByteArray(35, '\0');
    QTest::newRow("string cut") << true << QByteArray("*4name") << QByteArray("Hello") << QByteArray("Hell");
    QTest::newRow("string variable") << true << QByteArray("*0name") << QByteArray("ab") << QByteArray("ab");
    QTest::newRow("missing number") << true << QByteArray("#5.2skd") << QByteArray() << QByteArray();
    QTest::newRow("string too long") << true << QByteArray("*0name") << QByteArray(513, 'x') << QByteArray();
    QTest::newRow("string stops at nul")
        << false << QByteArray("*8s") << QByteArray("ab") << QByteArray("ab\0cd\0\0\0", 8);
    QTest::newRow("reversed date") << false << QByteArray("\\date") << QByteArray("05/12/26")
                                   << QByteArray::fromHex("1a0c05");
    QTest::newRow("short time") << false << QByteArray("|time") << QByteArray("23:00")
                                << QByteArray::fromHex("1700");
    // Enumerations carry their number as text too.
    QTest::newRow("enumeration") << false << QByteArray("@regimFR/RegFR_") << QByteArray("24")
                                 << QByteArray::fromHex("18");
    QTest::newRow("enumeration FF") << false << QByteArray("@x") << QByteArray("255")
                                    << QByteArray::fromHex("ff");
}

void TstRazbCmd::conversions()
{
    QFETCH(bool, send);
    QFETCH(QByteArray, item);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    RazbCmd parser;
    CmdItem parsed;
    QVERIFY(parser.convCmdItem(item, parsed));
    if (send) {
        parsed.dftval = text;
        QCOMPARE(convItemToValue(parsed), !bytes.isNull());
        if (!bytes.isNull())
            QCOMPARE(parsed.value.toHex(), bytes.toHex());
    } else {
        parsed.value = bytes;
        convItemToText(parsed);
        QCOMPARE(parsed.dftval, text);
    }
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

QTEST_GUILESS_MAIN(TstRazbCmd)
#include "tst_razbcmd.moc"
