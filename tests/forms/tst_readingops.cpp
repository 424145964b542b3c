// The reading operations of the window, pressed as an engineer presses them:
// the link test, the status report, date and time, the FN and OFD pages, the
// fiscal documents from the FN, and saving what a page shows.

#include "mainformfixture.h"
#include "ptypeer.h"

#include <mainproc.h>
#include <zirivoro.h>

#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>

using namespace formtest;
using kelo::emu::FiscalStorage;
using kelo::emu::RegisterModel;

namespace {

// What a result view shows, a line each: a title as "# " and its text, a table
// row as its cells joined by " | ", without empty cells at its end.
QStringList linesOf(QTextEdit *view)
{
    QStringList lines;
    QTextFrame *root = view->document()->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        auto *table = qobject_cast<QTextTable *>(it.currentFrame());
        if (!table && !it.currentBlock().text().trimmed().isEmpty())
            lines << QStringLiteral("# ") + it.currentBlock().text();
        for (int r = 0; table && r < table->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QTextCursor cursor = cell.firstCursorPosition();
                cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                if (cell.column() == c) // rows shorter than the widest row end in empty cells
                    cells << cursor.selectedText();
            }
            while (!cells.isEmpty() && cells.last().isEmpty())
                cells.removeLast();
            lines << cells.join(QStringLiteral(" | "));
        }
    }
    return lines;
}

QStringList titlesOf(const QStringList &lines)
{
    return lines.filter(QRegularExpression(QStringLiteral("^# ")));
}

// The value of the first row with this caption; a null string when there is none.
QString valueOf(const QStringList &lines, const QString &caption)
{
    const QStringList rows =
        lines.filter(QRegularExpression('^' + QRegularExpression::escape(caption + " | ")));
    return rows.isEmpty() ? QString() : rows.first().mid(caption.size() + 3);
}

// Whether `lines` has the expected lines, in this order; a warning names each
// one it lacks, with the rows of that caption.
bool hasLines(const QStringList &lines, const QStringList &expected)
{
    bool all = true;
    qsizetype from = 0;
    for (const QString &line : expected) {
        const qsizetype at = lines.indexOf(line, from);
        if (at >= 0) {
            from = at + 1;
            continue;
        }
        all = false;
        qWarning(
            "no line \"%s\" (in its place: %s)", qPrintable(line),
            qPrintable(lines.filter(line.section(QStringLiteral(" | "), 0, -2)).join(QStringLiteral("; "))));
    }
    return all;
}

// The values of the six exchange status bits, which follow the status's own row.
QStringList statusBits(const QStringList &lines)
{
    const qsizetype first =
        lines.indexOf(QRegularExpression(QStringLiteral("Статус информационного обмена: .*")));
    QStringList bits;
    for (qsizetype i = first + 1; first >= 0 && i <= first + 6; ++i)
        bits << lines.value(i).section(QStringLiteral(" | "), 1);
    return bits;
}

QByteArray sale(quint64 quantity, quint64 kopecks, const QString &name)
{
    return request(0x80, littleEndian(quantity, 5) + littleEndian(kopecks, 5) + char(0)
                             + QByteArray("\x01\x00\x00\x00", 4) + cp1251(name, 40));
}

QByteArray closeReceipt(quint64 cash)
{
    return request(0x85, littleEndian(cash, 5) + littleEndian(0, 5) + QByteArray(10 + 2 + 4 + 40, '\0'));
}

const QByteArray kOpenShift = request(0xE0);

// The register's side of one command over a scripted port: handshake, request,
// reply, acknowledgement.
void exchange(PtyPeer &peer, const QByteArray &request, const QByteArray &reply)
{
    const auto frame = [](const QByteArray &data) {
        return QByteArray("\x02") + char(data.size()) + data + char(frlink::checkByte(data));
    };
    peer.step("\x05", "\x15");
    peer.step(frame(request), QByteArray("\x06") + frame(reply));
    peer.step("\x06");
}

// The link probe and the identification of a register of another model, as
// the first action after the window found no register at its start.
void greetAnotherModel(PtyPeer &peer)
{
    peer.step("\x05", "\x15");
    exchange(peer, "\xFC", QByteArray::fromHex("fc00010203040301") + cp1251(QStringLiteral("Other-KKT"), 9));
}

