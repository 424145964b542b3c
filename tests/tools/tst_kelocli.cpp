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
    void usageAndHelp();
    void execPrintsReplyValues();
    void malformedCommandRunsNothing();
    void wrongPasswordIsARefusal();
    void fnDocInThreeFormats();
    void fnExportSkipsAFailingDocumentAndResumes();
    void decodeTlvOfAHexFile();
    void decodeTlvRefusesBrokenInput();
    void regnum();
    void dumpWritesTheImageAndItsChecksum();
    void lostPortEndsTheDumpWithoutAFile();
    void lostPortStopsTheExportWithWholeFiles();
    void lostInTheMiddle_data();
    void lostInTheMiddle();
    void missingPort();

private:
    Run cli(const QStringList &args, int timeoutMs = 30000);
    QStringList link() const;
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

void TstKeloCli::usageAndHelp()
{
    QCOMPARE(cli({}).exitCode, 2);
    QCOMPARE(cli({QStringLiteral("frobnicate")}).exitCode, 2);
    const Run help = cli({QStringLiteral("fn-export"), QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains(QLatin1String("Usage: kelo-cli fn-export [options]")));
    QVERIFY(help.out.contains(QLatin1String("--from")));
    QVERIFY(help.err.isEmpty());
    // Bad values are usage errors, found before any port is opened.
    QCOMPARE(cli(QStringList{QStringLiteral("fn-doc"), QStringLiteral("abc")} + link()).exitCode, 2);
    QCOMPARE(cli(QStringList{QStringLiteral("fn-doc"), QStringLiteral("0")} + link()).exitCode, 2);
    QCOMPARE(cli({QStringLiteral("fn-doc"), QStringLiteral("3")}).exitCode, 2); // no port
    QCOMPARE(cli(QStringList{QStringLiteral("exec"), QStringLiteral("--format"), QStringLiteral("html"),
                             QStringLiteral("FC")}
                 + link())
                 .exitCode,
             2);
    QCOMPARE(m_engine->stats().bytesIn, quint64(0));
}

void TstKeloCli::execPrintsReplyValues()
{
    const Run json =
        cli(QStringList{QStringLiteral("exec"), QStringLiteral("--format"), QStringLiteral("json"),
                        QStringLiteral("FC"), QStringLiteral("11,") + pw()}
            + link());
    QCOMPARE(json.exitCode, 0);
    QVERIFY2(json.err.isEmpty(), qPrintable(json.err));
    const QJsonArray commands =
        QJsonDocument::fromJson(json.outBytes).object().value(QLatin1String("commands")).toArray();
    QCOMPARE(commands.size(), 2);

    const QJsonArray fc = commands.at(0).toObject().value(QLatin1String("values")).toArray();
    QCOMPARE(fc.size(), 9);
    const QJsonObject model = fc.at(6).toObject();
    QCOMPARE(model.value(QLatin1String("ident")).toString(), QStringLiteral("frmodel"));
    QCOMPARE(model.value(QLatin1String("caption")).toString(), QStringLiteral("Модель устройства"));
    QCOMPARE(model.value(QLatin1String("text")).toString(), QStringLiteral("250"));
    QCOMPARE(model.value(QLatin1String("raw")).toString(), QStringLiteral("fa"));
    QCOMPARE(fc.at(8).toObject().value(QLatin1String("text")).toString(), QStringLiteral("Kelo-Vint-Ф"));

    const QJsonArray state = commands.at(1).toObject().value(QLatin1String("values")).toArray();
    QCOMPARE(state.size(), 24);
    qint64 serial = 0;
    m_engine->inspect([&](const RegisterModel &m) { serial = qint64(m.state().serialNumber); });
    QCOMPARE(state.at(18).toObject().value(QLatin1String("ident")).toString(), QStringLiteral("zavNom"));
    QCOMPARE(state.at(18).toObject().value(QLatin1String("text")).toString(), QString::number(serial));
    QCOMPARE(state.at(23).toObject().value(QLatin1String("text")).toString(), QStringLiteral("7712345678"));

    // The table form: one row per value under the command; a password left
    // out is the one of --password.
    const Run table = cli(QStringList{QStringLiteral("exec"), QStringLiteral("11")} + link());
    QCOMPARE(table.exitCode, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 1 + 24);
    QCOMPARE(lines.at(0), QStringLiteral("11"));
    QVERIFY(lines.at(20).contains(QRegularExpression(
        QStringLiteral("^\\s*18\\s+zavNom\\s+Заводской номер\\s+%1\\s+[0-9a-f]{8}$").arg(serial))));
}

void TstKeloCli::malformedCommandRunsNothing()
{
    // A mistake in the second command is found before the first one runs.
    const Run run = cli(QStringList{QStringLiteral("exec"), QStringLiteral("E0,") + pw(),
                                    QStringLiteral("22,") + pw() + QStringLiteral(",5/12/26")}
                        + link());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QStringLiteral("Error in param Дата")), qPrintable(run.err));
    QCOMPARE(m_engine->stats().bytesIn, quint64(0));
}

