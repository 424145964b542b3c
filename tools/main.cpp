// kelo-cli: the register's service operations from the command line, over
// the same driver and document libraries as the window.

#include "clijournal.h"
#include "commands.h"
#include "console.h"

#include <QCoreApplication>

namespace {

QString generalHelp()
{
    QString text = QStringLiteral("Usage: kelo-cli [options] COMMAND [options] [arguments]\n\n"
                                  "Service tool for the Kelo-Vint-Ф cash register.\n\nCommands:\n");
    int count = 0;
    const CliCommand *commands = cliCommands(&count);
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(commands[i].name).leftJustified(15),
                         QString::fromUtf8(commands[i].summary));
    text +=
        QStringLiteral("\n\"kelo-cli COMMAND --help\" describes a command and its options.\n"
                       "The common options may also stand before the command: -p/--port, -b/--baud,\n"
                       "--password, --timeout, -f/--format, -q/--quiet, -v/--verbose; and\n"
                       "--journal FILE (the service journal to use) and --no-journal (record nothing).\n"
                       "The commands that talk to the register record the register, the visit, each\n"
                       "command's outcome, the documents read, backups and dumps in the service\n"
                       "journal (see kelo-cli journal --help).\n"
                       "Environment: KELO_PORT, KELO_BAUD, KELO_PASSWORD (defaults of the options),\n"
                       "KELO_JOURNAL (the journal file).\n"
                       "Exit codes: 0 success, 1 a check failed, 2 usage, 3 link, driver or file failure,\n"
                       "4 the register refused (its error text is printed), 130 stopped by Ctrl+C,\n"
                       "143 stopped by SIGTERM.\n");
    return text;
}

bool isHelp(const QString &arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("help")
           || arg == QLatin1String("--help-all");
}

// The common options given before the command, moved to its own: the command
// checks them as if written after it. An option no command takes is an error
// here; one this command does not take is the command's error.
int takeLeadingOptions(QStringList *args, QStringList *options)
{
    static const QStringList withValue{QStringLiteral("-p"),         QStringLiteral("--port"),
                                       QStringLiteral("-b"),         QStringLiteral("--baud"),
                                       QStringLiteral("--password"), QStringLiteral("--timeout"),
                                       QStringLiteral("-f"),         QStringLiteral("--format")};
    static const QStringList flags{QStringLiteral("-q"), QStringLiteral("--quiet"), QStringLiteral("-v"),
                                   QStringLiteral("--verbose")};
    while (!args->isEmpty() && args->first().startsWith(QLatin1Char('-')) && !isHelp(args->first())
           && args->first() != QLatin1String("--version")) {
        const QString arg = args->takeFirst();
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        // The journal's options are the run's, whatever the command.
        if (arg == QLatin1String("--no-journal")) {
            clijournal::setDisabled(true);
            continue;
        }
        if (name == QLatin1String("--journal")) {
            QString value = arg.section(QLatin1Char('='), 1);
            if (!arg.contains(QLatin1Char('=')) && !args->isEmpty())
                value = args->takeFirst();
            if (value.isEmpty()) {
                Console::err(QStringLiteral("missing file after \"--journal\""));
                return ExitUsage;
            }
            clijournal::setPath(value);
            continue;
        }
        if (flags.contains(arg)) {
            *options << arg;
            continue;
        }
        if (!withValue.contains(name)) {
            Console::err(
                QStringLiteral("unknown option \"%1\" before the command (see kelo-cli --help)").arg(name));
            return ExitUsage;
        }
        QString value;
        if (arg.contains(QLatin1Char('='))) {
            value = arg.section(QLatin1Char('='), 1);
        } else if (!args->isEmpty()) {
            value = args->takeFirst();
        } else {
            Console::err(QStringLiteral("missing value after \"%1\"").arg(arg));
            return ExitUsage;
        }
        *options << name << value;
        if (name == QLatin1String("-f") || name == QLatin1String("--format"))
            Console::setJsonErrors(value == QLatin1String("json"));
    }
    return -1;
}

int run(QStringList args)
{
    QStringList options;
    if (const int r = takeLeadingOptions(&args, &options); r >= 0)
        return r;
    if (args.isEmpty() && !options.isEmpty()) {
        Console::err(QStringLiteral("no command after the options (see kelo-cli --help)"));
        return ExitUsage;
    }
    if (args.isEmpty()) {
        Console::errRaw(generalHelp());
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    if (isHelp(name)) {
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
            const int exitCode = Console::stoppedExitCode(commands[i].run(options + args));
            clijournal::finish(name, exitCode);
            clijournal::close();
            return exitCode;
        }
    }
    Console::err(QStringLiteral("unknown command \"%1\" (see kelo-cli --help)").arg(name));
    return ExitUsage;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELO_VERSION));

    const int exitCode = run(QCoreApplication::arguments().mid(1));
    // A script reading JSON gets the failure as JSON too, after whatever the
    // command printed.
    if (exitCode != ExitOk && Console::jsonErrors())
        Console::outBytes(Console::errorJson(exitCode));
    return exitCode;
}

const CliCommand *cliCommands(int *count)
{
    static const CliCommand commands[] = {
        {"ports", cmdPorts, "list the serial ports"},
        {"find", cmdFind, "search every port at every speed for the register"},
        {"exec", cmdExec, "run text commands and print their reply values"},
        {"commands", cmdCommands, "list the text commands, or what one takes and answers"},
        {"fn-doc", cmdFnDoc, "fetch one fiscal document from the FN"},
        {"fn-export", cmdFnExport, "read a range of fiscal documents into files with an index"},
        {"decode-tlv", cmdDecodeTlv, "decode a saved fiscal document without a register"},
        {"regnum", cmdRegnum, "compute or check the registration number"},
        {"dump", cmdDump, "read the firmware dump into a file with its .md5 file"},
        {"md5", cmdMd5, "checksum a dump file and write its .md5 file"},
        {"compare", cmdCompare, "compare two dump files"},
        {"tables", cmdTables, "list the register's settings tables"},
        {"table-get", cmdTableGet, "print the values of a settings table"},
        {"table-set", cmdTableSet, "write one value of a settings table and read it back"},
        {"tables-export", cmdTablesExport, "back up every settings table into a JSON file"},
        {"tables-import", cmdTablesImport, "restore the settings tables from a backup file"},
        {"journal", cmdJournal, "the service journal: registers met, visits, documents, backups"},
    };
    *count = int(sizeof(commands) / sizeof(commands[0]));
    return commands;
}
