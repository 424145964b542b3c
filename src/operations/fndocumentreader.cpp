#include "fndocumentreader.h"

#include <replyvalues.h>
#include <testfp.h>

#include <QCoreApplication>

namespace ops {

namespace {

// Reply values: "FF3A" 2 document type; "FF3B" 2 tag, 3 length, 4 value.
constexpr int kTypeValue = 2;
constexpr int kTagValue = 2;
constexpr int kLengthValue = 3;
constexpr int kDataValue = 4;
constexpr int kItemHeader = 4;

QString tr(const char *text)
{
    return QCoreApplication::translate("ops::FnDocumentReader", text);
}

FnDocument &ended(FnDocument &doc, FnDocument::Status status, int code, const QString &text)
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
        return ended(doc, FnDocument::Failed, lastErrCode, lastErrText);
    doc.opened = true;
    if (reply::count() > kTypeValue)
        doc.docType = reply::word(kTypeValue);

    const QString next = QStringLiteral("FF3B,%1").arg(m_password);
    for (;;) {
        if (!m_exec(next)) {
            if (lastErrCode == kNoMoreData && !doc.items.isEmpty())
                break;
            return ended(doc, FnDocument::Failed, lastErrCode, lastErrText);
        }
        if (reply::count() <= kDataValue) {
            return ended(doc, FnDocument::Damaged, -1,
                         tr("Элемент %1 документа получен без тега и значения!").arg(doc.items.size() + 1));
        }
        FnItem item{reply::word(kTagValue), reply::word(kLengthValue), reply::bytes(kDataValue)};
        if (item.value.size() < item.length) {
            return ended(doc, FnDocument::Damaged, -1,
                         tr("Элемент %1 документа (тег %2) получен не полностью: %3 байт из %4!")
                             .arg(doc.items.size() + 1)
                             .arg(item.tag)
                             .arg(item.value.size())
                             .arg(item.length));
        }
        item.value.truncate(item.length);
        // The bound is checked on an item in hand: a document of exactly the
        // largest size still ends with error 8 and is complete.
        if (doc.items.size() >= kMaxItems || doc.bytes + kItemHeader + item.length > kMaxBytes) {
            return ended(
                doc, FnDocument::Cut, -1,
                tr("Документ длиннее %1 элементов или %2 байт: прочитаны первые %3 элементов (%4 байт).")
                    .arg(kMaxItems)
                    .arg(kMaxBytes)
                    .arg(doc.items.size())
                    .arg(doc.bytes));
        }
        doc.bytes += kItemHeader + item.length;
        const bool last = item.tag == 0;
        doc.items.append(std::move(item));
        if (last)
            break;
        if (m_progress && !m_progress(int(doc.items.size()), 0))
            return ended(doc, FnDocument::Stopped, -1, tr("Чтение документа прервано пользователем."));
    }
    return ended(doc, FnDocument::Complete, 0, QString());
}

} // namespace ops
