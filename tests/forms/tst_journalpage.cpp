// The service journal in the window: a visit on the emulator recorded with
// its operation and documents and shown on the «Журнал» page, a stored
// document opened with no register on the line, a journal file the program
// cannot use left as it is, and two settings backups compared field by field.

#include "mainformfixture.h"

#include <marchivepage.h>
#include <mjournalpage.h>
#include <servicejournal.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>

using namespace formtest;
using kelo::emu::RegisterModel;

namespace {

MJournalPage *journalPage(MMainForm &window)
{
    return window.findChild<MJournalPage *>(QStringLiteral("tabJournal"));
}

QStringList childTexts(const QTreeWidgetItem *item, int column)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(column);
    return texts;
}

// A backup of one table: a number field and a text field in each of two rows.
QByteArray backupFile(quint64 speed, const QString &header, bool secondTable)
{
    ops::RegisterBackup backup;
    backup.model = 250;
    backup.modelName = QStringLiteral("Kelo-Vint-Ф");
    backup.serialNumber = QStringLiteral("00001234");
    backup.date = QDateTime(QDate(2026, 12, 1), QTime(10, 0));
    const auto table = [](int number, const QString &name, const QList<QList<QVariant>> &values) {
        ops::TableContents t;
        t.structure.number = number;
        t.structure.name = name;
        t.structure.rows = int(values.size());
        ops::TableField speedField{1, QStringLiteral("Скорость"), false, 1, 0, 255};
        ops::TableField textField{2, QStringLiteral("Заголовок"), true, 20, 0, 0};
        t.structure.fields = {speedField, textField};
        t.structure.fieldCount = 2;
        t.values = values;
        return t;
    };
    backup.tables << table(1, QStringLiteral("Связь"),
                           {{qulonglong(speed), header}, {qulonglong(5), QStringLiteral("Строка")}});
    if (secondTable)
        backup.tables << table(4, QStringLiteral("Текст"), {{qulonglong(1), QStringLiteral("Да")}});
    return QJsonDocument(backup.toJson()).toJson();
}

} // namespace

class TstJournalPage : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void visitShownAndDocumentReopened();
    void unusableJournalLeftAlone_data();
    void unusableJournalLeftAlone();
    void backupComparisonMarksDifferences();
};

void TstJournalPage::visitShownAndDocumentReopened()
{
    FORMTEST_OPEN(bench, window);
    const QString item = QStringLiteral("Журнальный товар");
    QCOMPARE(bench.execute({rq::cmd(0xE0), rq::item(0x80, 1000, 4200, 1, item), rq::close(100000)}), 0);
    const quint32 last = bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); });
    MArchivePage *archive = window->findChild<MArchivePage *>(QStringLiteral("tabArchive"));
    archive->fromBox()->setValue(1);
    archive->toBox()->setValue(int(last));
    archive->readButton()->click();
    QVERIFY2(status(*window).startsWith(QStringLiteral("Прочитано документов: %1 из %1").arg(last)),
             qPrintable(status(*window)));

    // Shown, the page reads what the visit has added.
    auto *menu = child<QListWidget>(*window, "menuWidget");
    menu->setCurrentRow(menu->count() - 1);
    MJournalPage *page = journalPage(*window);
    QVERIFY(page->stateLabel()->text().contains(journal::ServiceJournal::defaultPath()));
    QCOMPARE(page->registerView()->model()->rowCount(), 1);
    const QString serial = page->registerView()->model()->index(0, 0).data().toString();
    QVERIFY(!serial.isEmpty());
    QCOMPARE(page->registerView()->model()->index(0, 7).data().toString(), QString::number(last));
    QTreeWidget *visits = page->visitTree();
    QCOMPARE(visits->topLevelItemCount(), 1);
    QVERIFY(visits->topLevelItem(0)->text(1).contains(bench.port()));
    QCOMPARE(childTexts(visits->topLevelItem(0), 1), QStringList{"Архив ФН: Прочитать"});
    QCOMPARE(page->fnTable()->rowCount(), 1);
    QCOMPARE(page->fnTable()->item(0, 1)->text(), QString::number(last));
    QCOMPARE(page->documentModel()->rowCount(), int(last));

    // The register gone, the document comes from the journal alone.
    bench.emulator().stop();
    page->documentView()->setCurrentIndex(page->documentModel()->index(int(last) - 1, 0));
    QVERIFY(click(*window, "butJournalOpenDocument"));
    QCOMPARE(menu->currentItem()->text(), QStringLiteral("ОФД/ФН"));
    const QString text = child<QTextEdit>(*window, "textFDFromFNData")->toPlainText();
    QVERIFY2(text.contains(item) && text.contains(QStringLiteral("Кассовый чек")), qPrintable(text));
    QVERIFY2(status(*window).contains(QStringLiteral("из журнала обслуживания")),
             qPrintable(status(*window)));
}

