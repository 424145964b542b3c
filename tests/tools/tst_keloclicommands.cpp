// kelo-cli's text commands end to end: what exec sends for what is written
// (the password left out, a surplus or over-long parameter, commands from
// standard input), the list of commands, output files checked before the
// register is asked, and a fiscal document as raw TLV that decode-tlv reads.

#include "clirun.h"
#include "emulatorengine.h"
#include "systemtestutil.h"

#include <kelodefaults.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace kelo::emu;

namespace {

using Run = CliRun;

const QString pw = QString::number(kelo::kDefaultSysAdminPassword);

} // namespace

class TstKeloCliCommands : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { m_engine.reset(); }
    void passwordLeftOutTakesTheGivenOne_data();
    void passwordLeftOutTakesTheGivenOne();
    void refusedBeforeAnythingIsSent_data();
    void refusedBeforeAnythingIsSent();
    void commandsFromStandardInputWithNamedValues();
    void commandsListsAndDescribes();
    void fnDocAsTlvDecodes();

private:
    Run cli(const QStringList &args, const QByteArray &input = QByteArray());
    QStringList link() const { return {"--port", m_port, "--baud", "115200", "--timeout", "500"}; }
    void startEmulator(int password = kelo::kDefaultSysAdminPassword);

    std::unique_ptr<EmulatorEngine> m_engine;
    QString m_port;
    QTemporaryDir m_dir;
};

void TstKeloCliCommands::startEmulator(int password)
{
    m_engine.reset();
    EmulatorConfig config;
    config.preset = Preset::Registered;
    config.sysAdminPassword = password;
    m_engine = std::make_unique<EmulatorEngine>(config);
    QVERIFY2(m_engine->start(), qPrintable(m_engine->errorString()));
    m_port = m_engine->portPath();
}

Run TstKeloCliCommands::cli(const QStringList &args, const QByteArray &input)
{
    return runCli(args, {}, input, m_dir.path());
}

// A register with another password: a text command that leaves its password
// out sends the one of --password, also where the command's description
// names the password of "Default.ini" as its default.
void TstKeloCliCommands::passwordLeftOutTakesTheGivenOne_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("state, default of Default.ini") << QStringList{"11"} << QByteArray();
    QTest::newRow("short state, default of Default.ini") << QStringList{"10"} << QByteArray();
    QTest::newRow("from standard input") << QStringList{"-"} << QByteArray("11\n10\n");
}

void TstKeloCliCommands::passwordLeftOutTakesTheGivenOne()
{
    QFETCH(QStringList, commands);
    QFETCH(QByteArray, input);
    const int other = kelo::kDefaultSysAdminPassword == 29 ? 28 : 29;
    startEmulator(other);
    const Run run = cli(
        QStringList{"exec"} + commands + link() + QStringList{"--password", QString::number(other)}, input);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
}

// Usage errors found in the text commands and output paths: exit 2 or 3, a
// message that names the parameter or the file with the system's reason,
// and not a byte sent to the register.
void TstKeloCliCommands::refusedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("err"); // each must be in standard error
    const QString name40(40, QChar(0x0416));
    const QString sale = "80," + pw + ",1,1.00,0,1,0,0,0,";
    QTest::newRow("comma in an unquoted name")
        << QStringList{"exec", "80," + pw + ",1,1.00,0,1,0,0,0,Сыр, весовой"} << 2
        << QStringList{"Parameter 10 \" весовой\" is one too many: command 80 takes 9 parameters"};
    QTest::newRow("surplus parameter")
        << QStringList{"exec", "1F,30,1,1,1,5"} << 2 << QStringList{"Parameter 5 \"5\" is one too many"};
    QTest::newRow("name longer than its field, after a sound command")
        << QStringList{"exec", "FC", sale + name40 + "X"} << 2
        << QStringList{"Parameter 9 (", "is 41 bytes long, its field holds 40"};
    QTest::newRow("flags wider than their field")
        << QStringList{"exec", "FF06," + pw + ",7736207543,0000000001025141,0101,01"} << 2
        << QStringList{"Parameter 4 (", "is 4 hexadecimal digits long, its field holds 2"};
    QTest::newRow("flags of one digit")
        << QStringList{"exec", "FF06," + pw + ",7736207543,0000000001025141,1,01"} << 2
        << QStringList{"Parameter 4 (", "\"1\" is not hexadecimal bytes"};
    QTest::newRow("names beyond the fixed request")
        << QStringList{"exec",
                       "FF0D," + pw + ",1,1,1.00,0,0,1,00,0," + QString(130, 'a') + ",0," + QString(130, 'b')}
        << 2 << QStringList{"The parameters take", "command FF0D holds 254"};
    QTest::newRow("no command on standard input")
        << QStringList{"exec", "-"} << 2 << QStringList{"no text command to run"};

    QTest::newRow("dump into a missing directory")
        << QStringList{"dump", "nodir/fw.bin"} << 3
        << QStringList{QDir(m_dir.path()).filePath("nodir/fw.bin") + ": No such file or directory"};
    QTest::newRow("dump under a file")
        << QStringList{"dump", "plain/fw.bin"} << 3
        << QStringList{QDir(m_dir.path()).filePath("plain/fw.bin") + ": Not a directory"};
    QTest::newRow("export directory under a file")
        << QStringList{"fn-export", "--dir", "plain/archive"} << 3
        << QStringList{"cannot create the directory " + QDir(m_dir.path()).filePath("plain/archive")
                       + ": Not a directory"};
    QTest::newRow("document into a missing directory")
        << QStringList{"fn-doc", "3", "--format", "tlv", "--out", "nodir/d.tlv"} << 3
        << QStringList{QDir(m_dir.path()).filePath("nodir/d.tlv") + ": No such file or directory"};
}

