// Documents of the formats 1.05 and 1.2 as the fiscal storage and the OFD write
// them, built here byte by byte from the formats, and the formats' own lists:
// every requisite and form code named, meanings by version and date, value texts;
// the document page read back cell by cell as the window's view loads it, and
// the text form.

#include "mtlvdictionary.h"
#include "mtlvrenderer.h"
#include "textlines.h"
#include "tlvfixtures.h"

#include <QFile>
#include <QtTest>

#include <ctime>

using namespace tlvfix;

namespace {

QByteArray s(const QString &text)
{
    return text866(text);
}

QByteArray byte(int value)
{
    return le(quint64(value), 1);
}

// The text form of a whole document, taken apart as decode-tlv does it.
QString textOf(const QByteArray &document)
{
    quint16 formCode = 0;
    quint16 length = 0;
    if (!MTLVDocument::startsWholeDocument(document, &formCode, &length) || length != document.size() - 4)
        return QStringLiteral("not a whole document");
    return MTLVRenderer::documentText(MTLVDocument::parseSequence(document.mid(4), formCode));
}

// Rows of a data file of the formats, read without the program's own reader.
QList<QStringList> dataRows(const char *file)
{
    QFile f(QStringLiteral(KELO_FFD_DATA_DIR "/") + QLatin1String(file));
    QList<QStringList> rows;
    if (!f.open(QIODevice::ReadOnly))
        return rows;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.isEmpty() && !line.startsWith('#'))
            rows << QString::fromUtf8(line).split(QLatin1Char('\t'));
    }
    rows.removeFirst(); // the column names
    return rows;
}

// A value of `length` bytes any value of the type accepts.
QByteArray sample(const QString &type)
{
    if (type == QLatin1String("UINT32") || type == QLatin1String("UNIXTIME"))
        return le(1, 4);
    if (type == QLatin1String("UINT16"))
        return le(1, 2);
    if (type == QLatin1String("FVLN"))
        return QByteArray::fromHex("0001");
    return byte(1);
}

} // namespace

class TestMTLVFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyRequisiteAndFormIsNamed();
    void meaningFollowsTheDocument_data();
    void meaningFollowsTheDocument();
    void valueTexts_data();
    void valueTexts();
    void page_data();
    void page();
    void receipt12WithMarkingAndAgent();
    void registrationReport12();
    void operatorConfirmation();
    void wholeDocumentHeader_data();
    void wholeDocumentHeader();
};

void TestMTLVFormats::initTestCase()
{
    // Far from UTC, so a conversion to local time would show.
    qputenv("TZ", "Asia/Vladivostok");
#ifdef Q_OS_UNIX
    tzset();
#endif
}

void TestMTLVFormats::everyRequisiteAndFormIsNamed()
{
    const QList<QStringList> tags = dataRows("tags.tsv");
    QCOMPARE(tags.size(), 281);
    // Each tag once (1126 has two rows), with this program's own 901: nothing unlisted.
    QCOMPARE(MTLVDictionary::tags().size(), 281);
    static const char *const versionNames[] = {"1.0", "1.05", "1.1", "1.2"};
    for (const QStringList &row : tags) {
        // Decoded in a document of the first version the row names, so that a tag
        // whose meaning changed is read with this row's meaning.
        int version = 0;
        for (int v = 4; v >= 1; --v) {
            if (row.at(4).split(QLatin1Char(',')).contains(QLatin1String(versionNames[v - 1]))
                || row.at(4).startsWith(QLatin1String(versionNames[v - 1]) + QLatin1Char('(')))
                version = v;
        }
        const QByteArray items =
            tlv(1209, byte(version)) + tlv(quint16(row.at(0).toInt()), sample(row.at(2)));
        const MTLVDocument item = MTLVDocument::parseSequence(items, 3).at(1);
        const QString what = row.at(0) + QLatin1Char(' ') + row.at(1);
        QVERIFY2(item.isKnown && !item.displayName().isEmpty(), qPrintable(what));
        QVERIFY2(!item.isUndecodable(), qPrintable(what));
        QCOMPARE(item.description.officialName, row.at(1));
        if (row.at(0).toInt() > 1118) // above the tags this program always had: official names
            QCOMPARE(item.tagName(), row.at(1));
    }

    const QList<QStringList> forms = dataRows("doctypes.tsv");
    QCOMPARE(forms.size(), 15);
    for (const QStringList &row : forms) {
        const QString name = MTLVDictionary::docTypeNames().value(row.at(0).toInt());
        QVERIFY2(!name.isEmpty(), qPrintable(row.at(0)));
        if (row.at(0).toInt() > 41) // the codes of 1.2 by their official names
            QCOMPARE(name, row.at(1));
    }
    // The names operators know stay as they were, spelling and all (those of form 1
    // and tag 1209 in the documents below).
    QCOMPARE(MTLVDictionary::docTypeNames().value(22), "Кассовый чек коррекции");
    QCOMPARE(MTLVDictionary::find(1019)->name, "информационное cообщение");
    QCOMPARE(MTLVDictionary::find(1103)->name, "сумма НДС чека поставке 10%");
    QCOMPARE(MTLVDictionary::find(1075)->name, "телефона оператора по переводу денежных средств");
}