void TstJournalPage::unusableJournalLeftAlone_data()
{
    QTest::addColumn<bool>("foreignDatabase");
    QTest::addColumn<QString>("reason");
    QTest::newRow("random bytes") << false << QStringLiteral("не является журналом");
    QTest::newRow("another program's database") << true << QStringLiteral("не является журналом");
}

void TstJournalPage::unusableJournalLeftAlone()
{
    QFETCH(bool, foreignDatabase);
    QFETCH(QString, reason);
    formtest::Bench bench;
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    const QString path = journal::ServiceJournal::defaultPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    if (foreignDatabase) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (text TEXT)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes(8192, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        file.write(bytes);
    }
    const QByteArray before = readFile(path);

    auto window = bench.createWindow();
    const QString said = status(*window);
    QVERIFY2(said.startsWith(QStringLiteral("Журнал обслуживания недоступен: файл ")
                             + QDir::toNativeSeparators(path))
                 && said.contains(reason) && said.endsWith(QStringLiteral("файл не изменён.")),
             qPrintable(said));
    QCOMPARE(journalPage(*window)->stateLabel()->text(), said);
    QVERIFY2(statusAfter(*window, "butTestLink").startsWith(QStringLiteral("Тест выполнен.")),
             qPrintable(status(*window)));
    window.reset();
    QCOMPARE(readFile(path), before);
}

void TstJournalPage::backupComparisonMarksDifferences()
{
    AppDir appDir;
    {
        journal::ServiceJournal store;
        QVERIFY(store.open(journal::ServiceJournal::defaultPath()));
        journal::RegisterInfo info;
        info.serial = QStringLiteral("00001234");
        info.model = 250;
        const qint64 visit = store.beginVisit(info, QStringLiteral("/dev/ttyS0"), QStringLiteral("window"));
        QVERIFY(store.recordBackup(visit, QStringLiteral("a.json"),
                                   backupFile(3, QStringLiteral("Кафе"), false)));
        QVERIFY(
            store.recordBackup(visit, QStringLiteral("b.json"), backupFile(6, QStringLiteral("Кафе"), true)));
    }
    auto window = offlineWindow();
    MJournalPage *page = journalPage(*window);
    page->refresh();
    QVERIFY(page->chooseRegister(QStringLiteral("00001234")));
    page->chooseBackups(0, 1);

    QTableWidget *table = page->compareTable();
    QStringList differing;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 0)->background().style() != Qt::NoBrush)
            differing << QStringLiteral("%1/%2/%3: %4 → %5")
                             .arg(table->item(r, 0)->text(), table->item(r, 1)->text(),
                                  table->item(r, 2)->text(), table->item(r, 3)->text(),
                                  table->item(r, 4)->text());
    }
    QCOMPARE(table->rowCount(), 6);
    QCOMPARE(differing, (QStringList{"1 «Связь»/1/1 «Скорость»: 3 → 6", "4 «Текст»/1/1 «Скорость»:  → 1",
                                     "4 «Текст»/1/2 «Заголовок»:  → Да"}));
    child<QCheckBox>(*window, "chkJournalOnlyDiff")->setChecked(true);
    int shown = 0;
    for (int r = 0; r < table->rowCount(); ++r)
        shown += table->isRowHidden(r) ? 0 : 1;
    QCOMPARE(shown, 3);
}

QTEST_MAIN(TstJournalPage)
#include "tst_journalpage.moc"
