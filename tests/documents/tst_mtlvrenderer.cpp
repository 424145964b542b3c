// Display values and the document page, checked the way the window shows them:
// the page is loaded into a QTextDocument and its table read back cell by cell.

#include "mtlvdocument.h"
#include "mtlvrenderer.h"
#include "tlvfixtures.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

#include <ctime>

using namespace tlvfix;

namespace {

// The rows of the first table of an HTML page, each as its cell texts joined by
// "|" with the empty cells at the end of the row left out.
QStringList tableRows(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    QTextTable *table = nullptr;
    const QList<QTextFrame *> frames = document.rootFrame()->childFrames();
    for (QTextFrame *frame : frames) {
        if ((table = qobject_cast<QTextTable *>(frame)))
            break;
    }
    if (!table)
        return {};
    QStringList rows;
    for (int r = 0; r < table->rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            QTextCursor cursor(cell.firstCursorPosition());
            cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            cells << cursor.selectedText();
        }
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestMTLVRenderer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void displayValue_data();
    void displayValue();
    void page_data();
    void page();
    void receiptText();
};

void TestMTLVRenderer::initTestCase()
{
    // Far from UTC, so a conversion to local time would show.
    qputenv("TZ", "Asia/Vladivostok");
#ifdef Q_OS_UNIX
    tzset();
#endif
}

void TestMTLVRenderer::displayValue_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("shown");

    // The lowest and the highest of the six systems; a code no list knows is its number.
    QTest::newRow("tax 33") << 1062 << le(33, 1) << "Общая, Патентная система налогообложения";
    QTest::newRow("tax 0") << 1055 << le(0, 1) << "0";
    QTest::newRow("tax 64") << 1055 << le(64, 1) << "64";
    // A length the type does not allow: the bytes, marked.
    QTest::newRow("tax cut value") << 1055 << QByteArray() << "(недопустимая длина 0)";
    QTest::newRow("money 123450") << 1020 << le(123450, 3) << "1234.50";
    QTest::newRow("money 7") << 1020 << le(7, 1) << "0.07";
    QTest::newRow("money empty") << 1031 << QByteArray() << "0.00";
    QTest::newRow("money 8 bytes exact") << 1102 << le(18446744073709551615ull, 8) << "184467440737095516.15";
    QTest::newRow("money 9 bytes") << 1081 << QByteArray(9, '\1')
                                   << "010101010101010101 (недопустимая длина 9)";
    QTest::newRow("fiscal sign") << 1077 << QByteArray::fromHex("00001280abcd") << "310422477";
    QTest::newRow("fiscal sign high bytes") << 1077 << QByteArray::fromHex("0000ffffffff") << "4294967295";
    QTest::newRow("fiscal sign 3 bytes") << 1077 << QByteArray::fromHex("0000ff") << "255";
    QTest::newRow("fiscal sign too short") << 1077 << QByteArray::fromHex("0000") << "0";
    QTest::newRow("operator sign") << 1078 << QByteArray::fromHex("0aff") << "0aff";
    QTest::newRow("operation 4") << 1054 << le(4, 1) << "Возврат расхода";
    QTest::newRow("operation 5") << 1054 << le(5, 1) << "5";
    QTest::newRow("date cut") << 1098 << le(0, 3) << "000000 (недопустимая длина 3)";
    QTest::newRow("not money") << 1010 << le(150, 2) << "150";
    QTest::newRow("not money empty") << 1010 << QByteArray() << "(недопустимая длина 0)";
    QTest::newRow("string blanks collapse")
        << 1030 << text866(QStringLiteral(" Хлеб \t  ржаной\r\n ")) << "Хлеб ржаной";
    QTest::newRow("structure") << 1059 << tlv(1030, "A") << "";
}

void TestMTLVRenderer::displayValue()
{
    QFETCH(int, tag);
    QFETCH(QByteArray, value);
    QFETCH(QString, shown);
    QCOMPARE(decoded(quint16(tag), value).displayText(), shown);
}

void TestMTLVRenderer::page_data()
{
    QTest::addColumn<int>("docType");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("rows"); // one a line

    // One row per item, the name one column further right per level; the
    // unknown 1234 has its bytes.
    QTest::newRow("receipt")
        << 3 << receiptBytes()
        << "Тип документа|Кассовый чек (3)\nпользователь|ООО Ромашка\n"
           "ИНН пользователя|7700000000\nдата, время|14.07.2017 02:40:00\n"
           "признак расчета|Приход\nпризнак системы налогообложения|Общая\n"
           "реквизиты товара:\n |наименование товара|Хлеб ржаной\n |цена за единицу|45.50\n"
           " |количество|1\n |общая стоимость позиции с учетом скидок и наценок|45.50\n"
           "реквизиты товара:\n |наименование товара|Молоко & <сливки>\n"
           " |цена за единицу|89.90\n |количество|2\n"
           " |общая стоимость позиции с учетом скидок и наценок|179.80\n"
           "итог|225.30\nналичными|0.00\nэлектронными|225.30\nтег 1234|0102\n"
           "фискальный признак документа|310422477\nфискальный признак оператора|0aff";
    QTest::newRow("two levels down")
        << 3 << tlv(1059, tlv(1030, text866(QStringLiteral("Хлеб"))) + tlv(1112, tlv(1064, le(250, 2))))
        << "Тип документа|Кассовый чек (3)\nреквизиты товара:\n |наименование товара|Хлеб\n"
           " |скидка/наценка:\n | |скидка (сумма)|2.50";
    const QByteArray shift = tlv(1038, le(12, 4));
    // Real fiscal storage marks a correction receipt 31 as well as 22.
    QTest::newRow("correction 31") << 31 << shift
                                   << "Тип документа|Кассовый чек коррекции (31)\nномер смены|12";
    QTest::newRow("unlisted") << 99 << shift << "Тип документа| (99)\nномер смены|12";
    QTest::newRow("no items") << 3 << QByteArray() << "";
}

void TestMTLVRenderer::page()
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
    QVERIFY(document.toPlainText().startsWith(MTLVRenderer::pageTitle()));
    QCOMPARE(tableRows(page).join(QLatin1Char('\n')), rows);
}

void TestMTLVRenderer::receiptText()
{
    const QString text = MTLVRenderer::documentText(MTLVDocument::parseSequence(receiptBytes(), 3));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QCOMPARE(lines.at(0), MTLVRenderer::pageTitle());
    QCOMPARE(lines.at(1), QStringLiteral("Тип документа: Кассовый чек (3)"));
    QVERIFY(lines.contains(QStringLiteral("реквизиты товара:")));
    QVERIFY(lines.contains(QStringLiteral("  наименование товара: Молоко & <сливки>")));
    QVERIFY(lines.contains(QStringLiteral("итог: 225.30")));
    QVERIFY(text.endsWith(QLatin1Char('\n')));
}

QTEST_MAIN(TestMTLVRenderer)
#include "tst_mtlvrenderer.moc"
