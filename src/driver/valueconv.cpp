#include "valueconv.h"

#include <limits>

namespace {

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool mulAdd(quint64 &acc, quint64 mul, quint64 add)
{
    constexpr quint64 max = std::numeric_limits<quint64>::max();
    if (acc > (max - add) / mul)
        return false;
    acc = acc * mul + add;
    return true;
}

bool pow10(int exponent, quint64 &result)
{
    result = 1;
    for (int i = 0; i < exponent; ++i) {
        if (!mulAdd(result, 10, 0))
            return false;
    }
    return true;
}

bool fitsWidth(quint64 number, int len)
{
    if (len >= 8)
        return true;
    if (len <= 0)
        return number == 0;
    return (number >> (8 * len)) == 0;
}

QByteArray twoDigits(quint8 b)
{
    QByteArray text = QByteArray::number(b);
    if (text.size() < 2)
        text.prepend('0');
    return text;
}

} // namespace

bool parseUnsigned(const QByteArray &text, int base, quint64 &value)
{
    int pos = 0;
    if (base == 0) {
        if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            pos = 2;
        } else if (text.size() > 1 && text[0] == '0') {
            base = 8;
            pos = 1;
        } else {
            base = 10;
        }
    } else if (base == 16 && text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        pos = 2;
    }
    if (pos >= text.size())
        return false;
    quint64 acc = 0;
    for (; pos < text.size(); ++pos) {
        const int d = digitValue(text[pos]);
        if (d < 0 || d >= base)
            return false;
        if (!mulAdd(acc, quint64(base), quint64(d)))
            return false;
    }
    value = acc;
    return true;
}

QByteArray littleEndianBytes(quint64 number, int len)
{
    QByteArray bytes(qMax(len, 0), '\0');
    for (int i = 0; i < len && i < 8; ++i)
        bytes[i] = char((number >> (8 * i)) & 0xFF);
    return bytes;
}

quint64 littleEndianNumber(const QByteArray &bytes, int len)
{
    quint64 value = 0;
    for (int i = qMin(qMin(len, 8), int(bytes.size())) - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

bool numbToParamValue(const QByteArray &text, int len, int dp, QByteArray &bytes)
{
    if (text.isEmpty())
        return false;
    quint64 number = 0;
    if (dp < 0) {
        if (!parseUnsigned(text, 0, number))
            return false;
    } else {
        QByteArray digits = text;
        int given = 0;
        const int point = text.indexOf('.');
        if (point >= 0) {
            given = text.size() - point - 1;
            digits.remove(point, 1);
        }
        if (given > dp)
            return false;
        quint64 scale = 1;
        if (!parseUnsigned(digits, 10, number) || !pow10(dp - given, scale) || !mulAdd(number, scale, 0))
            return false;
    }
    if (!fitsWidth(number, len))
        return false;
    bytes = littleEndianBytes(number, len);
    return true;
}

QByteArray numbFromParamValue(int len, int dp, const QByteArray &bytes)
{
    const int width = qMin(len, int(bytes.size()));
    if (width <= 0)
        return QByteArray();
    bool allFF = true;
    for (int i = 0; i < width; ++i)
        allFF = allFF && quint8(bytes[i]) == 0xFF;
    if (allFF)
        return QByteArray();
    quint64 number = 0;
    for (int i = qMin(width, 8) - 1; i >= 0; --i)
        number = (number << 8) | quint8(bytes[i]);
    QByteArray text = QByteArray::number(number);
    if (dp >= 0) {
        while (text.size() < dp)
            text.prepend('0');
        text.insert(text.size() - dp, '.');
    }
    return text;
}

bool tmtToParamValue(const QByteArray &text, quint8 &byte)
{
    quint64 ms = 0;
    if (text.isEmpty() || !parseUnsigned(text, 0, ms))
        return false;
    if (ms <= 150)
        byte = quint8(ms);
    else if (ms <= 15000)
        byte = quint8(qMax<quint64>(ms, 300) / 150 + 149);
    else
        byte = quint8(qMin<quint64>(qMax<quint64>(ms, 30000), 105000) / 15000 + 248);
    return true;
}

QByteArray tmtFromParamValue(quint8 byte)
{
    if (byte <= 150)
        return QByteArray::number(byte);
    if (byte <= 249)
        return QByteArray::number((byte - 149) * 150);
    return QByteArray::number((byte - 248) * 15000);
}

QByteArray hexToParamValue(const QByteArray &text, int len)
{
    if (len <= 0)
        len = int(text.size() / 2);
    QByteArray bytes(len, '\0');
    for (int i = 0; i < len && 2 * i + 1 < text.size(); ++i) {
        const int hi = digitValue(text[2 * i]);
        const int lo = digitValue(text[2 * i + 1]);
        if (hi >= 0 && lo >= 0)
            bytes[i] = char(hi * 16 + lo);
    }
    return bytes;
}

QByteArray hexFromParamValue(const QByteArray &bytes)
{
    const bool cut = bytes.size() > kHexTextMaxBytes;
    // A cut run keeps one byte less so that the mark fits the item text.
    const QByteArray shown = cut ? bytes.left(kHexTextMaxBytes - 1) : bytes;
    QByteArray text = shown.toHex(' ').toUpper();
    if (cut)
        text += kHexTextCutMark;
    return text;
}

bool fieldsToParamValue(const QByteArray &text, char sep, int fields, QByteArray &bytes)
{
    if (text.size() != fields * 3 - 1)
        return false;
    QByteArray out;
    for (int f = 0; f < fields; ++f) {
        const int at = f * 3;
        if (f > 0 && text[at - 1] != sep)
            return false;
        const int hi = digitValue(text[at]);
        const int lo = digitValue(text[at + 1]);
        if (hi < 0 || hi > 9 || lo < 0 || lo > 9)
            return false;
        out.append(char(hi * 10 + lo));
    }
    bytes = out;
    return true;
}

QByteArray fieldsFromParamValue(const QByteArray &bytes, char sep, const int *order, int fields)
{
    QByteArray text;
    for (int f = 0; f < fields; ++f) {
        if (order[f] >= bytes.size())
            return QByteArray();
        if (f > 0)
            text.append(sep);
        text.append(twoDigits(quint8(bytes[order[f]])));
    }
    return text;
}