// Reads fiscal document `number` with a window pointed at the peer, once it runs.
std::unique_ptr<MMainForm> readDocument(PtyPeer &peer, int number)
{
    peer.start();
    auto window = offlineWindow(peer.slavePath());
    child<QSpinBox>(*window, "strFDNumber")->setValue(number);
    click(*window, "butGetFDFromFN");
    return window;
}

} // namespace

class TstReadingOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void linkTestFillsTheDeviceFrame();
    void statusReportOfAnOpenShift();
    void statusReportStopsAtARefusal();
    void statusReportOfAnotherModel();
    void dateAndTime();
    void fnOfdPages_data();
    void fnOfdPages();
    void fnOfdPageValues();
    void cancelFnDocument();
    void receiptFromTheFN();
    void documentReadEndings();
    void documentCutAtItsBound();
    void registerThatNeverStopsAnswering();
    void savingTheShownPage_data();
    void savingTheShownPage();
    void printingTheShownPage();
};

void TstReadingOps::linkTestFillsTheDeviceFrame()
{
    FORMTEST_OPEN(bench, window);
    const QStringList table18 = bench.read([](const RegisterModel &m) {
        QStringList fields;
        for (int field = 1; field <= 4; ++field)
            fields << m.tables().text(18, 1, field);
        return fields;
    });
    QVERIFY(!table18.contains(QString()));
    QCOMPARE(
        statusAfter(*window, "butTestLink"),
        QStringLiteral("Тест выполнен. Модель: Kelo-Vint-Ф. Тип: 250. Заводской №: %1.").arg(table18[0]));
    QVERIFY(!child(*window, "frameFRInfo")->isHidden());
    QStringList shown;
    for (const char *name :
         {"strInfo_SerialNumber", "strInfo_INN", "strInfo_RegNumber", "strInfo_FNSerialNumber"})
        shown << fieldValue(*window, name).toString();
    QCOMPARE(shown, table18);
    QCOMPARE(fieldValue(*window, "strInfo_Model"), QVariant("Kelo-Vint-Ф"));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::statusReportOfAnOpenShift()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift}), 0);
    QCOMPARE(statusAfter(*window, "butGetState"), kStatusOk);

    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(titlesOf(lines),
             (QStringList{"# Запрос статуса ККТ", "# Запрос типа устройства",
                          "# Статус информационного обмена с ОФД", "# Информация по ФН", "# Статус ФН"}));
    const QStringList numbers = bench.read([](const RegisterModel &m) {
        return QStringList{m.tables().text(18, 1, 1), m.fiscalStorage().number};
    });
    QVERIFY(
        hasLines(lines, {"Версия ПО ККТ: | 4.3", "Заводской номер: | " + numbers[0], "ИНН: | 7712345678",
                         "Флаги ККТ [0002]: | 00 02",
                         "Режим/подрежим ККТ [2/0]: | Открытая смена, 24 часа не кончились. / Бумага есть.",
                         "# Запрос типа устройства", "Язык устройства [00]: | Русский.",
                         "Название устройства: | Kelo-Vint-Ф", "# Статус информационного обмена с ОФД",
                         // The shift opening waits for the OFD.
                         "    Ожидание квитанции от ОФД: | да", "Документов без квитанции ОФД: | 1",
                         "# Информация по ФН", "Заводской номер ФН: | " + numbers[1], "# Статус ФН",
                         "Фаза жизни ФН [03]: | Проведена настройка ФН/Открыт фискальный режим",
                         "Состояние смены [01]: | Cмена открыта."}));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::statusReportStopsAtARefusal()
{
    FORMTEST_OPEN(bench, window);
    // A cashier's password reads the register's state, not its FN.
    setField(*window, "strLinkPassword", 1);
    QVERIFY(click(*window, "butGetState"));

    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(titlesOf(lines), (QStringList{"# Запрос статуса ККТ", "# Запрос типа устройства"}));
    QVERIFY(valueOf(lines, "Режим/подрежим ККТ [4/0]:").startsWith("Закрытая смена."));
    QCOMPARE(lines.size() - lines.indexOf("# Запрос типа устройства"), 1 + 7);
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
    QVERIFY(!mpLinkSettings().connected);
    QVERIFY(child(*window, "tabWidget")->isEnabled());
}

