#include "regnumber.h"

#include <algorithm>

#include <array>

namespace {

using CrcTable = std::array<quint16, 256>;

CrcTable buildCrcTable()
{
    CrcTable table{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
        table[std::size_t(i)] = crc;
    }
    return table;
}

quint64 powerOfTen(int digits)
{
    quint64 p = 1;
    for (int i = 0; i < digits; ++i)
        p *= 10;
    return p;
}

// Whether value has at most `digits` decimal digits (20 always holds for 64 bits).
bool fits(quint64 value, int digits)
{
    return digits >= 20 || value < powerOfTen(digits);
}

QByteArray zeroFilled(quint64 value, int digits)
{
    return QByteArray::number(value).rightJustified(digits, '0');
}

} // namespace

quint16 rnCrc16(const QByteArray &bytes)
{
    static const CrcTable table = buildCrcTable();
    quint16 crc = 0xFFFF;
    for (char c : bytes)
        crc = quint16(crc << 8) ^ table[std::size_t(((crc >> 8) ^ quint8(c)) & 0xFF)];
    return crc;
}

QByteArray rnSourceText(quint64 ordinal, quint64 inn, quint64 serial)
{
    if (!fits(ordinal, kRnOrdinalDigits) || !fits(inn, kRnInnDigits) || !fits(serial, kRnSerialDigits))
        return QByteArray();
    return zeroFilled(ordinal, kRnOrdinalDigits) + zeroFilled(inn, kRnInnDigits)
           + zeroFilled(serial, kRnSerialDigits);
}

QString rnCalculate(quint64 ordinal, quint64 inn, quint64 serial)
{
    const QByteArray source = rnSourceText(ordinal, inn, serial);
    if (source.isEmpty())
        return QString();
    return QString::fromLatin1(zeroFilled(ordinal, kRnOrdinalDigits)
                               + zeroFilled(rnCrc16(source), kRnCrcDigits));
}

bool rnVerify(const QString &regNumber, quint64 ordinal, quint64 inn, quint64 serial)
{
    const QString expected = rnCalculate(ordinal, inn, serial);
    return !expected.isEmpty() && regNumber == expected;
}

quint64 rnFieldNumber(const QString &text)
{
    bool ok = false;
    const quint64 value = text.trimmed().toULongLong(&ok, 10);
    // toULongLong takes a leading '+'; a sign is not part of these numbers.
    return ok && !text.trimmed().startsWith(QLatin1Char('+')) ? value : 0;
}

bool rnParseDigits(const QString &text, quint64 *value)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const quint64 number = text.toULongLong(&ok, 10);
    if (!ok)
        return false;
    *value = number;
    return true;
}

bool rnInnValid(const QString &inn)
{
    if ((inn.size() != 10 && inn.size() != 12) || !std::all_of(inn.begin(), inn.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return false;
    const auto digit = [&inn](int i) {
        return inn.at(i).unicode() - '0';
    };
    // Each check digit: the weighted sum of the digits before it, modulo 11, modulo 10.
    const auto check = [&digit](const int *weights, int count) {
        int sum = 0;
        for (int i = 0; i < count; ++i)
            sum += weights[i] * digit(i);
        return sum % 11 % 10;
    };
    static const int w10[] = {2, 4, 10, 3, 5, 9, 4, 6, 8};
    static const int w11[] = {7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    static const int w12[] = {3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    if (inn.size() == 10)
        return check(w10, 9) == digit(9);
    return check(w11, 10) == digit(10) && check(w12, 11) == digit(11);
}
