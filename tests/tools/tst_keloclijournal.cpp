// kelo-cli and the service journal: a service call on the emulator, a run
// killed while reading, runs that leave the journal alone, document ranges.

#include "clirun.h"
#include "emulatorengine.h"
#include "registermodel.h"
#include "wireformat.h"

#include <servicejournal.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace kelo::emu;

class TstKeloCliJournal : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_engine.reset(); }
    void serviceCall();
    void killedWhileReading();
    void journalLeftAlone_data();
    void journalLeftAlone();
    void documentRanges_data();
    void documentRanges();

private:
    QStringList link() const { return {"--port", m_port, "--baud", "115200", "--timeout", "500"}; }
    CliRun cli(const QStringList &args) { return runCli(args, {"KELO_JOURNAL=" + m_journal}); }
    void addReports(int count); // settlement reports: a document each
    QString sql(const QString &query) const;

    std::unique_ptr<EmulatorEngine> m_engine;
    QString m_port;
    QTemporaryDir m_dir;
    QString m_journal;
    int m_runs = 0;
};

void TstKeloCliJournal::init()
{
    m_journal = m_dir.filePath(QStringLiteral("journal-%1.sqlite").arg(++m_runs));
    EmulatorConfig config;
    config.baud = 0;
    config.preset = Preset::Registered;
    config.dumpBlocks = 48;
    m_engine = std::make_unique<EmulatorEngine>(config);
    QVERIFY2(m_engine->start(), qPrintable(m_engine->errorString()));
    m_port = m_engine->portPath();
}

void TstKeloCliJournal::addReports(int count)
{
    m_engine->modify([count](RegisterModel &m) {
        for (int i = 0; i < 2 * count; ++i) {
            QByteArray request("\xFF", 1);
            request.append(char(i % 2 ? 0x38 : 0x37));
            wire::appendLE(request, quint64(m.sysAdminPassword()), 4);
            m.execute(request);
        }
    });
}

