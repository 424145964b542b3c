// The shipped description files and their loaders.

#include "cmdexec.h"
#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"

#include <kelodefaults.h>

#include <QBuffer>
#include <QFile>
#include <QStringDecoder>
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

} // namespace

class TstConvert : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void shippedFilesAreBomCrlf_data();
    void shippedFilesAreBomCrlf();
    void defaultsAsShipped();
    void commandTable_data();
    void commandTable();
    void blocksWithoutCode();
    void everyCommandParses();
    void listWidths();
    void shippedSymbols();
    void captionsFitTheirItems();
    void errorTexts_data();
    void errorTexts();
    void symbolLines_data();
    void symbolLines();
    void badSymbolLinesDoNotStopTheRest();
    void symbolTableOverflowIsRefused();
    void viewFileRules();
    void commandFileRules();
    void missingFileAsksTheHook();
};

void TstConvert::init()
{
    mpLoadDataFiles();
    QVERIFY(mpParseDescriptionFiles());
    mpLoadDefaults();
}

void TstConvert::shippedFilesAreBomCrlf_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {"Command.ini", "Symbol.ini", "View.ini", "Default.ini", "Error.txt", "ErrorDrv.txt"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TstConvert::shippedFilesAreBomCrlf()
{
    QFETCH(QString, name);
    const QByteArray bytes = resourceBytes(name.toLatin1().constData());
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    QVERIFY(!utf8.hasError());
    QVERIFY(!text.isEmpty());
}

void TstConvert::defaultsAsShipped()
{
    QCOMPARE(dfltTable.count(), 4);
    QCOMPARE(dfltTable.at(0).name, QByteArray("com"));
    QCOMPARE(dfltTable.at(0).value, QByteArray("COM2"));
    QCOMPARE(dfltTable.at(1).name, QByteArray("baudrate"));
    QCOMPARE(dfltTable.at(1).value.toHex(), QByteArray("00c20100"));
    QCOMPARE(dfltTable.at(2).name, QByteArray("prlsa"));
    QCOMPARE(dfltTable.at(2).value.size(), 4);
    QCOMPARE(quint8(dfltTable.at(2).value[0]), quint8(kelo::kDefaultSysAdminPassword));
    QVERIFY(kelo::kDefaultSysAdminPassword >= 10 && kelo::kDefaultSysAdminPassword <= 99);
    QCOMPARE(dfltTable.at(3).name, QByteArray("timeout"));
    QCOMPARE(dfltTable.at(3).value.toHex(), QByteArray("70170000"));
    QCOMPARE(mpLinkSettings().password, kelo::kDefaultSysAdminPassword);
    QCOMPARE(mpLinkSettings().passwordText, QByteArray::number(kelo::kDefaultSysAdminPassword));
}

void TstConvert::commandTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("twoByte");
    QTest::addColumn<QString>("name");
    const struct
    {
        int code;
        const char *name;
    } commands[] = {
        {0x11, "Состояние ФР"},
        {0x10, "Короткий запрос состояния ФР"},
        {0xFF01, "Запрос статуса ФН"},
        {0xFF02, "Запрос номера ФН"},
        {0xFF03, "Запрос срока действия ФН"},
        {0xFF04, "Запрос версии ФН"},
        {0x16, "Технологическое обнуление"},
        {0x27, "Общее гашение"},
        {0x2C, "Снятие показаний операц. регистров"},
        {0x21, "Программирование времени"},
        {0x22, "Программирование даты"},
        {0x23, "Подтверждение даты"},
        {0xFE, "Запись заводского номера"},
        {0x0E, "Запись длинного заводского номера"},
        {0xFC, "Запрос типа устройства"},
        {0x01, "Запрос дампа"},
        {0x02, "Запрос данных"},
        {0x03, "Прерывание выдачи данных"},
        {0xFF05, "Начать отчет о регистрации ККТ"},
        {0xFF06, "Сформировать отчёт о регистрации ККТ"},
        {0xFF09, "Запрос итогов фискализации ФН"},
        {0xFF3D, "Начать закрытие фискального режима ФН"},
        {0xFF3E, "Закрыть фискальный режим"},
        {0xFF34, "Сформировать отчёт о перерегистрации ККТ"},
        {0xFF40, "Запрос параметров текущей смены"},
        {0xE0, "Открыть смену"},
        {0x41, "Закрыть смену"},
        {0x40, "Отчет без закрытия смены"},
        {0xFF37, "Начать формирование отчёта о состоянии расчётов"},
        {0xFF38, "Сформировать отчёт о состоянии расчётов"},
        {0x8D, "Открыть чек"},
        {0x80, "Приход"},
        {0x81, "Расход"},
        {0x82, "Возврат прихода"},
        {0x83, "Возврат расхода"},
        {0x84, "Сторно"},
        {0x85, "Закрытие чека"},
        {0x86, "Скидка"},
        {0x87, "Надбавка"},
        {0x88, "Аннулирование чека"},
        {0x8A, "Сторно скидки"},
        {0x8B, "Сторно надбавки"},
        {0xFF35, "Начать формирование чека коррекции"},
        {0xFF36, "Сформировать чек коррекции"},
        {0xFF0D, "Операция со скидками и надбавками"},
        {0xFF08, "Отмена документа в ФН"},
        {0x17, "Печать строки"},
        {0x26, "Параметры шрифта"},
        {0x1E, "Запись таблицы"},
        {0x1F, "Чтение таблицы"},
        {0xFF39, "Получить статус информационного обмена"},
        {0xFF3A, "Запросить фискальный документ в TLV формате"},
        {0xFF3B, "Чтение TLV фискального документа"},
        {0xFF3C, "Запрос квитанции о получении данных в ОФД по номеру документа"},
        {0xFF3F, "Запрос количества ФД, на которых нет квитанции"},
        {0xFF0A, "Найти фискальный документ по номеру"},
        {0xFF0C, "Передать произвольную TLV структуру"},
        {0x24, "Инициализация таблиц"},
        {0x19, "Тестовый прогон"},
        {0x2B, "Прерывание тест. прогона"},
        {0x14, "Установка параметров обмена"},
        {0x15, "Чтение параметров обмена"},
        {0xFF07, "Сброс состояния ФН"},
    };
    for (const auto &c : commands) {
        QTest::newRow(QByteArray::number(c.code, 16).constData())
            << c.code << (c.code > 0xFF ? 1 : 0) << QString::fromUtf8(c.name);
    }
}

