#include "fnexporter.h"

#include "clijournal.h"
#include "console.h"
#include "progressbar.h"
#include "registersession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QVector>

#include <filesystem>
#include <system_error>

namespace {

// Worse failures win: a local file or the link over a refusal by the register.
int severity(int exitCode)
{
    switch (exitCode) {
    case ExitOk:
        return 0;
    case ExitCheckFailed:
        return 1;
    case ExitRefused:
        return 2;
    default:
        return 3;
    }
}

} // namespace

FnExporter::FnExporter(RegisterSession &session, const QString &dir, DocFormat format, bool progress)
    : m_session(session), m_archive(dir, format), m_progress(progress)
{}

QString FnExporter::fileName(quint32 number, DocFormat format)
{
    return ops::ArchiveExporter::fileName(number, format);
}

QString FnExporter::shownPath(const QString &path)
{
    return ops::ArchiveExporter::shownPath(path);
}

bool FnExporter::makeDirectory(const QString &dir, QString *error)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(dir).toStdString()), ec);
    if (!ec && QFileInfo(dir).isDir())
        return true;
    *error = QStringLiteral("cannot create the directory %1: %2")
                 .arg(shownPath(dir),
                      ec ? QString::fromLocal8Bit(ec.message().c_str()) : QStringLiteral("Not a directory"));
    return false;
}

bool FnExporter::checkWritable(const QString &path, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.cancelWriting();
        return true;
    }
    *error = QStringLiteral("cannot write %1: %2").arg(shownPath(path), file.errorString());
    return false;
}

QString FnExporter::csvField(const QString &text)
{
    return ops::ArchiveExporter::csvField(text);
}

void FnExporter::noteFailure(int exitCode)
{
    if (severity(exitCode) > severity(m_exitCode))
        m_exitCode = exitCode;
}

bool FnExporter::writeIndex()
{
    QString path, reason;
    if (m_archive.writeIndex(&path, &reason))
        return true;
    Console::err(QStringLiteral("cannot write the index %1: %2").arg(shownPath(path), reason));
    return false;
}

int FnExporter::exportOne(ops::FnDocumentReader &reader, quint32 number)
{
    const ops::FnDocument doc = reader.read(number);
    // Into the journal as soon as it is read, before its file: a run that is
    // killed keeps every document read whole.
    clijournal::document(doc);
    if (!doc.isComplete()) {
        Console::err(QStringLiteral("document %1: %2").arg(number).arg(doc.error));
        if (doc.status == ops::FnDocument::Failed)
            return doc.errorCode > 0 ? ExitRefused : ExitDriver;
        return ExitCheckFailed;
    }
    QString path, reason;
    if (!m_archive.write(doc, &path, &reason)) {
        Console::err(
            QStringLiteral("document %1: cannot write %2: %3").arg(number).arg(shownPath(path), reason));
        m_fileFailed = true;
        return ExitDriver;
    }
    ++m_written;
    return ExitOk;
}

int FnExporter::run(quint32 from, quint32 to)
{
    m_archive.loadJournal();
    QVector<quint32> todo;
    for (quint64 n = from; n <= to; ++n) {
        if (m_archive.isExported(quint32(n)))
            ++m_skipped;
        else
            todo.append(quint32(n));
    }

    ops::FnDocumentReader reader([this](const QString &command) { return m_session.exec(command); },
                                 m_session.passwordText());
    ProgressBar bar(m_progress, QStringLiteral("documents"));
    bar.start(todo.size());
    for (int i = 0; i < todo.size(); ++i) {
        if (Console::stopRequested()) {
            bar.finish();
            Console::err(QStringLiteral("stopped before document %1").arg(todo.at(i)));
            m_exitCode = ExitInterrupted;
            break;
        }
        const int result = exportOne(reader, todo.at(i));
        if (result != ExitOk) {
            ++m_failed;
            noteFailure(result);
            // A directory that cannot take a file will not take the next one.
            if (m_fileFailed)
                break;
            // A failure of the link may be passing; if the register cannot
            // be reached again, the rest of the range would only fail too.
            if (result == ExitDriver && m_session.errorCode() < 0 && !m_session.reopen()) {
                bar.finish();
                Console::err(QStringLiteral("the link is lost (%1); export stopped at document %2")
                                 .arg(m_session.errorText())
                                 .arg(todo.at(i)));
                break;
            }
        }
        bar.update(i + 1);
    }
    bar.finish();
    if (!writeIndex())
        noteFailure(ExitDriver);
    return m_exitCode;
}
