#pragma once

// The texts of error codes, from the two error tables of the description files.

#include <QByteArray>
#include <QString>

// "[code]: text!" from a table whose line N describes code N.
QString mpErrorText(int code, const QByteArray &table);
// The register's code N.
QString mpDevErrorText(int code);
// "Ошибка драйвера [n]: text!" for the driver's code 500 + n.
QString mpDrvErrorText(int code);
