#include "mtlvdocument.h"

#include "mtlvdictionary.h"

#include <QDateTime>
#include <QTextCodec>

#include <cmath>

namespace {

quint16 readLe16(const uchar *p)
{
    return quint16(p[0] | (p[1] << 8));
}

// Little-endian unsigned number of up to eight bytes.
quint64 readLe(const uchar *p, qsizetype count)
{
    quint64 result = 0;
    for (qsizetype i = count - 1; i >= 0; --i)
        result = (result << 8) | p[i];
    return result;
}

bool isMoneyTag(int tag)
{
    switch (tag) {
    case 1020:
    case 1031:
    case 1035:
    case 1043:
    case 1064:
    case 1072:
    case 1079:
    case 1081:
        return true;
    default:
        return tag >= 1102 && tag <= 1107;
    }
}

} // namespace

MTLVDocument::MTLVDocument(QObject *parent) : QObject(parent)
{
    reset();
}

MTLVDocument::MTLVDocument(const MTLVDocument &other) : QObject(nullptr)
{
    reset();
    copyFields(other);
}

MTLVDocument::MTLVDocument(MTLVDocument &&other) noexcept
    : QObject(nullptr),
      isKnown(other.isKnown),
      tag(other.tag),
      length(other.length),
      data(std::move(other.data)),
      value(std::move(other.value)),
      docType(other.docType),
      description(other.description),
      children(std::move(other.children))
{ }

MTLVDocument &MTLVDocument::operator=(const MTLVDocument &other)
{
    if (this != &other)
        copyFields(other);
    return *this;
}

MTLVDocument &MTLVDocument::operator=(MTLVDocument &&other) noexcept
{
    if (this != &other) {
        isKnown = other.isKnown;
        tag = other.tag;
        length = other.length;
        data = std::move(other.data);
        value = std::move(other.value);
        docType = other.docType;
        description = other.description;
        children = std::move(other.children);
    }
    return *this;
}

MTLVDocument::~MTLVDocument() = default;

void MTLVDocument::copyFields(const MTLVDocument &other)
{
    isKnown = other.isKnown;
    tag = other.tag;
    length = other.length;
    data = other.data;
    value = other.value;
    docType = other.docType;
    description = other.description;
    children = other.children; // QList shares until written; a write detaches and copies the items
}

void MTLVDocument::reset()
{
    isKnown = false;
    tag = 0;
    length = 0;
    docType = 0;
    children.clear();
    MTLVDictionary::docTypeNames();
    MTLVDictionary::tags();
}

void MTLVDocument::setData(quint16 tag, quint16 length, const char *bytes)
{
    assign(tag, length, bytes, bytes ? length : 0, 0);
}

void MTLVDocument::setData(quint16 tag, quint16 length, const QByteArray &received)
{
    assign(tag, length, received.constData(), received.size(), 0);
}

void MTLVDocument::assign(quint16 newTag, quint16 newLength, const char *bytes, qsizetype received, int depth)
{
    const MTLVData *entry = MTLVDictionary::find(newTag);
    isKnown = entry != nullptr;
    // A reused item must not keep the meaning, value or children of its last tag.
    description = entry ? *entry : MTLVData();
    tag = newTag;
    length = newLength;
    data.clear();
    value = QVariant();
    children.clear();
    if (newTag == 0)
        return;

    const qsizetype available = bytes ? qBound<qsizetype>(0, received, newLength) : 0;
    data = QByteArray(bytes, available);
    if (!isKnown)
        return;
    if (available < newLength) {
        // A cut value would decode to a wrong number or text; only a structure has
        // parts (its complete items) that are still right on their own.
        if (description.type == MTLVData::STLV && depth < maxNesting)
            parseChildren(data, depth + 1);
        return;
    }
    decode(depth);
}

void MTLVDocument::decode(int depth)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype size = data.size();
    switch (description.type) {
    case MTLVData::Byte:
        if (size == 1)
            value = int(bytes[0]);
        break;
    case MTLVData::UInt32:
        if (size == 4)
            value = uint(readLe(bytes, 4));
        break;
    case MTLVData::UInt16:
        if (size == 2)
            value = int(readLe16(bytes));
        break;
    case MTLVData::STLV:
        if (depth < maxNesting)
            parseChildren(data, depth + 1);
        break;
    case MTLVData::UnixTime:
        if (size == 4)
            value = QDateTime::fromSecsSinceEpoch(qint64(readLe(bytes, 4)), Qt::UTC);
        break;
    case MTLVData::VLN:
        // An empty sum is zero: real fiscal storage writes empty totals.
        // Other empty numbers stay unset.
        if ((size > 0 || isMoneyTag(tag)) && size <= 8)
            value = qulonglong(readLe(bytes, size));
        break;
    case MTLVData::FVLN:
        if (size >= 2 && size <= 5) {
            const int point = bytes[0];
            const quint64 mantissa = readLe(bytes + 1, size - 1);
            value = point == 0 ? double(mantissa) : double(mantissa) / std::pow(10.0, point);
        }
        break;
    case MTLVData::String: {
        static QTextCodec *const codec = QTextCodec::codecForName("IBM 866");
        if (codec)
            value = codec->toUnicode(data).trimmed();
        break;
    }
    case MTLVData::Bytes:
        value = data;
        break;
    default:
        break;
    }
}

