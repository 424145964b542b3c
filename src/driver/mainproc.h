#pragma once

// The driver facade: the process-wide link settings, the embedded description
// files and the texts of error codes.

#include <QByteArray>
#include <QString>

class QIODevice;
class ZiRivoro;

// One set per process; the window writes port, speed, time-out and password
// from its fields, the driver reads them.
struct DriverLinkSettings
{
    ZiRivoro *link = nullptr;
    QString portName = QStringLiteral("COM1");
    int baudRate = 115200;
    int linkTimeout = 0; // milliseconds, used only by the link probe
    bool connected = false;
    int password = 0;
    QByteArray passwordText;
};

DriverLinkSettings &mpLinkSettings();
// Sets the current password and its decimal text together.
void mpSetPassword(int password);

enum class DescriptionFile { Command, Symbol, View, Default };

// Resource names of the six embedded description files.
QString mpResourceName(const char *fileName);
// Prepares the description files for the loaders and reads the two error text
// tables. A resource that cannot be read leaves an empty table.
void mpLoadDataFiles();
// The kept file of one description; nullptr before mpLoadDataFiles.
QIODevice *mpDescriptionFile(DescriptionFile which);
// Resets the tables and loads the four description files in their order;
// false at the first one that fails.
bool mpParseDescriptionFiles();
// The built-in password, then "prlsa" of "Default.ini" when it is there.
void mpLoadDefaults();
// First-byte time-out of every command.
int mpGetTimeOut();

// "[code]: text!" from a table whose line N describes code N.
QString mpErrorText(int code, const QByteArray &table);
QString mpDevErrorText(int code);
// The table of the driver's own codes 501..523 (line N is code 500 + N).
const QByteArray &mpDrvErrorTable();

// Opens the port for the link object of the settings; true on success. A
// failure is written to the event log.
bool mpSetComPort(const QString &portName, int baud);
