// The reading operations of the window: the link test, the status report,
// date and time, the FN and OFD pages, fiscal documents from the FN, and
// saving or printing what a page shows. How a document read ends is the
// reader's (tests/operations); here, what the window makes of each ending.

#include "mainformfixture.h"
#include "ptypeer.h"

#include <mainproc.h>

#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
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

QStringList fnPage(MMainForm &window)
{
    return linesOf(child<QTextEdit>(window, "textFDFromFNData"));
}

QStringList titlesOf(const QStringList &lines)
{
    return lines.filter(QRegularExpression(QStringLiteral("^# ")));
}

// Whether `lines` has the expected lines, in this order.
bool hasLines(const QStringList &lines, const QStringList &expected)
{
    qsizetype from = 0;
    for (const QString &line : expected) {
        from = lines.indexOf(line, from) + 1;
        if (from == 0) {
            qWarning("no line \"%s\" (in order) in:\n%s", qPrintable(line), qPrintable(lines.join('\n')));
            return false;
        }
    }
    return true;
}

QByteArray sale(const QString &name, quint64 kopecks = 1)
{
    return rq::item(0x80, 1000, kopecks, 1, name);
}

const QByteArray kOpenShift = rq::cmd(0xE0);

// The link probe and the identification of a register of another model, as
// the first action after the window found no register at its start.
void greetAnotherModel(PtyPeer &peer)
{
    peer.step(linkbytes::ENQ, linkbytes::NAK);
    exchange(peer, "\xFC",
             QByteArray::fromHex("fc00010203040301") + rq::text(QStringLiteral("Other-KKT"), 9));
}

} // namespace

class TstReadingOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void linkTestFillsTheDeviceFrame();
    void statusReport();
    void statusReportOfAnotherModel();
    void dateAndTime();
    void fnOfdPages_data();
    void fnOfdPages();
    void cancelFnDocument();
    void receiptFromTheFN();
    void documentReadEndings_data();
    void documentReadEndings();
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
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::statusReport()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift}), 0);
    QCOMPARE(statusAfter(*window, "butGetState"), kStatusOk);
    auto *view = child<QTextEdit>(*window, "textFRState");
    const QString serial = bench.read([](const RegisterModel &m) { return m.tables().text(18, 1, 1); });
    // The sections the FN and OFD pages share are theirs to check (fnOfdPages).
    QVERIFY(hasLines(linesOf(view),
                     {"# Запрос статуса ККТ", "Версия ПО ККТ: | 4.3", "Заводской номер: | " + serial,
                      "ИНН: | 7712345678", "Флаги ККТ [0002]: | 00 02",
                      "Режим/подрежим ККТ [2/0]: | Открытая смена, 24 часа не кончились. / Бумага есть.",
                      "# Запрос типа устройства", "Язык устройства [00]: | Русский.",
                      "Название устройства: | Kelo-Vint-Ф", "# Статус информационного обмена с ОФД",
                      "Документов без квитанции ОФД: | 1", "# Информация по ФН", "# Статус ФН"}));

    // A cashier's password reads the register's state, not its FN: the report
    // stops at the refusal, which is what the status line shows.
    setField(*window, "strLinkPassword", 1);
    QVERIFY(click(*window, "butGetState"));
    const QStringList lines = linesOf(view);
    QCOMPARE(titlesOf(lines), (QStringList{"# Запрос статуса ККТ", "# Запрос типа устройства"}));
    QCOMPARE(lines.size() - lines.indexOf("# Запрос типа устройства"), 1 + 7);
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::statusReportOfAnotherModel()
{
    // Codes the emulated register never reports: a foreign model, an undefined
    // mode and submode, flags with letters, an FN in no phase.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, rq::table(0x1F, 18, 1, 1),
             QByteArray::fromHex("1f00") + rq::text(QStringLiteral("0000000000001234"), 17));
    exchange(peer, rq::cmd(0x11),
             QByteArray::fromHex("1100 1e 3132 0b00 010203 01 0700 1f0a 0c 07 01 3031 0100 010203 0f0c18 "
                                 "0a0b0c 03 d2040000 0100 0200 01 0b e5d7b01f0200"));
    exchange(peer, "\xFC",
             QByteArray::fromHex("fc00010203040301") + rq::text(QStringLiteral("Other-KKT"), 9));
    exchange(peer, rq::cmd(0xFF39), QByteArray::fromHex("ff3900 11 00 0200 05000000 180c0f 0a0b"));
    exchange(peer, rq::cmd(0xFF3F), QByteArray::fromHex("ff3f00 0200"));
    exchange(peer, rq::cmd(0xFF04),
             QByteArray::fromHex("ff0400") + rq::text(QStringLiteral("fn v 1"), 16) + '\x02');
    exchange(peer, rq::cmd(0xFF02),
             QByteArray::fromHex("ff0200") + rq::text(QStringLiteral("9999000011112222"), 16));
    exchange(peer, rq::cmd(0xFF03), QByteArray::fromHex("ff0300 1a0c1f"));
    exchange(peer, rq::cmd(0xFF01),
             QByteArray::fromHex("ff0100 00 03 02 02 01 180c0f 0a0b")
                 + rq::text(QStringLiteral("9999000011112222"), 16) + QByteArray::fromHex("05000000"));
    peer.start();
    AppDir dir;
    auto window = offlineWindow(peer.slavePath());
    QCOMPARE(statusAfter(*window, "butGetState"), kStatusOk);
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way
    QVERIFY(!window->isKnownModel);

    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(titlesOf(lines).size(), 5);
    QVERIFY(hasLines(lines, {"Версия ПО ККТ: | 1.2", "Заводской номер 1: | 00001234",
                             "Заводской номер 2: | 0000000000001234", "Флаги ККТ [0a1f]: | 0a 1f",
                             "Режим/подрежим ККТ [12/7]: | Режим не определен. / Подрежим не определен.",
                             "Язык устройства [01]: | Язык не определен.", "Название устройства: | Other-KKT",
                             "Тип ПО ФН [02]: | Версия не определена.",
                             "Фаза жизни ФН [00]:", "Текущий документ [03]: | Документ не определен.",
                             "Данные документа [02]: | Не определены данные документа.",
                             "Состояние смены [02]: | Состояние смены не определено."}));
}