void MTLVDocument::parseSTLV(const QByteArray &bytes)
{
    parseChildren(bytes, 1);
}

qsizetype MTLVDocument::parseItems(const QByteArray &bytes, quint16 docType, int depth, bool keepUnknown,
                                   QList<MTLVDocument> &items)
{
    const auto *raw = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype pos = 0;
    while (size - pos >= 4) {
        const quint16 tag = readLe16(raw + pos);
        const quint16 length = readLe16(raw + pos + 2);
        if (length > size - pos - 4)
            break;
        MTLVDocument &item = items.emplaceBack();
        item.docType = docType;
        item.assign(tag, length, bytes.constData() + pos + 4, length, depth);
        if (!keepUnknown && !item.isKnown)
            items.removeLast();
        pos += 4 + length;
    }
    return pos;
}

void MTLVDocument::parseChildren(const QByteArray &bytes, int childDepth)
{
    children.clear();
    parseItems(bytes, docType, childDepth, false, children);
}

QList<MTLVDocument> MTLVDocument::parseSequence(const QByteArray &bytes, quint16 docType, qsizetype *consumed)
{
    QList<MTLVDocument> items;
    const qsizetype pos = parseItems(bytes, docType, 0, true, items);
    if (consumed)
        *consumed = pos;
    return items;
}

QString MTLVDocument::tagName() const
{
    if (tag == 0 || !isKnown)
        return QString();
    const MTLVData *entry = MTLVDictionary::find(tag);
    return entry ? entry->name : QString();
}

QString MTLVDocument::docTypeName() const
{
    return MTLVDictionary::docTypeNames().value(docType);
}

QVariant MTLVDocument::displayValue() const
{
    if (tag == 0 || !isKnown || !MTLVDictionary::find(tag))
        return QString();
    // The register stores UTC seconds; showing them unconverted keeps the printed time.
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toUTC().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));

    if (tag == 1054) {
        switch (value.isNull() ? 0 : value.toInt()) {
        case 1:
            return tr("Приход");
        case 2:
            return tr("Возврат прихода");
        case 3:
            return tr("Расход");
        case 4:
            return tr("Возврат расхода");
        default:
            return value;
        }
    }
    if (tag == 1055 || tag == 1062)
        return taxSystemText(value.toInt());
    if (isMoneyTag(tag)) {
        bool ok = false;
        const qulonglong kopecks = value.toULongLong(&ok);
        return value.isNull() || !ok ? QString() : moneyText(kopecks);
    }
    if (tag == 1077) {
        // The printed fiscal sign is the tail of the stored one, read big-endian.
        if (data.size() < 3)
            return uint(0);
        quint32 sign = 0;
        for (qsizetype i = 2; i < data.size(); ++i)
            sign = (sign << 8) | quint8(data.at(i));
        return uint(sign);
    }
    if (tag == 1078)
        return QString::fromLatin1(data.toHex());
    return value;
}

QString MTLVDocument::displayText() const
{
    return displayValue().toString().simplified();
}

QString MTLVDocument::taxSystemText(int code)
{
    static const struct
    {
        int mask;
        const char *text;
    } systems[] = {
        { 1, QT_TR_NOOP("Общая, ") },
        { 2, QT_TR_NOOP("Упрощенная доход, ") },
        { 4, QT_TR_NOOP("Упрощенная доход минус расход, ") },
        { 8, QT_TR_NOOP("Единый налог на вмененный доход, ") },
        { 16, QT_TR_NOOP("Единый сельскохозяйственный налог, ") },
        { 32, QT_TR_NOOP("Патентная система налогообложения, ") },
    };
    QString text;
    for (const auto &system : systems) {
        if (code & system.mask)
            text += tr(system.text);
    }
    if (!text.isEmpty())
        text.chop(2);
    return text;
}

QString MTLVDocument::moneyText(quint64 kopecks)
{
    // Integer arithmetic: a double would lose kopecks above 2^53.
    return QStringLiteral("%1.%2").arg(kopecks / 100).arg(kopecks % 100, 2, 10, QLatin1Char('0'));
}
