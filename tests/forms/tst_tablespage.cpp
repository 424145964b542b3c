// The "Таблицы" page against the emulator: a table opened, a cell typed,
// written and read back; an entry outside its field kept from the register;
// a backup saved, and restored with only its difference written.

#include "mainformfixture.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>

using namespace formtest;
using kelo::emu::RegisterModel;

namespace {

QTableWidget *grid(MMainForm &window)
{
    return child<QTableWidget>(window, "tableTables_Values");
}

// Shows the page, which reads the list of tables, and opens `table`.
bool openTable(MMainForm &window, int table)
{
    auto *menu = child<QListWidget>(window, "menuWidget");
    const QList<QListWidgetItem *> items = menu->findItems(QStringLiteral("Таблицы"), Qt::MatchExactly);
    if (items.size() != 1)
        return false;
    menu->setCurrentItem(items.constFirst());
    auto *list = child<QTableWidget>(window, "tableTables_List");
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, 0)->text() == QString::number(table)) {
            list->setCurrentCell(row, 0);
            return grid(window)->rowCount() > 0;
        }
    }
    return false;
}

// Starts editing a cell (row and field from 1) and puts `text` over its value.
QLineEdit *typeInto(MMainForm &window, int row, int field, const QString &text)
{
    QTableWidget *g = grid(window);
    const QModelIndex index = g->model()->index(row - 1, field - 1);
    g->setCurrentIndex(index);
    g->edit(index);
    auto *editor = qobject_cast<QLineEdit *>(g->indexWidget(index));
    if (!editor)
        editor = g->viewport()->findChild<QLineEdit *>();
    if (!editor)
        return nullptr;
    // Typed as a paste: through the validator, non-Latin letters included.
    editor->selectAll();
    editor->insert(text);
    return editor;
}

bool marked(MMainForm &window, int row, int field)
{
    return grid(window)->item(row - 1, field - 1)->background().style() != Qt::NoBrush;
}

// Rewrites the backup file through `edit`.
bool editBackup(const QString &path, const std::function<void(QJsonObject &)> &edit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    edit(json);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(QJsonDocument(json).toJson()) > 0;
}

quint64 frames(Bench &bench)
{
    return bench.emulator().stats().link.framesExecuted;
}

} // namespace

class TstTablesPage : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void cellWrittenAndReadBack_data();
    void cellWrittenAndReadBack();
    void entryOutsideTheFieldIsNotSent_data();
    void entryOutsideTheFieldIsNotSent();
    void refusedCellStaysMarked();
    void stopEndsTheReading();
    void backupRestoredWithItsDifference();
};

void TstTablesPage::cellWrittenAndReadBack_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("hint"); // shown while typing
    QTest::newRow("number") << 9 << 1 << 1 << QStringLiteral("12")
                            << QStringLiteral("Поле 1 «Яркость печати»: число от 1 до 15.");
    QTest::newRow("text in Windows-1251") << 3 << 2 << 1 << QStringLiteral("Добрый день, «гость»!")
                                          << QStringLiteral("Осталось байт: 27 из 48.");
    QTest::newRow("second field of a later row")
        << 2 << 29 << 2 << QStringLiteral("СТАРШИЙ") << QStringLiteral("Осталось байт: 14 из 21.");
}

void TstTablesPage::cellWrittenAndReadBack()
{
    QFETCH(int, table);
    QFETCH(int, row);
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, hint);
    FORMTEST_OPEN(bench, window);
    window->show();
    QVERIFY(openTable(*window, table));
    QLineEdit *editor = typeInto(*window, row, field, typed);
    QVERIFY(editor);
    QCOMPARE(child<QLabel>(*window, "labTables_Hint")->text(), hint);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(marked(*window, row, field));

    QVERIFY(click(*window, "butTables_Write"));
    QCOMPARE(status(*window), QStringLiteral("Записано ячеек: 1, не записано: 0."));
    QVERIFY(!marked(*window, row, field));
    QCOMPARE(grid(*window)->item(row - 1, field - 1)->text(), typed);
    const QString held = bench.read([=](const RegisterModel &m) {
        return m.tables().findField(table, field)->text
                   ? m.tables().text(table, row, field)
                   : QString::number(m.tables().number(table, row, field));
    });
    QCOMPARE(held, typed);
}

