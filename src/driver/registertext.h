#pragma once

// Text as the register keeps it: Windows-1251 in commands, replies and tables.

#include <QByteArray>
#include <QString>

QByteArray toRegisterText(const QString &text);
QString fromRegisterText(const QByteArray &bytes);
// A table or reply string: the text up to its first zero byte.
QString fromRegisterString(const QByteArray &bytes);