void TestMTLVFormats::meaningFollowsTheDocument_data()
{
    QTest::addColumn<QByteArray>("context"); // top-level items before the one looked at
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QString>("row"); // "name: value" as the text form shows it

    const QByteArray lastDay18 = tlv(1012, le(1546300740, 4));  // 31.12.2018 23:59
    const QByteArray firstDay20 = tlv(1012, le(1546300800, 4)); // 01.01.2019 00:00
    QTest::newRow("1102 in 2018") << lastDay18 << tlv(1102, le(1800, 2))
                                  << "сумма НДС чека по ставке 18%: 18.00";
    QTest::newRow("1106 in 2018") << lastDay18 << tlv(1106, le(1800, 2))
                                  << "сумма НДС чека по расч. ставке 18/118: 18.00";
    QTest::newRow("1102 from 2019") << firstDay20 << tlv(1102, le(2000, 2))
                                    << "Сумма НДС чека по ставке 20%: 20.00";
    QTest::newRow("1106 from 2019") << firstDay20 << tlv(1106, le(2000, 2))
                                    << "Сумма НДС чека по расч. ставке 20/120: 20.00";
    QTest::newRow("1102 undated") << QByteArray() << tlv(1102, le(2000, 2))
                                  << "Сумма НДС чека по ставке 20%: 20.00";
    // Codes 1 and 3 of the VAT rate meant 18 % before 2019, in the items too.
    QTest::newRow("1199 in 2018") << lastDay18 << tlv(1059, tlv(1199, byte(1))) << "  Ставка НДС: НДС 18%";
    QTest::newRow("1199 3 in 2018") << lastDay18 << tlv(1199, byte(3)) << "Ставка НДС: НДС расч. 18/118";
    QTest::newRow("1199 from 2019") << firstDay20 << tlv(1059, tlv(1199, byte(1))) << "  Ставка НДС: НДС 20%";
    QTest::newRow("1199 10% in 2018") << lastDay18 << tlv(1199, byte(2)) << "Ставка НДС: НДС 10%";
    // 1126 counted unsent cash documents in 1.0 and flags a lottery since 1.05.
    QTest::newRow("1126 in 1.05") << tlv(1209, byte(2)) << tlv(1126, byte(1))
                                  << "Признак проведения лотереи: 1";
    QTest::newRow("1126 without a version, 4 bytes")
        << QByteArray() << tlv(1126, le(7, 4)) << "Кол-во непереданных документов по наличным расчетам: 7";
    QTest::newRow("1126 without a version, 1 byte")
        << QByteArray() << tlv(1126, byte(0)) << "Признак проведения лотереи: 0";
    QTest::newRow("1126 in 1.05, 4 bytes") << tlv(1209, byte(2)) << tlv(1126, le(7, 4))
                                           << "Признак проведения лотереи: 07000000 (недопустимая длина 4)";
    // Where the two transcriptions give different types, the length decides.
    QTest::newRow("1213 as the other type")
        << QByteArray() << tlv(1213, le(70000, 4)) << "Ресурс ключей ФП: 70000";
}