QString TstKeloCliJournal::sql(const QString &query) const
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {m_journal, query});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return QStringLiteral("sqlite3 failed: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void TstKeloCliJournal::serviceCall()
{
    addReports(3); // documents 1..10
    const QDir out(m_dir.filePath(QStringLiteral("call")));
    for (const QStringList &args :
         {QStringList{"fn-export", "--from", "1", "--to", "10", "--dir", out.filePath("a")},
          QStringList{"tables-export", out.filePath("settings.json")},
          QStringList{"dump", out.filePath("fw.bin")}}) {
        const CliRun run = cli(args + link());
        QVERIFY2(run.exitCode == 0 && !run.err.contains("unavailable"), qPrintable(run.err));
    }
    const QJsonArray registers =
        QJsonDocument::fromJson(cli({"journal", "registers", "-f", "json"}).outBytes)["registers"].toArray();
    QCOMPARE(registers.size(), 1);
    const QString serial = registers[0]["serial"].toString();
    const CliRun show = cli({"-f", "json", "journal", "show", serial});
    QVERIFY2(show.exitCode == 0, qPrintable(show.err));
    const QJsonObject shown = QJsonDocument::fromJson(show.outBytes).object();
    QCOMPARE(shown["visits"].toArray().size(), 1);
    QStringList operations;
    for (const QJsonValue &op : shown["visits"][0]["operations"].toArray())
        operations << op["name"].toString() + (op["ok"].toBool() ? "" : " failed");
    QCOMPARE(operations, QStringList({"fn-export", "tables-export", "dump"}));
    const QJsonValue fn = shown["fns"][0];
    QCOMPARE(QList<int>({int(shown["fns"].toArray().size()), fn["documents"].toInt(),
                         fn["firstNumber"].toInt(), fn["lastNumber"].toInt()}),
             QList<int>({1, 10, 1, 10}));
    QList<int> numbers;
    for (const QJsonValue &doc : shown["documents"].toArray())
        numbers << doc["number"].toInt();
    QCOMPARE(numbers, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    QFile settings(out.filePath("settings.json")), dump(out.filePath("fw.bin"));
    QVERIFY(settings.open(QIODevice::ReadOnly) && dump.open(QIODevice::ReadOnly));
    const QByteArray backupBytes = settings.readAll();
    const QString md5 = QCryptographicHash::hash(dump.readAll(), QCryptographicHash::Md5).toHex();
    QCOMPARE(shown["backups"][0]["size"].toInt(), backupBytes.size());
    QCOMPARE(shown["dumps"][0]["md5"].toString(), md5);

    // The same, as another program reads the file.
    QCOMPARE(sql("select count(*), min(number), max(number), count(distinct fn_number) from documents"),
             QStringLiteral("10|1|10|1"));
    QCOMPARE(sql("select count(*), max(front_end) from visits"), QStringLiteral("1|kelo-cli"));
    QCOMPARE(sql("select md5, size from dumps"), md5 + "|" + QString::number(dump.size()));
    QCOMPARE(sql("select hex(content) from backups"), QString::fromLatin1(backupBytes.toHex().toUpper()));

    // Read again: no new row, and the kept document prints as the FN's.
    const CliRun fromFn = cli(QStringList{"fn-doc", "3", "--format", "json"} + link());
    QCOMPARE(cli(QStringList{"fn-export", "--dir", out.filePath("b"), "--from", "1", "--to", "10"} + link())
                 .exitCode,
             0);
    QCOMPARE(sql("select count(*) from documents"), QStringLiteral("10"));
    const CliRun kept = cli({"journal", "document", fn["fnNumber"].toString(), "3", "--format", "json"});
    QVERIFY(kept.exitCode == 0 && kept.outBytes == fromFn.outBytes);
    QCOMPARE(cli({"journal", "document", fn["fnNumber"].toString(), "11"}).exitCode, 1);
}

void TstKeloCliJournal::killedWhileReading()
{
    addReports(60);
    m_engine->setReplyDelayMs(15);
    const QDir out(m_dir.filePath(QStringLiteral("killed")));
    QProcess process;
    process.setProcessEnvironment(cliEnvironment({"KELO_JOURNAL=" + m_journal}));
    process.start(QStringLiteral(KELO_CLI_PATH), QStringList{"fn-export", "--dir", out.path()} + link());
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(out.exists(QStringLiteral("fd-000004.txt")), 30000);
    ::kill(pid_t(process.processId()), SIGKILL);
    QVERIFY(process.waitForFinished());

    journal::ServiceJournal journal;
    QVERIFY2(journal.open(m_journal), qPrintable(journal.problem()));
    const QList<journal::DocumentRow> docs =
        journal.documents(journal.registers().value(0).info.fnNumber, {}, true);
    QVERIFY(docs.size() >= 4 && docs.size() < 67);
    for (const journal::DocumentRow &row : docs) {
        const ops::FnDocument doc = journal::ServiceJournal::toFnDocument(row);
        QVERIFY2(doc.isComplete() && !doc.items.isEmpty(), qPrintable(doc.error));
        QCOMPARE(row.number, docs.first().number + quint32(&row - &docs.first()));
    }
}

// Rows: what the journal file is before the run, and what the run must leave.
void TstKeloCliJournal::journalLeftAlone_data()
{
    QTest::addColumn<QString>("file"); // "none" or "random"
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("warnings");
    const QStringList exec{"exec", "FC"};
    QTest::newRow("--no-journal before the command")
        << "none" << QStringList{"--no-journal"} + exec << 0 << 0;
    QTest::newRow("--no-journal after it") << "none" << exec + QStringList{"--no-journal"} << 0 << 0;
    QTest::newRow("random bytes") << "random" << exec << 0 << 1;
    QTest::newRow("no register command")
        << "random" << QStringList{"regnum", "1", "7700000000", "1"} << 0 << 0;
    QTest::newRow("read, file missing") << "none" << QStringList{"journal", "registers"} << 0 << 0;
    QTest::newRow("read, random bytes") << "random" << QStringList{"journal", "registers"} << 3 << 1;
}

void TstKeloCliJournal::journalLeftAlone()
{
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(int, warnings);
    QByteArray before;
    if (file == "random") {
        before.resize(4096);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(before.data()), before.size() / 4);
        QFile f(m_journal);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(before) == before.size());
    }
    const CliRun run = cli(args + (args.contains("exec") ? link() : QStringList()));
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
    QCOMPARE(run.err.count("kelo-cli: journal " + m_journal + " unavailable ("), warnings);
    QFile f(m_journal);
    QCOMPARE(f.open(QIODevice::ReadOnly), file != "none");
    QVERIFY(!f.isOpen() || f.readAll() == before);
}

