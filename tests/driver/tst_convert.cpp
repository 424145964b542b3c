// The shipped description files and their loaders.

#include "cmdexec.h"
#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

namespace {

QByteArray resourceBytes(const char *name)
{
    QFile file(mpResourceName(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool loadSymbols(const QByteArray &text, bool symbols)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return convSymbText(buffer, symbols);
}

QByteArray symbolBytes(const QByteArray &name)
{
    const SymbRecord *record = findSymbol(name);
    return record ? record->value : QByteArray("<missing>");
}

QString lastHookText;
void recordHook(const QString &, const QString &text)
{
    lastHookText = text;
}

} // namespace

class TstConvert : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void everyCommandParses();
    void requestWidths();
    void errorTexts_data();
    void errorTexts();
    void symbolLines_data();
    void symbolLines();
    void badSymbolLinesDoNotStopTheRest();
    void viewFileRules();
    void commandFileRules();
    void missingFileAsksTheHook();
};

void TstConvert::init()
{
    mpLoadDataFiles();
    // Every line of the shipped files must load: a refused line fails here.
    QVERIFY(mpParseDescriptionFiles());
    mpLoadDefaults();
}

void TstConvert::everyCommandParses()
{
    int parsed = 0;
    for (int i = 0; i < cmdTable.count(); ++i) {
        if (cmdTable.at(i).code < 0)
            continue;
        curCmd = i;
        const QByteArray what =
            cmdTable.at(i).name + " (" + QByteArray::number(cmdTable.at(i).code, 16) + ")";
        QVERIFY2(ceRazbCmdRpl(), what.constData());
        QVERIFY2(cmdItems.count() >= 1 && rplItems.count() >= 2, what.constData());
        QCOMPARE(cmdItems.at(0).ident, QByteArray("CMD"));
        // Every command's request fits one frame.
        QVERIFY2(cmdLen >= 1 && cmdLen <= 255, what.constData());
        ++parsed;
    }
    QCOMPARE(parsed, 65);
}

void TstConvert::requestWidths()
{
    curCmd = findCommand(0x80);
    QVERIFY(ceRazbCmdRpl());
    QCOMPARE(cmdLen, 60u);
    // CMDLEN fixes the request whatever its variable items add up to.
    curCmd = findCommand(0xFF0D);
    QVERIFY(ceRazbCmdRpl());
    QCOMPARE(cmdLen, 254u);
    QVERIFY(cmdLenFixed);
    // A block's lists replace the previous command's.
    curCmd = findCommand(0x11);
    QVERIFY(ceRazbCmdRpl());
    QCOMPARE(cmdLen, 5u);
    QCOMPARE(rplItems.count(), 24);
    QVERIFY(!cmdLenFixed);
}

void TstConvert::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("driver");
    QTest::addColumn<QString>("text");

    QTest::newRow("10 empty text") << 10 << false << "[10]: !";
    QTest::newRow("12 bare number") << 12 << false << "[12]: Нет описания ошибки!";
    QTest::newRow("0 no line") << 0 << false << "[0]: Неизвестная ошибка!";
    QTest::newRow("255") << 255 << false << "[255]: Нет связи с ФР!";
    QTest::newRow("-3 is 253") << -3 << false << "[253]: Выход по ожиданию печати!";
    QTest::newRow("beyond the table") << 300 << false << "[300]: Неизвестная ошибка!";
    QTest::newRow("driver 2") << 2 << true << "[2]: ошибка обмена с ФР!";
}

void TstConvert::errorTexts()
{
    QFETCH(int, code);
    QFETCH(bool, driver);
    QFETCH(QString, text);
    QCOMPARE(driver ? mpErrorText(code, mpDrvErrorTable()) : mpDevErrorText(code), text);
    // Line 256 of the register's table is the end-of-file mark.
    QVERIFY(resourceBytes("Error.txt").endsWith("255 Нет связи с ФР\r\n\x1A\r\n"));
}

void TstConvert::symbolLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("record"); // "name=hex"; empty: refused

    QTest::newRow("one character") << QByteArray("T=1") << QByteArray("T=31");
    QTest::newRow("decimal first") << QByteArray("R=010") << QByteArray("R=0a");
    QTest::newRow("auto base") << QByteArray("R=0x18") << QByteArray("R=18");
    QTest::newRow("low byte of 16 bits") << QByteArray("R=0x1234") << QByteArray("R=34");
    QTest::newRow("above 16 bits") << QByteArray("R=70000") << QByteArray();
    QTest::newRow("value stops at blank") << QByteArray("R=12 comment") << QByteArray("R=0c");
    QTest::newRow("reference") << QByteArray("X=DP_dp2") << QByteArray("X=01");
    QTest::newRow("no equals") << QByteArray("DP_dp2") << QByteArray();
    QTest::newRow("equals first") << QByteArray("=5") << QByteArray();
    QTest::newRow("empty value") << QByteArray("X=") << QByteArray();
    QTest::newRow("not a number") << QByteArray("X=zz") << QByteArray();
    QTest::newRow("number with decimals") << QByteArray("#2.1v= 3.3") << QByteArray("v=2100");
    QTest::newRow("number default width") << QByteArray("#n=7") << QByteArray("n=07");
    QTest::newRow("number without equals") << QByteArray("#4n 5") << QByteArray();
    QTest::newRow("string") << QByteArray("*0com=COM2") << QByteArray("com=434f4d32");
    QTest::newRow("string sized") << QByteArray("*6s=\"a b\" rest") << QByteArray("s=612062000000");
    QTest::newRow("string cut to size") << QByteArray("*2s=abcd") << QByteArray("s=6162");
    QTest::newRow("string open quote") << QByteArray("*0s=\"abc") << QByteArray();
    QTest::newRow("string decimals") << QByteArray("*2.1s=ab") << QByteArray();
    QTest::newRow("name too long") << QByteArray(256, 'N') + "=1" << QByteArray();
    QTest::newRow("string too long") << QByteArray("*0s=") + QByteArray(513, 'x') << QByteArray();
}

