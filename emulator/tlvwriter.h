#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kelo::emu {

// Builds the items of a fiscal document as the FN stores them: tag and length
// 16-bit little-endian, strings in IBM 866, sums as VLN (kopecks, as few bytes
// as the value needs, none for zero), quantities as FVLN, times as UnixTime.
class TlvWriter
{
public:
    // The longest item value FF3B can return in one reply frame.
    static constexpr int kMaxValue = 248;

    void addBytes(quint16 tag, const QByteArray &value);
    void addByte(quint16 tag, quint8 value);
    void addUInt32(quint16 tag, quint32 value);
    void addString(quint16 tag, const QString &text, int maxBytes = kMaxValue);
    void addVln(quint16 tag, quint64 value);
    // Quantity in thousandths, written with as few decimals as it needs.
    void addFvln(quint16 tag, quint64 thousandths);
    void addTime(quint16 tag, const QDateTime &registerTime);
    void addStructure(quint16 tag, const TlvWriter &items);

    const QByteArray &bytes() const { return bytes_; }
    bool isEmpty() const { return bytes_.isEmpty(); }

private:
    QByteArray bytes_;
};

} // namespace kelo::emu
