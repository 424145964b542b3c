// kelo-cli end to end: the program run against the register emulator, its
// standard output, standard error, exit codes and files checked. How a
// document or a dump is read is the procedures' own business; here every
// command is wired and ends with the exit code its outcome calls for.

#include "clirun.h"
#include "emulatorengine.h"
#include "firmwareimage.h"
#include "ptypeer.h"
#include "systemtestutil.h"
#include "tlvfixtures.h"

#include <kelodefaults.h>
#include <mtlvdocument.h>
#include <mtlvrenderer.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

using namespace kelo::emu;
using tlvfix::tlv;

namespace {

using Run = CliRun;

const QString pw = QString::number(kelo::kDefaultSysAdminPassword);

QStringList csvLines(const QString &path)
{
    return QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QJsonArray jsonArray(const QByteArray &json, const char *key)
{
    return QJsonDocument::fromJson(json)[QLatin1String(key)].toArray();
}

} // namespace

class TstKeloCli : public QObject
{
    Q_OBJECT
private slots:
    void init() { startEmulator(); }
    void cleanup() { m_engine.reset(); }
    void withoutAnExchange_data();
    void withoutAnExchange();
    void execPrintsReplyValuesAndStopsAtARefusal();
    void fnDocInThreeFormatsAndFromHex();
    void fnExportSkipsAFailingDocumentAndResumes();
    void decodeTlvKeepsUnknownTags();
    void decodeTlvOfAWholeDocument();
    void dumpWritesTheImageAndItsChecksum();
    void lostInTheMiddle_data();
    void lostInTheMiddle();
    void findingAndReachingTheRegister();
    void portNotPermittedNamesItsGroup();

private:
    // env: "NAME=value" set for the run.
    Run cli(const QStringList &args, const QStringList &env = QStringList());
    Run cliOnLink(const QStringList &args) { return cli(args + link()); }
    QStringList link() const { return {"--port", m_port, "--baud", "115200", "--timeout", "500"}; }
    void startEmulator(int baud = 0, int dumpBlocks = 64, const QString &linkPath = QString());
    QByteArray documentTlv(quint32 number) const;

