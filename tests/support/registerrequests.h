#pragma once

// Request bytes for the register, written out by hand in the tests: code,
// password (4 bytes little-endian) and the parameters of the command layout;
// and what the tests read from replies and documents.

#include <kelodefaults.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextCodec>

namespace rq {

constexpr quint32 kPassword = kelo::kDefaultSysAdminPassword;

inline QByteArray le(quint64 value, int width)
{
    QByteArray out;
    for (int i = 0; i < width; ++i, value >>= 8)
        out.append(static_cast<char>(value & 0xFF));
    return out;
}

// A little-endian number read back from reply bytes.
inline quint64 value(const QByteArray &bytes)
{
    quint64 v = 0;
    for (auto i = bytes.size(); i-- > 0;)
        v = (v << 8) | static_cast<quint8>(bytes.at(i));
    return v;
}

// The error byte of a reply (after one or two code bytes); -1 when there is none.
inline int error(const QByteArray &reply)
{
    const int at = !reply.isEmpty() && static_cast<quint8>(reply.at(0)) == 0xFF ? 2 : 1;
    return reply.size() > at ? static_cast<quint8>(reply.at(at)) : -1;
}

// The values of the top-level items of a TLV block with this tag, in order.
inline QList<QByteArray> tlvs(const QByteArray &block, quint16 tag)
{
    QList<QByteArray> values;
    for (int pos = 0; pos + 4 <= block.size(); pos += 4 + static_cast<int>(value(block.mid(pos + 2, 2)))) {
        if (value(block.mid(pos, 2)) == tag)
            values << block.mid(pos + 4, static_cast<int>(value(block.mid(pos + 2, 2))));
    }
    return values;
}

// The value of the first of them; nothing when there is none.
inline QByteArray tlv(const QByteArray &block, quint16 tag)
{
    return tlvs(block, tag).value(0);
}

inline QByteArray text(const QString &s, int width)
{
    QByteArray b = QTextCodec::codecForName("Windows-1251")->fromUnicode(s).left(width);
    return b + QByteArray(width - b.size(), '\0');
}

inline QByteArray code(quint16 code)
{
    return code > 0xFF ? QByteArray("\xFF") + char(code & 0xFF) : QByteArray(1, static_cast<char>(code));
}

inline QByteArray cmd(quint16 c, quint32 password = kPassword)
{
    return code(c) + le(password, 4);
}

inline QByteArray item(quint16 c, quint64 quantity, quint64 price, quint8 group, const QString &name,
                       quint32 password = kPassword)
{
    return cmd(c, password) + le(quantity, 5) + le(price, 5) + char(0) + char(group) + QByteArray(3, '\0')
           + text(name, 40);
}

inline QByteArray close(quint64 cash, quint64 cashless = 0, quint64 percentOff = 0)
{
    return cmd(0x85) + le(cash, 5) + le(cashless, 5) + le(0, 10) + le(percentOff, 2) + QByteArray(4, '\0')
           + text(QString(), 40);
}

inline QByteArray adjustment(quint16 c, quint64 amount)
{
    return cmd(c) + le(amount, 5) + QByteArray(4, '\0') + text(QStringLiteral("Скидка"), 40);
}

inline QByteArray table(quint16 c, int t, int row, int field, const QByteArray &value = QByteArray())
{
    return cmd(c) + char(t) + le(static_cast<quint64>(row), 2) + char(field) + value;
}

inline QByteArray withByte(quint16 c, quint8 b)
{
    return cmd(c) + char(b);
}

inline QByteArray document(quint16 c, quint32 number)
{
    return cmd(c) + le(number, 4);
}

inline QByteArray date(quint16 c, int day, int month, int year)
{
    return cmd(c) + char(day) + char(month) + char(year % 100);
}

// The registration report for a register's serial number, with the check the
// registration number has to carry (CRC-16/CCITT-FALSE, computed here anew).
inline QString registrationNumber(quint64 ordinal, quint64 inn, quint64 serial)
{
    const QByteArray text = QStringLiteral("%1%2%3")
                                .arg(ordinal, 10, 10, QLatin1Char('0'))
                                .arg(inn, 12, 10, QLatin1Char('0'))
                                .arg(serial, 20, 10, QLatin1Char('0'))
                                .toLatin1();
    quint16 crc = 0xFFFF;
    for (char c : text) {
        crc ^= static_cast<quint16>(static_cast<quint8>(c) << 8);
        for (int i = 0; i < 8; ++i)
            crc = static_cast<quint16>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return QStringLiteral("%1%2").arg(ordinal, 10, 10, QLatin1Char('0')).arg(crc, 6, 10, QLatin1Char('0'));
}

inline QByteArray registration(quint16 c, quint64 inn, const QString &regNumber, quint8 tax, quint8 mode)
{
    QByteArray r = cmd(c) + text(QString::number(inn), 12) + text(regNumber, 20) + char(tax) + char(mode);
    return c == 0xFF34 ? r + char(4) : r;
}

} // namespace rq