void TstReadingOps::statusReportOfAnotherModel()
{
    // Codes the emulated register never reports: a foreign model, an undefined
    // mode and submode, flags with letters, an FN in no phase.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, request(0x1F, QByteArray::fromHex("12010001")),
             QByteArray::fromHex("1f00") + cp1251(QStringLiteral("0000000000001234"), 17));
    exchange(peer, request(0x11),
             QByteArray::fromHex("1100 1e 3132 0b00 010203 01 0700 1f0a 0c 07 01 3031 0100 010203 0f0c18 "
                                 "0a0b0c 03 d2040000 0100 0200 01 0b e5d7b01f0200"));
    exchange(peer, "\xFC", QByteArray::fromHex("fc00010203040301") + cp1251(QStringLiteral("Other-KKT"), 9));
    exchange(peer, request(0xFF39), QByteArray::fromHex("ff3900 11 00 0200 05000000 180c0f 0a0b"));
    exchange(peer, request(0xFF3F), QByteArray::fromHex("ff3f00 0200"));
    exchange(peer, request(0xFF04),
             QByteArray::fromHex("ff0400") + cp1251(QStringLiteral("fn v 1"), 16) + '\x02');
    exchange(peer, request(0xFF02),
             QByteArray::fromHex("ff0200") + cp1251(QStringLiteral("9999000011112222"), 16));
    exchange(peer, request(0xFF03), QByteArray::fromHex("ff0300 1a0c1f"));
    exchange(peer, request(0xFF01),
             QByteArray::fromHex("ff0100 00 03 02 02 01 180c0f 0a0b")
                 + cp1251(QStringLiteral("9999000011112222"), 16) + QByteArray::fromHex("05000000"));
    peer.start();
    AppDir dir;
    auto window = offlineWindow(peer.slavePath());
    QCOMPARE(statusAfter(*window, "butGetState"), kStatusOk);
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way
    QVERIFY(!window->isKnownModel);

    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(titlesOf(lines).size(), 5);
    QCOMPARE(statusBits(lines), (QStringList{"да", "нет", "нет", "нет", "да", "нет"}));
    QVERIFY(hasLines(lines,
                     {"Версия ПО ККТ: | 1.2", "Заводской номер 1: | 00001234",
                      "Заводской номер 2: | 0000000000001234", "Флаги ККТ [0a1f]: | 0a 1f",
                      "Режим/подрежим ККТ [12/7]: | Режим не определен. / Подрежим не определен.",
                      "Язык устройства [01]: | Язык не определен.", "Название устройства: | Other-KKT",
                      "Первый документ для ОФД:", "  | Номер | 5", "Тип ПО ФН [02]: | Версия не определена.",
                      "Фаза жизни ФН [00]:", "Текущий документ [03]: | Документ не определен.",
                      "Данные документа [02]: | Не определены данные документа.",
                      "Состояние смены [02]: | Состояние смены не определено."}));
}

void TstReadingOps::dateAndTime()
{
    FORMTEST_OPEN(bench, window);
    auto *edit = child<QDateTimeEdit>(*window, "strNewDateTime");
    auto *shown = child<QLineEdit>(*window, "strDateTimeFromFR");
    const auto registerClock = [&bench] {
        return bench.read([](const RegisterModel &m) { return m.now(); });
    };
    const QDateTime wanted(QDate::currentDate().addDays(400), QTime(5, 6, 7), Qt::UTC);
    edit->setDateTime(wanted);
    QCOMPARE(statusAfter(*window, "butSetDate"), kStatusOk);
    QVERIFY2(shown->text().startsWith("05:06:") && shown->text().endsWith(wanted.toString(" dd/MM/yy")),
             qPrintable(shown->text()));
    QVERIFY(qAbs(registerClock().secsTo(wanted)) < 60);

    // A date the register still waits to have confirmed: the second button
    // confirms it and leaves the time of day alone.
    const QDate day = wanted.date().addDays(1);
    QCOMPARE(bench.execute({request(0x22, QByteArray() + char(day.day()) + char(day.month())
                                              + char(day.year() % 100))}),
             0);
    edit->setDateTime(QDateTime(day, QTime(17, 0)));
    QCOMPARE(statusAfter(*window, "butSetDateStep2"), kStatusOk);
    QVERIFY(qAbs(registerClock().secsTo(QDateTime(day, wanted.time(), Qt::UTC))) < 60);
    QVERIFY(shown->text().endsWith(day.toString(" dd/MM/yy")));
}

