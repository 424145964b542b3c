#include "documentformat.h"

#include <mtlvdata.h>
#include <mtlvdictionary.h>
#include <mtlvrenderer.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr int kDateTag = 1012;
constexpr int kTotalTag = 1020;
constexpr int kFiscalSignTag = 1077;
constexpr double kExactDoubleLimit = 9007199254740992.0; // 2^53

const MTLVDocument *topLevel(const QList<MTLVDocument> &items, int tag)
{
    for (const MTLVDocument &item : items) {
        if (item.isKnown && item.tag == tag && !item.value.isNull())
            return &item;
    }
    return nullptr;
}

} // namespace

bool DocumentFormat::parse(const QString &name, bool allowHtml, DocFormat *format)
{
    if (name == QLatin1String("text"))
        *format = DocFormat::Text;
    else if (name == QLatin1String("json"))
        *format = DocFormat::Json;
    else if (name == QLatin1String("html") && allowHtml)
        *format = DocFormat::Html;
    else
        return false;
    return true;
}

QString DocumentFormat::suffix(DocFormat format)
{
    switch (format) {
    case DocFormat::Text:
        return QStringLiteral("txt");
    case DocFormat::Json:
        return QStringLiteral("json");
    case DocFormat::Html:
        return QStringLiteral("html");
    }
    return QString();
}

QByteArray DocumentFormat::render(const QList<MTLVDocument> &items, quint16 docType, DocFormat format,
                                  const QJsonObject &extra)
{
    switch (format) {
    case DocFormat::Text:
        return printable(MTLVRenderer::documentText(items)).toUtf8();
    case DocFormat::Html:
        return printable(MTLVRenderer::documentPage(items)).toUtf8() + '\n';
    case DocFormat::Json: {
        QJsonObject doc = extra;
        const QJsonObject body = documentJson(items, docType);
        for (auto it = body.begin(); it != body.end(); ++it)
            doc.insert(it.key(), it.value());
        return QJsonDocument(doc).toJson(QJsonDocument::Indented);
    }
    }
    return QByteArray();
}

QByteArray DocumentFormat::declaringUtf8(const QByteArray &page)
{
    QByteArray file = page;
    const QByteArray head("<head>");
    const qsizetype at = file.indexOf(head);
    if (at >= 0)
        file.insert(at + head.size(), "<meta charset=\"utf-8\" />");
    return file;
}

QString DocumentFormat::printable(const QString &text)
{
    QString safe = text;
    for (QChar &c : safe) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7F && u <= 0x9F))
            c = QChar(QChar::ReplacementCharacter);
    }
    return safe;
}

QJsonObject DocumentFormat::documentJson(const QList<MTLVDocument> &items, quint16 docType)
{
    QJsonArray list;
    for (const MTLVDocument &item : items)
        list.append(itemJson(item));
    return QJsonObject{
        {QStringLiteral("docType"), int(docType)},
        {QStringLiteral("docTypeName"), MTLVDictionary::docTypeNames().value(docType)},
        {QStringLiteral("items"), list},
    };
}

QJsonObject DocumentFormat::itemJson(const MTLVDocument &item)
{
    QJsonObject json{
        {QStringLiteral("tag"), int(item.tag)},
        {QStringLiteral("known"), item.isKnown},
        {QStringLiteral("name"), item.displayName()},
        {QStringLiteral("length"), int(item.length)},
        {QStringLiteral("raw"), QString::fromLatin1(item.data.toHex())},
        {QStringLiteral("text"), item.displayText()},
    };
    if (item.data.size() < item.length)
        json.insert(QStringLiteral("cut"), true);
    if (!item.isKnown)
        return json;
    json.insert(QStringLiteral("officialName"), item.description.officialName);
    json.insert(QStringLiteral("type"), MTLVData::typeName(item.description.type));
    if (item.description.type != MTLVData::STLV) {
        json.insert(QStringLiteral("value"), valueJson(item.value));
        if (item.isUndecodable())
            json.insert(QStringLiteral("badLength"), true);
        return json;
    }
    QJsonArray children;
    qsizetype consumed = 0;
    for (const MTLVDocument &child : item.children) {
        children.append(itemJson(child));
        consumed += 4 + child.length;
    }
    // Bytes at the end of a structure that make no whole item, or a structure
    // nested too deep to be taken apart.
    if (consumed < item.data.size())
        json.insert(QStringLiteral("unparsed"), QString::fromLatin1(item.data.mid(consumed).toHex()));
    json.insert(QStringLiteral("children"), children);
    return json;
}

QJsonValue DocumentFormat::valueJson(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
        return value.toInt();
    case QMetaType::UInt:
        return qint64(value.toUInt());
    case QMetaType::ULongLong: {
        const quint64 n = value.toULongLong();
        if (double(n) >= kExactDoubleLimit)
            return QString::number(n);
        return qint64(n);
    }
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODate);
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toHex());
    default:
        return QJsonValue();
    }
}

QString DocumentFormat::dateText(const QList<MTLVDocument> &items)
{
    const MTLVDocument *item = topLevel(items, kDateTag);
    if (!item || item->value.typeId() != QMetaType::QDateTime)
        return QString();
    return item->value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}

QString DocumentFormat::totalText(const QList<MTLVDocument> &items)
{
    const MTLVDocument *item = topLevel(items, kTotalTag);
    return item ? item->displayText() : QString();
}

QString DocumentFormat::signText(const QList<MTLVDocument> &items)
{
    const MTLVDocument *item = topLevel(items, kFiscalSignTag);
    return item ? item->displayText() : QString();
}
