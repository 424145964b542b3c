#include "tlvwriter.h"

#include "wireformat.h"

namespace kelo::emu {

void TlvWriter::addBytes(quint16 tag, const QByteArray &value)
{
    const QByteArray v = value.left(kMaxValue);
    wire::appendLE(bytes_, tag, 2);
    wire::appendLE(bytes_, static_cast<quint64>(v.size()), 2);
    bytes_.append(v);
}

void TlvWriter::addByte(quint16 tag, quint8 value)
{
    addBytes(tag, QByteArray(1, static_cast<char>(value)));
}

void TlvWriter::addUInt32(quint16 tag, quint32 value)
{
    QByteArray v;
    wire::appendLE(v, value, 4);
    addBytes(tag, v);
}

void TlvWriter::addString(quint16 tag, const QString &text, int maxBytes)
{
    addBytes(tag, wire::toCp866(text).left(qMin(maxBytes, kMaxValue)));
}

void TlvWriter::addVln(quint16 tag, quint64 value)
{
    QByteArray v;
    wire::appendLE(v, value, wire::minimalWidth(value));
    addBytes(tag, v);
}

void TlvWriter::addFvln(quint16 tag, quint64 thousandths)
{
    quint8 point = 3;
    quint64 mantissa = thousandths;
    while (point > 0 && mantissa % 10 == 0) {
        mantissa /= 10;
        --point;
    }
    QByteArray v(1, static_cast<char>(point));
    wire::appendLE(v, mantissa, qBound(1, wire::minimalWidth(mantissa), 4));
    addBytes(tag, v);
}

void TlvWriter::addTime(quint16 tag, const QDateTime &registerTime)
{
    addUInt32(tag, wire::unixTime(registerTime));
}

void TlvWriter::addStructure(quint16 tag, const TlvWriter &items)
{
    addBytes(tag, items.bytes());
}

} // namespace kelo::emu
