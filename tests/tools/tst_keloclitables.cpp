// kelo-cli's settings table commands end to end: the program run against the
// register emulator, its exit codes and messages, and a backup restored with
// the frames on the line counted: only the changed cell is written.

#include "clirun.h"
#include "emulatorengine.h"
#include "systemtestutil.h"

#include <kelodefaults.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace kelo::emu;

namespace {

using Run = CliRun;

// A request frame of command 1E as the trace shows what the PC sent.
const QRegularExpression writeFrame(QStringLiteral("< 02 [0-9A-F]{2} 1E "));

} // namespace

class TstKeloCliTables : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_engine.reset(); }
    void exitCodes_data();
    void exitCodes();
    void exportChangeAndImport();
    void differenceTheRegisterRefuses();

private:
    Run cliOnLink(const QStringList &args)
    {
        return runCli(args + QStringList{"--port", m_port, "--baud", "115200", "--timeout", "500"});
    }
    quint64 tableNumber(int table, int row, int field) const;

    std::unique_ptr<EmulatorEngine> m_engine;
    QString m_port;
    QTemporaryDir m_dir;
    std::atomic<int> m_writes{0};
};

void TstKeloCliTables::init()
{
    m_engine.reset();
    m_writes = 0;
    EmulatorConfig config;
    config.baud = 0;
    config.preset = Preset::Registered;
    config.trace = [this](const QString &line) {
        if (line.contains(writeFrame))
            ++m_writes;
    };
    m_engine = std::make_unique<EmulatorEngine>(config);
    QVERIFY2(m_engine->start(), qPrintable(m_engine->errorString()));
    m_port = m_engine->portPath();
}


quint64 TstKeloCliTables::tableNumber(int table, int row, int field) const
{
    quint64 v = 0;
    m_engine->inspect([&](const RegisterModel &m) { v = m.tables().number(table, row, field); });
    return v;
}

void TstKeloCliTables::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text"); // on standard output for 0, else on standard error
    QTest::addColumn<int>("writes");   // 1E frames the register received

    QTest::newRow("value above the range")
        << QStringList{"table-set", "9", "1", "1", "16"} << 2 << "1..15" << 0;
    QTest::newRow("row past the table")
        << QStringList{"table-set", "9", "2", "1", "5"} << 2 << "rows 1..1" << 0;
    QTest::newRow("table 0") << QStringList{"table-get", "0"} << 2 << QString() << 0;
    QTest::newRow("unknown table") << QStringList{"table-get", "11"} << 4 << "[93]: Таблица не определена!"
                                   << 0;
    QTest::newRow("field the register keeps") << QStringList{"table-set", "18", "1", "2", "7700000099"} << 4
                                              << "[122]: Поле не редактируется!" << 1;
    QTest::newRow("value written") << QStringList{"table-set", "19", "1", "2", "8080"} << 0
                                   << "19.1.2 Порт: 7777 -> 8080" << 1;
    QTest::newRow("one value") << QStringList{"table-get", "6", "1", "2"} << 0 << "НДС 22%\n" << 0;
    QTest::newRow("a row") << QStringList{"table-get", "6", "3"} << 0
                           << "3.1 Ставка: 0\n3.2 Название налога: \"НДС 0%\"\n"
                           << 0;
    QTest::newRow("list") << QStringList{"tables"} << 0 << " 19  Параметры ОФД  (rows 1, fields 5)" << 0;
    QTest::newRow("import of a missing file")
        << QStringList{"tables-import", "missing.json"} << 2 << "missing.json" << 0;
}

void TstKeloCliTables::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    QFETCH(int, writes);
    const Run run = cliOnLink(args);
    QVERIFY2(run.exitCode == exitCode, qPrintable(QStringLiteral("%1: %2").arg(run.exitCode).arg(run.err)));
    QVERIFY2((exitCode == 0 ? run.out : run.err).contains(text), qPrintable(run.out + run.err));
    QCOMPARE(m_writes.load(), writes);
}

void TstKeloCliTables::exportChangeAndImport()
{
    const QString file = m_dir.filePath(QStringLiteral("backup.json"));
    Run run = cliOnLink({"tables-export", file});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QJsonObject backup = QJsonDocument::fromJson(readFile(file)).object();
    QCOMPARE(backup.value("model").toInt(), 250);
    QCOMPARE(backup.value("serialNumber").toString(), QStringLiteral("1702000123"));
    QCOMPARE(backup.value("tables").toArray().size(), 12);

    run = cliOnLink({"table-set", "19", "1", "2", "8888"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(tableNumber(19, 1, 2), quint64(8888));

    run = cliOnLink({"tables-import", file, "--dry-run"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(run.out, QStringLiteral("table 19 «Параметры ОФД», row 1, field 2 «Порт»: 8888 -> 7777\n"));
    QCOMPARE(tableNumber(19, 1, 2), quint64(8888));

    m_writes = 0;
    run = cliOnLink({"tables-import", file, "--format", "json"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(tableNumber(19, 1, 2), quint64(7777));
    QCOMPARE(m_writes.load(), 1);
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(report.value("differences").toArray().size(), 1);
    QCOMPARE(report.value("written").toArray().at(0).toObject().value("ok").toBool(), true);

    // Nothing left to write the second time.
    m_writes = 0;
    run = cliOnLink({"tables-import", file});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QCOMPARE(m_writes.load(), 0);
}

// With a shift open the register refuses its settings: the difference is
// reported as not written and the run ends with exit code 1.
void TstKeloCliTables::differenceTheRegisterRefuses()
{
    const QString file = m_dir.filePath(QStringLiteral("backup.json"));
    QVERIFY(cliOnLink({"tables-export", file}).exitCode == 0);
    QVERIFY(cliOnLink({"table-set", "19", "1", "2", "8888"}).exitCode == 0);
    QByteArray openShift("\xE0");
    for (quint32 p = kelo::kDefaultSysAdminPassword, i = 0; i < 4; ++i, p >>= 8)
        openShift.append(char(p & 0xFF));
    int error = -1;
    m_engine->modify([&](RegisterModel &m) { error = m.execute(openShift).at(1); });
    QCOMPARE(error, 0);
    const Run run = cliOnLink({"tables-import", file});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("not written: table 19"))
                 && run.err.contains(QStringLiteral("[199]")),
             qPrintable(run.err));
    QCOMPARE(tableNumber(19, 1, 2), quint64(8888));
}

QTEST_GUILESS_MAIN(TstKeloCliTables)
#include "tst_keloclitables.moc"
