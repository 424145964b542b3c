#include "commandline.h"

#include "clijournal.h"
#include "console.h"
#include "regnumber.h"

#include <QProcessEnvironment>

CommandLine::CommandLine(const QString &command, const QString &description, const QString &syntax)
    : m_command(command)
    , m_syntax(syntax)
    , m_port(QStringList{QStringLiteral("p"), QStringLiteral("port")},
             QStringLiteral("Serial port of the register (a name such as ttyUSB0 or COM3, or a device path), "
                            "or host:port of a register on the network. Default: $KELO_PORT."),
             QStringLiteral("name"))
    , m_baud(QStringList{QStringLiteral("b"), QStringLiteral("baud")},
             QStringLiteral("Baud rate. Default: $KELO_BAUD, else 115200."), QStringLiteral("rate"))
    , m_password(QStringLiteral("password"),
                 QStringLiteral("System administrator password. Default: $KELO_PASSWORD, else the one of "
                                "Default.ini."),
                 QStringLiteral("number"))
    , m_timeout(QStringLiteral("timeout"),
                QStringLiteral("How long the register may take to answer the link probes when connecting, "
                               "all three together, in ms (default 6000); over the network also how long "
                               "the connection may take."),
                QStringLiteral("ms"), QStringLiteral("6000"))
    , m_format(QStringList{QStringLiteral("f"), QStringLiteral("format")}, QString(),
               QStringLiteral("format"), QStringLiteral("text"))
    , m_progress(QStringLiteral("progress"),
                 QStringLiteral("Draw the progress bar on standard error even when it is not a terminal."))
    , m_quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")},
              QStringLiteral("No progress bar and no informational messages; errors and warnings still."))
    , m_verbose(QStringList{QStringLiteral("v"), QStringLiteral("verbose")},
                QStringLiteral("Trace the exchange with the register on standard error, one line a frame."))
    , m_journal(
          QStringLiteral("journal"),
          QStringLiteral("The service journal file to use. Default: $KELO_JOURNAL, else journal.sqlite in "
                         "the program's data folder."),
          QStringLiteral("FILE"))
    , m_noJournal(QStringLiteral("no-journal"), QStringLiteral("Record nothing in the service journal."))
{
    m_parser.setApplicationDescription(description);
    m_parser.addHelpOption();
    m_parser.addOptions({m_quiet, m_verbose});
}

void CommandLine::addLinkOptions()
{
    m_parser.addOptions({m_port, m_baud, m_password, m_timeout, m_journal, m_noJournal});
    m_hasLinkOptions = true;
}

void CommandLine::addJournalOption()
{
    m_parser.addOption(m_journal);
}

void CommandLine::journalOptions()
{
    if (m_parser.isSet(m_journal))
        clijournal::setPath(m_parser.value(m_journal));
    if (m_hasLinkOptions && m_parser.isSet(m_noJournal))
        clijournal::setDisabled(true);
}

void CommandLine::addFormatOption(bool allowHtml, const QString &extra)
{
    if (!extra.isEmpty())
        m_format.setDescription(QStringLiteral("Output format: text (default), json, html or %1.").arg(extra));
    else
        m_format.setDescription(allowHtml ? QStringLiteral("Output format: text (default), json or html.")
                                          : QStringLiteral("Output format: text (default) or json."));
    m_parser.addOption(m_format);
    m_hasFormat = true;
}

void CommandLine::addProgressOption()
{
    m_parser.addOption(m_progress);
}

int CommandLine::usage(const QString &text) const
{
    Console::err(QStringLiteral("%1: %2 (see kelo-cli %1 --help)").arg(m_command, text));
    return ExitUsage;
}