    std::unique_ptr<EmulatorEngine> m_engine;
    QString m_port;
    QTemporaryDir m_dir;
};

void TstKeloCli::startEmulator(int baud, int dumpBlocks, const QString &linkPath)
{
    m_engine.reset();
    EmulatorConfig config;
    config.baud = baud;
    config.preset = Preset::Registered;
    config.dumpBlocks = dumpBlocks;
    config.linkPath = linkPath;
    m_engine = std::make_unique<EmulatorEngine>(config);
    QVERIFY2(m_engine->start(), qPrintable(m_engine->errorString()));
    m_port = m_engine->portPath();
}

QByteArray TstKeloCli::documentTlv(quint32 number) const
{
    QByteArray tlv;
    m_engine->inspect([&](const RegisterModel &m) { tlv = m.fiscalStorage().find(number)->tlv; });
    return tlv;
}

Run TstKeloCli::cli(const QStringList &args, const QStringList &vars)
{
    return runCli(args, vars);
}

// Runs that end before a byte reaches the register: usage errors (2), a port
// that cannot be opened (3), and the commands that need no register.
void TstKeloCli::withoutAnExchange_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("onLink");
    QTest::addColumn<QByteArray>("input"); // the file "input"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // empty: nothing on standard output
    QTest::addColumn<QString>("err");
    QTest::addColumn<QStringList>("env");
    const auto row = [](const char *name, const QStringList &args, bool onLink, int exitCode,
                        const QString &out = QString(), const QString &err = QString(),
                        const QByteArray &input = QByteArray(), const QStringList &env = QStringList()) {
        QTest::newRow(name) << args << onLink << input << exitCode << out << err << env;
    };
    row("unknown command", {"frobnicate"}, false, 2);
    row("document number 0", {"fn-doc", "0"}, true, 2);
    row("no port", {"fn-doc", "3"}, false, 2);
    // A mistake in the second command is found before the first one runs.
    row("malformed second command", {"exec", "E0," + pw, "22," + pw + ",5/12/26"}, true, 2, QString(),
        "Error in param Дата");
    // Numbers are taken as written or not at all: no cut digits.
    row("INN too long", {"regnum", "1", "1234567890123", "1"}, false, 2);
    row("missing port", {"exec", "--port", m_dir.filePath("ttyNONE"), "FC"}, false, 3, QString(),
        "Ошибка открытия СОМ порта!");
    row("no such file", {"decode-tlv", m_dir.filePath("missing")}, false, 2);
    // Every command's help offers --help-all; it is the help, not the command.
    row("--help-all of a command", {"exec", "--help-all"}, false, 0,
        "Usage: kelo-cli exec [options] TEXT...");
    // The environment gives the defaults; a bad value is named, a password
    // is never repeated (see below).
    row("KELO_BAUD not a number", {"exec", "--port", "ttyNONE", "FC"}, false, 2, QString(),
        "KELO_BAUD must be a number", QByteArray(), {"KELO_BAUD=fast"});
    // With JSON asked for, before the command or after it, the failure is
    // JSON on standard output as well.
    row("JSON error, option before an unknown command", {"-f", "json", "frobnicate"}, false, 2,
        R"j({"error":{"code":-1,"exit":2,"text":"unknown command \"frobnicate\" (see kelo-cli --help)"}})j");
    row("JSON error, port that does not open", {"exec", "--format=json", "--port", "ttyNONE", "FC"}, false, 3,
        R"j({"error":{"code":-1,"exit":3,"text":"Ошибка открытия СОМ порта! ttyNONE: )j");

    const QStringList regnum{"regnum", "1", "7700000000", "1"};
    row("regnum, checked", regnum + QStringList{"--check", "0000000001014920"}, false, 0,
        "0000000001014920\n");
    row("regnum, wrong", regnum + QStringList{"--check", "0000000001014921"}, false, 1, "0000000001014920",
        "(0000000001014920 is)");
    row("regnum, check of no number", regnum + QStringList{"--check", "abc"}, false, 2, QString(),
        "--check must be a registration number");
    // The window's comparison of dumps (tst_serviceops) with an exit code and,
    // as cmp says it, where the files part (the file "other" is "0123456789").
    const QStringList compare{"compare", m_dir.filePath("input"), m_dir.filePath("other")};
    const QString differ = m_dir.filePath("input") + ' ' + m_dir.filePath("other") + " differ: ";
    row("compare, equal", compare, false, 0, "полностью совпадают", QString(), "0123456789");
    row("compare, content", compare, false, 1, differ + "byte 5 (offset 0x4)\n", QString(), "0123X56789");
    row("compare, sizes", compare, false, 1, differ + "byte 3 (offset 0x2); sizes 4 and 10 bytes\n",
        QString(), "01X3");
    row("compare, no such file", {"compare", m_dir.filePath("missing"), m_dir.filePath("other")}, false, 2,
        QString(), "missing (No such file or directory)\n");

    const QStringList decode{"decode-tlv", m_dir.filePath("input")};
    row("decode-tlv, odd hex", decode, false, 1, QString(), "odd number of hex digits", "1004 0200 ab c");
    // A last item cut short: the whole items are shown, the rest is reported.
    row("decode-tlv, last item cut", decode, false, 1, "номер смены: 5", "the last 5 bytes (from offset 8)",
        tlv(1038, QByteArray("\x05\x00\x00\x00", 4)) + QByteArray::fromHex("28040a0001"));
    // No fiscal document is larger than a document read may be.
    row("decode-tlv, too big", decode, false, 1, QString(), QString(),
        tlv(1030, QByteArray(40000, 'x')) + tlv(1030, QByteArray(40000, 'y')));
    // Nothing to decode is said, not shown as an empty page; a whole document
    // is checked against its own length and type.
    row("decode-tlv, empty", decode, false, 1, QString(), "the input is empty");
    const QByteArray shift = tlv(1038, QByteArray("\x05\x00\x00\x00", 4));
    row("decode-tlv, whole document cut", decode, false, 1, "номер смены: 5",
        "the document is cut: 11 of its 16 bytes", tlv(11, shift + shift).left(4 + 8 + 3).toHex());
    row("decode-tlv, type other than the document's", {"decode-tlv", "--type", "3", m_dir.filePath("input")},
        false, 1, QString(), "the document says it is of type 11, --type says 3", tlv(11, shift));
}

