#pragma once

// The commands of kelo-cli. Each takes the arguments after its name and
// returns the program's exit code.

#include <QString>
#include <QStringList>

int cmdPorts(const QStringList &args);
int cmdFind(const QStringList &args);
int cmdExec(const QStringList &args);
int cmdCommands(const QStringList &args);
int cmdFnDoc(const QStringList &args);
int cmdFnExport(const QStringList &args);
int cmdDump(const QStringList &args);
int cmdDecodeTlv(const QStringList &args);
int cmdRegnum(const QStringList &args);
int cmdMd5(const QStringList &args);
int cmdCompare(const QStringList &args);
int cmdTables(const QStringList &args);
int cmdTableGet(const QStringList &args);
int cmdTableSet(const QStringList &args);
int cmdTablesExport(const QStringList &args);
int cmdTablesImport(const QStringList &args);
int cmdJournal(const QStringList &args);

// Rows of cells as columns of aligned text, two blanks apart, indented.
QString alignedRows(const QList<QStringList> &rows, const QString &indent);

struct CliCommand
{
    const char *name;
    int (*run)(const QStringList &args);
    const char *summary;
};

// In the order the general help lists them.
const CliCommand *cliCommands(int *count);
