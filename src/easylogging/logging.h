#pragma once

// The program's debug logs. Include this instead of easylogging++.h so that
// QString and QByteArray can be streamed into a log line.

#include <easylogging++.h>

#include <QByteArray>
#include <QString>

inline el::base::MessageBuilder &operator<<(el::base::MessageBuilder &builder, const QString &text)
{
    return builder << text.toStdString();
}

inline el::base::MessageBuilder &operator<<(el::base::MessageBuilder &builder, const QByteArray &bytes)
{
    return builder << bytes.toStdString();
}