void TestMTLVFormats::meaningFollowsTheDocument()
{
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, item);
    QFETCH(QString, row);
    // The item first: its meaning is settled by what follows it, as FF3B delivers it.
    const QString text = MTLVRenderer::documentText(MTLVDocument::parseSequence(item + context, 3));
    QVERIFY2(text.split(QLatin1Char('\n')).contains(row), qPrintable(text));
}

void TestMTLVFormats::valueTexts_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("shown");

    // Codes of a list; one the list lacks is its number. (The documents below
    // show more of them.)
    QTest::newRow("operation 4") << 1054 << byte(4) << "Возврат расхода";
    QTest::newRow("operation 5") << 1054 << byte(5) << "5";
    QTest::newRow("1199 keeps 20%") << 1199 << byte(1) << "НДС 20%";
    QTest::newRow("1199 unconfirmed 5%") << 1199 << byte(7) << "5% (7)";
    QTest::newRow("2108 1 is no unit") << 2108 << byte(1) << "1";
    QTest::newRow("2110 as 2003") << 2110 << byte(255) << "Статус не изменился";
    // Flags: the lowest and the highest of the six tax systems, other bits by value.
    QTest::newRow("tax 33") << 1062 << byte(33) << "Общая, Патентная система налогообложения";
    QTest::newRow("tax 0") << 1055 << byte(0) << "0";
    QTest::newRow("1055 unknown bit") << 1055 << byte(65) << "Общая, 64";
    QTest::newRow("1205 two flags") << 1205 << le(3, 4) << "Замена ФН, Замена ОФД";
    QTest::newRow("1205 flag of a range") << 1205 << le(0x20, 4)
                                          << "режимы (автономный, автомат, БСО, Интернет, агент, азартные "
                                             "игры, лотереи) (0x20)";
    QTest::newRow("1290 unknown flag") << 1290 << le(0x8001, 4) << "0x1, Общепит";
    QTest::newRow("1290 none") << 1290 << le(0, 4) << "0";
    // Sums in kopecks, exact to the last one; numbers that are no sums.
    QTest::newRow("money 7") << 1020 << le(7, 1) << "0.07";
    QTest::newRow("money 8 bytes exact") << 1102 << le(18446744073709551615ull, 8) << "184467440737095516.15";
    QTest::newRow("numerator no sum") << 1293 << le(3, 1) << "3";
    // The printed fiscal sign: the stored one's tail, big-endian.
    QTest::newRow("fiscal sign high bytes") << 1077 << QByteArray::fromHex("0000ffffffff") << "4294967295";
    QTest::newRow("fiscal sign 3 bytes") << 1077 << QByteArray::fromHex("0000ff") << "255";
    QTest::newRow("fiscal sign too short") << 1077 << QByteArray::fromHex("0000") << "0";
    QTest::newRow("string padded with zero bytes") << 1245 << QByteArray("21\0", 3) << "21";
    QTest::newRow("string blanks collapse")
        << 1030 << s(QStringLiteral(" Хлеб \t  ржаной\r\n ")) << "Хлеб ржаной";
    // A length the type does not allow: the bytes, marked.
    QTest::newRow("1290 short") << 1290 << le(0x204, 3) << "040200 (недопустимая длина 3)";
    QTest::newRow("money 9 bytes") << 1081 << QByteArray(9, '\1')
                                   << "010101010101010101 (недопустимая длина 9)";
    QTest::newRow("not money empty") << 1010 << QByteArray() << "(недопустимая длина 0)";
    QTest::newRow("unknown tag as text") << 4321 << s(QStringLiteral("Ок 1")) << "8eaa2031 (Ок 1)";
    QTest::newRow("unknown tag, not text") << 4321 << QByteArray::fromHex("41b0") << "41b0";
}

