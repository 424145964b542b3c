// Documents of the formats 1.05 and 1.2 as the fiscal storage and the OFD write
// them, built here byte by byte from the formats, and the formats' own lists:
// every requisite and form code named, meanings by version and date, value texts.

#include "mstrfortext.h"
#include "mtlvdictionary.h"
#include "mtlvrenderer.h"
#include "tlvfixtures.h"

#include <QFile>
#include <QtTest>

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

// A whole document: its form code and length around its items.
QByteArray whole(quint16 formCode, const QByteArray &items)
{
    return tlv(formCode, items);
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
    void everyRequisiteAndFormIsNamed();
    void meaningFollowsTheDocument_data();
    void meaningFollowsTheDocument();
    void valueTexts_data();
    void valueTexts();
    void receipt12WithMarkingAndAgent();
    void registrationReport12();
    void operatorConfirmation();
    void wholeDocumentHeader_data();
    void wholeDocumentHeader();
};

void TestMTLVFormats::everyRequisiteAndFormIsNamed()
{
    const QList<QStringList> tags = dataRows("tags.tsv");
    QCOMPARE(tags.size(), 281);
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
    // The names operators know stay as they were, spelling and all.
    QCOMPARE(MTLVDictionary::docTypeNames().value(1), "Отчёт о фискализации");
    QCOMPARE(MTLVDictionary::docTypeNames().value(22), "Кассовый чек коррекции");
    QCOMPARE(MTLVDictionary::find(1019)->name, "информационное cообщение");
    QCOMPARE(MTLVDictionary::find(1103)->name, "сумма НДС чека поставке 10%");
    QCOMPARE(MTLVDictionary::find(1075)->name, "телефона оператора по переводу денежных средств");
    QCOMPARE(MTLVDictionary::find(1209)->name, "Номер версии ФФД");
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

    QTest::newRow("1209 1.2") << 1209 << byte(4) << "ФФД 1.2";
    QTest::newRow("1189 as 1209") << 1189 << byte(2) << "ФФД 1.05";
    QTest::newRow("1190 unknown") << 1190 << byte(9) << "9";
    QTest::newRow("1199 22%") << 1199 << byte(11) << "НДС 22%";
    QTest::newRow("1199 keeps 20%") << 1199 << byte(1) << "НДС 20%";
    QTest::newRow("1199 unconfirmed 5%") << 1199 << byte(7) << "5% (7)";
    QTest::newRow("1199 unknown") << 1199 << byte(13) << "13";
    QTest::newRow("1212 marked goods")
        << 1212 << byte(33)
        << "О реализуемом товаре, подлежащем маркировке средством идентификации, "
           "имеющем код маркировки, за исключением подакцизного товара";
    QTest::newRow("1214 advance") << 1214 << byte(3) << "Аванс";
    QTest::newRow("2108 pieces") << 2108 << byte(0) << "шт. или ед.";
    QTest::newRow("2108 kg") << 2108 << byte(11) << "кг";
    QTest::newRow("2108 1 is no unit") << 2108 << byte(1) << "1";
    QTest::newRow("1022 rejected") << 1022 << byte(14) << "Документ не прошёл ФЛК";
    QTest::newRow("2110 as 2003") << 2110 << byte(255) << "Статус не изменился";
    QTest::newRow("1205 two flags") << 1205 << le(3, 4) << "Замена ФН, Замена ОФД";
    QTest::newRow("1205 flag of a range") << 1205 << le(0x20, 4)
                                          << "режимы (автономный, автомат, БСО, Интернет, агент, азартные "
                                             "игры, лотереи) (0x20)";
    QTest::newRow("1290 flags") << 1290 << le(0x204, 4) << "АС БСО, Только услуги";
    QTest::newRow("1290 unknown flag") << 1290 << le(0x8001, 4) << "0x1, Общепит";
    QTest::newRow("1290 none") << 1290 << le(0, 4) << "0";
    QTest::newRow("1290 short") << 1290 << le(0x204, 3) << "040200 (недопустимая длина 3)";
    QTest::newRow("1055 unknown bit") << 1055 << byte(65) << "Общая, 64";
    QTest::newRow("string padded with zero bytes") << 1245 << QByteArray("21\0", 3) << "21";
    QTest::newRow("bytes in hex") << 1162 << QByteArray::fromHex("00ff41") << "00ff41";
    QTest::newRow("new sum") << 1229 << le(1234, 2) << "12.34";
    QTest::newRow("new empty sum") << 1215 << QByteArray() << "0.00";
    QTest::newRow("numerator no sum") << 1293 << le(3, 1) << "3";
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
                        + tlv(1264, s(QStringLiteral("477"))) + tlv(1265, s(QStringLiteral("mode=horeca"))))
        + tlv(9999, "AB");
    const QByteArray receipt = whole(
        3, tlv(1048, s(QStringLiteral("ООО \"Ромашка\""))) + tlv(1018, s(QStringLiteral("7712345678  ")))
               + tlv(1012, le(1768048200, 4)) + tlv(1209, byte(4)) + tlv(1054, byte(1)) + tlv(1055, byte(1))
               + tlv(1059, item)
               + tlv(1084, tlv(1085, s(QStringLiteral("Бонус"))) + tlv(1086, s(QStringLiteral("100"))))
               + tlv(1020, le(22000, 3)) + tlv(1031, QByteArray()) + tlv(1081, le(22000, 3))
               + tlv(2107, byte(0)) + tlv(1040, le(42, 4)) + tlv(1077, QByteArray::fromHex("00001280abcd"))
               + tlv(7777, QByteArray::fromHex("0102")));
    QCOMPARE(textOf(receipt),
             QStringLiteral(
                 "Фискальный документ (ФД) из фискального накопителя (ФН)\n"
                 "Тип документа: Кассовый чек (3)\n"
                 "пользователь: ООО \"Ромашка\"\n"
                 "ИНН пользователя: 7712345678\n"
                 "дата, время: 10.01.2026 12:30:00\n"
                 "Номер версии ФФД: ФФД 1.2\n"
                 "признак расчета: Приход\n"
                 "признак системы налогообложения: Общая\n"
                 "реквизиты товара:\n"
                 "  наименование товара: Сигареты\n"
                 "  цена за единицу: 220.00\n"
                 "  количество: 1\n"
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
                 "    Значение отраслевого реквизита: mode=horeca\n"
                 "  тег 9999: 4142 (AB)\n"
                 "дополнительный реквизит пользователя:\n"
                 "  наименование дополнительного реквизита: Бонус\n"
                 "  значение дополнительного реквизита: 100\n"
                 "итог: 220.00\n"
                 "наличными: 0.00\n"
                 "электронными: 220.00\n"
                 "Результаты проверки маркированных товаров: 0\n"
                 "номер фискального документа: 42\n"
                 "фискальный признак документа: 310422477\n"
                 "тег 7777: 0102\n"));

    // The page has the same rows, the nested ones further right.
    const QString page = MTLVRenderer::documentPage(MTLVDocument::parseSequence(receipt.mid(4), 3));
    QVERIFY(page.contains(MStrForText::valueCell(QStringLiteral("Идентификатор ФОИВ"))
                          + MStrForText::valueCell(QStringLiteral("030"))));
    QVERIFY(page.contains(MStrForText::nameCell(QStringLiteral("тег 7777"))
                          + MStrForText::valueCell(QStringLiteral("0102"))));
}