void TstReadingOps::dateAndTime()
{
    FORMTEST_OPEN(bench, window);
    auto *edit = child<QDateTimeEdit>(*window, "strNewDateTime");
    auto *shown = child<QLineEdit>(*window, "strDateTimeFromFR");
    const auto offBy = [&bench](const QDateTime &wanted) {
        return qAbs(bench.read([](const RegisterModel &m) { return m.now(); }).secsTo(wanted));
    };
    const QDateTime wanted(QDate::currentDate().addDays(400), QTime(5, 6, 7), Qt::UTC);
    edit->setDateTime(wanted);
    QCOMPARE(statusAfter(*window, "butSetDate"), kStatusOk);
    QVERIFY2(shown->text().startsWith("05:06:") && shown->text().endsWith(wanted.toString(" dd/MM/yy")),
             qPrintable(shown->text()));
    QVERIFY(offBy(wanted) < 60);

    // A date the register still waits to have confirmed: the second button
    // confirms it and leaves the time of day alone.
    const QDate day = wanted.date().addDays(1);
    QCOMPARE(bench.execute({rq::date(0x22, day.day(), day.month(), day.year())}), 0);
    edit->setDateTime(QDateTime(day, QTime(17, 0)));
    QCOMPARE(statusAfter(*window, "butSetDateStep2"), kStatusOk);
    QVERIFY(offBy(QDateTime(day, wanted.time(), Qt::UTC)) < 60);
    QVERIFY(shown->text().endsWith(day.toString(" dd/MM/yy")));
}

