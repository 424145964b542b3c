#pragma once

// Where kelo-cli writes: data to standard output, messages to standard error,
// both in UTF-8. Also the exit codes and the stop request of Ctrl+C.

#include <QByteArray>
#include <QString>

enum ExitCode {
    ExitOk = 0,
    ExitCheckFailed = 1,   // a comparison or a check of data failed
    ExitUsage = 2,         // the command line (or an input file) cannot be used
    ExitDriver = 3,        // the link, the driver or a local file failed
    ExitRefused = 4,       // the register refused a command; its error text is printed
    ExitInterrupted = 130, // stopped by Ctrl+C or SIGTERM
};

class Console
{
public:
    static void out(const QString &text);
    static void outBytes(const QByteArray &bytes);
    // One message line on standard error, after "kelo-cli: ".
    static void err(const QString &line);
    // Raw text on standard error (the progress bar).
    static void errRaw(const QString &text);
    static bool stderrIsTerminal();

    // The first Ctrl+C (or SIGTERM) asks the running command to stop at the next
    // command boundary, so the register is left in order and no partial file is
    // written; a second one ends the program at once.
    static void installStopHandler();
    static bool stopRequested();
};
