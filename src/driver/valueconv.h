#pragma once

// Conversions between the text form of a command item (what the window writes
// and reads) and its byte form on the wire. Pure functions: no tables, no I/O.

#include <QByteArray>

#include <cstdint>

// Reads an unsigned 64-bit number. base 0 picks the base from the text ("0x"
// hexadecimal, a leading "0" octal, otherwise decimal); 10 and 16 are fixed.
// No sign, no blanks, nothing after the digits; overflow fails.
bool parseUnsigned(const QByteArray &text, int base, quint64 &value);

// The low `len` bytes of a number, least significant first.
QByteArray littleEndianBytes(quint64 number, int len);
// The reverse: the first `len` bytes (at most 8, fewer when the bytes end)
// as an unsigned little-endian number.
quint64 littleEndianNumber(const QByteArray &bytes, int len = 8);

// '#' items: text to `len` little-endian bytes. With dp >= 0 the text may carry
// a decimal point and is scaled by ten to dp. A number that does not fit the
// width fails instead of being cut.
bool numbToParamValue(const QByteArray &text, int len, int dp, QByteArray &bytes);
// '#' items: `len` little-endian bytes to decimal text, with dp decimals when
// dp >= 0. All bytes 0xFF mean "no value" and give an empty text.
QByteArray numbFromParamValue(int len, int dp, const QByteArray &bytes);

// '^' items: a time-out in milliseconds packed into one byte and back.
bool tmtToParamValue(const QByteArray &text, quint8 &byte);
QByteArray tmtFromParamValue(quint8 byte);

// '$' and '?' items. Text to bytes: two hexadecimal digits per byte in text
// order; `len` bytes, or half the text when len is 0; a missing or malformed
// pair gives a zero byte.
QByteArray hexToParamValue(const QByteArray &text, int len);
// Bytes to text: upper-case pairs separated by one blank ("FF 01 0A").
QByteArray hexFromParamValue(const QByteArray &bytes);
// The longest byte run whose hexadecimal text fits an item text, and the mark
// appended when a longer run is shown cut.
constexpr int kHexTextMaxBytes = 170;
constexpr char kHexTextCutMark[] = " ...";

// Dates and times written with separators: "dd/mm/yy" (sep '/', 3 fields),
// "hh:mm:ss" (':', 3 fields), "hh:mm" (':', 2 fields). Exactly two decimal
// digits per field; the bytes are the fields in written order.
bool fieldsToParamValue(const QByteArray &text, char sep, int fields, QByteArray &bytes);
// The reverse: each byte as at least two decimal digits, joined by sep.
// `order` lists the byte indexes in output order; missing bytes give "".
QByteArray fieldsFromParamValue(const QByteArray &bytes, char sep, const int *order, int fields);
