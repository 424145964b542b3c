#pragma once

// Reads a range of fiscal documents from the register and exports them into
// a directory through ops::ArchiveExporter, which the window's archive page
// shares: a run can be stopped and started again, and documents whose files
// exist are skipped.

#include <archiveexporter.h>
#include <fndocumentreader.h>

#include <QString>

class RegisterSession;

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
    bool writeIndex();
    int exportOne(ops::FnDocumentReader &reader, quint32 number);
    void noteFailure(int exitCode);

    RegisterSession &m_session;
    ops::ArchiveExporter m_archive;
    bool m_progress;
    int m_written = 0;
    int m_skipped = 0;
    int m_failed = 0;
    int m_exitCode = 0;
    bool m_fileFailed = false;
};