int CommandLine::parse(const QStringList &arguments, int minPositional, int maxPositional)
{
    const bool parsed = m_parser.parse(QStringList{QStringLiteral("kelo-cli")} + arguments);
    // Taken even from a command line with a mistake: its error is then JSON too.
    Console::setQuiet(m_parser.isSet(m_quiet));
    Console::setVerbose(m_parser.isSet(m_verbose));
    if (m_hasFormat && m_parser.isSet(m_format))
        Console::setJsonErrors(m_parser.value(m_format) == QLatin1String("json"));
    if (!parsed)
        return usage(m_parser.errorText());
    // --help-all, which Qt offers beside --help, adds nothing here: no Qt
    // option applies to this program.
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"))) {
        // Qt's first line names the program file; ours names the command.
        const QString help = m_parser.helpText();
        Console::out(QStringLiteral("Usage: kelo-cli %1 [options] %2").arg(m_command, m_syntax).trimmed()
                     + help.mid(help.indexOf(QLatin1Char('\n'))));
        return ExitOk;
    }
    const int count = int(m_parser.positionalArguments().size());
    if (count < minPositional)
        return usage(
            QStringLiteral("too few arguments; usage: kelo-cli %1 [options] %2").arg(m_command, m_syntax));
    if (maxPositional >= 0 && count > maxPositional)
        return usage(
            QStringLiteral("too many arguments; usage: kelo-cli %1 [options] %2").arg(m_command, m_syntax));
    return -1;
}

bool CommandLine::number(const QString &text, const QString &what, quint64 min, quint64 max,
                         quint64 *value) const
{
    quint64 n = 0;
    if (!rnParseDigits(text, &n) || n < min || n > max) {
        usage(QStringLiteral("%1 must be a number from %2 to %3, not \"%4\"")
                  .arg(what)
                  .arg(min)
                  .arg(max)
                  .arg(text));
        return false;
    }
    *value = n;
    return true;
}

bool CommandLine::linkOptions(LinkOptions *options, bool portRequired)
{
    journalOptions();
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    options->port =
        m_parser.isSet(m_port) ? m_parser.value(m_port) : environment.value(QStringLiteral("KELO_PORT"));
    if (options->port.isEmpty() && portRequired) {
        usage(QStringLiteral("no port: give --port or set KELO_PORT"));
        return false;
    }
    quint64 n = 0;
    const QString baudEnv = environment.value(QStringLiteral("KELO_BAUD"));
    if (m_parser.isSet(m_baud) || baudEnv.isEmpty()) {
        if (!number(m_parser.isSet(m_baud) ? m_parser.value(m_baud) : QStringLiteral("115200"),
                    QStringLiteral("--baud"), 50, 4000000, &n))
            return false;
    } else if (!number(baudEnv, QStringLiteral("KELO_BAUD"), 50, 4000000, &n)) {
        return false;
    }
    options->baud = int(n);
    if (!number(m_parser.value(m_timeout), QStringLiteral("--timeout"), 1, 600000, &n))
        return false;
    options->timeoutMs = int(n);
    options->password = -1;
    // The password is not repeated in the message about it.
    const QString passwordEnv = environment.value(QStringLiteral("KELO_PASSWORD"));
    const bool given = m_parser.isSet(m_password);
    if (given || !passwordEnv.isEmpty()) {
        if (!rnParseDigits(given ? m_parser.value(m_password) : passwordEnv, &n) || n > 999999999) {
            usage(QStringLiteral("%1 must be a number from 0 to 999999999")
                      .arg(given ? QStringLiteral("--password") : QStringLiteral("KELO_PASSWORD")));
            return false;
        }
        options->password = int(n);
    }
    return true;
}

bool CommandLine::format(DocFormat *format, bool allowHtml)
{
    if (DocumentFormat::parse(m_parser.value(m_format), allowHtml, format))
        return true;
    usage(QStringLiteral("unknown format \"%1\"").arg(m_parser.value(m_format)));
    return false;
}

bool CommandLine::progress() const
{
    return m_parser.isSet(m_progress) || (!m_parser.isSet(m_quiet) && Console::stderrIsTerminal());
}