void TstReadingOps::fnOfdPages_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("rows");
    const auto page = [](const char *button, const char *title, int rows) {
        QTest::addRow("%s", button) << QByteArray(button) << QString(title) << rows;
        // One byte short of the layout: the last value is missing, and no row may read it.
        QTest::addRow("%s, short reply", button) << QByteArray(button) << QString(title) << 0;
    };
    page("butGetOFDStatus", "Статус обмена с ОФД", 13);
    page("butGetOFDDocs", "Количество неподтвержденных документов от ОФД", 1);
    page("getOFDRequest", "Получение подтвержения для документа #1", 4);
    page("butGetStateFisk", "Итоги регистрации ККТ", 8);
    page("butGetFN_State", "Запрос статуса ФН", 8);
    page("butGetFN_Srok", "Запрос срока действия ФН", 1);
    page("butGetFN_Number", "Запрос номера ФН", 1);
    page("butGetFN_Version", "Запрос версии ФН", 2);
}

void TstReadingOps::fnOfdPages()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, title);
    QFETCH(int, rows);
    FORMTEST_OPEN(bench, window);
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    view->setPlainText(QStringLiteral("the page before"));
    if (rows == 0)
        bench.emulator().faults().arm(kelo::emu::Fault::ShortReply, 10); // every attempt of the command
    QCOMPARE(statusAfter(*window, button.constData()), kStatusOk);
    const QStringList lines = linesOf(view);
    QCOMPARE(titlesOf(lines), QStringList{"# " + title});
    QCOMPARE(lines.indexOf("# " + title), 0);
    QCOMPARE(lines.size(), 1 + rows);
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::fnOfdPageValues()
{
    // The FN's own pages share their rows with the status report; these are the page's own.
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift}), 0);
    const FiscalStorage fn = bench.read([](const RegisterModel &m) { return m.fiscalStorage(); });
    const quint32 awaiting = fn.firstUnconfirmed()->number;
    const auto press = [&](const char *button) {
        click(*window, button);
        return linesOf(child<QTextEdit>(*window, "textFDFromFNData"));
    };

    // Connected, the shift opening is out and its receipt awaited; nothing else.
    QStringList lines = press("butGetOFDStatus");
    QCOMPARE(statusBits(lines), (QStringList{"да", "да", "да", "нет", "нет", "нет"}));
    QVERIFY(hasLines(lines, {"    Соединение установлено: | да",
                             "Первый документ для ОФД:", "  | Номер | " + QString::number(awaiting)}));
    QVERIFY(hasLines(press("butGetOFDDocs"), {"ФД без квитанции ОФД: | 1"}));

    lines = press("butGetStateFisk");
    QCOMPARE(valueOf(lines, "ИНН:").trimmed(), fn.registration.inn);
    QVERIFY(hasLines(lines, {"Код причины перерегистрации: | Регистрация ККТ (0)",
                             "Фискальный признак: | " + QString::number(fn.registration.fiscalSign)}));

    setField(*window, "strFDNumber", 1);
    QCOMPARE(valueOf(press("getOFDRequest"), "Номер ФД:"), "1");
    // The OFD has not confirmed the shift opening yet: the register says so, the page stays empty.
    setField(*window, "strFDNumber", awaiting);
    QVERIFY(press("getOFDRequest").isEmpty());
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
}

void TstReadingOps::cancelFnDocument()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift, sale(1000, 5500, QStringLiteral("Хлеб"))}), 0);
    QCOMPARE(statusAfter(*window, "butDocs_AnnDocFromFN"), kStatusOk);
    QVERIFY(!bench.read([](const RegisterModel &m) {
        return m.state().receipt.open || m.fiscalStorage().current != FiscalStorage::NoDocument;
    }));
    // Nothing left to cancel: the register's refusal is what the operator sees.
    QVERIFY(click(*window, "butDocs_AnnDocFromFN"));
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
}