void TstKeloCli::withoutAnExchange()
{
    QFETCH(QStringList, args);
    QFETCH(bool, onLink);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QStringList, env);
    QVERIFY(writeFile(m_dir.filePath("input"), input));
    QVERIFY(writeFile(m_dir.filePath("other"), "0123456789"));
    const Run run = onLink ? cli(args + link(), env) : cli(args, env);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), qPrintable(run.out));
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QVERIFY(!(run.out + run.err).contains(QLatin1String("31x")));
    QCOMPARE(m_engine->stats().bytesIn, quint64(0));
}

void TstKeloCli::execPrintsReplyValuesAndStopsAtARefusal()
{
    // The common options stand before the command as well as after it.
    const Run json =
        cli({"-p", m_port, "-b", "115200", "--timeout", "500", "-f", "json", "exec", "FC", "11," + pw});
    QCOMPARE(json.exitCode, 0);
    QVERIFY2(json.err.isEmpty(), qPrintable(json.err));
    const QJsonArray commands = jsonArray(json.outBytes, "commands");
    QCOMPARE(commands.size(), 2);
    const QJsonValue model = commands.at(0)["values"][6];
    QCOMPARE(QStringList({model["ident"].toString(), model["caption"].toString(), model["text"].toString(),
                          model["raw"].toString()})
                 .join(QLatin1Char('|')),
             "frmodel|Модель устройства|250|fa");

    // The table form: one row per value under the command; a password left
    // out is the one of --password.
    qint64 serial = 0;
    m_engine->inspect([&](const RegisterModel &m) { serial = qint64(m.state().serialNumber); });
    const Run table = cliOnLink({"exec", "11"});
    QCOMPARE(table.exitCode, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 1 + 24);
    QCOMPARE(lines.at(0), "11");
    QVERIFY(lines.at(20).contains(QRegularExpression(
        QStringLiteral("^\\s*18\\s+zavNom\\s+Заводской номер\\s+%1\\s+[0-9a-f]{8}$").arg(serial))));

    // Nothing after a refusal runs; the refusal is in the JSON too, and the
    // run's error object follows the document on a line of its own.
    const Run refused = cliOnLink({"exec", "--format", "json", "11,31", "FC"});
    QCOMPARE(refused.exitCode, 4);
    QVERIFY2(refused.err.contains(QStringLiteral("[79]: Неверный пароль!")), qPrintable(refused.err));
    const qsizetype errorLine = refused.outBytes.lastIndexOf("\n{\"error\"");
    QVERIFY(errorLine > 0);
    const QJsonArray failed = jsonArray(refused.outBytes.left(errorLine), "commands");
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0)["error"]["code"].toInt(), 79);
    const QJsonValue error = QJsonDocument::fromJson(refused.outBytes.mid(errorLine))["error"];
    QCOMPARE(QStringList({QString::number(error["code"].toInt()), QString::number(error["exit"].toInt()),
                          error["text"].toString()}),
             (QStringList{"79", "4", QStringLiteral("11,***: [79]: Неверный пароль!")}));

    // The password of the environment is the one the program's own commands carry.
    QCOMPARE(cli(QStringList{"fn-doc", "3"} + link(), {"KELO_PASSWORD=31"}).exitCode, 4);

    // The trace: one line a frame or control byte, in the order of the line:
    // the link probe, then "FC" twice (the identification, the command);
    // without the journal, which reads the register's particulars between.
    const Run traced = cli({"-v", "--no-journal", "exec", "FC"}, {"KELO_PORT=" + m_port, "KELO_BAUD=115200"});
    QCOMPARE(traced.exitCode, 0);
    const QString stamp = QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
    QVERIFY2(traced.err.contains(QRegularExpression(
                 QStringLiteral("^%1> ENQ\n%1< NAK\n(%1> ENQ\n%1< NAK\n%1> 02 01 FC FD\n%1< ACK\n"
                                "%1< 02 13 FC [0-9A-F ]+\n%1> ACK\n){2}$")
                     .arg(stamp))),
             qPrintable(traced.err));
}

