#include "dumpfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

bool samePath(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath())
               .compare(QDir::cleanPath(QFileInfo(b).absoluteFilePath()), cs)
           == 0;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Reads up to one chunk; a short read only happens at the end of the file.
bool readChunk(QFile &file, QByteArray &buffer)
{
    buffer.resize(qsizetype(kDumpChunkSize));
    const qint64 got = file.read(buffer.data(), kDumpChunkSize);
    if (got < 0)
        return false;
    buffer.resize(qsizetype(got));
    return true;
}

} // namespace

QString dumpMd5FilePath(const QString &dumpPath)
{
    const QFileInfo info(dumpPath);
    // The directory stays as the caller wrote it.
    const QString beside = dumpPath.left(dumpPath.size() - info.fileName().size()) + info.completeBaseName()
                           + QStringLiteral(".md5");
    if (samePath(beside, dumpPath))
        return dumpPath + QStringLiteral(".md5");
    return beside;
}

QByteArray dumpMd5Line(const QByteArray &hexDigest, const QString &dumpPath)
{
    return hexDigest + " *" + QFileInfo(dumpPath).fileName().toUtf8() + '\n';
}

bool dumpFileMd5(const QString &path, QByteArray *hexDigest, QString *error, const DumpProgress &progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    const qint64 total = file.size();
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray buffer;
    qint64 done = 0;
    for (;;) {
        if (!readChunk(file, buffer)) {
            setError(error, file.errorString());
            return false;
        }
        if (buffer.isEmpty())
            break;
        hash.addData(buffer);
        done += buffer.size();
        if (progress && !progress(done, total)) {
            setError(error, QStringLiteral("stopped"));
            return false;
        }
    }
    *hexDigest = hash.result().toHex();
    return true;
}

DumpCompare dumpCompareFiles(const QString &first, const QString &second, const DumpProgress &progress,
                             DumpDifference *difference)
{
    DumpDifference unused;
    DumpDifference &found = difference ? *difference : unused;
    found = DumpDifference();
    QFile a(first);
    if (!a.open(QIODevice::ReadOnly)) {
        found.error = a.errorString();
        return DumpCompare::FirstUnreadable;
    }
    QFile b(second);
    if (!b.open(QIODevice::ReadOnly)) {
        found.error = b.errorString();
        return DumpCompare::SecondUnreadable;
    }
    found.firstSize = a.size();
    found.secondSize = b.size();
    const bool sameSize = a.size() == b.size();
    if (!sameSize && !difference)
        return DumpCompare::DifferentSize;
    const qint64 total = qMin(a.size(), b.size());
    QByteArray chunkA;
    QByteArray chunkB;
    qint64 done = 0;
    for (;;) {
        if (!readChunk(a, chunkA)) {
            found.error = a.errorString();
            return DumpCompare::FirstUnreadable;
        }
        if (!readChunk(b, chunkB)) {
            found.error = b.errorString();
            return DumpCompare::SecondUnreadable;
        }
        const qsizetype common = qMin(chunkA.size(), chunkB.size());
        const auto mismatch = std::mismatch(chunkA.cbegin(), chunkA.cbegin() + common, chunkB.cbegin());
        if (mismatch.first != chunkA.cbegin() + common) {
            found.offset = done + (mismatch.first - chunkA.cbegin());
            return sameSize ? DumpCompare::DifferentContent : DumpCompare::DifferentSize;
        }
        // Equal sizes were checked; a file that changes while it is read
        // shows up here as a different length.
        if (chunkA.size() != chunkB.size()) {
            found.offset = done + common;
            return DumpCompare::DifferentSize;
        }
        if (chunkA.isEmpty())
            return DumpCompare::Equal;
        done += chunkA.size();
        if (progress && !progress(done, total))
            return DumpCompare::Stopped;
    }
}

bool dumpWriteFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        setError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

bool dumpWriteMd5File(const QString &dumpPath, const QByteArray &hexDigest, QString *error)
{
    return dumpWriteFile(dumpMd5FilePath(dumpPath), dumpMd5Line(hexDigest, dumpPath), error);
}