void TstKeloCli::wrongPasswordIsARefusal()
{
    const Run run = cli(QStringList{QStringLiteral("exec"), QStringLiteral("--format"),
                                    QStringLiteral("json"), QStringLiteral("11,31"), QStringLiteral("FC")}
                        + link());
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains(QStringLiteral("[79]: Неверный пароль!")), qPrintable(run.err));
    // Nothing after the failure runs; the failure is in the JSON too.
    const QJsonArray commands =
        QJsonDocument::fromJson(run.outBytes).object().value(QLatin1String("commands")).toArray();
    QCOMPARE(commands.size(), 1);
    const QJsonObject error = commands.at(0).toObject().value(QLatin1String("error")).toObject();
    QCOMPARE(error.value(QLatin1String("code")).toInt(), 79);

    const Run doc = cli(QStringList{QStringLiteral("fn-doc"), QStringLiteral("3"),
                                    QStringLiteral("--password"), QStringLiteral("31")}
                        + link());
    QCOMPARE(doc.exitCode, 4);
    QVERIFY(doc.err.contains(QStringLiteral("[79]: Неверный пароль!")));
    QVERIFY(doc.out.isEmpty());
}

void TstKeloCli::fnDocInThreeFormats()
{
    const QByteArray tlv = documentTlv(*m_engine, 3);
    QVERIFY(!tlv.isEmpty());
    const QList<MTLVDocument> expected = MTLVDocument::parseSequence(tlv, 3);

    const Run text = cli(QStringList{QStringLiteral("fn-doc"), QStringLiteral("3")} + link());
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    QVERIFY(text.out.contains(QStringLiteral("\nТип документа: Кассовый чек (3)\n")));
    QVERIFY(text.out.contains(QStringLiteral("\nреквизиты товара:\n  наименование товара: Хлеб\n")));
    QVERIFY(text.out.contains(QStringLiteral("\nитог: 234.80\n")));
    QCOMPARE(text.out, MTLVRenderer::documentText(expected));

    // The window's page, byte for byte.
    const Run html = cli(QStringList{QStringLiteral("fn-doc"), QStringLiteral("3"),
                                     QStringLiteral("--format"), QStringLiteral("html")}
                         + link());
    QCOMPARE(html.exitCode, 0);
    QCOMPARE(html.out, MTLVRenderer::documentPage(expected) + QLatin1Char('\n'));

    const Run json = cli(QStringList{QStringLiteral("fn-doc"), QStringLiteral("3"),
                                     QStringLiteral("--format"), QStringLiteral("json")}
                         + link());
    QCOMPARE(json.exitCode, 0);
    const QJsonObject doc = QJsonDocument::fromJson(json.outBytes).object();
    QCOMPARE(doc.value(QLatin1String("number")).toInt(), 3);
    QCOMPARE(doc.value(QLatin1String("docType")).toInt(), 3);
    QVERIFY(doc.value(QLatin1String("complete")).toBool());
    const QJsonArray items = doc.value(QLatin1String("items")).toArray();
    QCOMPARE(items.size(), expected.size());
    QByteArray rebuilt;
    int goods = 0;
    for (const QJsonValue &v : items) {
        const QJsonObject item = v.toObject();
        const quint16 tag = quint16(item.value(QLatin1String("tag")).toInt());
        rebuilt += tlvItem(tag, QByteArray::fromHex(item.value(QLatin1String("raw")).toString().toLatin1()));
        if (tag == 1020) {
            QCOMPARE(item.value(QLatin1String("value")).toInteger(), qint64(23480));
            QCOMPARE(item.value(QLatin1String("text")).toString(), QStringLiteral("234.80"));
            QCOMPARE(item.value(QLatin1String("type")).toString(), QStringLiteral("VLN"));
        }
        if (tag == 1059) {
            ++goods;
            const QJsonArray children = item.value(QLatin1String("children")).toArray();
            QVERIFY(!children.isEmpty());
            QCOMPARE(children.at(0).toObject().value(QLatin1String("name")).toString(),
                     QStringLiteral("наименование товара"));
        }
    }
    QCOMPARE(goods, 2);
    QCOMPARE(rebuilt, tlv); // nothing lost or changed on the way
}

