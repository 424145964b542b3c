#include "fndocumentreader.h"

#include "razbcmd.h"
#include "testfp.h"

namespace {

// Reply values: "FF3A" 2 document type; "FF3B" 2 tag, 3 length, 4 value.
constexpr int kTypeValue = 2;
constexpr int kTagValue = 2;
constexpr int kLengthValue = 3;
constexpr int kDataValue = 4;
constexpr int kItemHeader = 4;

quint16 le16(const QByteArray &bytes)
{
    const quint16 low = bytes.size() > 0 ? quint8(bytes[0]) : 0;
    const quint16 high = bytes.size() > 1 ? quint8(bytes[1]) : 0;
    return quint16(low | (high << 8));
}

FnDocument &failed(FnDocument &doc, FnDocument::Status status, int code, const QString &text)
{
    doc.status = status;
    doc.errorCode = code;
    doc.error = text;
    return doc;
}

} // namespace

FnDocumentReader::FnDocumentReader(Exec exec, const QString &password)
    : m_exec(std::move(exec)), m_password(password)
{}

FnDocument FnDocumentReader::read(quint32 number)
{
    FnDocument doc;
    doc.number = number;
    if (!m_exec(QStringLiteral("FF3A,%1,%2").arg(m_password).arg(number)))
        return failed(doc, FnDocument::Failed, lastErrCode, lastErrText);
    if (rplItems.count() >= kTypeValue + 2)
        doc.docType = le16(rplItems.at(kTypeValue).value);

    const QString next = QStringLiteral("FF3B,%1").arg(m_password);
    int bytes = 0;
    for (;;) {
        if (!m_exec(next)) {
            if (lastErrCode == kNoMoreData && !doc.items.isEmpty())
                break;
            return failed(doc, FnDocument::Failed, lastErrCode, lastErrText);
        }
        if (rplItems.count() <= kDataValue) {
            return failed(doc, FnDocument::Damaged, -1,
                          QStringLiteral("item %1: the reply carries no TLV item").arg(doc.items.size() + 1));
        }
        const quint16 tag = le16(rplItems.at(kTagValue).value);
        const quint16 length = le16(rplItems.at(kLengthValue).value);
        const QByteArray value = rplItems.at(kDataValue).value;
        if (value.size() < length) {
            return failed(doc, FnDocument::Damaged, -1,
                          QStringLiteral("item %1 (tag %2): %3 bytes of its %4 arrived")
                              .arg(doc.items.size() + 1)
                              .arg(tag)
                              .arg(value.size())
                              .arg(length));
        }
        // The bound is checked on an item in hand: a document of exactly the
        // largest size still ends with error 8 and is complete.
        if (doc.items.size() >= kMaxItems || bytes + kItemHeader + length > kMaxBytes) {
            return failed(doc, FnDocument::Cut, -1,
                          QStringLiteral("the document was cut after %1 items (%2 bytes): it goes on beyond "
                                         "%3 items or %4 bytes")
                              .arg(doc.items.size())
                              .arg(bytes)
                              .arg(kMaxItems)
                              .arg(kMaxBytes));
        }
        MTLVDocument &item = doc.items.emplaceBack();
        item.docType = doc.docType;
        item.setData(tag, length, value);
        bytes += kItemHeader + length;
        // A zero tag ends the document as well.
        if (tag == 0)
            break;
    }
    doc.status = FnDocument::Complete;
    doc.errorCode = 0;
    doc.error.clear();
    return doc;
}
