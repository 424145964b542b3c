#pragma once

#include <QDir>
#include <QString>

// The program's directories. Each call computes its answer afresh, and the
// named directories are created on demand.
//
// Where the program keeps what it writes depends on where it runs from. From a
// folder it may write to (a build folder, a portable copy) everything stays
// beside the program: Settings/, Log/ and Data/. Installed in a folder it may
// not write to (under /usr), settings go to the user's configuration folder
// and Log/ and Data/ to the user's data folder.
class MPathWorks
{
public:
    MPathWorks() = delete;

    enum class Layout {
        Portable,    // beside the program
        UserFolders, // the user's standard folders
    };
    static Layout layout();
    // One line for the event log: the layout and its folders.
    static QString layoutDescription();

    // The directory of the program file, or its parent when the program runs
    // from a build folder named "debug" or "release" (in any letter case).
    static QDir appDir();

    // A directory below the program directory (or an absolute one), created
    // with all missing parents. If it cannot be created or entered, the
    // program directory itself is returned.
    static QDir dirIn(const QString &name);

    static QDir settingsDir();
    static QDir dataDir();
    // Where the file dialogs start: the program directory, or the user's home.
    static QDir documentsDir();
    static QDir languageDir();
    static QDir logDir();
    static QDir pluginsDir();

    // Replaces the application directory path the rules start from; an empty
    // path returns to the real one. Meant for tests, which cannot rename the
    // folder their own binary runs from.
    static void setAppDirPath(const QString &path);
};
