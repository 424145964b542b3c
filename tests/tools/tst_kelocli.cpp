// kelo-cli end to end: the program run against the register emulator, its
// standard output, standard error, exit codes and files checked.

#include "emulatorengine.h"
#include "firmwareimage.h"

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
#include <QTemporaryDir>
#include <QTest>

using namespace kelo::emu;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray outBytes;
};

QString pw()
{
    return QString::number(kelo::kDefaultSysAdminPassword);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray documentTlv(const EmulatorEngine &engine, quint32 number)
{
    QByteArray tlv;
    engine.inspect([&](const RegisterModel &m) {
        if (const FiscalStorage::Document *doc = m.fiscalStorage().find(number))
            tlv = doc->tlv;
    });
    return tlv;
}

// A TLV item: tag and length little-endian, then the value.
QByteArray tlvItem(quint16 tag, const QByteArray &value)
{
    QByteArray item;
    item.append(char(tag & 0xFF)).append(char(tag >> 8));
    item.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return item + value;
}

QStringList csvLines(const QString &path)
{
    return QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QJsonArray jsonArray(const QByteArray &json, const char *key)
{
    return QJsonDocument::fromJson(json)[QLatin1String(key)].toArray();
}

// "tag:raw hex" of an item of the JSON form.
QString tagAndRaw(const QJsonValue &item)
{
    return QString::number(item[QLatin1String("tag")].toInt()) + QLatin1Char(':')
           + item[QLatin1String("raw")].toString();
}

// The kelo-emulator program serving a registered register at a link path.
class EmulatorProgram
{
public:
    ~EmulatorProgram() { kill(); }

    bool start(const QString &link, int baud, int delayMs, int dumpBlocks)
    {
        m_process.start(QStringLiteral(KELO_EMULATOR_PROGRAM),
                        {QStringLiteral("--preset"), QStringLiteral("registered"), QStringLiteral("--baud"),
                         QString::number(baud), QStringLiteral("--delay"), QString::number(delayMs),
                         QStringLiteral("--dump-blocks"), QString::number(dumpBlocks),
                         QStringLiteral("--link"), link});
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        return m_process.readLine().startsWith("PORT ");
    }

    // SIGKILL: no clean-up of its own, the link is left behind.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

} // namespace

class TstKeloCli : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void refusedBeforeAnyExchange_data();
    void refusedBeforeAnyExchange();
    void execPrintsReplyValues();
    void wrongPasswordIsARefusal();
    void fnDocInThreeFormats();
    void fnExportSkipsAFailingDocumentAndResumes();
    void decodeTlvOfAHexFile();
    void decodeTlvRefusesBrokenInput_data();
    void decodeTlvRefusesBrokenInput();
    void regnum();
    void dumpWritesTheImageAndItsChecksum();
    void lostInTheMiddle_data();
    void lostInTheMiddle();

private:
    Run cli(const QStringList &args, int timeoutMs = 30000);
    Run cliOnLink(const QStringList &args) { return cli(args + link()); }
    QStringList link() const;
    bool loadState(const QJsonObject &state);
    void startEmulator(int baud = 0, int dumpBlocks = 64, const QString &linkPath = QString());
    void pullTheCable();

    std::unique_ptr<EmulatorEngine> m_engine;
    QString m_port;
    QTemporaryDir m_dir;
};

void TstKeloCli::init()
{
    startEmulator();
}

void TstKeloCli::cleanup()
{
    m_engine.reset();
}

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

// The emulator's link keeps naming the old pseudo-terminal, whose number the
// system may give to another program's terminal at once; with the cable
// pulled there must be nothing to reach.
void TstKeloCli::pullTheCable()
{
    QVERIFY(m_engine->unplug());
    QFile::remove(m_port);
}

bool TstKeloCli::loadState(const QJsonObject &state)
{
    bool loaded = false;
    QString why;
    m_engine->modify([&](RegisterModel &m) { loaded = m.fromJson(state, &why); });
    if (!loaded)
        qWarning() << why;
    return loaded;
}

QStringList TstKeloCli::link() const
{
    return {QStringLiteral("--port"),    m_port,
            QStringLiteral("--baud"),    QStringLiteral("115200"),
            QStringLiteral("--timeout"), QStringLiteral("500")};
}

Run TstKeloCli::cli(const QStringList &args, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KELO_PORT"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KELO_CLI_PATH), args);
    Run run;
    if (!process.waitForStarted(10000) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err =
            QStringLiteral("did not finish in time: ") + QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Runs refused before a byte reaches the register: usage errors (2) and a port
// that cannot be opened (3).
void TstKeloCli::refusedBeforeAnyExchange_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("onLink");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << false << QString() << 2;
    QTest::newRow("document number 0") << QStringList{"fn-doc", "0"} << true << QString() << 2;
    QTest::newRow("no port") << QStringList{"fn-doc", "3"} << false << QString() << 2;
    QTest::newRow("no html for exec")
        << QStringList{"exec", "--format", "html", "FC"} << true << QString() << 2;
    // A mistake in the second command is found before the first one runs.
    QTest::newRow("malformed second command")
        << QStringList{"exec", "E0," + pw(), "22," + pw() + ",5/12/26"} << true << "Error in param Дата" << 2;
    // Numbers are taken as written or not at all: no silent 0, no cut digits.
    QTest::newRow("INN with letters")
        << QStringList{"regnum", "1", "77OOOOOOOO", "1"} << false << QString() << 2;
    QTest::newRow("INN too long") << QStringList{"regnum", "1", "1234567890123", "1"} << false << QString()
                                  << 2;
    QTest::newRow("missing port") << QStringList{"exec", "--port", m_dir.filePath("ttyNONE"), "FC"} << false
                                  << "Ошибка открытия СОМ порта!" << 3;
    QTest::newRow("no such file") << QStringList{"decode-tlv", m_dir.filePath("missing")} << false
                                  << QString() << 2;
}

void TstKeloCli::refusedBeforeAnyExchange()
{
    QFETCH(QStringList, args);
    QFETCH(bool, onLink);
    QFETCH(QString, err);
    QFETCH(int, exitCode);
    const Run run = onLink ? cliOnLink(args) : cli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QCOMPARE(m_engine->stats().bytesIn, quint64(0));
}

void TstKeloCli::execPrintsReplyValues()
{
    const Run json = cliOnLink({"exec", "--format", "json", "FC", "11," + pw()});
    QCOMPARE(json.exitCode, 0);
    QVERIFY2(json.err.isEmpty(), qPrintable(json.err));
    const QJsonArray commands = jsonArray(json.outBytes, "commands");
    QCOMPARE(commands.size(), 2);
    const auto value = [&](int command, int index) {
        const QJsonValue v = commands.at(command)["values"][index];
        return QStringList{v["ident"].toString(), v["caption"].toString(), v["text"].toString(),
                           v["raw"].toString()}
            .join(QLatin1Char('|'));
    };
    QCOMPARE(commands.at(0)["values"].toArray().size(), 9);
    QCOMPARE(value(0, 6), "frmodel|Модель устройства|250|fa");

    QCOMPARE(commands.at(1)["values"].toArray().size(), 24);
    qint64 serial = 0;
    m_engine->inspect([&](const RegisterModel &m) { serial = qint64(m.state().serialNumber); });
    QVERIFY(value(1, 18).startsWith(QStringLiteral("zavNom|Заводской номер|%1|").arg(serial)));

    // The table form: one row per value under the command; a password left
    // out is the one of --password.
    const Run table = cliOnLink({"exec", "11"});
    QCOMPARE(table.exitCode, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 1 + 24);
    QCOMPARE(lines.at(0), "11");
    QVERIFY(lines.at(20).contains(QRegularExpression(
        QStringLiteral("^\\s*18\\s+zavNom\\s+Заводской номер\\s+%1\\s+[0-9a-f]{8}$").arg(serial))));
}

void TstKeloCli::wrongPasswordIsARefusal()
{
    const Run run = cliOnLink({"exec", "--format", "json", "11,31", "FC"});
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains(QStringLiteral("[79]: Неверный пароль!")), qPrintable(run.err));
    // Nothing after the failure runs; the failure is in the JSON too.
    const QJsonArray commands = jsonArray(run.outBytes, "commands");
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.at(0)["error"]["code"].toInt(), 79);
}

