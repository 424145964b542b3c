#pragma once

// The registration number of a register: its ordinal number in 10 digits
// followed by a CRC-16 (6 digits) over the ordinal number, the user's INN and
// the register's serial number. Pure functions, shared by the window and the
// command-line tool.

#include <QByteArray>
#include <QString>

// Widths of the three numbers in the text the CRC covers.
constexpr int kRnOrdinalDigits = 10;
constexpr int kRnInnDigits = 12;
constexpr int kRnSerialDigits = 20;
constexpr int kRnCrcDigits = 6;

// CRC-16 with polynomial 0x1021, start 0xFFFF, most significant bit first, no
// reflection and no final XOR ("CCITT-FALSE"), computed through a 256-entry
// table built on first use. "123456789" gives 0x29B1.
quint16 rnCrc16(const QByteArray &bytes);

// The 42-character text the CRC covers: ordinal (10 digits), INN (12), serial
// (20), each zero-filled on the left. Empty when a number is wider than its
// field: cutting it would give a number that belongs to another register.
QByteArray rnSourceText(quint64 ordinal, quint64 inn, quint64 serial);

// The 16-digit registration number; empty when a number does not fit its field.
QString rnCalculate(quint64 ordinal, quint64 inn, quint64 serial);

// True when regNumber is exactly the number rnCalculate gives.
bool rnVerify(const QString &regNumber, quint64 ordinal, quint64 inn, quint64 serial);

// A form field read the window's way: decimal digits (surrounding blanks
// allowed) as a 64-bit number; 0 for anything that is not such a number.
quint64 rnFieldNumber(const QString &text);

// An INN as the tax service issues it: 10 digits (an organisation) or 12 (a
// person), the last one or two being check digits over the others.
bool rnInnValid(const QString &inn);

// Strict reading for scripts: one or more decimal digits and nothing else,
// within 64 bits. False leaves value untouched.
bool rnParseDigits(const QString &text, quint64 *value);