void TstConvert::commandTable()
{
    QFETCH(int, code);
    QFETCH(int, twoByte);
    QFETCH(QString, name);
    const int index = findCommand(code);
    QVERIFY(index >= 0);
    QCOMPARE(QString::fromUtf8(cmdTable.at(index).name), name);
    QCOMPARE(int(cmdTable.at(index).twoByte), twoByte);
}

void TstConvert::blocksWithoutCode()
{
    int found = -1;
    for (int i = 0; i < cmdTable.count(); ++i) {
        if (QString::fromUtf8(cmdTable.at(i).name) == QStringLiteral("Дата/время ФРа"))
            found = i;
    }
    QVERIFY(found >= 0);
    QCOMPARE(cmdTable.at(found).code, -1);
    QCOMPARE(findCommand(-1), found);
    // Code 03 is followed by a group header; its own name survives.
    QCOMPARE(QString::fromUtf8(cmdTable.at(findCommand(0x03)).name),
             QStringLiteral("Прерывание выдачи данных"));
    QCOMPARE(cmdTable.at(findCommand(0x11)).exec, 1);
    QCOMPARE(cmdTable.at(findCommand(0x11)).pbexec, 0);
    QCOMPARE(cmdTable.at(findCommand(0x01)).exec, -1);
    QCOMPARE(findCommand(0x8E), -1);
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
    QCOMPARE(parsed, 63);
}

