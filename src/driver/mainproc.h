#pragma once

// The driver facade: the process-wide link settings, the loading of the
// description files and the port of the link.

#include "datafiles.h"
#include "errortexts.h"

#include <QByteArray>
#include <QString>

class ZiRivoro;

// One set per process; the window writes port, speed, time-out and password
// from its fields, the driver reads them.
struct DriverLinkSettings
{
    ZiRivoro *link = nullptr;
    QString portName = QStringLiteral("COM1");
    int baudRate = 115200;
    int linkTimeout = 0; // milliseconds: the link probes together (and a network connection)
    bool connected = false;
    int password = 0;
    QByteArray passwordText;
};

DriverLinkSettings &mpLinkSettings();
// Sets the current password and its decimal text together.
void mpSetPassword(int password);

// Resets the tables and loads the four description files in their order;
// false at the first one that fails.
bool mpParseDescriptionFiles();
// The built-in password, then "prlsa" of "Default.ini" when it is there.
void mpLoadDefaults();
// First-byte time-out of every command.
int mpGetTimeOut();

// Opens the port for the link object of the settings; true on success. A
// failure is written to the event log.
bool mpSetComPort(const QString &portName, int baud);
