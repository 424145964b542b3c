// How the service journal copes with a large history: fills a journal with
// 100,000 documents (by default) of 100 registers, one of which holds half of
// them, then times the journal page of the window (opened, the largest
// register chosen, searches typed) and the queries behind it and kelo-cli.
// Prints each time against its budget: opening the page 1 s, a search 100 ms.
//
//     journal [DOCUMENTS] [FILE]   (FILE kept when given, else a temporary one)

#include "servicejournal.h"

#include <mjournalpage.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using journal::ServiceJournal;

namespace {

constexpr int kRegisters = 100;

QByteArray le(quint64 value, int width)
{
    QByteArray out;
    for (int i = 0; i < width; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

QByteArray tlv(quint16 tag, const QByteArray &value)
{
    return le(tag, 2) + le(quint16(value.size()), 2) + value;
}

QString serialOf(int r)
{
    return QStringLiteral("%1").arg(1702000000 + r);
}

QString fnOf(int r, int f)
{
    return QStringLiteral("99990789%1%2").arg(r, 6, 10, QLatin1Char('0')).arg(f, 2, 10, QLatin1Char('0'));
}

// Median of five runs, in milliseconds.
double timed(const std::function<void()> &what)
{
    QList<double> runs;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        what();
        runs << clock.nsecsElapsed() / 1e6;
    }
    std::sort(runs.begin(), runs.end());
    return runs.at(2);
}

void report(const char *what, double ms, double budgetMs)
{
    std::printf("%-50s %7.1f ms   %.3f of the %.0f ms budget\n", what, ms, ms / budgetMs, budgetMs);
}

bool fill(const QString &path, int documents)
{
    {
        ServiceJournal store;
        if (!store.open(path))
            return false;
        for (int r = 0; r < kRegisters; ++r) {
            journal::RegisterInfo info{serialOf(r), 250, QStringLiteral("Kelo-Vint-Ф"),
                                       QStringLiteral("77%1").arg(r, 8, 10, QLatin1Char('0')),
                                       QStringLiteral("00000000010%1").arg(r, 5, 10, QLatin1Char('0')), fnOf(r, 1)};
            for (int v = 0; v < 5; ++v) {
                const qint64 visit = store.beginVisit(info, QStringLiteral("/dev/ttyUSB0"), QStringLiteral("window"),
                                                      QDateTime::currentDateTime().addDays(v - 5));
                for (int o = 0; o < 6; ++o)
                    store.recordOperation(visit, QStringLiteral("Тест связи"), QStringLiteral("Ошибок нет."), true);
                if (v == 4)
                    store.recordDump(visit, QStringLiteral("dump.bin"), 262144, QStringLiteral("0123456789abcdef"));
            }
        }
    }
    // The documents in one transaction of a connection of its own: a visit
    // records them one by one, which would make filling the journal the
    // slowest part of the benchmark.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    if (!db.open() || !db.transaction())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO documents (fn_number, number, type, date, total, fiscal_sign, raw,"
                                 " visit_id, stored, ofd, register_id) VALUES (?, ?, 3, ?, ?, ?, ?, ?, ?, 1, ?)"));
    const QDateTime start(QDate(2025, 1, 1), QTime(9, 0));
    for (int i = 0; i < documents; ++i) {
        // Half of them in the first register, the rest spread over the others.
        const int r = i % 2 == 0 ? 0 : 1 + (i / 2) % (kRegisters - 1);
        const int f = r == 0 && i > documents / 4 ? 2 : 1;
        const quint32 number = quint32(i / 2 + 1);
        const QDateTime when = start.addSecs(qint64(i) * 300);
        const QByteArray item = tlv(1030, QByteArray("Товар ") + QByteArray::number(i)) + tlv(1079, le(10050, 3))
                                + tlv(1023, le(1000, 3)) + tlv(1043, le(10050, 3));
        const QByteArray raw = tlv(1012, le(when.toSecsSinceEpoch(), 4)) + tlv(1037, "0000000001012345")
                               + tlv(1041, fnOf(r, f).toLatin1()) + tlv(1040, le(number, 4)) + tlv(1059, item)
                               + tlv(1020, le(10050, 3)) + tlv(1077, le(quint64(i) * 7919, 6));
        for (const QVariant &value :
             {QVariant(fnOf(r, f)), QVariant(qint64(number)), QVariant(when.toString(Qt::ISODate)),
              QVariant(QStringLiteral("100.50")), QVariant(QString::number(quint64(i) * 7919)), QVariant(raw),
              QVariant(qint64(r * 5 + 5)), QVariant(when.toString(Qt::ISODate)), QVariant(qint64(r + 1))})
            query.addBindValue(value);
        if (!query.exec())
            return false;
    }
    query.finish();
    const bool done = db.commit();
    db.close();
    return done;
}