void TstConvert::listWidths()
{
    curCmd = findCommand(0x80);
    QVERIFY(ceRazbCmdRpl());
    QCOMPARE(cmdItems.count(), 10);
    QCOMPARE(cmdLen, 60u);
    QVERIFY(!cmdLenFixed);

    curCmd = findCommand(0xFF0D);
    RazbCmd parser;
    quint32 width = 0;
    QVERIFY(
        parser.razbItems("$2cmd=FF0D,#4prlsa,@typopr/TYPOPR_,#5.3vol,#5.2price,#5.2skidka,#5.2nadbavka,#otd,"
                         "?nalog,#5barcode,*0name,0,*0skdname",
                         true, width));
    QCOMPARE(width, 35u);
    QVERIFY(ceRazbCmdRpl());
    QCOMPARE(cmdLen, 254u);
    QVERIFY(cmdLenFixed);

    curCmd = findCommand(0x11);
    QVERIFY(ceRazbCmdRpl());
    QCOMPARE(cmdLen, 5u);
    QCOMPARE(rplItems.count(), 24);
    QCOMPARE(cmdItems.at(1).value.toHex(), QByteArray("1e000000"));
}

void TstConvert::shippedSymbols()
{
    QCOMPARE(symbolBytes("DP_dp2").toHex(), QByteArray("01"));
    QCOMPARE(symbolBytes("TYPPOFN_1").toHex(), QByteArray("31"));
    QCOMPARE(symbolBytes("RegFR_8.1").toHex(), QByteArray("18"));
    QCOMPARE(symbolBytes("RegFR_10").toHex(), QByteArray("0a"));
    QCOMPARE(symbolBytes("BR_115200").toHex(), QByteArray("06"));
}

void TstConvert::captionsFitTheirItems()
{
    for (const ViewRecord &record : viewTable)
        QVERIFY2(record.caption.size() < kItemViewCap, record.key.constData());
    QByteArray caption;
    QVERIFY(getView("nompervdocOFD", caption));
    QCOMPARE(QString::fromUtf8(caption), QStringLiteral("Номер документа для ОФД первого в очереди"));
    QVERIFY(getView("RegFR_2", caption));
    QCOMPARE(QString::fromUtf8(caption), QStringLiteral("Открытая смена"));
    QVERIFY(!getView("serno", caption));
    QVERIFY(!getView("CMD", caption));
}