void TstKeloCli::fnDocInThreeFormats()
{
    const QByteArray tlv = documentTlv(*m_engine, 3);
    const QList<MTLVDocument> expected = MTLVDocument::parseSequence(tlv, 3);
    QVERIFY(expected.size() > 5);

    // The text and the window's page, byte for byte as the library renders them.
    const Run text = cliOnLink({"fn-doc", "3"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    QCOMPARE(text.out, MTLVRenderer::documentText(expected));
    const Run html = cliOnLink({"fn-doc", "3", "--format", "html"});
    QCOMPARE(html.exitCode, 0);
    QCOMPARE(html.out, MTLVRenderer::documentPage(expected) + QLatin1Char('\n'));

    const Run json = cliOnLink({"fn-doc", "3", "--format", "json"});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject doc = QJsonDocument::fromJson(json.outBytes).object();
    QCOMPARE(doc["number"].toInt(), 3);
    QCOMPARE(doc["docType"].toInt(), 3);
    QVERIFY(doc["complete"].toBool());
    const QJsonArray items = doc["items"].toArray();
    QCOMPARE(items.size(), expected.size());
    QByteArray rebuilt;
    QStringList goods;
    for (const QJsonValue &item : items) {
        const quint16 tag = quint16(item["tag"].toInt());
        rebuilt += tlvItem(tag, QByteArray::fromHex(item["raw"].toString().toLatin1()));
        if (tag == 1020)
            QCOMPARE(item["type"].toString() + ' ' + QString::number(item["value"].toInteger()) + ' '
                         + item["text"].toString(),
                     "VLN 23480 234.80");
        if (tag == 1059)
            goods << item["children"][0]["name"].toString();
    }
    QCOMPARE(goods, QStringList(2, QStringLiteral("наименование товара")));
    QCOMPARE(rebuilt, tlv); // nothing lost or changed on the way
}

void TstKeloCli::fnExportSkipsAFailingDocumentAndResumes()
{
    // Document 4 gets an item too large for one reply: its reading fails
    // half-way with the register's error 16.
    const QJsonObject original = m_engine->stateJson();
    QJsonObject broken = original;
    QJsonObject fn = broken["fn"].toObject();
    QJsonArray docs = fn["documents"].toArray();
    QJsonObject fourth = docs.at(3).toObject();
    const QByteArray tlv4 = QByteArray::fromHex(fourth["tlv"].toString().toLatin1());
    const int firstItem = 4 + (quint8(tlv4.at(2)) | (quint8(tlv4.at(3)) << 8));
    fourth["tlv"] = QString::fromLatin1(
        (tlv4.left(firstItem) + tlvItem(1030, QByteArray(300, 'x')) + tlv4.mid(firstItem)).toHex());
    docs[3] = fourth;
    fn["documents"] = docs;
    broken["fn"] = fn;
    QVERIFY(loadState(broken));

    const QDir dir(m_dir.filePath("export"));
    const QStringList args = QStringList{"fn-export", "--dir", dir.path(), "--format", "json"} + link();
    const Run first = cli(args);
    QCOMPARE(first.exitCode, 4);
    QVERIFY2(first.err.contains(QStringLiteral("document 4: [16]: Превышение размеров TLV данных!")),
             qPrintable(first.err));
    QVERIFY(first.err.contains(QLatin1String("6 written, 0 already there, 1 failed")));
    QVERIFY(!first.err.contains(QLatin1Char('\r'))); // no progress bar into a pipe
    QVERIFY(first.out.isEmpty());
    QCOMPARE(dir.entryList({"fd-*"}, QDir::Files),
             (QStringList{"fd-000001.json", "fd-000002.json", "fd-000003.json", "fd-000005.json",
                          "fd-000006.json", "fd-000007.json"}));
    QStringList index = csvLines(dir.filePath("index.csv"));
    QCOMPARE(index.size(), 1 + 6);
    QCOMPARE(index.at(0), "number,type,type_name,date,total,file");
    QVERIFY2(index.at(3).startsWith("3,3,Кассовый чек,") && index.at(3).endsWith(",234.80,fd-000003.json"),
             qPrintable(index.at(3)));

    // The resumed run writes only what is missing: a mark put into a file of
    // the first run survives it.
    const QString third = dir.filePath("fd-000003.json");
    const QByteArray marked = readAll(third) + "\n#mark";
    QVERIFY(writeAll(third, marked));
    QVERIFY(loadState(original));
    const Run second = cli(args);
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.err.contains(QLatin1String("1 written, 6 already there, 0 failed")),
             qPrintable(second.err));
    QCOMPARE(readAll(third), marked);
    QCOMPARE(QJsonDocument::fromJson(readAll(dir.filePath("fd-000004.json")))["number"].toInt(), 4);
    index = csvLines(dir.filePath("index.csv"));
    QCOMPARE(index.size(), 1 + 7);
    QVERIFY2(index.at(4).startsWith("4,3,Кассовый чек,") && index.at(4).endsWith(",180.00,fd-000004.json"),
             qPrintable(index.at(4)));
    const QJsonArray indexJson = jsonArray(readAll(dir.filePath("index.json")), "documents");
    QCOMPARE(indexJson.size(), 7);
    QCOMPARE(indexJson.at(6)["typeName"].toString(), "Отчёт о закрытии смены");

    // A page in a file of its own says it is UTF-8.
    const QDir pages(m_dir.filePath("pages"));
    QCOMPARE(cli(QStringList{"fn-export", "--from", "3", "--to", "3", "--dir", pages.path(), "--format", "html"}
                 + link())
                 .exitCode,
             0);
    const QString page = QString::fromUtf8(readAll(pages.filePath("fd-000003.html")));
    QVERIFY(page.contains(QLatin1String("<head><meta charset=\"utf-8\" />")));
    QVERIFY(page.contains(QStringLiteral("Кассовый чек (3)")));
}

void TstKeloCli::decodeTlvOfAHexFile()
{
    const QByteArray tlv = documentTlv(*m_engine, 3);
    // Hex text broken by blanks and lines, as people paste it.
    QByteArray hex;
    for (int i = 0; i < tlv.size(); ++i)
        hex += tlv.mid(i, 1).toHex() + (i % 16 == 15 ? "\r\n" : " ");
    const QString file = m_dir.filePath("receipt.hex");
    QVERIFY(writeAll(file, hex));
    const Run text = cli({"decode-tlv", "--type", "3", file});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out, MTLVRenderer::documentText(MTLVDocument::parseSequence(tlv, 3)));

    // Unknown tags, at the top and inside a structure, stay in JSON with their raw bytes.
    const QByteArray good = tlvItem(1030, "\x95\xab\xa5\xa1"); // "Хлеб" in IBM 866
    const QByteArray doc = tlvItem(1059, good + tlvItem(4321, "\x01\x02") + tlvItem(1079, "\x3c\x15"))
                           + tlvItem(9999, "\xab\xcd\xef") + tlvItem(1046, "\x1b]0;pwned\x07OFD");
    const QString binary = m_dir.filePath("unknown.bin");
    QVERIFY(writeAll(binary, doc));
    const Run json = cli({"decode-tlv", "--format", "json", binary});
    QCOMPARE(json.exitCode, 0);
    const QJsonArray items = jsonArray(json.outBytes, "items");
    QCOMPARE(items.size(), 3);
    const QJsonArray children = items.at(0)["children"].toArray();
    QCOMPARE(children.size(), 3);
    QCOMPARE(tagAndRaw(children.at(1)), "4321:0102");
    QCOMPARE(children.at(1)["known"].toBool(), false);
    QCOMPARE(tagAndRaw(items.at(1)), "9999:abcdef");
    // A text from a file cannot drive the terminal it is printed on; JSON
    // keeps it exactly (escaped).
    const Run plain = cli({"decode-tlv", binary});
    QVERIFY(plain.out.contains(QStringLiteral("ОФД: \uFFFD]0;pwned\uFFFDOFD\n")));
    QCOMPARE(items.at(2)["value"].toString(), QStringLiteral("\x1b]0;pwned\x07OFD"));
}

