#include "wireformat.h"

#include <QDateTime>
#include <QTextCodec>

namespace kelo::emu::wire {

namespace {

QTextCodec *codec(const char *name)
{
    QTextCodec *c = QTextCodec::codecForName(name);
    Q_ASSERT(c);
    return c;
}

} // namespace

quint64 readLE(const QByteArray &bytes, int pos, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i) {
        const int at = pos + i;
        value <<= 8;
        if (at >= 0 && at < bytes.size())
            value |= static_cast<quint8>(bytes.at(at));
    }
    return value;
}

void appendLE(QByteArray &out, quint64 value, int width)
{
    for (int i = 0; i < width; ++i) {
        out.append(static_cast<char>(value & 0xFF));
        value >>= 8;
    }
}

int minimalWidth(quint64 value)
{
    int n = 0;
    while (value) {
        ++n;
        value >>= 8;
    }
    return n;
}

QByteArray toCp1251(const QString &text)
{
    return codec("Windows-1251")->fromUnicode(text);
}

QString fromCp1251(const QByteArray &bytes)
{
    return codec("Windows-1251")->toUnicode(untilZero(bytes));
}

QByteArray toCp866(const QString &text)
{
    return codec("IBM 866")->fromUnicode(text);
}

QString fromCp866(const QByteArray &bytes)
{
    return codec("IBM 866")->toUnicode(bytes);
}

QByteArray fixedText(const QByteArray &bytes, int width)
{
    QByteArray out = bytes.left(width);
    out.append(QByteArray(width - out.size(), '\0'));
    return out;
}

QByteArray untilZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return zero < 0 ? bytes : bytes.left(zero);
}

void appendDateDmy(QByteArray &out, const QDate &date)
{
    if (!date.isValid()) {
        out.append(3, '\0');
        return;
    }
    out.append(static_cast<char>(date.day()));
    out.append(static_cast<char>(date.month()));
    out.append(static_cast<char>(date.year() % 100));
}

void appendDateYmd(QByteArray &out, const QDate &date)
{
    if (!date.isValid()) {
        out.append(3, '\0');
        return;
    }
    out.append(static_cast<char>(date.year() % 100));
    out.append(static_cast<char>(date.month()));
    out.append(static_cast<char>(date.day()));
}

void appendTimeHms(QByteArray &out, const QTime &time)
{
    appendTimeHm(out, time);
    out.append(static_cast<char>(time.isValid() ? time.second() : 0));
}

void appendTimeHm(QByteArray &out, const QTime &time)
{
    out.append(static_cast<char>(time.isValid() ? time.hour() : 0));
    out.append(static_cast<char>(time.isValid() ? time.minute() : 0));
}

QDate dateFromDmy(quint8 day, quint8 month, quint8 year)
{
    return QDate(2000 + year, month, day); // QDate is invalid for impossible dates
}

QTime timeFromHms(quint8 hour, quint8 minute, quint8 second)
{
    return QTime(hour, minute, second);
}

int timeoutMs(quint8 code)
{
    if (code <= 150)
        return code;
    if (code <= 249)
        return (code - 149) * 150;
    return (code - 248) * 15000;
}

quint16 crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<quint16>(static_cast<quint8>(c) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<quint16>((crc << 1) ^ 0x1021) : static_cast<quint16>(crc << 1);
    }
    return crc;
}

QString registrationNumber(quint64 ordinal, quint64 inn, quint64 serial)
{
    const QString ord = QStringLiteral("%1").arg(ordinal, 10, 10, QLatin1Char('0'));
    const QString text = ord + QStringLiteral("%1").arg(inn, 12, 10, QLatin1Char('0'))
                         + QStringLiteral("%1").arg(serial, 20, 10, QLatin1Char('0'));
    return ord + QStringLiteral("%1").arg(crc16(text.toLatin1()), 6, 10, QLatin1Char('0'));
}

quint32 unixTime(const QDateTime &registerTime)
{
    // The register's wall clock has no zone: its fields are stored as if UTC.
    const QDateTime asUtc(registerTime.date(), registerTime.time(), Qt::UTC);
    return static_cast<quint32>(qMax<qint64>(0, asUtc.toSecsSinceEpoch()));
}

} // namespace kelo::emu::wire