void TestMTLVFormats::valueTexts()
{
    QFETCH(int, tag);
    QFETCH(QByteArray, value);
    QFETCH(QString, shown);
    QCOMPARE(decoded(quint16(tag), value).displayText(), shown);
}

void TestMTLVFormats::page_data()
{
    QTest::addColumn<int>("docType");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("rows"); // one a line

    // One row per item, the name one column further right per level; the
    // unknown 1234 has its bytes.
    QTest::newRow("receipt")
        << 3 << receiptBytes()
        << "Тип документа | Кассовый чек (3)\nпользователь | ООО Ромашка\n"
           "ИНН пользователя | 7700000000\nдата, время | 14.07.2017 02:40:00\n"
           "признак расчета | Приход\nпризнак системы налогообложения | Общая\n"
           "реквизиты товара:\n  | наименование товара | Хлеб ржаной\n  | цена за единицу | 45.50\n"
           "  | количество | 1\n  | общая стоимость позиции с учетом скидок и наценок | 45.50\n"
           "реквизиты товара:\n  | наименование товара | Молоко & <сливки>\n"
           "  | цена за единицу | 89.90\n  | количество | 2\n"
           "  | общая стоимость позиции с учетом скидок и наценок | 179.80\n"
           "итог | 225.30\nналичными | 0.00\nэлектронными | 225.30\nтег 1234 | 0102\n"
           "фискальный признак документа | 310422477\nфискальный признак оператора | 0aff";
    QTest::newRow("two levels down")
        << 3 << tlv(1059, tlv(1030, text866(QStringLiteral("Хлеб"))) + tlv(1112, tlv(1064, le(250, 2))))
        << "Тип документа | Кассовый чек (3)\nреквизиты товара:\n  | наименование товара | Хлеб\n"
           "  | скидка/наценка:\n  |   | скидка (сумма) | 2.50";
    const QByteArray shift = tlv(1038, le(12, 4));
    // Real fiscal storage marks a correction receipt 31 as well as 22.
    QTest::newRow("correction 31") << 31 << shift
                                   << "Тип документа | Кассовый чек коррекции (31)\nномер смены | 12";
    QTest::newRow("unlisted") << 99 << shift << "Тип документа |  (99)\nномер смены | 12";
    QTest::newRow("no items") << 3 << QByteArray() << "";
}

void TestMTLVFormats::page()
{
    QFETCH(int, docType);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, rows);
    const QString page = MTLVRenderer::documentPage(MTLVDocument::parseSequence(bytes, quint16(docType)));
    // An exported file declares its encoding after <head>; the page itself never does.
    QVERIFY(page.startsWith(QStringLiteral("<!DOCTYPE HTML")) && page.contains(QStringLiteral("<head>")));
    QVERIFY(!page.contains(QStringLiteral("charset")));
    QTextDocument document;
    document.setHtml(page);
    const QStringList lines = linesOf(&document);
    QCOMPARE(lines.value(0), "# " + MTLVRenderer::pageTitle());
    QCOMPARE(lines.mid(1).join(QLatin1Char('\n')), rows);
}