// The page as the window shows it, timed from its creation until it has
// drawn the registers and the details of the first.
void timePage(const ServiceJournal &store)
{
    MJournalPage::Host host;
    host.chooseFile = [](const QString &, const QStringList &, const QString &, const QString &) { return QString(); };
    host.status = [](const QString &) {};
    host.openDocument = [](const journal::DocumentRow &) {};
    QElapsedTimer clock;
    clock.start();
    auto page = std::make_unique<MJournalPage>(host);
    page->resize(1250, 700);
    page->setJournal(&store, QString());
    page->refresh();
    page->show();
    QCoreApplication::processEvents();
    report("page: created, registers and first details drawn", clock.nsecsElapsed() / 1e6, 1000);
    report("page: the largest register chosen", timed([&page] {
               page->chooseRegister(serialOf(1));
               page->chooseRegister(serialOf(0));
               QCoreApplication::processEvents();
           }) / 2, 1000);
    auto *search = page->findChild<QLineEdit *>(QStringLiteral("strJournalSearch"));
    for (const auto &[what, text] : {std::pair{"page: search by serial number, details shown", serialOf(42)},
                                     std::pair{"page: search by FN number, details shown", fnOf(42, 1)},
                                     std::pair{"page: search by INN, details shown", QStringLiteral("7700000042")}}) {
        report(what, timed([&page, search, text = text] {
                   search->setText(text);
                   page->refresh(); // what the typing pause sets off
                   QCoreApplication::processEvents();
                   search->clear();
                   page->refresh();
               }) / 2, 100);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int documents = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("journal.sqlite"));
    if (documents <= 0) {
        std::fprintf(stderr, "usage: %s [DOCUMENTS] [FILE]\n", argv[0]);
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    if (!fill(path, documents)) {
        std::fprintf(stderr, "could not fill %s\n", qPrintable(path));
        return 1;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    std::printf("%d documents of %d registers written in %.1f s (%s, %.1f MB)\n", documents, kRegisters,
                clock.elapsed() / 1000.0, qPrintable(path), QFileInfo(path).size() / 1e6);

    ServiceJournal store;
    const double openMs = timed([&store, &path] { store.open(path); });
    report("open the journal", openMs, 1000);
    // What the page shows first: every register, and the details of the one
    // chosen first (here the largest): visits, FNs, backups, dumps and the
    // first screens of documents of its FN.
    const double pageMs = timed([&store] {
        const QList<journal::RegisterRow> all = store.registers();
        const qint64 id = all.isEmpty() ? 0 : all.last().id;
        store.visits(id);
        const QList<journal::FnRow> fns = store.fns(id);
        store.backups(id);
        store.dumps(id);
        if (!fns.isEmpty()) {
            journal::DocumentRange range;
            range.limit = 500;
            store.documents(fns.first().fnNumber, range);
        }
    });
    report("queries: registers, the largest one's details", pageMs, 1000);
    timePage(store);
    report("search by serial number", timed([&store] { store.registers(QStringLiteral("1702000042")); }), 100);
    report("search by INN", timed([&store] { store.registers(QStringLiteral("7700000042")); }), 100);
    report("search by FN number", timed([&store] { store.registers(fnOf(42, 1)); }), 100);
    report("search without a match", timed([&store] { store.registers(QStringLiteral("31415926")); }), 100);
    journal::DocumentRange dates;
    dates.fromDate = QStringLiteral("2025-03-01");
    dates.toDate = QStringLiteral("2025-03-31");
    report("documents of a month of the largest FN",
           timed([&store, &dates] { store.documents(fnOf(0, 1), dates); }), 100);
    return 0;
}