void TstTablesPage::entryOutsideTheFieldIsNotSent_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reason");
    QTest::newRow("above the maximum") << QStringLiteral("16") << QStringLiteral("вне диапазона 1..15");
    QTest::newRow("letters are never typed") << QStringLiteral("1x5") << QString();
}

void TstTablesPage::entryOutsideTheFieldIsNotSent()
{
    QFETCH(QString, typed);
    QFETCH(QString, reason);
    FORMTEST_OPEN(bench, window);
    window->show();
    QVERIFY(openTable(*window, 9)); // field 1: brightness 1..15
    const quint64 before = frames(bench);
    QLineEdit *editor = typeInto(*window, 1, 1, typed);
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return); // an entry out of range is not taken
    if (!reason.isEmpty()) {
        QVERIFY(editor->isVisible());
        // Leaving the editor hands the entry over all the same: it is refused there.
        emit grid(*window)->itemDelegate()->commitData(editor);
        QVERIFY2(status(*window).contains(reason), qPrintable(status(*window)));
    }
    QTest::qWait(50);
    QVERIFY(!marked(*window, 1, 1));
    QVERIFY(click(*window, "butTables_Write"));
    QCOMPARE(status(*window), QStringLiteral("Изменённых ячеек нет."));
    QCOMPARE(frames(bench), before);
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().number(9, 1, 1); }), quint64(8));
}

void TstTablesPage::refusedCellStaysMarked()
{
    FORMTEST_OPEN(bench, window);
    window->show();
    QVERIFY(openTable(*window, 9));
    QCOMPARE(bench.execute({rq::cmd(0xE0)}), 0); // the print settings wait for the shift's end
    QLineEdit *editor = typeInto(*window, 1, 2, QStringLiteral("5"));
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(marked(*window, 1, 2));

    QVERIFY(click(*window, "butTables_Write"));
    QVERIFY2(status(*window).startsWith(QStringLiteral("Записано ячеек: 0, не записано: 1. Ряд 1, поле")),
             qPrintable(status(*window)));
    QVERIFY(marked(*window, 1, 2));
    QVERIFY(!grid(*window)->item(0, 1)->toolTip().isEmpty());
    QCOMPARE(grid(*window)->item(0, 1)->text(), QStringLiteral("5"));
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().number(9, 1, 2); }), quint64(2));

    // Once the shift is closed, the same cell goes in.
    QCOMPARE(bench.execute({rq::cmd(0x41)}), 0);
    QVERIFY(click(*window, "butTables_Write"));
    QCOMPARE(status(*window), QStringLiteral("Записано ячеек: 1, не записано: 0."));
    QVERIFY(!marked(*window, 1, 2));
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().number(9, 1, 2); }), quint64(5));
}

void TstTablesPage::stopEndsTheReading()
{
    FORMTEST_OPEN(bench, window);
    window->show();
    QVERIFY(openTable(*window, 1));
    // Pressed as soon as the reading of the cashiers' table lets the window breathe.
    QTimer::singleShot(0, window.get(), [&window] { QVERIFY(click(*window, "butTerminate")); });
    QVERIFY(!openTable(*window, 2));
    QCOMPARE(status(*window), QStringLiteral("Чтение таблиц прервано пользователем."));
    QCOMPARE(child<QLabel>(*window, "labTables_Title")->text(), QStringLiteral("Таблица 2 не прочитана."));
    QVERIFY(child(*window, "tableTables_Values")->isEnabled());
    // Read again, it is all there.
    QVERIFY(click(*window, "butTables_Read"));
    QCOMPARE(grid(*window)->rowCount(), 29);
    QCOMPARE(grid(*window)->item(28, 1)->text(), QStringLiteral("АДМИНИСТРАТОР"));

    // What was typed and not written goes with a new reading only when the operator agrees.
    QLineEdit *editor = typeInto(*window, 1, 2, QStringLiteral("СТАЖЁР"));
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(marked(*window, 1, 2));
    for (const bool yes : {false, true}) {
        Confirmations answer(yes);
        QVERIFY(click(*window, "butTables_Read"));
        QCOMPARE(answer.asked(), 1);
        QCOMPARE(marked(*window, 1, 2), !yes);
    }
    QCOMPARE(grid(*window)->item(0, 1)->text(), QStringLiteral("КАССИР 1"));
    // Another port may hold another register: nothing read from the last one stays.
    child<QComboBox>(*window, "comboCOMPort")->setEditText(QStringLiteral("/dev/ttyKeloOther"));
    QCOMPARE(child<QTableWidget>(*window, "tableTables_List")->rowCount(), 0);
    QCOMPARE(grid(*window)->rowCount(), 0);
}

