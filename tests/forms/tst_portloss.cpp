// The register lost in the middle of an operation of the window: its
// pseudo-terminal closed (the cable pulled) or the emulator program killed,
// during a command, a fiscal document read and a dump read. The window must
// come back with the driver's error within the link's time-outs, leave no
// partial file, and work again once the register is back on the same port.

#include "firmwareimage.h"
#include "mainformfixture.h"

#include <mainproc.h>

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>

using namespace formtest;

namespace {

const QString kNoErrors = QStringLiteral("Ошибок нет.");
const QString kBinFilter = QStringLiteral("Бинарные файлы (*.bin)");
constexpr int kDumpBlocks = 400;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The register at the end of a fixed link path: the emulator in this process,
// whose cable can be pulled, or the kelo-emulator program, which can be killed.
class Register
{
public:
    Register(bool program, const QString &linkPath) : m_program(program), m_link(linkPath) {}
    ~Register()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Every command is held delayMs before its reply.
    bool start(int delayMs)
    {
        if (m_program)
            return startProgram(delayMs);
        kelo::emu::EmulatorConfig config = Bench::config();
        config.linkPath = m_link;
        config.dumpBlocks = kDumpBlocks;
        config.replyDelayMs = delayMs;
        m_engine = std::make_unique<kelo::emu::EmulatorEngine>(config);
        return m_engine->start();
    }

    void lose()
    {
        if (!m_program) {
            QVERIFY(m_engine->unplug());
            return;
        }
        m_process.kill();
        QVERIFY(m_process.waitForFinished(5000));
        // The link a killed program leaves names a terminal number the system
        // may give to another program at once: nothing must answer there.
        QFile::remove(m_link);
    }

    // Back on the same path, answering at once.
    bool restore()
    {
        if (m_program)
            return startProgram(0);
        m_engine->setReplyDelayMs(0);
        return m_engine->plugIn();
    }

private:
    bool startProgram(int delayMs)
    {
        m_process.start(QStringLiteral(KELO_EMULATOR_PROGRAM),
                        {QStringLiteral("--preset"), QStringLiteral("registered"), QStringLiteral("--baud"),
                         QStringLiteral("0"), QStringLiteral("--dump-blocks"), QString::number(kDumpBlocks),
                         QStringLiteral("--delay"), QString::number(delayMs), QStringLiteral("--link"),
                         m_link});
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        return m_process.readLine().startsWith("PORT ");
    }

    bool m_program;
    QString m_link;
    std::unique_ptr<kelo::emu::EmulatorEngine> m_engine;
    QProcess m_process;
};

} // namespace

class TstPortLoss : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void lostInTheMiddle_data();
    void lostInTheMiddle();

private:
    std::unique_ptr<Driver> m_driver;
};

void TstPortLoss::initTestCase()
{
    m_driver = std::make_unique<Driver>();
}

void TstPortLoss::init()
{
    Driver::resetLinkSettings();
}

void TstPortLoss::lostInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("program");
    QTest::addColumn<int>("delayMs");
    for (const bool program : {false, true}) {
        const char *loss = program ? "emulator killed" : "cable pulled";
        QTest::addRow("command, %s", loss) << "command" << program << 500;
        QTest::addRow("document, %s", loss) << "document" << program << 100;
        QTest::addRow("dump, %s", loss) << "dump" << program << 5;
    }
}