void TestMTLVFormats::receipt12WithMarkingAndAgent()
{
    const QByteArray marking = s(QStringLiteral("0104601234567893215Abc1!"));
    const QByteArray item =
        tlv(1030, s(QStringLiteral("Сигареты"))) + tlv(1079, le(22000, 3))
        + tlv(1023, QByteArray::fromHex("0001")) + tlv(1212, byte(31)) + tlv(1214, byte(4))
        + tlv(1199, byte(11)) + tlv(2108, byte(0)) + tlv(1043, le(22000, 3)) + tlv(1200, le(3967, 2))
        + tlv(1163, tlv(1305, marking)) + tlv(2000, marking) + tlv(2102, byte(0)) + tlv(2106, byte(15))
        + tlv(1222, byte(64))
        + tlv(1223,
              tlv(1073, s(QStringLiteral("+79991112233"))) + tlv(1026, s(QStringLiteral("ООО Перевод"))))
        + tlv(1224, tlv(1171, s(QStringLiteral("+74950000000"))) + tlv(1225, s(QStringLiteral("ООО Табак"))))
        + tlv(1226, s(QStringLiteral("7701234567  ")))
        + tlv(1260, tlv(1262, s(QStringLiteral("030"))) + tlv(1263, s(QStringLiteral("26.03.2022")))
                        + tlv(1264, s(QStringLiteral("477")))
                        + tlv(1265, s(QStringLiteral("mode=horeca&id=<7>"))))
        + tlv(9999, "AB");
    const QByteArray receipt =
        tlv(3, tlv(1048, s(QStringLiteral("ООО \"Ромашка\""))) + tlv(1018, s(QStringLiteral("7712345678  ")))
                   + tlv(1012, le(1768048200, 4)) + tlv(1209, byte(4)) + tlv(1054, byte(1))
                   + tlv(1055, byte(1)) + tlv(1059, item) + tlv(1020, le(22000, 3)) + tlv(1031, QByteArray())
                   + tlv(1081, le(22000, 3)) + tlv(2107, byte(0)) + tlv(1040, le(42, 4))
                   + tlv(1077, QByteArray::fromHex("00001280abcd")) + tlv(7777, QByteArray::fromHex("0102")));
    // What the formats 1.05 and 1.2 added to an item, in order, nested ones
    // further right; the rows before them are those of any receipt.
    const QString text = textOf(receipt);
    QVERIFY2(text.contains(QStringLiteral(
                 "  Признак предмета расчета: О реализуемом подакцизном товаре, подлежащем маркировке "
                 "средством идентификации, имеющем код маркировки\n"
                 "  Признак способа расчета: Полная оплата, в том числе с учетом аванса (предварительной "
                 "оплаты) в момент передачи предмета расчета\n"
                 "  Ставка НДС: НДС 22%\n"
                 "  Мера количества предмета расчета: шт. или ед.\n"
                 "  общая стоимость позиции с учетом скидок и наценок: 220.00\n"
                 "  Сумма НДС за предмет расчета: 39.67\n"
                 "  Код товара\n"
                 "    КТ GS1.М: 0104601234567893215Abc1!\n"
                 "  Код маркировки: 0104601234567893215Abc1!\n"
                 "  Режим обработки кода маркировки: 0\n"
                 "  Результат проверки сведений о товаре: 15\n"
                 "  Признак агента по предмету расчета: 64\n"
                 "  Данные агента\n"
                 "    телефон банковского агента: +79991112233\n"
                 "    наименование оператора по переводу денежных средств: ООО Перевод\n"
                 "  Данные поставщика\n"
                 "    Телефон поставщика: +74950000000\n"
                 "    Наименование поставщика: ООО Табак\n"
                 "  ИНН поставщика: 7701234567\n"
                 "  Отраслевой реквизит предмета расчета\n"
                 "    Идентификатор ФОИВ: 030\n"
                 "    Дата документа основания: 26.03.2022\n"
                 "    Номер документа основания: 477\n"
                 "    Значение отраслевого реквизита: mode=horeca&id=<7>\n"
                 "  тег 9999: 4142 (AB)\n"
                 "итог: 220.00\n")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Результаты проверки маркированных товаров: 0\n")),
             qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("тег 7777: 0102\n")), qPrintable(text));
}