void TestMTLVFormats::registrationReport12()
{
    const QByteArray report = whole(
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
    QCOMPARE(textOf(report), QStringLiteral("Фискальный документ (ФД) из фискального накопителя (ФН)\n"
                                            "Тип документа: Отчёт о фискализации (1)\n"
                                            "пользователь: ИП Петров\n"
                                            "ИНН пользователя: 771234567890\n"
                                            "дата, время: 05.01.2026 09:00:00\n"
                                            "регистрационный номер ККТ: 0000000001012345\n"
                                            "адрес расчетов: г. Москва\n"
                                            "Место расчетов: Торговый зал\n"
                                            "заводской номер ККТ: 0012345678\n"
                                            "заводской номер накопителя: 9999078900004312\n"
                                            "Номер версии ФФД: ФФД 1.2\n"
                                            "Версия ФФД ККТ: ФФД 1.2\n"
                                            "Версия ФФД ФН: ФФД 1.2\n"
                                            "системы налогообложения: Общая, Упрощенная доход\n"
                                            "Признаки условий применения ККТ: АС БСО, Только услуги\n"
                                            "признак шифрования: 0\n"
                                            "автономный режим: 0\n"
                                            "автоматический режим: 0\n"
                                            "ОФД: ООО \"Тест-ОФД\"\n"
                                            "ИНН ОФД: 7700000001\n"
                                            "сайт налогового органа: www.nalog.gov.ru\n"
                                            "Версия ККТ: 1.0\n"
                                            "Ресурс ключей ФП: 256\n"
                                            "номер фискального документа: 1\n"
                                            "фискальный признак документа: 1\n"));
}

void TestMTLVFormats::operatorConfirmation()
{
    // What the OFD sends back for a document: its answer code inside 1068.
    const QByteArray ack =
        whole(7, tlv(1012, le(1768048500, 4)) + tlv(1017, s(QStringLiteral("7700000001  ")))
                     + tlv(1040, le(15, 4)) + tlv(1041, s(QStringLiteral("9999078900004312")))
                     + tlv(1068, tlv(1022, byte(14))
                                     + tlv(1047, tlv(1029, s(QStringLiteral("ФЛК"))) + tlv(1015, le(3, 4))))
                     + tlv(1078, QByteArray::fromHex("0102030405060708")));
    QCOMPARE(textOf(ack), QStringLiteral("Фискальный документ (ФД) из фискального накопителя (ФН)\n"
                                         "Тип документа: Подтверждение оператора (7)\n"
                                         "дата, время: 10.01.2026 12:35:00\n"
                                         "ИНН ОФД: 7700000001\n"
                                         "номер фискального документа: 15\n"
                                         "заводской номер накопителя: 9999078900004312\n"
                                         "сообщение оператора для ФН:\n"
                                         "  код ответа ОФД: Документ не прошёл ФЛК\n"
                                         "  параметр настройки:\n"
                                         "    наименование реквизита: ФЛК\n"
                                         "    значение типа целое: 3\n"
                                         "фискальный признак оператора: 0102030405060708\n"));
}

void TestMTLVFormats::wholeDocumentHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("formCode"); // -1: not a whole document
    QTest::addColumn<int>("length");

    QTest::newRow("registration change") << QByteArray::fromHex("0b00f900") << 11 << 249;
    QTest::newRow("marking request") << QByteArray::fromHex("5100020001") << 81 << 2;
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

QTEST_GUILESS_MAIN(TestMTLVFormats)
#include "tst_mtlvformats.moc"