void TstKeloCli::fnDocInThreeFormatsAndFromHex()
{
    const QByteArray items = documentTlv(3);
    const QList<MTLVDocument> expected = MTLVDocument::parseSequence(items, 3);
    QVERIFY(expected.size() > 5);

    // The text and the window's page, byte for byte as the library renders them.
    const Run text = cliOnLink({"fn-doc", "3"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    QCOMPARE(text.out, MTLVRenderer::documentText(expected));
    // Decoded from hex text broken by blanks and lines, as people paste it, it reads the same.
    QByteArray hex;
    for (int i = 0; i < items.size(); ++i)
        hex += items.mid(i, 1).toHex() + (i % 16 == 15 ? "\r\n" : " ");
    QVERIFY(writeFile(m_dir.filePath("receipt.hex"), hex));
    QCOMPARE(cli({"decode-tlv", "--type", "3", m_dir.filePath("receipt.hex")}).out, text.out);
    const Run html = cliOnLink({"fn-doc", "3", "--format", "html"});
    QCOMPARE(html.exitCode, 0);
    QCOMPARE(html.out, MTLVRenderer::documentPage(expected) + QLatin1Char('\n'));
    // JSON says which document it is; its items are those of decode-tlv (decodeTlvOfAWholeDocument).
    const Run json = cliOnLink({"fn-doc", "3", "--format", "json"});
    const QJsonDocument doc = QJsonDocument::fromJson(json.outBytes);
    QVERIFY(json.exitCode == 0 && doc["number"].toInt() == 3 && doc["complete"].toBool());
}

void TstKeloCli::fnExportSkipsAFailingDocumentAndResumes()
{
    const auto load = [this](const QJsonObject &state) {
        bool loaded = false;
        m_engine->modify([&](RegisterModel &m) { loaded = m.fromJson(state, nullptr); });
        return loaded;
    };
    // Document 4 starts with an item too large for one reply: its reading
    // fails with the register's error 16.
    const QJsonObject original = m_engine->stateJson();
    QJsonObject broken = original;
    QJsonObject fn = broken["fn"].toObject();
    QJsonArray docs = fn["documents"].toArray();
    QJsonObject fourth = docs.at(3).toObject();
    fourth["tlv"] = QString::fromLatin1(tlv(1030, QByteArray(300, 'x')).toHex()) + fourth["tlv"].toString();
    docs[3] = fourth;
    fn["documents"] = docs;
    broken["fn"] = fn;
    QVERIFY(load(broken));

    const QDir dir(m_dir.filePath("export"));
    const QStringList args = QStringList{"fn-export", "--dir", dir.path(), "--format", "json"} + link();
    const Run first = cli(args);
    QCOMPARE(first.exitCode, 4);
    QVERIFY2(first.err.contains(QStringLiteral("document 4: [16]: Превышение размеров TLV данных!")),
             qPrintable(first.err));
    QVERIFY(first.err.contains(QLatin1String("6 written, 0 already there, 1 failed")));
    QVERIFY(!first.err.contains(QLatin1Char('\r'))); // no progress bar into a pipe
    // On standard output only the error object: the failure that decided the exit code.
    QCOMPARE(first.out, QStringLiteral(R"j({"error":{"code":16,"exit":4,"text":"document 4: [16]: )j"
                                       R"j(Превышение размеров TLV данных!"}})j"
                                       "\n"));
    QCOMPARE(dir.entryList({"fd-*"}, QDir::Files),
             (QStringList{"fd-000001.json", "fd-000002.json", "fd-000003.json", "fd-000005.json",
                          "fd-000006.json", "fd-000007.json"}));
    QStringList index = csvLines(dir.filePath("index.csv"));
    QCOMPARE(index.size(), 1 + 6);
    QVERIFY2(index.at(3).startsWith("3,3,Кассовый чек,") && index.at(3).endsWith(",234.80,fd-000003.json"),
             qPrintable(index.at(3)));

    // The resumed run reads only what is missing; the index keeps the first run's documents.
    QVERIFY(load(original));
    const Run second = cli(args);
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.err.contains(QLatin1String("1 written, 6 already there, 0 failed")),
             qPrintable(second.err));
    index = csvLines(dir.filePath("index.csv"));
    QCOMPARE(index.size(), 1 + 7);
    QVERIFY2(index.at(4).startsWith("4,3,Кассовый чек,") && index.at(4).endsWith(",180.00,fd-000004.json"),
             qPrintable(index.at(4)));
    QCOMPARE(jsonArray(readFile(dir.filePath("index.json")), "documents").size(), 7);

    // A page in a file of its own says it is UTF-8.
    // Quiet: no summary.
    const QDir pages(m_dir.filePath("pages"));
    const Run quiet = cli(
        QStringList{"-q", "fn-export", "--from", "3", "--to", "3", "--dir", pages.path(), "--format", "html"}
        + link());
    QCOMPARE(quiet.exitCode, 0);
    QVERIFY2(quiet.err.isEmpty(), qPrintable(quiet.err));
    const QString page = QString::fromUtf8(readFile(pages.filePath("fd-000003.html")));
    QVERIFY(page.contains(QLatin1String("<head><meta charset=\"utf-8\" />")));
    QVERIFY(page.contains(QStringLiteral("Кассовый чек (3)")));
}

