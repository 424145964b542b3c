#pragma once

#include <QFileInfo>
#include <QString>

// Full paths of the program's files, built from MFilesConsts inside the
// directories of MPathWorks.
class MFilesWorks
{
public:
    MFilesWorks() = delete;

    // The program file's name without directory and extension.
    static QString appBaseName();

    // "KeloAssist.ini" in Settings: the start-up's logging switches.
    static QFileInfo settingsFile();
    // <base name>.ini in Settings: the window's remembered values.
    static QFileInfo appSettingsFile();

    // Log/<base name>_events.log: the event log file.
    static QFileInfo eventLogFile();
    // Log/<base name>.log, .d.log and .p.log: the three debug logs.
    static QFileInfo mainLogFile();
    static QFileInfo debugLogFile();
    static QFileInfo performanceLogFile();

    // Full path of the archiver program, empty when there is none. On Windows
    // "7z.exe" with "7z.dll" beside the program; elsewhere "7zz" or "7z"
    // beside the program, then on PATH.
    static QString archiverPath();

    // Makes archiverPath() answer with the given program (empty when it is not
    // an executable file) instead of searching. For tests.
    static void setArchiverOverride(const QString &path);
    static void clearArchiverOverride();
};
