// kelo-emulator: the register stand-in as a program. Prints "PORT <path>" once
// the pseudo-terminal is ready and serves it until SIGINT or SIGTERM. Exit
// status 2 when it cannot start, 1 when its state file could not be saved at
// the end.

#include "emulatorengine.h"
#include "firmwareimage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#endif

using namespace kelo::emu;

namespace {

QString faultList()
{
    QStringList names;
    for (const char *name : kFaultNames)
        names << QLatin1String(name);
    return names.join(QStringLiteral(", "));
}

bool parseFaults(const QStringList &faultArgs, QVector<EmulatorConfig::ArmedFault> *faults, QString *error)
{
    for (const QString &arg : faultArgs) {
        const QStringList parts = arg.split(QLatin1Char(':'));
        Fault fault = Fault::Noise;
        if (parts.size() > 2 || !faultFromName(parts.value(0), &fault)) {
            *error = QStringLiteral("unknown fault \"%1\" (faults: %2)").arg(parts.value(0), faultList());
            return false;
        }
        bool countOk = true;
        const int count = parts.size() == 2 ? parts[1].toInt(&countOk) : 1;
        if (!countOk || count < 0) {
            *error = QStringLiteral("bad count in the fault \"%1\"").arg(arg);
            return false;
        }
        faults->append({fault, count});
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelo-emulator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stand-in for the Kelo-Vint-F cash register on a pseudo-terminal (and over TCP).\n"
                       "Prints \"PORT <path>\" when ready; ends on SIGINT or SIGTERM. It listens at\n"
                       "its --baud only: bytes sent at another line speed are noise to it.\n"
                       "Exit status: 0 after a clean end, 1 when the state file could not be saved\n"
                       "at the end, 2 when it could not start (the message on standard error says why)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption state({QStringLiteral("s"), QStringLiteral("state")},
                                   QStringLiteral("Keep the register in this JSON file (read at start, "
                                                  "rewritten after every change). A file that cannot be "
                                                  "read, is not such a file or lacks a part is refused; "
                                                  "a save that fails is reported on standard error."),
                                   QStringLiteral("file"));
    const QCommandLineOption preset(
        QStringLiteral("preset"),
        QStringLiteral("Starting state without a state file: out-of-box (default) "
                       "or registered."),
        QStringLiteral("name"), QStringLiteral("out-of-box"));
    const QCommandLineOption baud(
        {QStringLiteral("b"), QStringLiteral("baud")},
        QStringLiteral("The register's line speed: bytes are paced at this rate, 10 bits a "
                       "byte, and a PC set to another speed gets no answer; 0 "
                       "for no pacing and any speed."),
        QStringLiteral("rate"), QStringLiteral("115200"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Processing time of every command, in milliseconds."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption timing(
        QStringLiteral("timing"),
        QStringLiteral("Processing time of each kind of command, on top of --delay: none (default) or "
                       "real:\n%1\nA reply goes out as soon as its command has run. An ENQ that "
                       "arrives while a command runs is answered when it has run: ACK, then the reply; "
                       "other bytes that arrive meanwhile are not heard. Every fault can fall on a "
                       "slow command (noise and silence on that ENQ too).")
            .arg(realTimingTable()),
        QStringLiteral("kind"), QStringLiteral("none"));
    const QCommandLineOption password(
        QStringLiteral("password"), QStringLiteral("System administrator password."),
        QStringLiteral("number"), QString::number(kelo::kDefaultSysAdminPassword));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Inject a fault on its next N occasions (default 1); "
                                                  "repeatable. Faults: %1.")
                                       .arg(faultList()),
                                   QStringLiteral("name[:N]"));
    const QCommandLineOption rate(QStringLiteral("fault-rate"),
                                  QStringLiteral("Random line faults: the chance per command, 0 to 1."),
                                  QStringLiteral("p"), QStringLiteral("0"));
    const QCommandLineOption faultDelay(QStringLiteral("fault-delay"),
                                        QStringLiteral("What the delay fault adds to a reply, in ms."),
                                        QStringLiteral("ms"), QStringLiteral("1500"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of every random choice."),
                                  QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Make a symbolic link to the port; removed at the end. Only "
                                                 "a link to a pseudo-terminal (as an earlier run left) is "
                                                 "replaced: a file, a directory or another link at the "
                                                 "path is refused and left as it is."),
                                  QStringLiteral("path"));
    const QCommandLineOption blocks(QStringLiteral("dump-blocks"),
                                    QStringLiteral("Size of the firmware image in 32-byte blocks."),
                                    QStringLiteral("n"), QStringLiteral("256"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Serial number of a new register (0: not written yet)."),
                                    QStringLiteral("number"));
    const QCommandLineOption ofdDelay(QStringLiteral("ofd-delay"),
                                      QStringLiteral("Seconds until the OFD confirms a document; -1 never."),
                                      QStringLiteral("s"), QStringLiteral("30"));
    const QCommandLineOption md5(QStringLiteral("dump-md5"),
                                 QStringLiteral("Print the MD5 of the firmware image and exit."));
    const QCommandLineOption tcp(QStringLiteral("tcp"),
                                 QStringLiteral("Serve over TCP as well, at this address (port 0: any free "
                                                "port); prints \"TCP <address>\" when ready."),
                                 QStringLiteral("host:port"));
    const QCommandLineOption noPty(QStringLiteral("no-pty"),
                                   QStringLiteral("Serve over TCP only, without a pseudo-terminal."));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Write the line to standard error, one line per frame or control byte: the time "
                       "its last byte was on the line, < for what the PC sent or > for what the "
                       "register sent, the bytes in hex (ENQ, ACK and NAK by name) and in brackets what "
                       "became of them, e.g. \"12:00:01.234 < 02 01 FC FD [fault: lost-ack]\"."));
    parser.addOptions({state, preset, baud, delay, timing, password, fault, rate, faultDelay, seed, link,
                       blocks, serial, ofdDelay, md5, tcp, noPty, trace});
    parser.process(app);

    QTextStream err(stderr);
    auto fail = [&err](const QString &message) {
        err << "kelo-emulator: " << message << Qt::endl;
        return 2;
    };

    EmulatorConfig config;
    bool ok = true;
    auto number = [&parser, &ok](const QCommandLineOption &option) {
        bool good = false;
        const qint64 value = parser.value(option).toLongLong(&good);
        ok = ok && good;
        return value;
    };
    config.baud = static_cast<int>(number(baud));
    config.replyDelayMs = static_cast<int>(number(delay));
    config.sysAdminPassword = static_cast<int>(number(password));
    config.faultDelayMs = static_cast<int>(number(faultDelay));
    config.seed = static_cast<quint64>(number(seed));
    config.dumpBlocks = static_cast<int>(number(blocks));
    config.ofdAckDelaySecs = static_cast<int>(number(ofdDelay));
    if (parser.isSet(serial))
        config.serialNumber = number(serial);
    bool rateOk = false;
    config.randomFaultRate = parser.value(rate).toDouble(&rateOk);
    ok = ok && rateOk;
    if (!ok || config.baud < 0 || config.dumpBlocks < 1 || config.dumpBlocks > 0xFFFF
        || config.randomFaultRate < 0 || config.randomFaultRate > 1)
        return fail(QStringLiteral("a numeric option is out of range (see --help)"));
    if (!timingFromName(parser.value(timing), &config.timing))
        return fail(QStringLiteral("unknown timing \"%1\" (none or real)").arg(parser.value(timing)));
    if (parser.value(preset) == QLatin1String("registered"))
        config.preset = Preset::Registered;
    else if (parser.value(preset) != QLatin1String("out-of-box"))
        return fail(QStringLiteral("unknown preset \"%1\"").arg(parser.value(preset)));
    QString why;
    if (!parseFaults(parser.values(fault), &config.faults, &why))
        return fail(why);
    config.statePath = parser.value(state);
    config.linkPath = parser.value(link);
    config.tcpAddress = parser.value(tcp);
    config.pty = !parser.isSet(noPty);
    if (!config.pty && config.tcpAddress.isEmpty())
        return fail(QStringLiteral("--no-pty needs --tcp"));

    if (parser.isSet(md5)) {
        QTextStream(stdout) << FirmwareImage::md5Hex(config.dumpBlocks) << Qt::endl;
        return 0;
    }
    // Called on the serving thread too: one write a line, so that lines do not mix.
    const auto toStderr = [](const QString &line) {
        std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    };
    if (parser.isSet(trace))
        config.trace = toStderr;
    config.stateNotice = [toStderr](const QString &message) {
        toStderr(QStringLiteral("kelo-emulator: ") + message);
    };

#ifdef Q_OS_UNIX
    // The serving thread must not take the signals: block them first, so the
    // thread inherits the mask, and collect them here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    EmulatorEngine engine(config);
    if (!engine.start())
        return fail(engine.errorString());
    if (config.pty)
        QTextStream(stdout) << "PORT " << engine.portPath() << Qt::endl;
    if (!engine.tcpAddress().isEmpty())
        QTextStream(stdout) << "TCP " << engine.tcpAddress() << Qt::endl;
    int received = 0;
    sigwait(&stopSignals, &received);
    // A state file that could not be saved has been reported by its notice.
    return engine.stop() ? 0 : 1;
#else
    return fail(QStringLiteral("the emulator needs pseudo-terminals, which this system does not have"));
#endif
}