void TstKeloCli::decodeTlvKeepsUnknownTags()
{
    // Unknown tags, at the top and inside a structure, stay in JSON with their raw bytes.
    const QByteArray good = tlv(1030, "\x95\xab\xa5\xa1"); // "Хлеб" in IBM 866
    const QByteArray doc = tlv(1059, good + tlv(4321, "\x01\x02") + tlv(1079, "\x3c\x15"))
                           + tlv(9999, "\xab\xcd\xef") + tlv(1046, "\x1b]0;pwned\x07OFD");
    const QString binary = m_dir.filePath("unknown.bin");
    QVERIFY(writeFile(binary, doc));
    const Run json = cli({"decode-tlv", "--format", "json", binary});
    QCOMPARE(json.exitCode, 0);
    const QJsonArray items = jsonArray(json.outBytes, "items");
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0)["children"].toArray().size(), 3);
    const QJsonValue inner = items.at(0)["children"][1];
    QCOMPARE(QStringList({QString::number(inner["tag"].toInt()), inner["raw"].toString(),
                          inner["known"].toBool() ? "known" : "unknown", items.at(1)["raw"].toString()}),
             (QStringList{"4321", "0102", "unknown", "abcdef"}));
    // A text from a file cannot drive the terminal it is printed on; JSON
    // keeps it exactly (escaped).
    const Run plain = cli({"decode-tlv", binary});
    QVERIFY(plain.out.contains(QStringLiteral("ОФД: \uFFFD]0;pwned\uFFFDOFD\n")));
    QCOMPARE(items.at(2)["value"].toString(), QStringLiteral("\x1b]0;pwned\x07OFD"));
}

void TstKeloCli::decodeTlvOfAWholeDocument()
{
    // The form operators and the tax service hand out: the form code and the
    // length around the items, the type read from it.
    const QByteArray items = documentTlv(3);
    const QString file = m_dir.filePath("whole.hex");
    QVERIFY(writeFile(file, tlv(3, items).toHex(' ')));
    // JSON names every item, nested ones included, with its official name and
    // type, and keeps its bytes: the top-level ones make up the document again.
    const Run json = cli({"decode-tlv", "--format", "json", file});
    QCOMPARE(json.exitCode, 0);
    const QJsonDocument doc = QJsonDocument::fromJson(json.outBytes);
    QVERIFY(doc["docType"].toInt() == 3 && doc["complete"].toBool());
    QJsonArray pending = doc["items"].toArray();
    QByteArray rebuilt;
    for (const QJsonValue &item : pending)
        rebuilt += tlv(quint16(item["tag"].toInt()), QByteArray::fromHex(item["raw"].toString().toLatin1()));
    QCOMPARE(rebuilt, items);
    int seen = 0;
    while (!pending.isEmpty()) {
        const QJsonObject item = pending.takeAt(0).toObject();
        ++seen;
        const QString what = QString::number(item["tag"].toInt());
        QVERIFY2(item["known"].toBool() && !item["officialName"].toString().isEmpty()
                     && !item["type"].toString().isEmpty() && item.contains("raw") && item.contains("text"),
                 qPrintable(what));
        if (what == QLatin1String("1020"))
            QCOMPARE(item["type"].toString() + ' ' + QString::number(item["value"].toInteger()) + ' '
                         + item["text"].toString(),
                     "VLN 23480 234.80");
        for (const QJsonValue &child : item["children"].toArray())
            pending.append(child);
    }
    QVERIFY(seen > 20);
}