void TstKeloCliJournal::documentRanges_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QList<int>>("numbers");
    const QStringList fn{"journal", "documents", "9999078900000001", "--format", "json"};
    QTest::newRow("all") << fn << 0 << QList<int>{1, 2, 3, 4};
    QTest::newRow("numbers") << fn + QStringList{"--from", "2", "--to", "3"} << 0 << QList<int>{2, 3};
    QTest::newRow("one day") << fn + QStringList{"--from", "2026-01-10", "--to", "2026-01-10"} << 0
                             << QList<int>{1, 2};
    QTest::newRow("from a moment to a day")
        << fn + QStringList{"--from", "2026-01-10T12:00:00", "--to", "2026-01-11"} << 0 << QList<int>{2, 3};
    QTest::newRow("another FN") << QStringList{"journal", "documents", "1", "-f", "json"} << 0
                                << QList<int>{};
    QTest::newRow("number and date") << fn + QStringList{"--from", "1", "--to", "2026-01-10"} << 2
                                     << QList<int>{};
    QTest::newRow("numbers backwards") << fn + QStringList{"--from", "3", "--to", "2"} << 2 << QList<int>{};
    QTest::newRow("days backwards") << fn + QStringList{"--from", "2026-01-11", "--to", "2026-01-10"} << 2
                                    << QList<int>{};
    QTest::newRow("no such day") << fn + QStringList{"--from", "2026-02-30"} << 2 << QList<int>{};
    QTest::newRow("not a bound") << fn + QStringList{"--to", "yesterday"} << 2 << QList<int>{};
}

void TstKeloCliJournal::documentRanges()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QList<int>, numbers);
    {
        journal::ServiceJournal journal;
        QVERIFY(journal.open(m_journal));
        journal::RegisterInfo info;
        info.serial = QStringLiteral("00000042");
        info.fnNumber = QStringLiteral("9999078900000001");
        const qint64 visit = journal.beginVisit(info, QStringLiteral("ttyS0"), QStringLiteral("kelo-cli"));
        quint32 number = 0;
        for (const char *date :
             {"2026-01-10T09:00:00", "2026-01-10T18:30:00", "2026-01-11T08:00:00", "2026-01-12T12:00:00"}) {
            ops::FnDocument doc;
            doc.number = ++number;
            doc.docType = 3;
            doc.status = ops::FnDocument::Complete;
            QByteArray time;
            const QDateTime at = QDateTime::fromString(date + QStringLiteral("Z"), Qt::ISODate);
            wire::appendLE(time, quint64(at.toSecsSinceEpoch()), 4);
            doc.items = {ops::FnItem{1012, 4, time}};
            QVERIFY(journal.recordDocument(visit, info.fnNumber, doc, journal::DocumentRow::OfdUnknown));
        }
    }
    const CliRun run = cli(args);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
    if (exitCode != 0)
        return;
    QList<int> listed;
    for (const QJsonValue &doc : QJsonDocument::fromJson(run.outBytes).object()["documents"].toArray())
        listed << doc["number"].toInt();
    QCOMPARE(listed, numbers);
}

QTEST_GUILESS_MAIN(TstKeloCliJournal)
#include "tst_keloclijournal.moc"