void TstKeloCli::fnExportSkipsAFailingDocumentAndResumes()
{
    // Document 4 gets an item too large for one reply: its reading fails
    // half-way with the register's error 16.
    const QJsonObject original = m_engine->stateJson();
    QJsonObject broken = original;
    QJsonObject fn = broken.value(QLatin1String("fn")).toObject();
    QJsonArray docs = fn.value(QLatin1String("documents")).toArray();
    QJsonObject fourth = docs.at(3).toObject();
    const QByteArray tlv4 = QByteArray::fromHex(fourth.value(QLatin1String("tlv")).toString().toLatin1());
    QVERIFY(tlv4.size() > 4);
    const int firstItem = 4 + (quint8(tlv4[2]) | (quint8(tlv4[3]) << 8));
    const QByteArray huge = tlvItem(1030, QByteArray(300, 'x'));
    fourth.insert(QStringLiteral("tlv"),
                  QString::fromLatin1((tlv4.left(firstItem) + huge + tlv4.mid(firstItem)).toHex()));
    docs.replace(3, fourth);
    fn.insert(QStringLiteral("documents"), docs);
    broken.insert(QStringLiteral("fn"), fn);
    QString why;
    bool loaded = false;
    m_engine->modify([&](RegisterModel &m) { loaded = m.fromJson(broken, &why); });
    QVERIFY2(loaded, qPrintable(why));

    const QString dir = m_dir.filePath(QStringLiteral("export"));
    const QStringList args = QStringList{QStringLiteral("fn-export"), QStringLiteral("--dir"), dir,
                                         QStringLiteral("--format"), QStringLiteral("json")}
                             + link();
    const Run first = cli(args);
    QCOMPARE(first.exitCode, 4);
    QVERIFY2(first.err.contains(QStringLiteral("document 4: [16]: Превышение размеров TLV данных!")),
             qPrintable(first.err));
    QVERIFY(first.err.contains(QLatin1String("6 written, 0 already there, 1 failed")));
    QVERIFY(!first.err.contains(QLatin1Char('\r'))); // no progress bar into a pipe
    QVERIFY(first.out.isEmpty());
    for (int n = 1; n <= 7; ++n)
        QCOMPARE(QFileInfo::exists(
                     QDir(dir).filePath(QStringLiteral("fd-%1.json").arg(n, 6, 10, QLatin1Char('0')))),
                 n != 4);
    QStringList index = csvLines(QDir(dir).filePath(QStringLiteral("index.csv")));
    QCOMPARE(index.size(), 1 + 6);
    QCOMPARE(index.at(0), QStringLiteral("number,type,type_name,date,total,file"));
    QVERIFY2(index.at(3).startsWith(QStringLiteral("3,3,Кассовый чек,")), qPrintable(index.at(3)));
    QVERIFY(index.at(3).endsWith(QStringLiteral(",234.80,fd-000003.json")));
    QVERIFY(!QDir(dir).entryList(QDir::Files).join(QLatin1Char(' ')).contains(QLatin1String("fd-000004")));

    // The resumed run writes only what is missing: a mark put into a file of
    // the first run survives it.
    const QString third = QDir(dir).filePath(QStringLiteral("fd-000003.json"));
    const QByteArray marked = readAll(third) + "\n#mark";
    QVERIFY(writeAll(third, marked));
    m_engine->modify([&](RegisterModel &m) { loaded = m.fromJson(original, &why); });
    QVERIFY(loaded);
    const Run second = cli(args);
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.err.contains(QLatin1String("1 written, 6 already there, 0 failed")),
             qPrintable(second.err));
    QCOMPARE(readAll(third), marked);
    const QJsonObject fourthDoc =
        QJsonDocument::fromJson(readAll(QDir(dir).filePath(QStringLiteral("fd-000004.json")))).object();
    QCOMPARE(fourthDoc.value(QLatin1String("number")).toInt(), 4);
    index = csvLines(QDir(dir).filePath(QStringLiteral("index.csv")));
    QCOMPARE(index.size(), 1 + 7);
    QVERIFY(index.at(4).startsWith(QStringLiteral("4,3,Кассовый чек,")));
    QVERIFY(index.at(4).endsWith(QStringLiteral(",180.00,fd-000004.json")));
    const QJsonArray indexJson =
        QJsonDocument::fromJson(readAll(QDir(dir).filePath(QStringLiteral("index.json"))))
            .object()
            .value(QLatin1String("documents"))
            .toArray();
    QCOMPARE(indexJson.size(), 7);
    QCOMPARE(indexJson.at(6).toObject().value(QLatin1String("typeName")).toString(),
             QStringLiteral("Отчёт о закрытии смены"));
}

