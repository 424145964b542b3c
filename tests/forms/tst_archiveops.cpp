// The «Архив ФН» page against the emulator: the whole archive read into the
// table, a damaged document marked while the others are read, a stop and a
// pulled cable resumed from the first document not read, and an export equal
// byte for byte to what kelo-cli fn-export writes of the same documents.

#include "clirun.h"
#include "mainformfixture.h"

#include <mainproc.h>
#include <marchivemodel.h>
#include <marchivepage.h>

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTextEdit>

using namespace formtest;
using kelo::emu::RegisterModel;

namespace {

constexpr int kReceipts = 6;

kelo::emu::EmulatorConfig linkedConfig(const QString &linkPath)
{
    kelo::emu::EmulatorConfig config = Bench::config();
    config.linkPath = linkPath;
    return config;
}

// The register of the tests with a shift of receipts: its last document number.
quint32 fillArchive(Bench &bench)
{
    QList<QByteArray> requests{rq::cmd(0xE0)};
    for (int i = 0; i < kReceipts; ++i)
        requests << rq::item(0x80, 1000, 1000 + 100 * i, 1, QStringLiteral("Товар %1").arg(i))
                 << rq::close(100000);
    if (bench.execute(requests) != 0)
        return 0;
    return bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); });
}

MArchivePage *archivePage(MMainForm &window)
{
    return window.findChild<MArchivePage *>(QStringLiteral("tabArchive"));
}

// Calls `act` once the row of document `number` has been read.
void whenRead(MArchiveModel *model, quint32 number, std::function<void()> act)
{
    auto *context = new QObject(model);
    QObject::connect(model, &QAbstractItemModel::dataChanged, context,
                     [model, number, act, context](const QModelIndex &at) {
                         if (model->rowAt(at.row())->number != number)
                             return;
                         act();
                         context->deleteLater();
                     });
}

QList<quint32> numbersIn(const MArchiveModel *model, MArchiveRow::State state)
{
    QList<quint32> numbers;
    for (int row = 0; row < model->count(); ++row) {
        if (model->rowAt(row)->state == state)
            numbers << model->rowAt(row)->number;
    }
    return numbers;
}

QList<quint32> range(quint32 from, quint32 to)
{
    QList<quint32> numbers;
    for (quint32 n = from; n <= to; ++n)
        numbers << n;
    return numbers;
}

} // namespace

class TstArchiveOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void damagedStoppedAndExported();
    void pulledCableResumes();
};

