#include "archiveexporter.h"

#include <dumpfiles.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ops {

namespace {

const char kJournal[] = ".fd-export.jsonl";
const char kIndexCsv[] = "index.csv";
const char kIndexJson[] = "index.json";

QJsonObject entryJson(const ArchiveEntry &e)
{
    return QJsonObject{
        {QStringLiteral("number"), qint64(e.number)}, {QStringLiteral("type"), e.type},
        {QStringLiteral("typeName"), e.typeName},     {QStringLiteral("date"), e.date},
        {QStringLiteral("total"), e.total},           {QStringLiteral("file"), e.file},
    };
}

} // namespace

ArchiveExporter::ArchiveExporter(const QString &dir, DocFormat format) : m_dir(dir), m_format(format) {}

QString ArchiveExporter::fileName(quint32 number, DocFormat format)
{
    return QStringLiteral("fd-%1.%2")
        .arg(number, 6, 10, QLatin1Char('0'))
        .arg(DocumentFormat::suffix(format));
}

QString ArchiveExporter::shownPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString ArchiveExporter::csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

ArchiveEntry ArchiveExporter::entry(const FnDocument &doc, DocFormat format)
{
    ArchiveEntry e;
    e.number = doc.number;
    e.type = doc.docType;
    const QList<MTLVDocument> items = doc.tlvItems();
    e.typeName = items.isEmpty() ? QString() : items.first().docTypeName();
    e.date = DocumentFormat::dateText(items);
    e.total = DocumentFormat::totalText(items);
    e.file = fileName(doc.number, format);
    return e;
}

QByteArray ArchiveExporter::content(const FnDocument &doc, DocFormat format)
{
    const QJsonObject extra{{QStringLiteral("number"), qint64(doc.number)},
                            {QStringLiteral("complete"), true}};
    const QByteArray content = DocumentFormat::render(doc.tlvItems(), doc.docType, format, extra);
    return format == DocFormat::Html ? DocumentFormat::declaringUtf8(content) : content;
}

void ArchiveExporter::loadJournal()
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
        ArchiveEntry e;
        e.number = quint32(number);
        e.type = o.value(QStringLiteral("type")).toInt();
        e.typeName = o.value(QStringLiteral("typeName")).toString();
        e.date = o.value(QStringLiteral("date")).toString();
        e.total = o.value(QStringLiteral("total")).toString();
        e.file = name;
        m_entries.insert(e.number, e);
    }
}

bool ArchiveExporter::isExported(quint32 number) const
{
    return QFileInfo::exists(QDir(m_dir).filePath(fileName(number, m_format)));
}

bool ArchiveExporter::appendJournal(const ArchiveEntry &entry, QString *reason)
{
    QFile file(QDir(m_dir).filePath(QLatin1String(kJournal)));
    const QByteArray line = QJsonDocument(entryJson(entry)).toJson(QJsonDocument::Compact) + '\n';
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size()
        && file.flush())
        return true;
    *reason = file.errorString();
    return false;
}

bool ArchiveExporter::write(const FnDocument &doc, QString *path, QString *reason)
{
    const ArchiveEntry e = entry(doc, m_format);
    const QDir dir(m_dir);
    // The journal line first: a file on disk always has its index line.
    *path = dir.filePath(QLatin1String(kJournal));
    if (!appendJournal(e, reason))
        return false;
    *path = dir.filePath(e.file);
    if (!dumpWriteFile(*path, content(doc, m_format), reason))
        return false;
    m_entries.insert(e.number, e);
    return true;
}

bool ArchiveExporter::writeIndex(QString *path, QString *reason) const
{
    const QDir dir(m_dir);
    QStringList csv{QStringLiteral("number,type,type_name,date,total,file")};
    QJsonArray json;
    for (const ArchiveEntry &e : m_entries) {
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
    for (const auto &[file, content] : files) {
        if (!dumpWriteFile(file, content, reason)) {
            *path = file;
            return false;
        }
    }
    return true;
}

} // namespace ops