void TstKeloCli::decodeTlvOfAHexFile()
{
    const QByteArray tlv = documentTlv(*m_engine, 3);
    // Hex text broken by blanks and lines, as people paste it.
    QByteArray hex;
    const QByteArray digits = tlv.toHex();
    for (int i = 0; i < digits.size(); i += 2)
        hex += digits.mid(i, 2) + ((i / 2) % 16 == 15 ? "\r\n" : " ");
    const QString file = m_dir.filePath(QStringLiteral("receipt.hex"));
    QVERIFY(writeAll(file, hex));
    const Run text = cli({QStringLiteral("decode-tlv"), QStringLiteral("--type"), QStringLiteral("3"), file});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out, MTLVRenderer::documentText(MTLVDocument::parseSequence(tlv, 3)));

    // Unknown tags, at the top and inside a structure, stay in JSON with their raw bytes.
    const QByteArray good = tlvItem(1030, "\x95\xab\xa5\xa1"); // "Хлеб" in IBM 866
    const QByteArray doc = tlvItem(1059, good + tlvItem(4321, "\x01\x02") + tlvItem(1079, "\x3c\x15"))
                           + tlvItem(9999, "\xab\xcd\xef") + tlvItem(1046, "\x1b]0;pwned\x07OFD");
    const QString binary = m_dir.filePath(QStringLiteral("unknown.bin"));
    QVERIFY(writeAll(binary, doc));
    const Run json =
        cli({QStringLiteral("decode-tlv"), QStringLiteral("--format"), QStringLiteral("json"), binary});
    QCOMPARE(json.exitCode, 0);
    const QJsonArray items =
        QJsonDocument::fromJson(json.outBytes).object().value(QLatin1String("items")).toArray();
    QCOMPARE(items.size(), 3);
    const QJsonArray children = items.at(0).toObject().value(QLatin1String("children")).toArray();
    QCOMPARE(children.size(), 3);
    QCOMPARE(children.at(0).toObject().value(QLatin1String("value")).toString(), QStringLiteral("Хлеб"));
    QCOMPARE(children.at(1).toObject().value(QLatin1String("tag")).toInt(), 4321);
    QCOMPARE(children.at(1).toObject().value(QLatin1String("known")).toBool(), false);
    QCOMPARE(children.at(1).toObject().value(QLatin1String("raw")).toString(), QStringLiteral("0102"));
    QCOMPARE(children.at(2).toObject().value(QLatin1String("text")).toString(), QStringLiteral("54.36"));
    QCOMPARE(items.at(1).toObject().value(QLatin1String("tag")).toInt(), 9999);
    QCOMPARE(items.at(1).toObject().value(QLatin1String("raw")).toString(), QStringLiteral("abcdef"));
    // The text form, like the window, shows known items only.
    const Run plain = cli({QStringLiteral("decode-tlv"), binary});
    QVERIFY(plain.out.contains(QStringLiteral("  наименование товара: Хлеб\n  цена за единицу: 54.36\n")));
    QVERIFY(!plain.out.contains(QLatin1String("4321")));
    // A text from a file cannot drive the terminal it is printed on; JSON
    // keeps it exactly (escaped).
    QVERIFY(plain.out.contains(QStringLiteral("ОФД: \uFFFD]0;pwned\uFFFDOFD\n")));
    QCOMPARE(items.at(2).toObject().value(QLatin1String("value")).toString(),
             QStringLiteral("\x1b]0;pwned\x07OFD"));
}

