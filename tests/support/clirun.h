#pragma once

// kelo-cli run as a user runs it: a process of its own with arguments, the
// given environment on top of the test's (without the kelo-cli defaults, so
// that the machine's settings never leak in), standard input, and what it
// printed. KELO_CLI_PATH names the program under test. Its service journal
// is a temporary file of the test program unless the test names one
// (KELO_JOURNAL), never the program's own.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

inline QString cliTestJournal()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("journal.sqlite"));
}

// The environment of a kelo-cli run: the test's, without the kelo-cli
// defaults, with the test's journal, and env ("NAME=value") on top.
inline QProcessEnvironment cliEnvironment(const QStringList &env = QStringList())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"KELO_PORT", "KELO_BAUD", "KELO_PASSWORD"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("KELO_JOURNAL"), cliTestJournal());
    for (const QString &var : env)
        environment.insert(var.section(QLatin1Char('='), 0, 0), var.section(QLatin1Char('='), 1));
    return environment;
}

struct CliRun
{
    int exitCode = -1; // -2: it crashed
    QString out;
    QString err;
    QByteArray outBytes;
};

// env: "NAME=value" entries.
inline CliRun runCli(const QStringList &args, const QStringList &env = QStringList(),
                     const QByteArray &input = QByteArray(), const QString &workingDirectory = QString())
{
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(env));
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(KELO_CLI_PATH), args);
    CliRun run;
    if (!process.waitForStarted(10000)) {
        run.err = QStringLiteral("did not start");
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish in time: ") + QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