void TstReadingOps::receiptFromTheFN()
{
    FORMTEST_OPEN(bench, window);
    const QString cake = QStringLiteral("Торт <Прага> & Co");
    QCOMPARE(bench.execute({kOpenShift, sale(1000, 123450, cake), sale(2000, 8990, QStringLiteral("Молоко")),
                            closeReceipt(200000)}),
             0);
    setField(*window, "strFDNumber",
             bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); }));
    // The register ended the items with "no more data": a complete read.
    QCOMPARE(statusAfter(*window, "butGetFDFromFN"), kStatusOk);
    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFDFromFNData"));
    QCOMPARE(titlesOf(lines), QStringList{"# Фискальный документ (ФД) из фискального накопителя (ФН)"});
    QCOMPARE(lines.value(1), "Тип документа | Кассовый чек (3)");
    QCOMPARE(lines.mid(lines.indexOf("реквизиты товара:"), 3),
             (QStringList{"реквизиты товара:", "  | наименование товара | " + cake,
                          "  | цена за единицу | 1234.50"}));
    QCOMPARE(valueOf(lines, "признак расчета"), "Приход");
    QCOMPARE(valueOf(lines, "итог"), "1414.30");

    // Saved, the page carries the name as text, not as markup.
    const QString file = bench.appDir.path() + QStringLiteral("/receipt.html");
    ModalAnswer save(ModalAnswer::chooseFile(file, QStringLiteral("HTML файлы (*.html)")), "QFileDialog");
    QVERIFY(click(*window, "butGetFD_Save"));
    QVERIFY(save.answered());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(saved.readAll());
    QVERIFY(html.contains(QStringLiteral("&lt;Прага&gt; &amp; Co")));
    QVERIFY(!html.contains(QStringLiteral("<Прага>")));
}

void TstReadingOps::documentReadEndings()
{
    // A document the FN does not have: the register's refusal, not "no errors".
    {
        FORMTEST_OPEN(bench, window);
        auto *view = child<QTextEdit>(*window, "textFDFromFNData");
        view->setPlainText(QStringLiteral("the page before"));
        setField(*window, "strFDNumber", 999);
        QVERIFY(click(*window, "butGetFDFromFN"));
        QCOMPARE(lastErrCode, 8);
        QCOMPARE(status(*window), lastErrText);
        QVERIFY(view->toPlainText().trimmed().isEmpty());
    }
    // A document whose first item cannot be read: an empty page and the register's error.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, request(0xFF3A, littleEndian(1, 4)), QByteArray::fromHex("ff3a00 0300 40"));
    exchange(peer, request(0xFF3B), QByteArray::fromHex("ff3b02"));
    AppDir dir;
    auto window = readDocument(peer, 1);
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QCOMPARE(lastErrCode, 2);
    QCOMPARE(status(*window), lastErrText);
    QVERIFY(child<QTextEdit>(*window, "textFDFromFNData")->toPlainText().trimmed().isEmpty());
    QVERIFY(!mpLinkSettings().connected);

    // A refusal after some items: those items, marked as an incomplete document,
    // and the register's error in the status line.
    PtyPeer cut;
    greetAnotherModel(cut);
    exchange(cut, request(0xFF3A, littleEndian(1, 4)), QByteArray::fromHex("ff3a00 0300 40"));
    exchange(cut, request(0xFF3B), QByteArray::fromHex("ff3b00 1004 0400 05000000"));
    exchange(cut, request(0xFF3B), QByteArray::fromHex("ff3b02"));
    window.reset();
    window = readDocument(cut, 1);
    QVERIFY2(cut.failure().isEmpty(), qPrintable(cut.failure()));
    QCOMPARE(lastErrCode, 2);
    QCOMPARE(status(*window), lastErrText);
    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFDFromFNData"));
    QCOMPARE(lines.value(2), "номер фискального документа | 5");
    QCOMPARE(titlesOf(lines).value(1), "# Документ прочитан не полностью (элементов: 1, байт: 8).");
}