void TstKeloCli::decodeTlvRefusesBrokenInput()
{
    const QString odd = m_dir.filePath(QStringLiteral("odd.hex"));
    QVERIFY(writeAll(odd, "1004 0200 ab c"));
    const Run oddRun = cli({QStringLiteral("decode-tlv"), odd});
    QCOMPARE(oddRun.exitCode, 1);
    QVERIFY(oddRun.err.contains(QLatin1String("odd number of hex digits")));
    QVERIFY(oddRun.out.isEmpty());

    const QString notHex = m_dir.filePath(QStringLiteral("nothex.txt"));
    QVERIFY(writeAll(notHex, "1004 02 00 zz"));
    QCOMPARE(cli({QStringLiteral("decode-tlv"), QStringLiteral("--input"), QStringLiteral("hex"), notHex})
                 .exitCode,
             1);

    // A last item cut short: the whole items are shown, the rest is reported.
    const QString cut = m_dir.filePath(QStringLiteral("cut.bin"));
    QVERIFY(
        writeAll(cut, tlvItem(1038, QByteArray("\x05\x00\x00\x00", 4)) + QByteArray::fromHex("28040a0001")));
    const Run cutRun = cli({QStringLiteral("decode-tlv"), cut});
    QCOMPARE(cutRun.exitCode, 1);
    QVERIFY(cutRun.out.contains(QStringLiteral("номер смены: 5")));
    QVERIFY(cutRun.err.contains(QLatin1String("the last 5 bytes (from offset 8)")));

    QCOMPARE(cli({QStringLiteral("decode-tlv"), m_dir.filePath(QStringLiteral("missing"))}).exitCode, 2);

    // No fiscal document is larger than a document read may be.
    const QString big = m_dir.filePath(QStringLiteral("big.bin"));
    QVERIFY(writeAll(big, tlvItem(1030, QByteArray(40000, 'x')) + tlvItem(1030, QByteArray(40000, 'y'))));
    const Run bigRun = cli({QStringLiteral("decode-tlv"), big});
    QCOMPARE(bigRun.exitCode, 1);
    QVERIFY(bigRun.out.isEmpty());
}

void TstKeloCli::regnum()
{
    const Run run = cli(
        {QStringLiteral("regnum"), QStringLiteral("1"), QStringLiteral("7700000000"), QStringLiteral("1")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("0000000001014920\n"));
    QCOMPARE(cli({QStringLiteral("regnum"), QStringLiteral("1"), QStringLiteral("7700000000"),
                  QStringLiteral("1"), QStringLiteral("--check"), QStringLiteral("0000000001014920")})
                 .exitCode,
             0);
    const Run wrong =
        cli({QStringLiteral("regnum"), QStringLiteral("1"), QStringLiteral("7700000000"), QStringLiteral("1"),
             QStringLiteral("--check"), QStringLiteral("0000000001014921")});
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY(wrong.err.contains(QLatin1String("0000000001014920")));
    // Numbers are taken as written or not at all: no silent 0, no cut digits.
    QCOMPARE(cli({QStringLiteral("regnum"), QStringLiteral("1"), QStringLiteral("77OOOOOOOO"),
                  QStringLiteral("1")})
                 .exitCode,
             2);
    QCOMPARE(cli({QStringLiteral("regnum"), QStringLiteral("1"), QStringLiteral("1234567890123"),
                  QStringLiteral("1")})
                 .exitCode,
             2);
}

void TstKeloCli::dumpWritesTheImageAndItsChecksum()
{
    const QString file = m_dir.filePath(QStringLiteral("firmware.bin"));
    const Run run = cli(QStringList{QStringLiteral("dump"), file} + link());
    QCOMPARE(run.exitCode, 0);
    const QByteArray md5 = FirmwareImage::md5Hex(64);
    QCOMPARE(QCryptographicHash::hash(readAll(file), QCryptographicHash::Md5).toHex(), md5);
    QCOMPARE(readAll(file).size(), 64 * 32);
    QCOMPARE(readAll(m_dir.filePath(QStringLiteral("firmware.md5"))), md5 + " *firmware.bin\n");
    QCOMPARE(run.outBytes, md5 + " *firmware.bin\n");
    QVERIFY(run.err.contains(QStringLiteral("Дамп считан и записан в файл: firmware.bin. MD5: [%1]")
                                 .arg(QString::fromLatin1(md5))));
    bool stillDumping = true;
    m_engine->inspect([&](const RegisterModel &m) { stillDumping = m.dumpActive(); });
    QVERIFY(!stillDumping);
}

void TstKeloCli::lostPortEndsTheDumpWithoutAFile()
{
    // Paced at the line's speed, the dump takes seconds: time enough to pull
    // the cable in the middle of it.
    QTemporaryDir portDir;
    startEmulator(115200, 3000, portDir.filePath(QStringLiteral("ttyKELO")));
    const QString dumpDir = m_dir.filePath(QStringLiteral("lost"));
    QVERIFY(QDir().mkpath(dumpDir));
    const QString file = QDir(dumpDir).filePath(QStringLiteral("lost.bin"));

    QProcess process;
    process.start(QStringLiteral(KELO_CLI_PATH),
                  QStringList{QStringLiteral("dump"), QStringLiteral("--progress"), file} + link());
    QVERIFY(process.waitForStarted());
    QByteArray err;
    // Wait for the progress bar to show blocks beyond the first hundred.
    QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError(),
                              err.contains("blocks")
                                  && QRegularExpression(QStringLiteral("\\] +[1-9][0-9]{2,}/3000"))
                                         .match(QString::fromUtf8(err))
                                         .hasMatch()),
                             20000);
    pullTheCable();
    QVERIFY(process.waitForFinished(30000));
    err += process.readAllStandardError();
    QCOMPARE(process.exitCode(), 3);
    QVERIFY2(err.contains("block "), err.constData());
    QCOMPARE(QDir(dumpDir).entryList(QDir::Files | QDir::Hidden), QStringList()); // not even a temporary file
    QVERIFY(process.readAllStandardOutput().isEmpty());

    // With the port back the next run works.
    QVERIFY(m_engine->plugIn());
    m_engine->setBaud(0);
    QElapsedTimer t;
    t.start();
    const Run again =
        cli(QStringList{QStringLiteral("dump"), QStringLiteral("--progress"), file} + link(), 120000);
    qWarning() << "rerun took" << t.elapsed() << again.err.right(300);
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(QCryptographicHash::hash(readAll(file), QCryptographicHash::Md5).toHex(),
             FirmwareImage::md5Hex(3000));
}

