#pragma once

// Where kelo-cli writes: data to standard output, messages to standard error,
// both in UTF-8. Also the exit codes, the stop request of Ctrl+C, the quiet
// and verbose modes and the error object of --format json.

#include <QByteArray>
#include <QString>

#include <functional>

enum ExitCode {
    ExitOk = 0,
    ExitCheckFailed = 1,   // a comparison or a check of data failed
    ExitUsage = 2,         // the command line (or an input file) cannot be used
    ExitDriver = 3,        // the link, the driver or a local file failed
    ExitRefused = 4,       // the register refused a command; its error text is printed
    ExitInterrupted = 130, // stopped by Ctrl+C (128 + SIGINT)
    ExitTerminated = 143,  // stopped by SIGTERM (128 + SIGTERM)
};

class Console
{
public:
    static void out(const QString &text);
    static void outBytes(const QByteArray &bytes);
    // One message line on standard error, after "kelo-cli: ": an error or a
    // warning. The last one is the text of the JSON error object.
    static void err(const QString &line);
    // A warning line that is not the run's error (the JSON error object
    // keeps the last err() line).
    static void warn(const QString &line);
    // The last err() line, and the last err() or info() line (also one
    // left out because of quiet).
    static QString lastError();
    static QString lastMessage();
    // A message that only informs (a summary, a file written); left out when quiet.
    static void info(const QString &line);
    // Raw text on standard error (the progress bar).
    static void errRaw(const QString &text);
    static bool stderrIsTerminal();

    static void setQuiet(bool quiet);
    static bool quiet();
    // With verbose, frameObserver() writes every frame and control byte of
    // the link on standard error; without it, it is empty.
    static void setVerbose(bool verbose);
    static std::function<void(bool sent, const QByteArray &bytes)> frameObserver();
    // One line of the trace: "HH:mm:ss.zzz > 02 01 FC FD", ENQ, ACK and NAK by name.
    static QString traceLine(bool sent, const QByteArray &bytes);

    // The register's error behind the next message that quotes its text.
    static void noteErrorCode(int code, const QString &text);
    // With --format json, a failed run also ends with
    // {"error": {"code": N, "exit": E, "text": "..."}} on standard output.
    static void setJsonErrors(bool json);
    static bool jsonErrors();
    static QByteArray errorJson(int exitCode);

    // The first Ctrl+C (or SIGTERM) asks the running command to stop at the next
    // command boundary, so the register is left in order and no partial file is
    // written; a second one ends the program at once.
    static void installStopHandler();
    static bool stopRequested();
    // What ExitInterrupted becomes: 128 + the number of the signal that stopped the run.
    static int stoppedExitCode(int exitCode);
};