void TstKeloCli::decodeTlvRefusesBrokenInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("out"); // empty: nothing on standard output
    QTest::addColumn<QString>("err");
    const QStringList decode{"decode-tlv"};
    QTest::newRow("odd hex") << decode << QByteArray("1004 0200 ab c") << QString()
                             << "odd number of hex digits";
    QTest::newRow("not hex") << QStringList{"decode-tlv", "--input", "hex"} << QByteArray("1004 02 00 zz")
                             << QString() << QString();
    // A last item cut short: the whole items are shown, the rest is reported.
    QTest::newRow("last item cut") << decode
                                   << tlvItem(1038, QByteArray("\x05\x00\x00\x00", 4))
                                          + QByteArray::fromHex("28040a0001")
                                   << "номер смены: 5"
                                   << "the last 5 bytes (from offset 8)";
    // No fiscal document is larger than a document read may be.
    QTest::newRow("too big") << decode
                             << tlvItem(1030, QByteArray(40000, 'x')) + tlvItem(1030, QByteArray(40000, 'y'))
                             << QString() << QString();
}

void TstKeloCli::decodeTlvRefusesBrokenInput()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, content);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString file = m_dir.filePath("input");
    QVERIFY(writeAll(file, content));
    const Run run = cli(args << file);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), qPrintable(run.out));
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
}

