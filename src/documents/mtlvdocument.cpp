#include "mtlvdocument.h"

#include "mtlvdictionary.h"
#include "mtlvvaluetexts.h"

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

constexpr int kFormatVersionTag = 1209;
constexpr int kDateTag = 1012;

// Every VLN of the formats is a sum in kopecks but for these numbers and codes.
bool isMoney(const MTLVData &entry)
{
    if (entry.type != MTLVData::VLN)
        return false;
    switch (entry.tag) {
    case 1010: // agents' rewards, a number in the formats' first version
    case 1011:
    case 1096: // number of the document corrected
    case 1120: // classification codes
    case 1121:
    case 1123:
    case 1293: // numerator and denominator of a fraction
    case 1294:
        return false;
    default:
        return true;
    }
}

QTextCodec *codec866()
{
    static QTextCodec *const codec = QTextCodec::codecForName("IBM 866");
    return codec;
}

// Letters, digits, punctuation and blanks of IBM 866; no control codes and no
// pseudo-graphics, which in a value mean it is not text.
bool isPrintable866(const QByteArray &bytes)
{
    for (char c : bytes) {
        const uchar b = uchar(c);
        if (!((b >= 0x20 && b <= 0x7E) || (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xF7) || b == 0xFC))
            return false;
    }
    return !bytes.isEmpty();
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
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
    : QObject(nullptr)
    , isKnown(other.isKnown)
    , tag(other.tag)
    , length(other.length)
    , data(std::move(other.data))
    , value(std::move(other.value))
    , docType(other.docType)
    , description(other.description)
    , children(std::move(other.children))
    , formatVersion(other.formatVersion)
    , documentDate(other.documentDate)
{}

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
        formatVersion = other.formatVersion;
        documentDate = other.documentDate;
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
    formatVersion = other.formatVersion;
    documentDate = other.documentDate;
}

void MTLVDocument::reset()
{
    isKnown = false;
    tag = 0;
    length = 0;
    docType = 0;
    formatVersion = 0;
    documentDate = QDate();
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
    const MTLVData *entry = newTag == 0 ? nullptr : MTLVDictionary::find(newTag, formatVersion, newLength);
    isKnown = entry != nullptr;
    // A reused item must not keep the meaning, value or children of its last tag.
    description = entry ? *entry : MTLVData();
    if (entry && !MTLVData::acceptsLength(entry->type, newLength)
        && MTLVData::acceptsLength(entry->altType, newLength))
        description.type = entry->altType;
    tag = newTag;
    length = newLength;
    value = QVariant();
    children.clear();
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
        if ((size > 0 || isMoney(description)) && size <= 8)
            value = qulonglong(readLe(bytes, size));
        break;
    case MTLVData::FVLN:
        if (size >= 2 && size <= 5) {
            const int point = bytes[0];
            const quint64 mantissa = readLe(bytes + 1, size - 1);
            value = point == 0 ? double(mantissa) : double(mantissa) / std::pow(10.0, point);
        }
        break;
    case MTLVData::String:
        if (QTextCodec *codec = codec866()) {
            // Fixed-length requisites are padded with blanks, some with zero bytes.
            qsizetype end = size;
            while (end > 0 && bytes[end - 1] == 0)
                --end;
            value = codec->toUnicode(data.constData(), int(end)).trimmed();
        }
        break;
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

qsizetype MTLVDocument::parseItems(const QByteArray &bytes, const MTLVDocument &parent, int depth,
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
        item.docType = parent.docType;
        item.formatVersion = parent.formatVersion;
        item.documentDate = parent.documentDate;
        item.assign(tag, length, bytes.constData() + pos + 4, length, depth);
        pos += 4 + length;
    }
    return pos;
}

void MTLVDocument::parseChildren(const QByteArray &bytes, int childDepth)
{
    children.clear();
    parseItems(bytes, *this, childDepth, children);
}

QList<MTLVDocument> MTLVDocument::parseSequence(const QByteArray &bytes, quint16 docType, qsizetype *consumed)
{
    QList<MTLVDocument> items;
    MTLVDocument document;
    document.docType = docType;
    const qsizetype pos = parseItems(bytes, document, 0, items);
    if (consumed)
        *consumed = pos;
    applyDocumentContext(items);
    return items;
}

