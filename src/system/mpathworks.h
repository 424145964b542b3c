#pragma once

#include <QDir>
#include <QString>

// The program's directories. Each call computes its answer afresh, and the
// named directories are created on demand.
class MPathWorks
{
public:
    MPathWorks() = delete;

    // The directory of the program file, or its parent when the program runs
    // from a build folder named "debug" or "release" (in any letter case).
    static QDir appDir();

    // A directory below the program directory (or an absolute one), created
    // with all missing parents. If it cannot be created or entered, the
    // program directory itself is returned.
    static QDir dirIn(const QString &name);

    static QDir settingsDir();
    static QDir dataDir();
    static QDir languageDir();
    static QDir logDir();
    static QDir pluginsDir();

    // Replaces the application directory path the rules start from; an empty
    // path returns to the real one. Meant for tests, which cannot rename the
    // folder their own binary runs from.
    static void setAppDirPath(const QString &path);
};
