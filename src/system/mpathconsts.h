#pragma once

#include <QString>

// Names of the program's directories. Every directory hangs off the program
// directory (see MPathWorks); nothing else in the program spells these names.
class MPathConsts
{
public:
    MPathConsts() = delete;

    static QString settingsDirName();
    static QString dataDirName();
    static QString languageDirName();
    static QString logDirName();
    static QString pluginsDirName();
    // The program's folder in the user's configuration and data places.
    static QString userFolderName();

    // Build folders whose parent is taken as the program directory.
    static QString debugDirName();
    static QString releaseDirName();
};