void TestMTLVFormats::registrationReport12()
{
    const QByteArray report = tlv(
        1,
        tlv(1048, s(QStringLiteral("ИП Петров"))) + tlv(1018, s(QStringLiteral("771234567890")))
            + tlv(1012, le(1767603600, 4)) + tlv(1037, s(QStringLiteral("0000000001012345    ")))
            + tlv(1009, s(QStringLiteral("г. Москва"))) + tlv(1187, s(QStringLiteral("Торговый зал")))
            + tlv(1013, s(QStringLiteral("0012345678"))) + tlv(1041, s(QStringLiteral("9999078900004312")))
            + tlv(1209, byte(4)) + tlv(1189, byte(4)) + tlv(1190, byte(4)) + tlv(1062, byte(3))
            + tlv(1290, le(0x204, 4)) + tlv(1056, byte(0)) + tlv(1002, byte(0)) + tlv(1001, byte(0))
            + tlv(1046, s(QStringLiteral("ООО \"Тест-ОФД\""))) + tlv(1017, s(QStringLiteral("7700000001  ")))
            + tlv(1060, s(QStringLiteral("www.nalog.gov.ru"))) + tlv(1188, s(QStringLiteral("1.0")))
            + tlv(1213, le(256, 2)) + tlv(1040, le(1, 4)) + tlv(1077, QByteArray::fromHex("000000000001")));
    // Every item named; the versions (1189 and 1190 by the list of 1209), the
    // systems and conditions as words.
    const QString text = textOf(report);
    QVERIFY2(!text.contains(QStringLiteral("тег ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Тип документа: Отчёт о фискализации (1)\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Номер версии ФФД: ФФД 1.2\n"
                                          "Версия ФФД ККТ: ФФД 1.2\n"
                                          "Версия ФФД ФН: ФФД 1.2\n"
                                          "системы налогообложения: Общая, Упрощенная доход\n"
                                          "Признаки условий применения ККТ: АС БСО, Только услуги\n")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nРесурс ключей ФП: 256\n")), qPrintable(text));
}

void TestMTLVFormats::operatorConfirmation()
{
    // What the OFD sends back for a document: its answer code inside 1068.
    const QByteArray ack =
        tlv(7, tlv(1012, le(1768048500, 4)) + tlv(1017, s(QStringLiteral("7700000001  ")))
                   + tlv(1040, le(15, 4)) + tlv(1041, s(QStringLiteral("9999078900004312")))
                   + tlv(1068, tlv(1022, byte(14))
                                   + tlv(1047, tlv(1029, s(QStringLiteral("ФЛК"))) + tlv(1015, le(3, 4))))
                   + tlv(1078, QByteArray::fromHex("0102030405060708")));
    const QString text = textOf(ack);
    QVERIFY2(text.startsWith(MTLVRenderer::pageTitle()
                             + QStringLiteral("\nТип документа: Подтверждение оператора (7)\n")),
             qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("сообщение оператора для ФН:\n"
                                          "  код ответа ОФД: Документ не прошёл ФЛК\n"
                                          "  параметр настройки:\n"
                                          "    наименование реквизита: ФЛК\n"
                                          "    значение типа целое: 3\n"
                                          "фискальный признак оператора: 0102030405060708\n")),
             qPrintable(text));
}

void TestMTLVFormats::wholeDocumentHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("formCode"); // -1: not a whole document
    QTest::addColumn<int>("length");

    QTest::newRow("form code not yet published") << QByteArray::fromHex("55000000") << 85 << 0;
    QTest::newRow("items of a receipt") << tlv(1048, "A") << -1 << 0;
    QTest::newRow("tax group item") << tlv(901, byte(1)) << -1 << 0;
    QTest::newRow("tag 0") << QByteArray::fromHex("00000000") << -1 << 0;
    QTest::newRow("three bytes") << QByteArray::fromHex("0b00f9") << -1 << 0;
}

void TestMTLVFormats::wholeDocumentHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, formCode);
    QFETCH(int, length);
    quint16 code = 0;
    quint16 declared = 0;
    QCOMPARE(MTLVDocument::startsWholeDocument(bytes, &code, &declared), formCode >= 0);
    if (formCode >= 0) {
        QCOMPARE(int(code), formCode);
        QCOMPARE(int(declared), length);
    }
}

QTEST_MAIN(TestMTLVFormats)
#include "tst_mtlvformats.moc"