void TstReadingOps::fnOfdPages_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("values"); // some rows of the page, in order
    const auto page = [](const char *button, const char *title, int rows, const QStringList &values) {
        QTest::addRow("%s", button) << QByteArray(button) << QString(title) << rows << values;
        // One byte short of the layout: the last value is missing, and no row may read it.
        QTest::addRow("%s, short reply", button)
            << QByteArray(button) << QString(title) << 0 << QStringList();
    };
    // The register of the tests with its shift opened: that document (8) awaits the OFD's receipt.
    page("butGetOFDStatus", "Статус обмена с ОФД", 13,
         {"Статус информационного обмена: | 07", "    Соединение установлено: | да",
          "    Ожидание квитанции от ОФД: | да", "    Есть команда от ОФД: | нет",
          "Количество сообщений для ОФД: | 1", "Первый документ для ОФД:", "  | Номер | 8"});
    page("butGetOFDDocs", "Количество неподтвержденных документов от ОФД", 1, {"ФД без квитанции ОФД: | 1"});
    page("getOFDRequest", "Получение подтвержения для документа #1", 4, {"Номер ФД: | 1"});
    page("butGetStateFisk", "Итоги регистрации ККТ", 8,
         {"ИНН: | 7712345678", "Код налогообложения: | 03",
          "Код причины перерегистрации: | Регистрация ККТ (0)"});
    page("butGetFN_State", "Запрос статуса ФН", 8,
         {"Состояние смены [01]: | Cмена открыта.", "Номер последнего ФД: | 8"});
    page("butGetFN_Srok", "Запрос срока действия ФН", 1, {});
    page("butGetFN_Number", "Запрос номера ФН", 1, {"Заводской номер ФН: | 9999078900004312"});
    page("butGetFN_Version", "Запрос версии ФН", 2, {"Тип ПО ФН [00]: | Отладочная версия."});
}

void TstReadingOps::fnOfdPages()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, title);
    QFETCH(int, rows);
    QFETCH(QStringList, values);
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift}), 0);
    child<QTextEdit>(*window, "textFDFromFNData")->setPlainText(QStringLiteral("the page before"));
    if (rows == 0)
        bench.emulator().faults().arm(kelo::emu::Fault::ShortReply, 10); // every attempt of the command
    QCOMPARE(statusAfter(*window, button.constData()), kStatusOk);
    const QStringList lines = fnPage(*window);
    QCOMPARE(lines.value(0), "# " + title);
    QCOMPARE(titlesOf(lines).size(), 1);
    QCOMPARE(lines.size(), 1 + rows);
    QVERIFY(hasLines(lines, values));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::cancelFnDocument()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift, sale(QStringLiteral("Хлеб"))}), 0);
    QCOMPARE(statusAfter(*window, "butDocs_AnnDocFromFN"), kStatusOk);
    QVERIFY(!bench.read([](const RegisterModel &m) {
        return m.state().receipt.open || m.fiscalStorage().current != FiscalStorage::NoDocument;
    }));
}

void TstReadingOps::receiptFromTheFN()
{
    FORMTEST_OPEN(bench, window);
    const QString cake = QStringLiteral("Торт <Прага> & Co");
    QCOMPARE(bench.execute({kOpenShift, sale(cake, 123450), rq::close(200000)}), 0);
    setField(*window, "strFDNumber",
             bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); }));
    QCOMPARE(statusAfter(*window, "butGetFDFromFN"), kStatusOk);
    const QStringList lines = fnPage(*window);
    QCOMPARE(titlesOf(lines), QStringList{"# Фискальный документ (ФД) из фискального накопителя (ФН)"});
    QVERIFY(hasLines(lines, {"Тип документа | Кассовый чек (3)", "  | наименование товара | " + cake}));

    // Saved, the page carries the name as text, not as markup.
    const QString file = bench.appDir.path() + QStringLiteral("/receipt.html");
    QVERIFY(clickChoosing(*window, "butGetFD_Save", file, kHtmlFilter));
    const QString html = QString::fromUtf8(readFile(file));
    QVERIFY(html.contains(QStringLiteral("&lt;Прага&gt; &amp; Co")));
    QVERIFY(!html.contains(QStringLiteral("<Прага>")));
}

