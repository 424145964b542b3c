#pragma once

// Pure conversions between register values and their bytes: little-endian
// numbers, the two code pages, dates and times, the exchange time-out byte and
// the registration number check. No state, no I/O.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

namespace kelo::emu::wire {

quint64 readLE(const QByteArray &bytes, int pos, int width);
void appendLE(QByteArray &out, quint64 value, int width);
int minimalWidth(quint64 value); // 0 for zero

QByteArray toCp1251(const QString &text);
QString fromCp1251(const QByteArray &bytes); // up to the first zero byte
QByteArray toCp866(const QString &text);
QString fromCp866(const QByteArray &bytes);
// Text cut to width bytes and padded with zero bytes.
QByteArray fixedText(const QByteArray &bytes, int width);
// The bytes up to the first zero byte.
QByteArray untilZero(const QByteArray &bytes);

void appendDateDmy(QByteArray &out, const QDate &date); // day, month, year - 2000
void appendDateYmd(QByteArray &out, const QDate &date); // year - 2000, month, day
void appendTimeHms(QByteArray &out, const QTime &time);
void appendTimeHm(QByteArray &out, const QTime &time);
QDate dateFromDmy(quint8 day, quint8 month, quint8 year); // invalid when not a date
QTime timeFromHms(quint8 hour, quint8 minute, quint8 second);

// The one-byte exchange time-out: up to 150 ms as is, then steps of 150 ms,
// then steps of 15 s.
int timeoutMs(quint8 code);

// CRC-16 with polynomial 0x1021, start 0xFFFF, no reflection, no final XOR.
quint16 crc16(const QByteArray &bytes);
// The 16-digit registration number: ordinal (10 digits) and the CRC of
// ordinal, INN and serial number in 10, 12 and 20 digits, as 6 digits.
QString registrationNumber(quint64 ordinal, quint64 inn, quint64 serial);

// Naive register time (no zone) and the seconds the FN stores for it.
quint32 unixTime(const QDateTime &registerTime);

} // namespace kelo::emu::wire
