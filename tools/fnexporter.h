#pragma once

// Exports a range of fiscal documents into a directory: one file per
// document ("fd-000042.json") and an index of all exported documents
// ("index.csv", "index.json": number, type, date, total, file).
//
// A run can be stopped at any moment and started again: a document file is
// written whole or not at all, so one that exists is done and is skipped. The
// index is rebuilt at the end of every run from a journal (".fd-export.jsonl")
// to which each document's line is appended before its file is committed, so
// documents written by earlier runs stay in the index.

#include "documentformat.h"
#include "fndocumentreader.h"

#include <QMap>
#include <QString>

class RegisterSession;

struct ExportEntry
{
    quint32 number = 0;
    int type = 0;
    QString typeName;
    QString date;
    QString total;
    QString file;
};

class FnExporter
{
public:
    // A range longer than this is refused: no FN holds that many documents.
    static constexpr quint32 kMaxRange = 1000000;

    FnExporter(RegisterSession &session, const QString &dir, DocFormat format, bool progress);

    // Exports documents from..to (both included). Returns the exit code: 0
    // when every document of the range is on disk, else the code of the worst
    // failure (a refusal, the link, a file), after going on past failing
    // documents. Stops early when the link cannot be brought back or the user
    // asks to stop.
    int run(quint32 from, quint32 to);

    int written() const { return m_written; }
    int skipped() const { return m_skipped; }
    int failed() const { return m_failed; }

    static QString fileName(quint32 number, DocFormat format);

    // Output files are checked before anything is read from the register.
    // Creates the directory (with its parents); false with the path and the
    // system's reason.
    static bool makeDirectory(const QString &dir, QString *error);
    // Whether a file can be written at path, tried with a temporary file that
    // is removed again; false with the path and the system's reason.
    static bool checkWritable(const QString &path, QString *error);
    // A path as messages name it: absolute, with the system's separators.
    static QString shownPath(const QString &path);
    static QString csvField(const QString &text);

private:
    void loadJournal();
    bool appendJournal(const ExportEntry &entry, QString *error);
    bool writeIndex();
    int exportOne(ops::FnDocumentReader &reader, quint32 number);
    void noteFailure(int exitCode);

    RegisterSession &m_session;
    QString m_dir;
    DocFormat m_format;
    bool m_progress;
    QMap<quint32, ExportEntry> m_entries;
    int m_written = 0;
    int m_skipped = 0;
    int m_failed = 0;
    int m_exitCode = 0;
    bool m_fileFailed = false;
};
