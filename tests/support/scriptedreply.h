#pragma once

// What a text command leaves behind, written by a scripted executor in place
// of the driver: reply values, or the driver's last error.

#include <razbcmd.h>
#include <testfp.h>

#include <QByteArray>
#include <QList>

namespace scripted {

inline QByteArray le16(int n)
{
    return QByteArray(1, char(n & 0xFF)) + char((n >> 8) & 0xFF);
}

// A success with these reply values (the command code and the error byte first).
inline bool reply(const QList<QByteArray> &values)
{
    rplItems.clear();
    for (const QByteArray &bytes : values) {
        CmdItem item;
        item.value = bytes;
        item.len = quint32(bytes.size());
        rplItems.append(item);
    }
    lastErrCode = 0;
    lastErrText.clear();
    lastErrFailure = DriverFailure::None;
    return true;
}

// A refusal by the register (code > 0) or a failure of the driver (-1).
inline bool fail(int code)
{
    rplItems.clear();
    lastErrCode = code;
    lastErrText = QStringLiteral("[%1]: refused!").arg(code);
    lastErrFailure = code > 0 ? DriverFailure::Refused : DriverFailure::Link;
    return false;
}

} // namespace scripted