void TstKeloCli::dumpWritesTheImageAndItsChecksum()
{
    const QString file = m_dir.filePath("firmware.bin");
    const Run run = cliOnLink({"dump", file});
    QCOMPARE(run.exitCode, 0);
    const QByteArray md5 = FirmwareImage::md5Hex(64);
    QCOMPARE(QCryptographicHash::hash(readFile(file), QCryptographicHash::Md5).toHex(), md5);
    QCOMPARE(readFile(m_dir.filePath("firmware.md5")), md5 + " *firmware.bin\n");
    QCOMPARE(run.outBytes, md5 + " *firmware.bin\n");
    QVERIFY(run.err.contains(QStringLiteral("Дамп считан и записан в файл: firmware.bin. MD5: [%1]")
                                 .arg(QString::fromLatin1(md5))));
}

// The port lost (its cable pulled) or the user's Ctrl+C in the middle of each
// command that talks to the register. The window's tests lose the register
// both ways, the emulator program killed too (tst_portloss); the driver sees
// the same hang-up either way.
void TstKeloCli::lostInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("signal");  // 0: the cable pulled
    QTest::addColumn<QString>("err"); // a pattern
    const char *lost[] = {"kelo-cli: 11: .*Ошибка драйвера", "the link is lost", "Ошибка чтения блока"};
    const char *stopped[] = {"stopped before \"10\"", "stopped before document",
                             "Считывание дампа прервано пользователем"};
    int i = 0;
    for (const char *operation : {"exec", "fn-export", "dump"}) {
        QTest::addRow("%s, cable pulled", operation) << operation << 0 << lost[i];
        QTest::addRow("%s, Ctrl+C", operation) << operation << SIGINT << stopped[i++];
    }
    QTest::newRow("exec, SIGTERM") << "exec" << SIGTERM << stopped[0];
}

void TstKeloCli::lostInTheMiddle()
{
    QFETCH(QString, operation);
    QFETCH(int, signal);
    QFETCH(QString, err);
    const bool stopped = signal != 0;
    const bool exec = operation == QLatin1String("exec");
    const bool dump = operation == QLatin1String("dump");
    // exec: every command is held a second by the register; fn-export: about
    // half a second a document; dump: seconds at the line's speed.
    const int baud = exec ? 0 : 115200;
    const int delayMs = exec ? 1000 : dump ? 0 : 15;
    const int blocks = dump ? 3000 : 64;
    QTemporaryDir work;
    startEmulator(baud, blocks, work.filePath(QStringLiteral("ttyKELO")));
    m_engine->setReplyDelayMs(delayMs);

    const QDir target(work.filePath(QStringLiteral("out")));
    QVERIFY(target.mkpath(QStringLiteral(".")));
    const QStringList args = (exec   ? QStringList{"exec", "FC", "11", "10"}
                              : dump ? QStringList{"dump", "--progress", target.filePath("lost.bin")}
                                     : QStringList{"fn-export", "--dir", target.path()})
                             + link();
    QProcess process;
    process.setProcessEnvironment(cliEnvironment());
    process.start(QStringLiteral(KELO_CLI_PATH), args);
    QVERIFY(process.waitForStarted());
    QByteArray out;
    QByteArray errBytes;
    const QRegularExpression pastTheFirstHundred(QStringLiteral("\\] +[1-9][0-9]{2,}/3000"));
    // Under way: the first command's values out, two documents written, a
    // hundred blocks read.
    auto underWay = [&] {
        out += process.readAllStandardOutput();
        errBytes += process.readAllStandardError();
        if (exec)
            return !out.isEmpty();
        if (dump)
            return pastTheFirstHundred.match(QString::fromUtf8(errBytes)).hasMatch();
        return QFileInfo::exists(target.filePath(QStringLiteral("fd-000002.txt")));
    };
    QTRY_VERIFY_WITH_TIMEOUT(underWay(), 20000);
    if (stopped)
        ::kill(pid_t(process.processId()), signal);
    else
        QVERIFY(m_engine->unplug());
    QElapsedTimer sinceLoss;
    sinceLoss.start();
    QVERIFY(process.waitForFinished(30000));
    QVERIFY2(sinceLoss.elapsed() < 10000, qPrintable(QString::number(sinceLoss.elapsed())));
    out += process.readAllStandardOutput();
    errBytes += process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), stopped ? 128 + signal : 3); // 130 after SIGINT, 143 after SIGTERM
    QVERIFY2(QString::fromUtf8(errBytes).contains(QRegularExpression(err)), errBytes.constData());

    if (exec) {
        // A lost port fails the command under way; a stop lets it finish.
        QCOMPARE(out.contains("\n11\n"), stopped);
        QVERIFY(!out.contains("\n10\n"));
        return;
    }
    if (dump) {
        // Not even a temporary file.
        QCOMPARE(target.entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(out.isEmpty());
        return;
    }
    // What was written is whole and indexed; nothing else is in the directory.
    const QStringList docs = target.entryList({QStringLiteral("fd-*")}, QDir::Files);
    const int exported = int(docs.size());
    QVERIFY(exported >= 2 && exported < 7);
    for (const QString &name : docs)
        QVERIFY(readFile(target.filePath(name)).contains("номер фискального документа"));
    QCOMPARE(csvLines(target.filePath(QStringLiteral("index.csv"))).size(), 1 + exported);
    QCOMPARE(target.entryList(QDir::Files | QDir::Hidden).size(), exported + 3);
}