void TstConvert::symbolLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, record);
    SymbRecord parsed;
    const bool ok = parseSymbLine(line, parsed);
    QCOMPARE(ok ? parsed.name + '=' + parsed.value.toHex() : QByteArray(), record);
}

void TstConvert::badSymbolLinesDoNotStopTheRest()
{
    resetDescriptionTables();
    QByteArray text = "\xEF\xBB\xBF// comment\r\nA=1\r\n  \r\nbroken\r\nB=0x20\r\nA=2\r\n";
    QVERIFY(!loadSymbols(text, true));
    QCOMPARE(symbTable.count(), 3);
    // The first record of a name wins.
    QCOMPARE(symbolBytes("A"), QByteArray("1"));
    QCOMPARE(symbolBytes("B").toHex(), QByteArray("20"));

    // Lines beyond the table's capacity are refused, never written over the last.
    for (int i = 0; i < 300; ++i)
        text += "S" + QByteArray::number(i) + "=" + QByteArray::number(i % 200) + "\r\n";
    resetDescriptionTables();
    QVERIFY(!loadSymbols(text, true));
    QCOMPARE(symbTable.count(), SymbTable::capacity);
    QCOMPARE(symbTable.last().name, QByteArray("S252"));
}

void TstConvert::viewFileRules()
{
    // Every shipped caption fits the caption of an item.
    for (const ViewRecord &record : viewTable)
        QVERIFY2(record.caption.size() < kItemViewCap, record.key.constData());

    resetDescriptionTables();
    QBuffer buffer;
    buffer.setData("\xEF\xBB\xBFkey=first\r\n// x=comment\r\nother =  spaced caption  \r\nkey=second\r\nlong="
                   + QByteArray(600, 'c') + "\r\nnoequals\r\n");
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(convViewText(buffer));
    QByteArray caption;
    QVERIFY(getView("key", caption));
    QCOMPARE(caption, QByteArray("second"));
    QVERIFY(getView("other", caption));
    QCOMPARE(caption, QByteArray("spaced caption"));
    QVERIFY(!getView("long", caption));
    QVERIFY(!getView("x", caption));
    QCOMPARE(viewTable.count(), 2);
}

void TstConvert::commandFileRules()
{
    QByteArray text = "NAME=ignored\r\n"
                      "[COMMAND]\r\nname=First\r\ncmd=$CMD=zz,#4p\r\n[GROUP]\r\nNAME=Group\r\n"
                      "[COMMAND]\r\nNAME=Second\r\nCMD=#4x\r\nEXEC=7\r\nPBEXEC=x\r\n"
                      "[COMMAND]\r\nNAME=Third\r\nCMD=$2cmd=ff3b,#4prlsa\r\n";
    for (int i = 0; i < 600; ++i)
        text += "[COMMAND]\r\nNAME=N" + QByteArray::number(i) + "\r\nCMD=$cmd=AA\r\n";
    QVERIFY(convCmdText(text));
    QCOMPARE(cmdTable.count(), CmdTable::capacity);
    QCOMPARE(cmdTable.at(0).name, QByteArray("First"));
    QCOMPARE(cmdTable.at(0).code, 0); // not hexadecimal
    QCOMPARE(cmdTable.at(1).name, QByteArray("Second"));
    QCOMPARE(cmdTable.at(1).code, -1);
    QCOMPARE(cmdTable.at(1).exec, 7);
    QCOMPARE(cmdTable.at(1).pbexec, -1);
    QCOMPARE(cmdTable.at(2).code, 0xFF3B);
    QCOMPARE(int(cmdTable.at(2).twoByte), 1);
    // Blocks beyond the capacity never write into the last record.
    QCOMPARE(cmdTable.last().name, QByteArray("N508"));
}

void TstConvert::missingFileAsksTheHook()
{
    setDriverMessageHook(recordHook);
    QFile *view = qobject_cast<QFile *>(mpDescriptionFile(DescriptionFile::View));
    QVERIFY(view);
    view->setFileName(QStringLiteral(":/no/such/View.ini"));
    QVERIFY(!mpParseDescriptionFiles());
    QCOMPARE(lastHookText, QStringLiteral("Нет файла View.ini"));
    setDriverMessageHook(nullptr);
}

QTEST_GUILESS_MAIN(TstConvert)
#include "tst_convert.moc"
