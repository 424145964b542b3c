#pragma once

#include <QString>
#include <QStringList>

// Fixed file names and the pieces the program's own file names are built from.
class MFilesConsts
{
public:
    MFilesConsts() = delete;

    // The start-up settings, whatever the program file is called.
    static QString settingsFileName();
    static QString settingsExtension();

    static QString logExtension();
    // Base name + this + ".log" is the event log file.
    static QString eventLogSuffix();
    // Templates of the three debug logs: base name, extension.
    static QString mainLogTemplate();
    static QString debugLogTemplate();
    static QString performanceLogTemplate();

    // The external archiver. On Windows the program and its library must both
    // lie beside our program; elsewhere any of the names will do.
    static QStringList archiverNames();
    static QString archiverLibraryName();
};