void TstKeloCli::lostPortStopsTheExportWithWholeFiles()
{
    QTemporaryDir portDir;
    startEmulator(115200, 64, portDir.filePath(QStringLiteral("ttyKELO")));
    m_engine->setReplyDelayMs(15); // about half a second a document
    const QString dir = m_dir.filePath(QStringLiteral("cut-export"));
    QProcess process;
    process.start(QStringLiteral(KELO_CLI_PATH),
                  QStringList{QStringLiteral("fn-export"), QStringLiteral("--dir"), dir} + link());
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(dir).filePath(QStringLiteral("fd-000002.txt"))), 20000);
    pullTheCable();
    QVERIFY(process.waitForFinished(30000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 3);
    QVERIFY2(err.contains(QLatin1String("the link is lost")), qPrintable(err));

    // What was written is whole and indexed; nothing else is in the directory.
    const QStringList docs = QDir(dir).entryList({QStringLiteral("fd-*")}, QDir::Files);
    QVERIFY(docs.size() >= 2 && docs.size() < 7);
    for (const QString &name : docs)
        QVERIFY(readAll(QDir(dir).filePath(name)).contains("номер фискального документа"));
    QCOMPARE(csvLines(QDir(dir).filePath(QStringLiteral("index.csv"))).size(), 1 + docs.size());
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), docs.size() + 3);

    QVERIFY(m_engine->plugIn());
    m_engine->setReplyDelayMs(0);
    const Run rest = cli(QStringList{QStringLiteral("fn-export"), QStringLiteral("--dir"), dir} + link());
    QCOMPARE(rest.exitCode, 0);
    QVERIFY2(rest.err.contains(
                 QStringLiteral("%1 written, %2 already there").arg(7 - docs.size()).arg(docs.size())),
             qPrintable(rest.err));
}

void TstKeloCli::lostInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("killed");
    // The cable pulled in the middle of a dump or an export: the two tests above.
    QTest::newRow("exec, cable pulled") << "exec" << false;
    QTest::newRow("exec, emulator killed") << "exec" << true;
    QTest::newRow("fn-export, emulator killed") << "fn-export" << true;
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
        QVERIFY2(err.contains("block "), err.constData());
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

void TstKeloCli::missingPort()
{
    const Run run = cli({QStringLiteral("exec"), QStringLiteral("--port"),
                         m_dir.filePath(QStringLiteral("ttyNONE")), QStringLiteral("FC")});
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains(QStringLiteral("Ошибка открытия СОМ порта!")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TstKeloCli)
#include "tst_kelocli.moc"