void TstTablesPage::backupRestoredWithItsDifference()
{
    FORMTEST_OPEN(bench, window);
    window->show();
    QVERIFY(openTable(*window, 18)); // the serial number names the file
    QVERIFY(openTable(*window, 9));
    const QString path = bench.appDir.path() + QStringLiteral("/settings.json");
    QString suggested;
    {
        ModalAnswer answer(
            [&suggested, path](QWidget *dialog) {
                suggested =
                    QFileInfo(qobject_cast<QFileDialog *>(dialog)->selectedFiles().value(0)).fileName();
                ModalAnswer::chooseFile(path)(dialog);
            },
            "QFileDialog");
        QVERIFY(click(*window, "butTables_Save"));
        QVERIFY(answer.answered());
    }
    QCOMPARE(suggested, QStringLiteral("%1-settings-%2.json")
                            .arg(bench.read([](const RegisterModel &m) { return m.tables().text(18, 1, 1); }),
                                 QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    QVERIFY2(status(*window).startsWith(QStringLiteral("Настройки сохранены в файл")),
             qPrintable(status(*window)));

    // The register's print brightness changes after the backup; the file's
    // serial number is another register's, and is never written.
    QCOMPARE(bench.execute({rq::table(0x1E, 9, 1, 1, QByteArray(1, 3))}), 0);
    const QString serial = bench.read([](const RegisterModel &m) { return m.tables().text(18, 1, 1); });
    QVERIFY(editBackup(path, [](QJsonObject &json) {
        QJsonArray tables = json.value(QStringLiteral("tables")).toArray();
        for (int i = 0; i < tables.size(); ++i) {
            QJsonObject table = tables.at(i).toObject();
            if (table.value(QStringLiteral("number")).toInt() == 18) {
                QJsonArray rows = table.value(QStringLiteral("values")).toArray();
                QJsonArray first = rows.at(0).toArray();
                first.replace(0, QStringLiteral("0000000000000099"));
                rows.replace(0, first);
                table.insert(QStringLiteral("values"), rows);
                tables.replace(i, table);
            }
        }
        json.insert(QStringLiteral("tables"), tables);
    }));

    {
        Confirmations no(false);
        QVERIFY(clickChoosing(*window, "butTables_Load", path));
        QCOMPARE(no.asked(), 1);
    }
    QCOMPARE(status(*window), QStringLiteral("Загрузка настроек отменена, ничего не записано."));
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().number(9, 1, 1); }), quint64(3));
    {
        Confirmations yes;
        QVERIFY(clickChoosing(*window, "butTables_Load", path));
        QCOMPARE(yes.asked(), 1);
    }
    QVERIFY2(status(*window).startsWith(QStringLiteral("Записано ячеек: 1, не записано: 0.")),
             qPrintable(status(*window)));
    QVERIFY(status(*window).contains(QStringLiteral("Пропущено полей, которые ККТ ведёт сама: 1.")));
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().number(9, 1, 1); }), quint64(8));
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().text(18, 1, 1); }), serial);
    QCOMPARE(grid(*window)->item(0, 0)->text(), QStringLiteral("8"));
}

QTEST_MAIN(TstTablesPage)
#include "tst_tablespage.moc"