void TstKeloCliCommands::refusedBeforeAnythingIsSent()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, err);
    startEmulator();
    QVERIFY(writeFile(m_dir.filePath("plain"), "a file"));
    const Run run = cli(args + link());
    QCOMPARE(run.exitCode, exitCode);
    for (const QString &part : err)
        QVERIFY2(run.err.contains(part), qPrintable(run.err));
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    QCOMPARE(m_engine->stats().bytesIn, quint64(0));
}

// Commands piped in run in order on one connection; a quoted text keeps its
// comma; JSON gives every reply value by its identifier, numbers as numbers.
void TstKeloCliCommands::commandsFromStandardInputWithNamedValues()
{
    startEmulator();
    const QByteArray script = "# state first\n"
                              "FC\n"
                              "\n"
                              "  11\r\n"
                              "17,"
                              + pw.toUtf8() + ",1,\"Сыр, весовой\"\n";
    const Run run = cli(QStringList{"exec", "-", "--format", "json"} + link(), script);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QJsonArray commands = QJsonDocument::fromJson(run.outBytes)["commands"].toArray();
    QCOMPARE(commands.size(), 3);
    const QJsonObject fc = commands.at(0)["named"].toObject();
    QCOMPARE(fc["frmodel"], QJsonValue(250));
    QCOMPARE(fc["frname"], QJsonValue(QStringLiteral("Kelo-Vint-Ф")));
    QCOMPARE(fc["CMD"], QJsonValue(QStringLiteral("FC")));
    const QJsonObject state = commands.at(1)["named"].toObject();
    QVERIFY(state["zavNom"].isDouble());
    QCOMPARE(commands.at(1)["values"].toArray().size(), 24); // the array stays as it was
    // The password is never echoed; the text keeps its quotes.
    QCOMPARE(commands.at(2)["command"].toString(), QStringLiteral("17,***,1,\"Сыр, весовой\""));
    bool printed = false;
    m_engine->inspect([&](const RegisterModel &m) {
        printed = m.state().printed.contains(QStringLiteral("Сыр, весовой"));
    });
    QVERIFY(printed);
}

void TstKeloCliCommands::commandsListsAndDescribes()
{
    const Run list = cli({"commands"});
    QCOMPARE(list.exitCode, 0);
    QVERIFY2(list.out.contains(QStringLiteral("\n11    Состояние ФР\n")), qPrintable(list.out));
    QVERIFY(list.out.contains(QStringLiteral("\nFF3B  ")));

    const Run sale = cli({"commands", "80"});
    QCOMPARE(sale.exitCode, 0);
    const QStringList lines = sale.out.split(QLatin1Char('\n'));
    QVERIFY2(lines.filter(QRegularExpression(
                              QStringLiteral("^  1 +prlop .* number +4 +the password \\(%1\\)$").arg(pw)))
                     .size()
                 == 1,
             qPrintable(sale.out));
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^  3 +price .* number\\.2 +5 +100$"))).size()
            == 1);
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^  9 +name .* text +40 *$"))).size() == 1);

    const Run json = cli({"commands", "ff0d", "--format", "json"});
    QCOMPARE(json.exitCode, 0);
    const QJsonDocument doc = QJsonDocument::fromJson(json.outBytes);
    QCOMPARE(doc["requestLength"].toInt(), 254);
    QCOMPARE(cli({"commands", "8E"}).exitCode, 2);
}

// The raw document is the FN's own form (form code, length, items); saved
// and decoded it reads as fn-doc prints it.
void TstKeloCliCommands::fnDocAsTlvDecodes()
{
    startEmulator();
    QByteArray items;
    m_engine->inspect([&](const RegisterModel &m) { items = m.fiscalStorage().find(3)->tlv; });
    const Run tlv = cli(QStringList{"fn-doc", "3", "--format", "tlv"} + link());
    QCOMPARE(tlv.exitCode, 0);
    const QByteArray header{"\x03\x00", 2};
    QCOMPARE(tlv.outBytes, header + char(items.size() & 0xFF) + char(items.size() >> 8) + items);

    const QString file = m_dir.filePath("d.tlv");
    QCOMPARE(cli(QStringList{"fn-doc", "3", "--format", "tlv", "--out", file} + link()).exitCode, 0);
    QCOMPARE(readFile(file), tlv.outBytes);
    const Run decoded = cli({"decode-tlv", file});
    QVERIFY2(decoded.exitCode == 0, qPrintable(decoded.err));
    QCOMPARE(decoded.out, cli(QStringList{"fn-doc", "3"} + link()).out);
}

QTEST_GUILESS_MAIN(TstKeloCliCommands)
#include "tst_keloclicommands.moc"
