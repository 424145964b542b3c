#pragma once

// Files of a firmware dump: the dump itself, its checksum file ("<name>.md5",
// one line "<md5> *<file name>"), and the MD5 and comparison of dump files.
// Files are read in chunks, so a file of any size costs a chunk of memory and
// the caller can keep its window live (and let the operator stop) through the
// progress callback. Files are written whole or not at all.

#include <QByteArray>
#include <QString>

#include <functional>

constexpr qint64 kDumpChunkSize = qint64(1) << 20;

// Called after every chunk with the bytes done so far and the total; returning
// false stops the work.
using DumpProgress = std::function<bool(qint64 done, qint64 total)>;

// The checksum file of a dump: its directory, its complete base name and
// ".md5". When that is the dump file itself ("x.md5"), ".md5" is appended to
// the whole name instead ("x.md5.md5"), so the input is never overwritten.
QString dumpMd5FilePath(const QString &dumpPath);

// "<digest> *<file name without directory>\n" in UTF-8.
QByteArray dumpMd5Line(const QByteArray &hexDigest, const QString &dumpPath);

// MD5 of a file as lower-case hex digits, read in chunks. False with a reason
// when the file cannot be read or the progress callback stopped the work.
bool dumpFileMd5(const QString &path, QByteArray *hexDigest, QString *error = nullptr,
                 const DumpProgress &progress = DumpProgress());

enum class DumpCompare {
    Equal,
    DifferentSize,
    DifferentContent,
    FirstUnreadable,
    SecondUnreadable,
    Stopped,
};

// Where two files differ, and why one could not be read.
struct DumpDifference
{
    qint64 firstSize = -1;
    qint64 secondSize = -1;
    // The first byte that differs, counted from 0; where the shorter file
    // ends when it is the start of the longer one; -1 when they are equal.
    qint64 offset = -1;
    QString error; // the system's reason when a file cannot be read
};

// Compares two files in chunks; the sizes are compared first. With
// `difference`, files of different sizes are still read up to the end of the
// shorter one for the first byte that differs.
DumpCompare dumpCompareFiles(const QString &first, const QString &second,
                             const DumpProgress &progress = DumpProgress(),
                             DumpDifference *difference = nullptr);

// Writes bytes to path whole or not at all (an earlier file stays as it was
// on failure). False with a reason.
bool dumpWriteFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Writes the checksum file of dumpPath (see dumpMd5FilePath) whole or not at all.
bool dumpWriteMd5File(const QString &dumpPath, const QByteArray &hexDigest, QString *error = nullptr);
