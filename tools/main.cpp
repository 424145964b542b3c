// kelo-cli: the register's service operations from the command line, over
// the same driver and document libraries as the window.

#include "commands.h"
#include "console.h"

#include <QCoreApplication>

namespace {

QString generalHelp()
{
    QString text = QStringLiteral("Usage: kelo-cli COMMAND [options] [arguments]\n\n"
                                  "Service tool for the Kelo-Vint-Ф cash register.\n\nCommands:\n");
    int count = 0;
    const CliCommand *commands = cliCommands(&count);
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(commands[i].name).leftJustified(12),
                         QString::fromUtf8(commands[i].summary));
    text +=
        QStringLiteral("\n\"kelo-cli COMMAND --help\" describes a command and its options.\n"
                       "Exit codes: 0 success, 1 a check failed, 2 usage, 3 link, driver or file failure,\n"
                       "4 the register refused (its error text is printed), 130 stopped by Ctrl+C.\n");
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELO_VERSION));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        Console::errRaw(generalHelp());
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        Console::out(generalHelp());
        return ExitOk;
    }
    if (name == QLatin1String("--version")) {
        Console::out(QStringLiteral("kelo-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    int count = 0;
    const CliCommand *commands = cliCommands(&count);
    for (int i = 0; i < count; ++i) {
        if (name == QLatin1String(commands[i].name)) {
            Console::installStopHandler();
            return commands[i].run(args);
        }
    }
    Console::err(QStringLiteral("unknown command \"%1\" (see kelo-cli --help)").arg(name));
    return ExitUsage;
}

const CliCommand *cliCommands(int *count)
{
    static const CliCommand commands[] = {
        {"ports", cmdPorts, "list the serial ports"},
        {"find", cmdFind, "search every port at every speed for the register"},
        {"exec", cmdExec, "run text commands and print their reply values"},
        {"fn-doc", cmdFnDoc, "fetch one fiscal document from the FN"},
        {"fn-export", cmdFnExport, "read a range of fiscal documents into files with an index"},
        {"decode-tlv", cmdDecodeTlv, "decode a saved fiscal document without a register"},
        {"regnum", cmdRegnum, "compute or check the registration number"},
        {"dump", cmdDump, "read the firmware dump into a file with its .md5 file"},
        {"md5", cmdMd5, "checksum a dump file and write its .md5 file"},
        {"compare", cmdCompare, "compare two dump files"},
    };
    *count = int(sizeof(commands) / sizeof(commands[0]));
    return commands;
}
