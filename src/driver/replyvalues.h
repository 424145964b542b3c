#pragma once

// The reply values of the last text command, by index (0 the command code, 1
// the error byte, 2 on the data items), as every front end reads them. An
// index the reply does not carry reads as empty or zero.

#include <QByteArray>
#include <QString>

namespace reply {

int count();
bool has(int index);
QByteArray bytes(int index);
// The text form, decoded from the register's text.
QString text(int index);
// A string value up to its first zero byte.
QString string(int index);
quint8 byte(int index);
quint16 word(int index);
// Up to eight bytes, little-endian.
quint64 number(int index);

} // namespace reply
