#include "fnexporter.h"

#include "console.h"
#include "dumpfiles.h"
#include "progressbar.h"
#include "registersession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QVector>

#include <filesystem>
#include <system_error>

namespace {

const char kJournal[] = ".fd-export.jsonl";
const char kIndexCsv[] = "index.csv";
const char kIndexJson[] = "index.json";

QJsonObject entryJson(const ExportEntry &e)
{
    return QJsonObject{
        {QStringLiteral("number"), qint64(e.number)}, {QStringLiteral("type"), e.type},
        {QStringLiteral("typeName"), e.typeName},     {QStringLiteral("date"), e.date},
        {QStringLiteral("total"), e.total},           {QStringLiteral("file"), e.file},
    };
}

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
    : m_session(session), m_dir(dir), m_format(format), m_progress(progress)
{}

QString FnExporter::fileName(quint32 number, DocFormat format)
{
    return QStringLiteral("fd-%1.%2")
        .arg(number, 6, 10, QLatin1Char('0'))
        .arg(DocumentFormat::suffix(format));
}

QString FnExporter::shownPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
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
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

void FnExporter::noteFailure(int exitCode)
{
    if (severity(exitCode) > severity(m_exitCode))
        m_exitCode = exitCode;
}

void FnExporter::loadJournal()
{
    QFile file(QDir(m_dir).filePath(QLatin1String(kJournal)));
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Lines that do not parse (the end of an interrupted append) are passed over.
    while (!file.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(file.readLine()).object();
        const qint64 number = o.value(QStringLiteral("number")).toInteger(-1);
        const QString name = o.value(QStringLiteral("file")).toString();
        if (number <= 0 || number > 0xFFFFFFFFll || name.isEmpty() || name.contains(QLatin1Char('/'))
            || name.contains(QLatin1Char('\\')))
            continue;
        ExportEntry e;
        e.number = quint32(number);
        e.type = o.value(QStringLiteral("type")).toInt();
        e.typeName = o.value(QStringLiteral("typeName")).toString();
        e.date = o.value(QStringLiteral("date")).toString();
        e.total = o.value(QStringLiteral("total")).toString();
        e.file = name;
        m_entries.insert(e.number, e);
    }
}

bool FnExporter::appendJournal(const ExportEntry &entry, QString *error)
{
    QFile file(QDir(m_dir).filePath(QLatin1String(kJournal)));
    const QByteArray line = QJsonDocument(entryJson(entry)).toJson(QJsonDocument::Compact) + '\n';
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size()
        && file.flush())
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(shownPath(file.fileName()), file.errorString());
    return false;
}

bool FnExporter::writeIndex()
{
    const QDir dir(m_dir);
    QStringList csv{QStringLiteral("number,type,type_name,date,total,file")};
    QJsonArray json;
    for (const ExportEntry &e : std::as_const(m_entries)) {
        if (!QFileInfo::exists(dir.filePath(e.file)))
            continue;
        csv << QStringList{QString::number(e.number), QString::number(e.type), csvField(e.typeName),
                           csvField(e.date),          csvField(e.total),       csvField(e.file)}
                   .join(QLatin1Char(','));
        json.append(entryJson(e));
    }
    const QList<std::pair<QString, QByteArray>> files{
        {dir.filePath(QLatin1String(kIndexCsv)), (csv.join(QLatin1Char('\n')) + '\n').toUtf8()},
        {dir.filePath(QLatin1String(kIndexJson)),
         QJsonDocument(QJsonObject{{QStringLiteral("documents"), json}}).toJson()},
    };
    for (const auto &[path, content] : files) {
        QString error;
        if (!dumpWriteFile(path, content, &error)) {
            Console::err(QStringLiteral("cannot write the index %1: %2").arg(shownPath(path), error));
            return false;
        }
    }
    return true;
}

int FnExporter::exportOne(ops::FnDocumentReader &reader, quint32 number)
{
    const ops::FnDocument doc = reader.read(number);
    if (!doc.isComplete()) {
        Console::err(QStringLiteral("document %1: %2").arg(number).arg(doc.error));
        if (doc.status == ops::FnDocument::Failed)
            return doc.errorCode > 0 ? ExitRefused : ExitDriver;
        return ExitCheckFailed;
    }
    ExportEntry entry;
    entry.number = number;
    entry.type = doc.docType;
    const QList<MTLVDocument> items = doc.tlvItems();
    entry.typeName = items.isEmpty() ? QString() : items.first().docTypeName();
    entry.date = DocumentFormat::dateText(items);
    entry.total = DocumentFormat::totalText(items);
    entry.file = fileName(number, m_format);
    const QJsonObject extra{{QStringLiteral("number"), qint64(number)}, {QStringLiteral("complete"), true}};
    QByteArray content = DocumentFormat::render(items, doc.docType, m_format, extra);
    if (m_format == DocFormat::Html)
        content = DocumentFormat::declaringUtf8(content);
    QString error;
    // The journal line first: a file on disk always has its index line.
    const QString path = QDir(m_dir).filePath(entry.file);
    bool written = appendJournal(entry, &error);
    if (written && !dumpWriteFile(path, content, &error)) {
        error = QStringLiteral("cannot write %1: %2").arg(shownPath(path), error);
        written = false;
    }
    if (!written) {
        Console::err(QStringLiteral("document %1: %2").arg(number).arg(error));
        m_fileFailed = true;
        return ExitDriver;
    }
    m_entries.insert(number, entry);
    ++m_written;
    return ExitOk;
}

int FnExporter::run(quint32 from, quint32 to)
{
    loadJournal();
    const QDir dir(m_dir);
    QVector<quint32> todo;
    for (quint64 n = from; n <= to; ++n) {
        if (QFileInfo::exists(dir.filePath(fileName(quint32(n), m_format))))
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
