// The reading operations of the window: the link test, the status report,
// date and time, the FN and OFD pages, fiscal documents from the FN, and
// saving what a page shows. How a document read ends is the reader's
// (tests/operations); here, what the window makes of each ending.

#include "mainformfixture.h"
#include "ptypeer.h"
#include "textlines.h"

#include <mainproc.h>

#include <QDateTimeEdit>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextEdit>

using namespace formtest;
using kelo::emu::FiscalStorage;
using kelo::emu::RegisterModel;

namespace {

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

const QByteArray kOpenShift = rq::cmd(0xE0);

} // namespace

class TstReadingOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void linkTestFillsTheDeviceFrame();
    void statusReport();
    void dateAndTime();
    void fnOfdPages_data();
    void fnOfdPages();
    void cancelFnDocument();
    void receiptFromTheFN();
    void receiptOfFormat12FromTheFN();
    void documentReadEndings_data();
    void documentReadEndings();
    void savingTheShownPage_data();
    void savingTheShownPage();
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
    QVERIFY(hasLines(linesOf(view->document()),
                     {"# Запрос статуса ККТ", "Версия ПО ККТ: | 4.3", "Заводской номер: | " + serial,
                      "ИНН: | 7736207543", "Флаги ККТ [0002]: | 00 02",
                      "Режим/подрежим ККТ [2/0]: | Открытая смена, 24 часа не кончились. / Бумага есть.",
                      "# Запрос типа устройства", "Язык устройства [00]: | Русский.",
                      "Название устройства: | Kelo-Vint-Ф", "# Статус информационного обмена с ОФД",
                      "Документов без квитанции ОФД: | 1", "# Информация по ФН", "# Статус ФН"}));

    // A cashier's password reads the register's state, not its FN: the report
    // stops at the refusal, which is what the status line shows.
    setField(*window, "strLinkPassword", 1);
    QVERIFY(click(*window, "butGetState"));
    const QStringList lines = linesOf(view->document());
    QCOMPARE(titlesOf(lines), (QStringList{"# Запрос статуса ККТ", "# Запрос типа устройства"}));
    QCOMPARE(lines.size() - lines.indexOf("# Запрос типа устройства"), 1 + 7);
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::dateAndTime()
{
    FORMTEST_OPEN(bench, window);
    auto *edit = child<QDateTimeEdit>(*window, "strNewDateTime");
    auto *shown = child<QLineEdit>(*window, "strDateTimeFromFR");
    const QDateTime wanted(QDate::currentDate().addDays(400), QTime(5, 6, 7), Qt::UTC);
    edit->setDateTime(wanted);
    QCOMPARE(statusAfter(*window, "butSetDate"), kStatusOk);
    QVERIFY2(shown->text().startsWith("05:06:") && shown->text().endsWith(wanted.toString(" dd/MM/yy")),
             qPrintable(shown->text()));
    QVERIFY(qAbs(bench.read([](const RegisterModel &m) { return m.now(); }).secsTo(wanted)) < 60);
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
    page("getOFDRequest", "Получение подтверждения для документа #1", 4, {"Номер ФД: | 1"});
    page("butGetStateFisk", "Итоги регистрации ККТ", 8,
         {"ИНН: | 7736207543", "Код налогообложения: | 03",
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
    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFDFromFNData")->document());
    QCOMPARE(lines.value(0), "# " + title);
    QCOMPARE(titlesOf(lines).size(), 1);
    QCOMPARE(lines.size(), 1 + rows);
    QVERIFY(hasLines(lines, values));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::cancelFnDocument()
{
    Confirmations yes;
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({kOpenShift, rq::item(0x80, 1000, 1, 1, QStringLiteral("Хлеб"))}), 0);
    QCOMPARE(statusAfter(*window, "butDocs_AnnDocFromFN"), kStatusOk);
    QVERIFY(!bench.read([](const RegisterModel &m) {
        return m.state().receipt.open || m.fiscalStorage().current != FiscalStorage::NoDocument;
    }));
}

void TstReadingOps::receiptFromTheFN()
{
    FORMTEST_OPEN(bench, window);
    const QString cake = QStringLiteral("Торт <Прага> & Co");
    QCOMPARE(bench.execute({kOpenShift, rq::item(0x80, 1000, 123450, 1, cake), rq::close(200000)}), 0);
    setField(*window, "strFDNumber",
             bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); }));
    QCOMPARE(statusAfter(*window, "butGetFDFromFN"), kStatusOk);
    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFDFromFNData")->document());
    QCOMPARE(titlesOf(lines), QStringList{"# Фискальный документ (ФД) из фискального накопителя (ФН)"});
    QVERIFY(hasLines(lines, {"Тип документа | Кассовый чек (3)", "  | наименование товара | " + cake}));

    // Saved, the page carries the name as text, not as markup.
    const QString file = bench.appDir.path() + QStringLiteral("/receipt.html");
    QVERIFY(clickChoosing(*window, "butGetFD_Save", file, kHtmlFilter));
    const QString html = QString::fromUtf8(readFile(file));
    QVERIFY(html.contains(QStringLiteral("&lt;Прага&gt; &amp; Co")));
    QVERIFY(!html.contains(QStringLiteral("<Прага>")));
}

void TstReadingOps::receiptOfFormat12FromTheFN()
{
    FORMTEST_OPEN(bench, window);
    // 550.00 at 22 % less a discount of 10.00 on the whole receipt.
    QCOMPARE(bench.execute({kOpenShift, rq::item(0x80, 1000, 55000, 1, QStringLiteral("Торт Прага")),
                            rq::adjustment(0x86, 1000), rq::close(100000)}),
             0);
    setField(*window, "strFDNumber",
             bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); }));
    QCOMPARE(statusAfter(*window, "butGetFDFromFN"), kStatusOk);
    const QStringList lines = linesOf(child<QTextEdit>(*window, "textFDFromFNData")->document());
    QVERIFY(hasLines(lines, {"Номер версии ФФД | ФФД 1.2",
                             "реквизиты товара:", "  | наименование товара | Торт Прага",
                             "  | Мера количества предмета расчета | шт. или ед.", "  | Ставка НДС | НДС 22%",
                             "  | общая стоимость позиции с учетом скидок и наценок | 540.00",
                             "  | Сумма НДС за предмет расчета | 97.38", "итог | 540.00"}));
    QCOMPARE(lines.filter(QStringLiteral("тег ")), QStringList());
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
    // The link probe and the identification of a register of another model, as
    // the first action after the window found no register at its start.
    PtyPeer peer;
    peer.step(linkbytes::ENQ, linkbytes::NAK);
    exchange(peer, "\xFC",
             QByteArray::fromHex("fc00010203040301") + rq::text(QStringLiteral("Other-KKT"), 9));
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
    // A register of another model: no table read on the way, no registration extras.
    QVERIFY(!window->isKnownModel && child(*window, "grpFisk_Misc")->isHidden());
    QCOMPARE(lastErrCode, code);
    QCOMPARE(status(*window), shown.isEmpty() ? lastErrText : shown);
    if (lines.isEmpty())
        QVERIFY(view->toPlainText().trimmed().isEmpty());
    else
        QVERIFY(hasLines(linesOf(view->document()), lines));
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
    // A filter the dialog does not offer would be passed over, and the suffix rows fail.
    QVERIFY(clickChoosing(*window, "butGetFD_Save", dir.filePath(typed), filter));

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

QTEST_MAIN(TstReadingOps)
#include "tst_readingops.moc"