void TstPortLoss::lostInTheMiddle()
{
    QFETCH(QString, operation);
    QFETCH(bool, program);
    QFETCH(int, delayMs);

    AppDir appDir;
    const QDir dir(appDir.path());
    QVERIFY(dir.mkdir(QStringLiteral("out")));
    const QDir out(dir.filePath(QStringLiteral("out")));
    const QString port = dir.filePath(QStringLiteral("ttyKELO"));
    Register reg(program, port);
    QVERIFY(reg.start(delayMs));

    // A window that found no register at its start (so nothing of the start
    // waits on the slow replies), then pointed at the register's link.
    MMainFormOptions options;
    options.port = QStringLiteral("/nonexistent/ttyKelo");
    auto window = std::make_unique<MMainForm>(nullptr, options);
    child<QComboBox>(*window, "comboCOMPort")->setEditText(port);
    child<QSpinBox>(*window, "strFDNumber")->setValue(3);
    auto *page = child<QTextEdit>(*window, "textFDFromFNData");
    auto *progress = child<QProgressBar>(*window, "progressReadDump");

    const char *button = operation == QLatin1String("command")    ? "butGetFN_Number"
                         : operation == QLatin1String("document") ? "butGetFDFromFN"
                                                                  : "butService_GetDump";
    const QString dumpFile = out.filePath(QStringLiteral("dump.bin"));
    auto run = [&] {
        if (operation != QLatin1String("dump"))
            return click(*window, button);
        ModalAnswer answer(ModalAnswer::chooseFile(dumpFile, kBinFilter), "QFileDialog");
        return click(*window, button) && answer.answered();
    };

    // The loss lands while the operation's own command is held by the
    // register: the FN number query; a few items into the document; some ten
    // steps into the dump.
    QElapsedTimer sinceLoss;
    QElapsedTimer reading;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        bool now = false;
        if (operation == QLatin1String("command")) {
            now = window->commandText.startsWith(QLatin1String("FF02"));
        } else if (operation == QLatin1String("document")) {
            if (!reading.isValid() && window->commandText.startsWith(QLatin1String("FF3B")))
                reading.start();
            now = reading.isValid() && reading.elapsed() >= 3 * delayMs;
        } else {
            now = window->commandText.startsWith(QLatin1String("02,")) && progress->value() >= 10;
        }
        if (!now)
            return;
        watch.stop();
        reg.lose();
        sinceLoss.start();
    });
    watch.start(5);
    QVERIFY(run());
    QVERIFY2(sinceLoss.isValid(), "the operation ended before the register was lost");
    const qint64 toError = sinceLoss.elapsed();
    qInfo("%s: \"%s\" after %lld ms", QTest::currentDataTag(), qPrintable(status(*window)), toError);
    QVERIFY2(toError < 10000, qPrintable(QString::number(toError)));

    QVERIFY2(status(*window).contains(QStringLiteral("Ошибка драйвера")), qPrintable(status(*window)));
    QVERIFY(child(*window, "tabWidget")->isEnabled());
    QVERIFY(!mpLinkSettings().connected);
    if (operation == QLatin1String("document")) {
        // The items read before the loss are shown, marked as an incomplete
        // document, and a saved copy says so as well.
        const QString cut = QStringLiteral("Документ прочитан не полностью");
        QVERIFY2(page->toPlainText().contains(QStringLiteral("Тип документа")) && page->toPlainText().contains(cut),
                 qPrintable(page->toPlainText()));
        ModalAnswer save(ModalAnswer::chooseFile(out.filePath(QStringLiteral("doc.html")),
                                                 QStringLiteral("HTML файлы (*.html)")),
                         "QFileDialog");
        QVERIFY(click(*window, "butGetFD_Save"));
        QVERIFY(save.answered());
        QVERIFY(QString::fromUtf8(contents(out.filePath(QStringLiteral("doc.html")))).contains(cut));
        QVERIFY(QFile::remove(out.filePath(QStringLiteral("doc.html"))));
    }
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), QStringList());

    // Back on the same port, the same operation goes through.
    QVERIFY(reg.restore());
    QVERIFY(run());
    if (operation == QLatin1String("dump")) {
        QVERIFY2(status(*window).startsWith(QStringLiteral("Дамп считан и записан в файл")),
                 qPrintable(status(*window)));
        QCOMPARE(QCryptographicHash::hash(contents(dumpFile), QCryptographicHash::Md5).toHex(),
                 kelo::emu::FirmwareImage::md5Hex(kDumpBlocks));
    } else {
        QCOMPARE(status(*window), kNoErrors);
        QVERIFY(page->toPlainText().contains(operation == QLatin1String("command")
                                                 ? QStringLiteral("Заводской номер ФН:")
                                                 : QStringLiteral("Кассовый чек (3)")));
    }
}

QTEST_MAIN(TstPortLoss)
#include "tst_portloss.moc"
