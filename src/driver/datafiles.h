#pragma once

// Access to the six description files compiled into the program.

#include <QByteArray>
#include <QString>

class QIODevice;

enum class DescriptionFile { Command, Symbol, View, Default };

// Resource names of the six embedded description files.
QString mpResourceName(const char *fileName);
// Prepares the description files for the loaders and reads the two error text
// tables. A resource that cannot be read leaves an empty table.
void mpLoadDataFiles();
// The kept file of one description; nullptr before mpLoadDataFiles.
QIODevice *mpDescriptionFile(DescriptionFile which);
// "Error.txt": line N describes the register's code N.
const QByteArray &mpDevErrorTable();
// "ErrorDrv.txt": line N describes the driver's code 500 + N.
const QByteArray &mpDrvErrorTable();
