#include "fiscalstorage.h"

#include "tlvwriter.h"
#include "wireformat.h"

#include <QCryptographicHash>
#include <QJsonArray>

namespace kelo::emu {

FiscalStorage::FiscalStorage()
{
    factoryReset();
}

void FiscalStorage::factoryReset()
{
    phase = ReadyForRegistration;
    current = NoDocument;
    registration = Registration();
    registrations = 0;
    archive_.clear();
    readIndex_ = -1;
    readPos_ = 0;
}

quint32 FiscalStorage::fiscalSign(quint32 docNumber, const QByteArray &body) const
{
    QByteArray data = number.toLatin1();
    wire::appendLE(data, docNumber, 4);
    data.append(body);
    const QByteArray md5 = QCryptographicHash::hash(data, QCryptographicHash::Md5);
    return static_cast<quint32>(wire::readLE(md5, 0, 4));
}

const FiscalStorage::Document &FiscalStorage::commit(quint8 type, const QDateTime &time,
                                                     const TlvWriter &body, quint8 operation, quint64 total)
{
    Document doc;
    doc.number = lastNumber() + 1;
    doc.type = type;
    doc.time = time;
    doc.operation = operation;
    doc.total = total;
    TlvWriter tail;
    tail.addUInt32(1040, doc.number);
    QByteArray tlv = body.bytes() + tail.bytes();
    doc.fiscalSign = fiscalSign(doc.number, tlv);
    QByteArray sign(2, '\0'); // the sign travels big-endian after two bytes of its own
    for (int shift = 24; shift >= 0; shift -= 8)
        sign.append(static_cast<char>((doc.fiscalSign >> shift) & 0xFF));
    TlvWriter signItem;
    signItem.addBytes(1077, sign);
    doc.tlv = tlv + signItem.bytes();
    if (ofdAckDelaySecs == 0)
        doc.ackTime = time;
    archive_.append(doc);
    current = NoDocument;
    return archive_.last();
}

const FiscalStorage::Document *FiscalStorage::find(quint32 docNumber) const
{
    if (docNumber == 0 || docNumber > static_cast<quint32>(archive_.size()))
        return nullptr;
    return &archive_.at(static_cast<int>(docNumber) - 1);
}

quint32 FiscalStorage::lastNumber() const
{
    return static_cast<quint32>(archive_.size());
}

const FiscalStorage::Document *FiscalStorage::lastDocument() const
{
    return archive_.isEmpty() ? nullptr : &archive_.last();
}

void FiscalStorage::updateOfd(const QDateTime &now)
{
    if (ofdAckDelaySecs >= 0) {
        for (Document &doc : archive_) {
            if (!doc.ackTime.isValid() && doc.time.addSecs(ofdAckDelaySecs) <= now)
                doc.ackTime = doc.time.addSecs(ofdAckDelaySecs);
        }
    }
    if (phase == PostFiscal && unconfirmedCount() == 0)
        phase = Archived;
}

int FiscalStorage::unconfirmedCount() const
{
    int n = 0;
    for (const Document &doc : archive_)
        n += doc.ackTime.isValid() ? 0 : 1;
    return n;
}

const FiscalStorage::Document *FiscalStorage::firstUnconfirmed() const
{
    for (const Document &doc : archive_) {
        if (!doc.ackTime.isValid())
            return &doc;
    }
    return nullptr;
}

QByteArray FiscalStorage::ofdReceipt(const Document &doc) const
{
    QByteArray data("OFD");
    wire::appendLE(data, doc.fiscalSign, 4);
    wire::appendLE(data, doc.number, 4);
    QByteArray receipt = QCryptographicHash::hash(data, QCryptographicHash::Md5);
    wire::appendLE(receipt, doc.number & 0xFFFF, 2);
    return receipt;
}

bool FiscalStorage::beginRead(quint32 docNumber, quint8 *type, int *length)
{
    const Document *doc = find(docNumber);
    if (!doc) {
        readIndex_ = -1;
        return false;
    }
    readIndex_ = static_cast<int>(docNumber) - 1;
    readPos_ = 0;
    *type = doc->type;
    *length = static_cast<int>(doc->tlv.size());
    return true;
}

bool FiscalStorage::nextItem(quint16 *tag, QByteArray *value)
{
    if (readIndex_ < 0 || readIndex_ >= archive_.size())
        return false;
    const QByteArray &tlv = archive_.at(readIndex_).tlv;
    if (readPos_ + 4 > tlv.size()) {
        readIndex_ = -1;
        return false;
    }
    const int len = static_cast<int>(wire::readLE(tlv, readPos_ + 2, 2));
    if (readPos_ + 4 + len > tlv.size()) {
        readIndex_ = -1; // a damaged archive ends where its items stop fitting
        return false;
    }
    *tag = static_cast<quint16>(wire::readLE(tlv, readPos_, 2));
    *value = tlv.mid(readPos_ + 4, len);
    readPos_ += 4 + len;
    return true;
}

QJsonObject FiscalStorage::toJson() const
{
    QJsonArray docs;
    for (const Document &doc : archive_) {
        docs.append(QJsonObject{
            {QStringLiteral("number"), static_cast<qint64>(doc.number)},
            {QStringLiteral("type"), doc.type},
            {QStringLiteral("time"), doc.time.toString(Qt::ISODate)},
            {QStringLiteral("fiscalSign"), static_cast<qint64>(doc.fiscalSign)},
            {QStringLiteral("tlv"), QString::fromLatin1(doc.tlv.toHex())},
            {QStringLiteral("ackTime"),
             doc.ackTime.isValid() ? doc.ackTime.toString(Qt::ISODate) : QString()},
            {QStringLiteral("operation"), doc.operation},
            {QStringLiteral("total"), QString::number(doc.total)},
        });
    }
    const Registration &r = registration;
    return QJsonObject{
        {QStringLiteral("number"), number},
        {QStringLiteral("version"), version},
        {QStringLiteral("validUntil"), validUntil.toString(Qt::ISODate)},
        {QStringLiteral("phase"), phase},
        {QStringLiteral("current"), current},
        {QStringLiteral("registrations"), registrations},
        {QStringLiteral("registration"),
         QJsonObject{{QStringLiteral("inn"), r.inn},
                     {QStringLiteral("regNumber"), r.regNumber},
                     {QStringLiteral("taxSystems"), r.taxSystems},
                     {QStringLiteral("workModes"), r.workModes},
                     {QStringLiteral("reason"), r.reason},
                     {QStringLiteral("documentNumber"), static_cast<qint64>(r.documentNumber)},
                     {QStringLiteral("fiscalSign"), static_cast<qint64>(r.fiscalSign)},
                     {QStringLiteral("time"), r.time.toString(Qt::ISODate)}}},
        {QStringLiteral("documents"), docs},
    };
}

void FiscalStorage::fromJson(const QJsonObject &json)
{
    factoryReset();
    auto timeOf = [](const QJsonValue &v) {
        QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODate);
        return t.isValid() ? QDateTime(t.date(), t.time(), Qt::UTC) : QDateTime();
    };
    number = json.value(QStringLiteral("number")).toString(number);
    version = json.value(QStringLiteral("version")).toString(version);
    validUntil = QDate::fromString(json.value(QStringLiteral("validUntil")).toString(), Qt::ISODate);
    phase = static_cast<quint8>(json.value(QStringLiteral("phase")).toInt(ReadyForRegistration));
    current = static_cast<quint8>(json.value(QStringLiteral("current")).toInt(NoDocument));
    registrations = json.value(QStringLiteral("registrations")).toInt();
    const QJsonObject r = json.value(QStringLiteral("registration")).toObject();
    registration.inn = r.value(QStringLiteral("inn")).toString();
    registration.regNumber = r.value(QStringLiteral("regNumber")).toString();
    registration.taxSystems = static_cast<quint8>(r.value(QStringLiteral("taxSystems")).toInt());
    registration.workModes = static_cast<quint8>(r.value(QStringLiteral("workModes")).toInt());
    registration.reason = static_cast<quint8>(r.value(QStringLiteral("reason")).toInt());
    registration.documentNumber = static_cast<quint32>(r.value(QStringLiteral("documentNumber")).toInteger());
    registration.fiscalSign = static_cast<quint32>(r.value(QStringLiteral("fiscalSign")).toInteger());
    registration.time = timeOf(r.value(QStringLiteral("time")));
    const QJsonArray docs = json.value(QStringLiteral("documents")).toArray();
    for (const QJsonValue &v : docs) {
        const QJsonObject o = v.toObject();
        Document doc;
        doc.number = static_cast<quint32>(archive_.size() + 1); // numbers are positions in the archive
        doc.type = static_cast<quint8>(o.value(QStringLiteral("type")).toInt());
        doc.time = timeOf(o.value(QStringLiteral("time")));
        doc.fiscalSign = static_cast<quint32>(o.value(QStringLiteral("fiscalSign")).toInteger());
        doc.tlv = QByteArray::fromHex(o.value(QStringLiteral("tlv")).toString().toLatin1());
        doc.ackTime = timeOf(o.value(QStringLiteral("ackTime")));
        doc.operation = static_cast<quint8>(o.value(QStringLiteral("operation")).toInt());
        doc.total = o.value(QStringLiteral("total")).toString().toULongLong();
        archive_.append(doc);
    }
}

} // namespace kelo::emu