void TstReadingOps::documentReadEndings_data()
{
    // The register's replies to "FF3A" and to each "FF3B" after it.
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");     // in the status line; empty: the register's error text
    QTest::addColumn<QStringList>("lines"); // of the page, in order; none: an empty page

    const QByteArray opened = QByteArray::fromHex("ff3a00 0300 40");
    const QByteArray item = QByteArray::fromHex("ff3b00 1004 0400 05000000");
    const QByteArray refused = QByteArray::fromHex("ff3b02");
    const QByteArray noItem = QByteArray::fromHex("ff3b00");
    const QString cut = QStringLiteral("Документ прочитан не полностью (элементов: %1, байт: %2).");
    // What came before the end is shown, but marked, so that neither the page
    // nor a saved copy can pass for the whole document.
    const QStringList oneItem{"номер фискального документа | 5", "# " + cut.arg(1).arg(8)};
    const QString damaged = QStringLiteral("Элемент %1 документа получен без тега и значения!");
    using Replies = QList<QByteArray>;
    QTest::newRow("not in the FN") << Replies{QByteArray::fromHex("ff3a08")} << 8 << QString()
                                   << QStringList();
    QTest::newRow("refused at once") << Replies{opened, refused} << 2 << QString() << QStringList();
    QTest::newRow("damaged at once") << Replies{opened, noItem} << -1 << damaged.arg(1) << QStringList();
    QTest::newRow("refused after an item") << Replies{opened, item, refused} << 2 << QString() << oneItem;
    QTest::newRow("damaged after an item")
        << Replies{opened, item, noItem} << -1 << damaged.arg(2) << oneItem;
    // Items of 244 bytes: the 269th would pass the bound of 65,535 bytes.
    Replies endless{opened};
    for (int i = 0; i < 269; ++i)
        endless << QByteArray::fromHex("ff3b00 0604 f000") + QByteArray(240, 'x');
    const QString note = cut.arg(268).arg(268 * 244);
    QTest::newRow("cut at its bound")
        << endless << -1 << note << QStringList{"Тип документа | Кассовый чек (3)", "# " + note};
}

void TstReadingOps::documentReadEndings()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(int, code);
    QFETCH(QString, shown);
    QFETCH(QStringList, lines);
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, rq::document(0xFF3A, 1), replies.first());
    for (const QByteArray &reply : replies.mid(1))
        exchange(peer, rq::cmd(0xFF3B), reply);
    peer.start();
    AppDir dir;
    auto window = offlineWindow(peer.slavePath());
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    view->setPlainText(QStringLiteral("the page before"));
    setField(*window, "strFDNumber", 1);
    QVERIFY(click(*window, "butGetFDFromFN"));
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way

    QCOMPARE(lastErrCode, code);
    QCOMPARE(status(*window), shown.isEmpty() ? lastErrText : shown);
    if (lines.isEmpty())
        QVERIFY(view->toPlainText().trimmed().isEmpty());
    else
        QVERIFY(hasLines(linesOf(view), lines));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::savingTheShownPage_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    const auto row = [](const char *name, const QString &filter, const char *typed, const char *saved) {
        QTest::newRow(name) << filter << QString(typed) << QString(saved);
    };
    const QString text = QStringLiteral("Текстовые файлы (*.txt)");
    row("html, no suffix", kHtmlFilter, "page", "page.html");
    row("html, its suffix", kHtmlFilter, "page.html", "page.html");
    row("text, upper-case suffix", text, "page.TXT", "page.TXT.txt");
    row("text, its suffix", text, "page.txt", "page.txt");
    row("any file", QStringLiteral("Все файлы (*)"), "page.dat", "page.dat");
    row("no such directory", kHtmlFilter, "missing/page.html", nullptr);
}

void TstReadingOps::savingTheShownPage()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    FORMTEST_OPEN(bench, window);
    QVERIFY(click(*window, "butGetFN_Number"));
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");

    const QDir dir(bench.appDir.path());
    QStringList filters;
    ModalAnswer answer(
        [&](QWidget *dialog) {
            filters = static_cast<QFileDialog *>(dialog)->nameFilters();
            ModalAnswer::chooseFile(dir.filePath(typed), filter)(dialog);
        },
        "QFileDialog");
    QVERIFY(click(*window, "butGetFD_Save"));
    QCOMPARE(answer.title(), "Выбор имени файла для сохранения данных ФД");
    QCOMPARE(filters, (QStringList{kHtmlFilter, "Текстовые файлы (*.txt)", "Все файлы (*)"}));

    if (saved.isEmpty()) {
        QCOMPARE(status(*window), QStringLiteral("Ошибка открытия файла <%1>!").arg(dir.filePath(typed)));
        QVERIFY(dir.entryList(QDir::Files).isEmpty());
        return;
    }
    const QString path = dir.filePath(saved);
    QCOMPARE(status(*window), QStringLiteral("Данные сохранены в файл <%1>.").arg(path));
    QCOMPARE(dir.entryList(QDir::Files), QStringList{saved});
    const QString content = QString::fromUtf8(readFile(path));
    if (filter == kHtmlFilter) {
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
    QVERIFY(readFile(pdf).startsWith("%PDF"));
}

QTEST_MAIN(TstReadingOps)
#include "tst_readingops.moc"