void TstConvert::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("driver");
    QTest::addColumn<QString>("text");

    QTest::newRow("2") << 2 << false << QStringLiteral("[2]: Неверное состояние ФН!");
    QTest::newRow("10 empty text") << 10 << false << QStringLiteral("[10]: !");
    QTest::newRow("12 bare number") << 12 << false << QStringLiteral("[12]: Нет описания ошибки!");
    QTest::newRow("0 no line") << 0 << false << QStringLiteral("[0]: Неизвестная ошибка!");
    QTest::newRow("79") << 79 << false << QStringLiteral("[79]: Неверный пароль!");
    QTest::newRow("192") << 192 << false
                         << QStringLiteral("[192]: Контроль даты и времени(подтвердите дату и время)!");
    QTest::newRow("255") << 255 << false << QStringLiteral("[255]: Нет связи с ФР!");
    QTest::newRow("-3 is 253") << -3 << false << QStringLiteral("[253]: Выход по ожиданию печати!");
    QTest::newRow("beyond the table") << 300 << false << QStringLiteral("[300]: Неизвестная ошибка!");
    QTest::newRow("driver 2") << 2 << true << QStringLiteral("[2]: ошибка обмена с ФР!");
    QTest::newRow("driver 23") << 23 << true << QStringLiteral("[23]: неправильная длина ответа!");
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
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("trailing blanks") << QByteArray("DP_dp2=01    ") << true << QByteArray("DP_dp2")
                                     << QByteArray::fromHex("01");
    QTest::newRow("one character") << QByteArray("T=1") << true << QByteArray("T") << QByteArray("1");
    QTest::newRow("decimal first") << QByteArray("R=010") << true << QByteArray("R")
                                   << QByteArray::fromHex("0a");
    QTest::newRow("auto base") << QByteArray("R=0x18") << true << QByteArray("R")
                               << QByteArray::fromHex("18");
    QTest::newRow("low byte of 16 bits")
        << QByteArray("R=0x1234") << true << QByteArray("R") << QByteArray::fromHex("34");
    QTest::newRow("above 16 bits") << QByteArray("R=70000") << false << QByteArray() << QByteArray();
    QTest::newRow("value stops at blank")
        << QByteArray("R=12 comment") << true << QByteArray("R") << QByteArray::fromHex("0c");
    QTest::newRow("reference") << QByteArray("X=DP_dp2") << true << QByteArray("X")
                               << QByteArray::fromHex("01");
    QTest::newRow("no equals") << QByteArray("DP_dp2") << false << QByteArray() << QByteArray();
    QTest::newRow("equals first") << QByteArray("=5") << false << QByteArray() << QByteArray();
    QTest::newRow("empty value") << QByteArray("X=") << false << QByteArray() << QByteArray();
    QTest::newRow("not a number") << QByteArray("X=zz") << false << QByteArray() << QByteArray();
    QTest::newRow("number line") << QByteArray("#4baudrate=115200") << true << QByteArray("baudrate")
                                 << QByteArray::fromHex("00c20100");
    QTest::newRow("number with decimals")
        << QByteArray("#2.1v= 3.3") << true << QByteArray("v") << QByteArray::fromHex("2100");
    QTest::newRow("number default width")
        << QByteArray("#n=7") << true << QByteArray("n") << QByteArray::fromHex("07");
    QTest::newRow("number too big") << QByteArray("#1n=300") << false << QByteArray() << QByteArray();
    QTest::newRow("number without equals") << QByteArray("#4n 5") << false << QByteArray() << QByteArray();
    QTest::newRow("string") << QByteArray("*0com=COM2") << true << QByteArray("com") << QByteArray("COM2");
    QTest::newRow("string sized") << QByteArray("*6s=\"a b\" rest") << true << QByteArray("s")
                                  << QByteArray("a b\0\0\0", 6);
    QTest::newRow("string cut to size")
        << QByteArray("*2s=abcd") << true << QByteArray("s") << QByteArray("ab");
    QTest::newRow("string open quote") << QByteArray("*0s=\"abc") << false << QByteArray() << QByteArray();
    QTest::newRow("string decimals") << QByteArray("*2.1s=ab") << false << QByteArray() << QByteArray();
    QTest::newRow("name too long") << QByteArray(256, 'N') + "=1" << false << QByteArray() << QByteArray();
    QTest::newRow("string too long") << QByteArray("*0s=") + QByteArray(513, 'x') << false << QByteArray()
                                     << QByteArray();
}

void TstConvert::symbolLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, ok);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    SymbRecord record;
    QCOMPARE(parseSymbLine(line.trimmed(), record), ok);
    if (ok) {
        QCOMPARE(record.name, name);
        QCOMPARE(record.value.toHex(), value.toHex());
    }
}

void TstConvert::badSymbolLinesDoNotStopTheRest()
{
    resetDescriptionTables();
    const QByteArray text = "\xEF\xBB\xBF// comment\r\nA=1\r\n  \r\nbroken\r\nB=0x20\r\nA=2\r\n";
    QVERIFY(!loadSymbols(text, true));
    QCOMPARE(symbTable.count(), 3);
    // The first record of a name wins.
    QCOMPARE(symbolBytes("A"), QByteArray("1"));
    QCOMPARE(symbolBytes("B").toHex(), QByteArray("20"));
}

void TstConvert::symbolTableOverflowIsRefused()
{
    resetDescriptionTables();
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += "S" + QByteArray::number(i) + "=" + QByteArray::number(i % 200) + "\r\n";
    QVERIFY(!loadSymbols(text, true));
    QCOMPARE(symbTable.count(), SymbTable::capacity);
    QCOMPARE(symbTable.last().name, QByteArray("S255"));

    QByteArray defaults;
    for (int i = 0; i < 40; ++i)
        defaults += "#4d" + QByteArray::number(i) + "=1\r\n";
    QVERIFY(!loadSymbols(defaults, false));
    QCOMPARE(dfltTable.count(), DfltTable::capacity);
}

void TstConvert::viewFileRules()
{
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

namespace {
QString lastHookText;
void recordHook(const QString &, const QString &text)
{
    lastHookText = text;
}
} // namespace

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
