// The register lost in the middle of an operation of the window: its
// pseudo-terminal closed (the cable pulled) or the emulator program killed,
// during a command, a fiscal document read and a dump read. How the link
// notices, and that it opens the port again, is the link's own concern; the
// window must come back with the driver's error and its controls within the
// link's time-outs, and leave no partial file.

#include "mainformfixture.h"

#include <mainproc.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QTextEdit>

using namespace formtest;

namespace {

constexpr int kDumpBlocks = 400;

// The register at the end of a fixed link path: the emulator in this process,
// whose cable can be pulled, or the kelo-emulator program, which can be killed.
class Register
{
public:
    Register(bool program, const QString &linkPath) : m_program(program), m_link(linkPath) {}
    ~Register()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Every command is held delayMs before its reply.
    bool start(int delayMs)
    {
        if (!m_program) {
            kelo::emu::EmulatorConfig config = Bench::config();
            config.linkPath = m_link;
            config.dumpBlocks = kDumpBlocks;
            config.replyDelayMs = delayMs;
            m_engine = std::make_unique<kelo::emu::EmulatorEngine>(config);
            return m_engine->start();
        }
        m_process.start(QStringLiteral(KELO_EMULATOR_PROGRAM),
                        {"--preset", "registered", "--baud", "0", "--dump-blocks",
                         QString::number(kDumpBlocks), "--delay", QString::number(delayMs), "--link",
                         m_link});
        // It names its port once it serves it.
        while (m_process.waitForStarted(5000) && !m_process.canReadLine()
               && m_process.waitForReadyRead(5000)) {
        }
        return m_process.readLine().startsWith("PORT ");
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

private:
    bool m_program;
    QString m_link;
    std::unique_ptr<kelo::emu::EmulatorEngine> m_engine;
    QProcess m_process;
};

} // namespace

class TstPortLoss : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void lostInTheMiddle_data();
    void lostInTheMiddle();
};

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
    const QDir out(appDir.path() + QStringLiteral("/out"));
    QVERIFY(out.mkpath(QStringLiteral(".")));
    const QString port = appDir.path() + QStringLiteral("/ttyKELO");
    Register reg(program, port);
    QVERIFY(reg.start(delayMs));

    // A window that found no register at its start, so that nothing of the
    // start waits on the slow replies.
    auto window = offlineWindow(port);
    setField(*window, "strFDNumber", 3);
    auto *progress = child<QProgressBar>(*window, "progressReadDump");
    const QString dumpFile = out.filePath(QStringLiteral("dump.bin"));
    const auto run = [&] {
        if (operation == QLatin1String("dump"))
            return clickChoosing(*window, "butService_GetDump", dumpFile, kBinFilter);
        return click(*window, operation == QLatin1String("command") ? "butGetFN_Number" : "butGetFDFromFN");
    };

    // The loss lands while the operation's own command is held by the
    // register: the FN number query; a few items into the document; some ten
    // steps into the dump.
    QElapsedTimer sinceLoss;
    QElapsedTimer reading;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        const QString &command = window->commandText;
        bool now = false;
        if (operation == QLatin1String("command")) {
            now = command.startsWith(QLatin1String("FF02"));
        } else if (operation == QLatin1String("document")) {
            if (!reading.isValid() && command.startsWith(QLatin1String("FF3B")))
                reading.start();
            now = reading.isValid() && reading.elapsed() >= 3 * delayMs;
        } else {
            now = command.startsWith(QLatin1String("02,")) && progress->value() >= 10;
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
    QVERIFY2(sinceLoss.elapsed() < 10000, qPrintable(QString::number(sinceLoss.elapsed())));

    QVERIFY2(status(*window).contains(QStringLiteral("Ошибка драйвера")), qPrintable(status(*window)));
    QVERIFY(child(*window, "tabWidget")->isEnabled());
    QVERIFY(!mpLinkSettings().connected);
    const QString page = child<QTextEdit>(*window, "textFDFromFNData")->toPlainText();
    if (operation == QLatin1String("document")) // what was read is shown, and marked
        QVERIFY2(page.contains(QStringLiteral("Тип документа"))
                     && page.contains(QStringLiteral("Документ прочитан не полностью")),
                 qPrintable(page));
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TstPortLoss)
#include "tst_portloss.moc"
