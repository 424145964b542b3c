#pragma once

// The command line of one kelo-cli command: its own options, the common ones
// (link, format, progress, quiet, verbose), --help, and checked values.

#include "documentformat.h"
#include "registersession.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class CommandLine
{
public:
    // syntax: the positional part of the usage line, e.g. "N" or "TEXT...".
    CommandLine(const QString &command, const QString &description, const QString &syntax);

    // The link's options, and the journal's (--journal, --no-journal).
    void addLinkOptions();
    // --journal alone: for the commands that read the journal.
    void addJournalOption();
    // extra: further formats the command itself takes, named in the help.
    void addFormatOption(bool allowHtml, const QString &extra = QString());
    void addProgressOption();
    void addOption(const QCommandLineOption &option) { m_parser.addOption(option); }

    // Parses the arguments after the command name. Returns -1 to go on, or the
    // exit code to end with (0 after --help or --help-all, 2 after a usage
    // error). Sets the console's quiet, verbose and JSON error modes.
    int parse(const QStringList &arguments, int minPositional, int maxPositional);

    const QCommandLineParser &parser() const { return m_parser; }
    QStringList positional() const { return m_parser.positionalArguments(); }

    // The link options, checked; false after a usage message.
    bool linkOptions(LinkOptions *options, bool portRequired = true);
    // Takes --journal and --no-journal into the run's journal settings.
    void journalOptions();
    // The output format, checked; false after a usage message.
    bool format(DocFormat *format, bool allowHtml);
    // A progress bar when --progress is given, or standard error is a
    // terminal and --quiet is not given.
    bool progress() const;

    // "kelo-cli <command>: <text>" and a pointer to --help; returns ExitUsage.
    int usage(const QString &text) const;

    // An unsigned decimal number in [min, max]; false after a usage message.
    bool number(const QString &text, const QString &what, quint64 min, quint64 max, quint64 *value) const;

private:
    QString m_command;
    QString m_syntax;
    QCommandLineParser m_parser;
    QCommandLineOption m_port;
    QCommandLineOption m_baud;
    QCommandLineOption m_password;
    QCommandLineOption m_timeout;
    QCommandLineOption m_format;
    QCommandLineOption m_progress;
    QCommandLineOption m_quiet;
    QCommandLineOption m_verbose;
    QCommandLineOption m_journal;
    QCommandLineOption m_noJournal;
    bool m_hasFormat = false;
    bool m_hasLinkOptions = false;
};