void MTLVDocument::applyDocumentContext(QList<MTLVDocument> &items)
{
    quint8 version = 0;
    QDate date;
    for (const MTLVDocument &item : items) {
        if (item.tag == kFormatVersionTag && version == 0 && item.value.typeId() == QMetaType::Int)
            version = quint8(item.value.toInt());
        if (item.tag == kDateTag && !date.isValid() && item.value.typeId() == QMetaType::QDateTime)
            date = item.value.toDateTime().toUTC().date();
    }
    for (MTLVDocument &item : items)
        item.applyContext(version, date, 0);
}

void MTLVDocument::applyContext(quint8 version, const QDate &date, int depth)
{
    const bool versionChanged = formatVersion != version;
    formatVersion = version;
    documentDate = date;
    if (versionChanged && isKnown && MTLVDictionary::dependsOnVersion(tag)) {
        const QByteArray bytes = data;
        assign(tag, length, bytes.constData(), bytes.size(), depth);
    }
    for (MTLVDocument &child : children)
        child.applyContext(version, date, depth + 1);
}

bool MTLVDocument::startsWholeDocument(const QByteArray &bytes, quint16 *formCode, quint16 *declared)
{
    if (bytes.size() < 4)
        return false;
    const auto *raw = reinterpret_cast<const uchar *>(bytes.constData());
    if (!MTLVDictionary::isFormCode(readLe16(raw)))
        return false;
    *formCode = readLe16(raw);
    *declared = readLe16(raw + 2);
    return true;
}

QString MTLVDocument::tagName() const
{
    if (tag == 0 || !isKnown)
        return QString();
    return MTLVDictionary::nameOn(description, documentDate);
}

QString MTLVDocument::displayName() const
{
    return isKnown ? tagName() : tr("тег %1").arg(tag);
}

QString MTLVDocument::docTypeName() const
{
    return MTLVDictionary::docTypeNames().value(docType);
}

bool MTLVDocument::isUndecodable() const
{
    return isKnown && description.type != MTLVData::STLV && !value.isValid();
}

QVariant MTLVDocument::displayValue() const
{
    if (!isKnown) {
        // What no format knows is shown as it came, in case it is text.
        if (QTextCodec *codec = codec866(); codec && isPrintable866(data))
            return QStringLiteral("%1 (%2)").arg(hex(data), codec->toUnicode(data));
        return hex(data);
    }
    if (isUndecodable()) {
        if (data.size() < length)
            return tr("%1 (неполное значение)").arg(hex(data));
        return tr("%1 (недопустимая длина %2)").arg(hex(data)).arg(length);
    }
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
    if (tag == 1055 || tag == 1062) {
        const quint64 code = value.toULongLong();
        QStringList texts;
        if (const QString known = taxSystemText(int(code & 0x3F)); !known.isEmpty())
            texts << known;
        for (int bit = 6; bit < 64; ++bit) {
            if (code & (quint64(1) << bit))
                texts << QString::number(quint64(1) << bit);
        }
        return texts.isEmpty() ? QString::number(code) : texts.join(QStringLiteral(", "));
    }
    if (isMoney(description)) {
        bool ok = false;
        const qulonglong kopecks = value.toULongLong(&ok);
        return ok ? moneyText(kopecks) : QString();
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
    if (description.type == MTLVData::Bytes)
        return hex(data);
    switch (description.type) {
    case MTLVData::Byte:
    case MTLVData::UInt16:
    case MTLVData::UInt32:
        if (const QString dated = MTLVDictionary::codeTextOn(tag, value.toULongLong(), documentDate);
            !dated.isEmpty())
            return dated;
        if (MTLVValueTexts::hasList(tag))
            return MTLVValueTexts::text(tag, value.toULongLong());
        break;
    default:
        break;
    }
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
        {1, QT_TR_NOOP("Общая, ")},
        {2, QT_TR_NOOP("Упрощенная доход, ")},
        {4, QT_TR_NOOP("Упрощенная доход минус расход, ")},
        {8, QT_TR_NOOP("Единый налог на вмененный доход, ")},
        {16, QT_TR_NOOP("Единый сельскохозяйственный налог, ")},
        {32, QT_TR_NOOP("Патентная система налогообложения, ")},
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