void TstKeloCli::findingAndReachingTheRegister()
{
    // A register that listens at 19200 only is found at 19200, among the
    // system's ports, and identified.
    startEmulator(19200);
    quint64 serial = 0;
    m_engine->inspect([&](const RegisterModel &m) { serial = m.state().serialNumber; });
    const Run found = cli({"find", "--port", m_port});
    QCOMPARE(found.exitCode, 0);
    QVERIFY2(found.out.contains(QStringLiteral("%1\t19200\t250\tKelo-Vint-Ф\t%2\n").arg(m_port).arg(serial)),
             qPrintable(found.out + found.err));
    // With nothing there, nothing found is a failed check.
    m_engine.reset();
    const Run none = cli({"find", "--port", m_port});
    QCOMPARE(none.exitCode, 1);
    QVERIFY2(none.err.contains("no register found"), qPrintable(none.err));

    // Over the network the same protocol answers the same.
    EmulatorConfig config;
    config.preset = Preset::Registered;
    config.pty = false;
    config.tcpAddress = QStringLiteral("127.0.0.1:0");
    m_engine = std::make_unique<EmulatorEngine>(config);
    QVERIFY2(m_engine->start(), qPrintable(m_engine->errorString()));
    const Run overTcp = cli({"exec", "--port", m_engine->tcpAddress(), "FC"});
    QCOMPARE(overTcp.exitCode, 0);
    QVERIFY(overTcp.out.contains("Kelo-Vint-Ф"));
    const QString address = m_engine->tcpAddress();
    m_engine.reset(); // refused: named with the address, within the time-out
    QElapsedTimer timer;
    timer.start();
    const Run refused = cli({"exec", "--port", address, "--timeout", "1000", "FC"});
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(refused.err.contains(address), qPrintable(refused.err));
    QVERIFY(timer.elapsed() < 5000);

    // A port where nothing answers fails when the time-out of the probes is up.
    PtyPeer silent;
    for (const int timeout : {500, 4000}) {
        timer.restart();
        const Run run =
            cli({"exec", "--port", silent.slavePath(), "--timeout", QString::number(timeout), "FC"});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(timer.elapsed() >= timeout && timer.elapsed() < timeout + 3000,
                 qPrintable(QString::number(timer.elapsed())));
    }
}

void TstKeloCli::portNotPermittedNamesItsGroup()
{
    // The commonest first failure on Linux: a port of a group the user is
    // not in. Seen as such a user would see it.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const group *dialout = getgrnam("dialout");
    if (::geteuid() != 0 || setpriv.isEmpty() || !dialout)
        QSKIP("needs the superuser, setpriv and a group dialout");
    const QByteArray device = QFile::encodeName(m_engine->slavePath());
    QVERIFY(::chown(device.constData(), 0, dialout->gr_gid) == 0 && ::chmod(device.constData(), 0660) == 0);
    QProcess process;
    process.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(KELO_CLI_PATH),
                            "exec", "--port", m_engine->slavePath(), "FC"});
    QVERIFY(process.waitForFinished(30000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (process.exitCode() == 126 || process.exitCode() == 127)
        QSKIP("the program cannot be run as another user from here");
    QCOMPARE(process.exitCode(), 3);
    // The system's own words differ (the device or its lock file); the hint does not.
    QVERIFY2(err.contains(m_engine->slavePath())
                 && err.contains(QStringLiteral("Порт принадлежит группе «dialout»: добавьте себя в неё "
                                                "командой «sudo usermod -aG dialout $USER»")),
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TstKeloCli)
#include "tst_kelocli.moc"