void TstKeloCli::regnum()
{
    const QStringList example{"regnum", "1", "7700000000", "1"};
    const Run run = cli(example);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, "0000000001014920\n");
    QCOMPARE(cli(example + QStringList{"--check", "0000000001014920"}).exitCode, 0);
    const Run wrong = cli(example + QStringList{"--check", "0000000001014921"});
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY(wrong.err.contains(QLatin1String("0000000001014920")));
}

void TstKeloCli::dumpWritesTheImageAndItsChecksum()
{
    const QString file = m_dir.filePath("firmware.bin");
    const Run run = cliOnLink({"dump", file});
    QCOMPARE(run.exitCode, 0);
    const QByteArray md5 = FirmwareImage::md5Hex(64);
    QCOMPARE(QCryptographicHash::hash(readAll(file), QCryptographicHash::Md5).toHex(), md5);
    QCOMPARE(readAll(m_dir.filePath("firmware.md5")), md5 + " *firmware.bin\n");
    QCOMPARE(run.outBytes, md5 + " *firmware.bin\n");
    QVERIFY(run.err.contains(QStringLiteral("Дамп считан и записан в файл: firmware.bin. MD5: [%1]")
                                 .arg(QString::fromLatin1(md5))));
    bool stillDumping = true;
    m_engine->inspect([&](const RegisterModel &m) { stillDumping = m.dumpActive(); });
    QVERIFY(!stillDumping);
}