void TstArchiveOps::damagedStoppedAndExported()
{
    QTemporaryDir links;
    const QString linkPath = links.filePath(QStringLiteral("ttyKelo"));
    FORMTEST_OPEN(bench, window, linkedConfig(linkPath));
    const quint32 last = fillArchive(bench);
    QVERIFY(last > 6);
    MArchivePage *page = archivePage(*window);
    QVERIFY(page);
    MArchiveModel *model = page->model();

    // Two short replies once document 3 is in: the opening of document 4 and
    // its first item, which comes without its last byte. Then a stop after 6.
    whenRead(model, 3, [&bench] { bench.emulator().faults().arm(kelo::emu::Fault::ShortReply, 2); });
    whenRead(model, 6, [&window] { child<QPushButton>(*window, "butTerminate")->click(); });
    QVERIFY(click(*window, "butArchiveRead"));
    QCOMPARE(model->count(), int(last));
    QCOMPARE(numbersIn(model, MArchiveRow::Read), QList<quint32>({1, 2, 3, 5, 6}));
    QCOMPARE(numbersIn(model, MArchiveRow::Failed), QList<quint32>{4});
    QVERIFY2(model->rowAt(3)->error.contains(QStringLiteral("получен не полностью")),
             qPrintable(model->rowAt(3)->error));
    QVERIFY(model->index(3, MArchiveModel::ColType).data().toString().startsWith(QStringLiteral("Ошибка: ")));
    QCOMPARE(status(*window), QStringLiteral("Чтение прервано перед документом 7."));
    QVERIFY(!mpLinkSettings().connected);

    // Resumed: only the damaged document and those after the stop are read.
    QList<quint32> readAgain;
    connect(model, &QAbstractItemModel::dataChanged, this,
            [&](const QModelIndex &at) { readAgain << model->rowAt(at.row())->number; });
    QVERIFY(click(*window, "butArchiveRead"));
    disconnect(model, nullptr, this, nullptr);
    QCOMPARE(readAgain, QList<quint32>{4} + range(7, last));
    QCOMPARE(numbersIn(model, MArchiveRow::Read), range(1, last));
    QCOMPARE(status(*window), QStringLiteral("Прочитано документов: %1 из %1, с ошибкой: 0.").arg(last));
    int unconfirmed = 0;
    for (int row = 0; row < model->count(); ++row) {
        const bool acked = bench.read([row](const RegisterModel &m) {
            return m.fiscalStorage().find(quint32(row + 1))->ackTime.isValid();
        });
        QCOMPARE(model->rowAt(row)->ofd, acked ? MArchiveRow::OfdConfirmed : MArchiveRow::OfdNotConfirmed);
        unconfirmed += acked ? 0 : 1;
    }
    QCOMPARE(model->index(int(last) - 1, MArchiveModel::ColTotal).data().toString(), QStringLiteral("15.00"));
    QVERIFY(!model->index(int(last) - 1, MArchiveModel::ColSign).data().toString().isEmpty());

    // A row chosen shows its document as the ОФД/ФН page does.
    auto *table = child<QTableView>(*window, "tableArchive");
    table->setCurrentIndex(table->model()->index(int(last) - 1, 0));
    QVERIFY(
        child<QTextEdit>(*window, "textArchiveDocument")->toPlainText().contains(QStringLiteral("Товар 5")));
    QCOMPARE(page->shownNumber(), last);

    // The export equals kelo-cli's of the same range, file for file, in
    // every format; into a folder that holds one already, nothing is written twice.
    QTemporaryDir out;
    const QList<std::pair<QString, QString>> formats{{"HTML", "html"}, {"JSON", "json"}, {"Текст", "text"}};
    for (const auto &[shown, option] : formats) {
        const QString mine = out.filePath("window-" + option), theirs = out.filePath("cli-" + option);
        QVERIFY(QDir().mkpath(mine));
        page->formatBox()->setCurrentIndex(page->formatBox()->findText(shown));
        QVERIFY(clickChoosing(*window, "butArchiveExport", mine));
        QCOMPARE(status(*window), QStringLiteral("Экспортировано документов: %1 (уже были в папке: 0), не "
                                                 "экспортировано: 0, не подтверждено ОФД: %2.")
                                      .arg(last)
                                      .arg(unconfirmed));
        QProcess cli;
        cli.setProcessEnvironment(cliEnvironment());
        cli.start(QStringLiteral(KELO_CLI_PATH), {"-f", option, "-p", linkPath, "fn-export", "--dir", theirs,
                                                  "--from", "1", "--to", QString::number(last)});
        QVERIFY(cli.waitForFinished(60000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        const QStringList files = QDir(theirs).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QCOMPARE(QDir(mine).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
        QCOMPARE(files.size(), int(last) + 3); // the index twice and its journal
        for (const QString &name : files)
            QVERIFY2(readFile(QDir(mine).filePath(name)) == readFile(QDir(theirs).filePath(name)),
                     qPrintable(name));
    }
    QVERIFY(clickChoosing(*window, "butArchiveExport", out.filePath("window-text")));
    QVERIFY(status(*window).startsWith(
        QStringLiteral("Экспортировано документов: %1 (уже были в папке: %1)").arg(last)));
}

void TstArchiveOps::pulledCableResumes()
{
    QTemporaryDir links;
    const QString linkPath = links.filePath(QStringLiteral("ttyKelo"));
    FORMTEST_OPEN(bench, window, linkedConfig(linkPath));
    // The terminal behind the link is a new one once the cable is back.
    child<QComboBox>(*window, "comboCOMPort")->setEditText(linkPath);
    const quint32 last = fillArchive(bench);
    MArchiveModel *model = archivePage(*window)->model();
    whenRead(model, 3, [&bench] { QVERIFY(bench.emulator().unplug()); });
    QVERIFY(click(*window, "butArchiveRead"));
    // The row it stopped at is marked with the link's error; how many more
    // the link let fail before it gave up is the link's concern.
    QCOMPARE(numbersIn(model, MArchiveRow::Read), range(1, 3));
    const QList<quint32> failed = numbersIn(model, MArchiveRow::Failed);
    QVERIFY(!failed.isEmpty() && failed.first() == 4);
    QCOMPARE(numbersIn(model, MArchiveRow::NotRead), range(failed.last() + 1, last));
    QVERIFY2(
        status(*window).startsWith(QStringLiteral("Связь с ККТ потеряна на документе %1").arg(failed.last())),
        qPrintable(status(*window)));

    // Back in place, the next reading reads only what is missing.
    QVERIFY(bench.emulator().plugIn());
    QList<quint32> readAgain;
    connect(model, &QAbstractItemModel::dataChanged, this,
            [&](const QModelIndex &at) { readAgain << model->rowAt(at.row())->number; });
    QVERIFY(click(*window, "butArchiveRead"));
    disconnect(model, nullptr, this, nullptr);
    QVERIFY2(numbersIn(model, MArchiveRow::Read) == range(1, last), qPrintable(status(*window)));
    QCOMPARE(readAgain, range(4, last));
}

QTEST_MAIN(TstArchiveOps)
#include "tst_archiveops.moc"
