#pragma once

// Writes fiscal documents already read from the FN into a directory: one file
// per document ("fd-000042.json") and an index of all exported documents
// ("index.csv", "index.json": number, type, date, total, file).
//
// An export can be stopped at any moment and started again: a document file
// is written whole or not at all, so one that exists is done. The index is
// rebuilt from a journal (".fd-export.jsonl") to which each document's line is
// appended before its file is committed, so documents written by earlier runs
// stay in the index.

#include "documentformat.h"
#include "fndocumentreader.h"

#include <QMap>
#include <QString>

namespace ops {

struct ArchiveEntry
{
    quint32 number = 0;
    int type = 0;
    QString typeName;
    QString date;
    QString total;
    QString file;
};

class ArchiveExporter
{
public:
    ArchiveExporter(const QString &dir, DocFormat format);

    // Takes in the documents of earlier runs into this directory.
    void loadJournal();
    // Whether the document's file is already in the directory.
    bool isExported(quint32 number) const;
    // Writes a complete document: its journal line, then its file. On failure
    // `path` names the file that could not be written and `reason` says why.
    bool write(const FnDocument &doc, QString *path, QString *reason);
    // Writes index.csv and index.json of every document whose file exists.
    bool writeIndex(QString *path, QString *reason) const;

    const QString &directory() const { return m_dir; }
    DocFormat format() const { return m_format; }

    static QString fileName(quint32 number, DocFormat format);
    static QString csvField(const QString &text);
    // A path as messages name it: absolute, with the system's separators.
    static QString shownPath(const QString &path);
    // The index line of a document, and the document as its file holds it.
    static ArchiveEntry entry(const FnDocument &doc, DocFormat format);
    static QByteArray content(const FnDocument &doc, DocFormat format);

private:
    bool appendJournal(const ArchiveEntry &entry, QString *reason);

    QString m_dir;
    DocFormat m_format;
    QMap<quint32, ArchiveEntry> m_entries;
};

} // namespace ops