void TstReadingOps::documentCutAtItsBound()
{
    FORMTEST_OPEN(bench, window);
    // About 70 bytes per line: a receipt well over 64 KiB.
    QList<QByteArray> receipt{kOpenShift};
    for (int line = 0; line < 1000; ++line)
        receipt << sale(
            1000, 1,
            QStringLiteral("Позиция %1 с длинным названием товара").arg(line, 4, 10, QLatin1Char('0')));
    receipt << closeReceipt(1000);
    QCOMPARE(bench.execute(receipt), 0);
    const quint32 number = bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); });
    QVERIFY(bench.read([&](const RegisterModel &m) { return m.fiscalStorage().find(number)->tlv.size(); })
            > 65535);
    setField(*window, "strFDNumber", number);
    QVERIFY(click(*window, "butGetFDFromFN"));

    QVERIFY(lastErrCode == -1);
    const QRegularExpression cut(
        QStringLiteral("^Документ прочитан не полностью \\(элементов: (\\d+), байт: (\\d+)\\)\\.$"));
    const QRegularExpressionMatch match = cut.match(status(*window));
    QVERIFY2(match.hasMatch(), qPrintable(status(*window)));
    QVERIFY(match.captured(2).toInt() <= 65535);
    QVERIFY(match.captured(2).toInt() > 65535 - 256);
    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFDFromFNData"));
    QCOMPARE(titlesOf(lines), (QStringList{"# Фискальный документ (ФД) из фискального накопителя (ФН)",
                                           "# " + status(*window)}));
    QCOMPARE(lines.value(1), "Тип документа | Кассовый чек (3)");
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::registerThatNeverStopsAnswering()
{
    // Every read gives one more item: the window takes 10,000 and stops.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, request(0xFF3A, littleEndian(1, 4)), QByteArray::fromHex("ff3a00 0300 ff"));
    for (int read = 0; read <= 10000; ++read)
        exchange(peer, request(0xFF3B), QByteArray::fromHex("ff3b00 10270000"));
    AppDir dir;
    auto window = readDocument(peer, 1);
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way
    QCOMPARE(status(*window), "Документ прочитан не полностью (элементов: 10000, байт: 40000).");
}

void TstReadingOps::savingTheShownPage_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    const auto row = [](const char *name, const char *filter, const char *typed, const char *saved) {
        QTest::newRow(name) << QString(filter) << QString(typed) << QString(saved);
    };
    row("html, no suffix", "HTML файлы (*.html)", "page", "page.html");
    row("html, its suffix", "HTML файлы (*.html)", "page.html", "page.html");
    row("text, upper-case suffix", "Текстовые файлы (*.txt)", "page.TXT", "page.TXT.txt");
    row("text, its suffix", "Текстовые файлы (*.txt)", "page.txt", "page.txt");
    row("any file", "Все файлы (*)", "page.dat", "page.dat");
    row("no such directory", "HTML файлы (*.html)", "missing/page.html", nullptr);
}

void TstReadingOps::savingTheShownPage()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    FORMTEST_OPEN(bench, window);
    QVERIFY(click(*window, "butGetFN_Number"));
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    QVERIFY(view->toPlainText().contains(QStringLiteral("Заводской номер ФН:")));

    const QDir dir(bench.appDir.path());
    QStringList filters;
    ModalAnswer answer(
        [&](QWidget *dialog) {
            filters = static_cast<QFileDialog *>(dialog)->nameFilters();
            ModalAnswer::chooseFile(dir.filePath(typed), filter)(dialog);
        },
        "QFileDialog");
    QVERIFY(click(*window, "butGetFD_Save"));
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), "Выбор имени файла для сохранения данных ФД");
    QCOMPARE(filters, (QStringList{"HTML файлы (*.html)", "Текстовые файлы (*.txt)", "Все файлы (*)"}));

    if (saved.isEmpty()) {
        QCOMPARE(status(*window), QStringLiteral("Ошибка открытия файла <%1>!").arg(dir.filePath(typed)));
        QVERIFY(dir.entryList(QDir::Files).isEmpty());
        return;
    }
    const QString path = dir.filePath(saved);
    QCOMPARE(status(*window), QStringLiteral("Данные сохранены в файл <%1>.").arg(path));
    QCOMPARE(dir.entryList(QDir::Files), QStringList{saved});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString content = QString::fromUtf8(file.readAll());
    if (filter.startsWith(QLatin1String("HTML"))) {
        QVERIFY(content.startsWith(QStringLiteral("<!DOCTYPE HTML")));
        QVERIFY(content.contains(QStringLiteral("<meta charset=\"utf-8\" />")));
        QVERIFY(content.contains(QStringLiteral("Запрос номера ФН")));
    } else {
        QCOMPARE(content, view->toPlainText());
    }
}

void TstReadingOps::printingTheShownPage()
{
    FORMTEST_OPEN(bench, window);
    QVERIFY(click(*window, "butGetFN_Number"));
    const QString pdf = bench.appDir.path() + QStringLiteral("/page.pdf");
    ModalAnswer print(
        [&](QWidget *dialog) {
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("filename")))
                name->setText(pdf);
            static_cast<QDialog *>(dialog)->accept();
        },
        "QPrintDialog");
    QVERIFY(click(*window, "butGetFD_Print"));
    QVERIFY(print.answered());
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF"));
}

QTEST_MAIN(TstReadingOps)
#include "tst_readingops.moc"
