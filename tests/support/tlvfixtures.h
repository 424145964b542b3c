#pragma once

// Builders of TLV byte strings and items for the document tests.

#include "mtlvdocument.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>

namespace tlvfix {

inline QByteArray le(quint64 value, int width)
{
    QByteArray out;
    for (int i = 0; i < width; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

inline QByteArray tlv(quint16 tag, const QByteArray &value)
{
    return le(tag, 2) + le(quint16(value.size()), 2) + value;
}

inline MTLVDocument decoded(quint16 tag, const QByteArray &value)
{
    MTLVDocument item;
    item.setData(tag, quint16(value.size()), value.constData());
    return item;
}

inline QByteArray text866(const QString &text)
{
    return QTextCodec::codecForName("IBM 866")->fromUnicode(text);
}

// A cash receipt as the fiscal storage returns it item by item: two goods in 1059
// structures, totals, the fiscal sign and one tag the dictionary does not know.
inline QByteArray receiptBytes()
{
    const QByteArray bread = tlv(1030, text866(QStringLiteral("Хлеб  ржаной "))) + tlv(1079, le(4550, 2))
                             + tlv(1023, QByteArray::fromHex("0001")) + tlv(1043, le(4550, 2));
    const QByteArray milk = tlv(1030, text866(QStringLiteral("Молоко & <сливки>"))) + tlv(1079, le(8990, 2))
                            + tlv(1023, QByteArray::fromHex("03d007")) + tlv(1043, le(17980, 3));
    return tlv(1048, text866(QStringLiteral("ООО Ромашка")))
           + tlv(1018, text866(QStringLiteral("7700000000  "))) + tlv(1012, le(1500000000, 4))
           + tlv(1054, le(1, 1)) + tlv(1055, le(1, 1)) + tlv(1059, bread) + tlv(1059, milk)
           + tlv(1020, le(22530, 3)) + tlv(1031, QByteArray()) + tlv(1081, le(22530, 3))
           + tlv(1234, QByteArray::fromHex("0102")) + tlv(1077, QByteArray::fromHex("00001280abcd"))
           + tlv(1078, QByteArray::fromHex("0aff"));
}

} // namespace tlvfix