void TstKeloCli::lostInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("killed");
    QTest::newRow("exec, cable pulled") << "exec" << false;
    QTest::newRow("exec, emulator killed") << "exec" << true;
    QTest::newRow("fn-export, cable pulled") << "fn-export" << false;
    QTest::newRow("fn-export, emulator killed") << "fn-export" << true;
    QTest::newRow("dump, cable pulled") << "dump" << false;
    QTest::newRow("dump, emulator killed") << "dump" << true;
}

void TstKeloCli::lostInTheMiddle()
{
    QFETCH(QString, operation);
    QFETCH(bool, killed);
    const bool exec = operation == QLatin1String("exec");
    const bool dump = operation == QLatin1String("dump");
    // exec: the second command is held a second by the register; fn-export:
    // about half a second a document; dump: seconds at the line's speed.
    const int baud = exec ? 0 : 115200;
    const int delayMs = exec ? 1000 : dump ? 0 : 15;
    const int blocks = dump ? 3000 : 64;
    QTemporaryDir portDir;
    QTemporaryDir work;
    const QString linkPath = portDir.filePath(QStringLiteral("ttyKELO"));
    EmulatorProgram program;
    if (killed) {
        m_engine.reset();
        QVERIFY(program.start(linkPath, baud, delayMs, blocks));
        m_port = linkPath;
    } else {
        startEmulator(baud, blocks, linkPath);
        m_engine->setReplyDelayMs(delayMs);
    }

    const QString target = work.filePath(QStringLiteral("out"));
    const QString dumpFile = QDir(target).filePath(QStringLiteral("lost.bin"));
    QVERIFY(QDir().mkpath(target));
    const QStringList args =
        (exec   ? QStringList{QStringLiteral("exec"), QStringLiteral("FC"), QStringLiteral("11")}
         : dump ? QStringList{QStringLiteral("dump"), QStringLiteral("--progress"), dumpFile}
                : QStringList{QStringLiteral("fn-export"), QStringLiteral("--dir"), target})
        + link();
    QProcess process;
    process.start(QStringLiteral(KELO_CLI_PATH), args);
    QVERIFY(process.waitForStarted());
    QByteArray out;
    QByteArray err;
    const QRegularExpression pastTheFirstHundred(QStringLiteral("\\] +[1-9][0-9]{2,}/3000"));
    // Under way: the first command's values out, two documents written, a
    // hundred blocks read.
    auto underWay = [&] {
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
        if (exec)
            return !out.isEmpty();
        if (dump)
            return pastTheFirstHundred.match(QString::fromUtf8(err)).hasMatch();
        return QFileInfo::exists(QDir(target).filePath(QStringLiteral("fd-000002.txt")));
    };
    QTRY_VERIFY_WITH_TIMEOUT(underWay(), 20000);
    if (killed) {
        program.kill();
        // Its link names a terminal number the system may give to another
        // program at once: nothing must answer there.
        QFile::remove(linkPath);
    } else {
        pullTheCable();
    }
    QElapsedTimer sinceLoss;
    sinceLoss.start();
    QVERIFY(process.waitForFinished(30000));
    qInfo("%s: the error after %lld ms", QTest::currentDataTag(), sinceLoss.elapsed());
    QVERIFY(sinceLoss.elapsed() < 10000);
    out += process.readAllStandardOutput();
    err += process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 3);

    int exported = 0;
    if (exec) {
        QVERIFY2(err.contains("kelo-cli: 11: ") && err.contains("Ошибка драйвера"), err.constData());
        QVERIFY(!out.contains("\n11\n"));
    } else if (dump) {
        QVERIFY2(err.contains("Ошибка чтения блока"), err.constData());
        // Not even a temporary file.
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(out.isEmpty());
    } else {
        QVERIFY2(err.contains("the link is lost"), err.constData());
        // What was written is whole and indexed; nothing else is in the directory.
        const QStringList docs = QDir(target).entryList({QStringLiteral("fd-*")}, QDir::Files);
        exported = int(docs.size());
        QVERIFY(exported >= 2 && exported < 7);
        for (const QString &name : docs)
            QVERIFY(readAll(QDir(target).filePath(name)).contains("номер фискального документа"));
        QCOMPARE(csvLines(QDir(target).filePath(QStringLiteral("index.csv"))).size(), 1 + exported);
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden).size(), exported + 3);
    }

    // With the register back on the same port, the same run goes through.
    if (killed) {
        QVERIFY(program.start(linkPath, 0, 0, blocks));
    } else {
        QVERIFY(m_engine->plugIn());
        m_engine->setReplyDelayMs(0);
        m_engine->setBaud(0);
    }
    const Run again = cli(args, 60000);
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    if (exec) {
        QVERIFY(again.out.startsWith(QStringLiteral("FC\n")));
        QVERIFY(again.out.contains(QStringLiteral("\n11\n")));
    } else if (dump) {
        QCOMPARE(QCryptographicHash::hash(readAll(dumpFile), QCryptographicHash::Md5).toHex(),
                 FirmwareImage::md5Hex(blocks));
    } else {
        QVERIFY2(again.err.contains(
                     QStringLiteral("%1 written, %2 already there").arg(7 - exported).arg(exported)),
                 qPrintable(again.err));
    }
}

QTEST_GUILESS_MAIN(TstKeloCli)
#include "tst_kelocli.moc"
