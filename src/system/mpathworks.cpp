#include "mpathworks.h"

#include "mpathconsts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString &appDirPathOverride()
{
    static QString path;
    return path;
}

// Writable by its mode and by the system's verdict for this user. The mode
// counts too: the superuser may write anywhere, yet a tree installed or
// unpacked read-only is not a place for a program's files.
bool isWritableDir(const QString &path)
{
    const QFileInfo info(path);
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isDir() && info.isWritable() && (info.permissions() & anyWrite);
}

// The system's program folders are never a portable copy, whoever runs it.
bool isSystemDir(const QString &path)
{
    static const char *const prefixes[] = {"/usr/", "/bin", "/sbin", "/opt/"};
    for (const char *prefix : prefixes) {
        if (path.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

// A folder of ours in one of the user's standard places. Named here, not
// after the application's name, which start-up sets only after the settings
// and the logs have been found.
QDir userDir(QStandardPaths::StandardLocation location, const QString &sub = QString())
{
    QDir dir(QStandardPaths::writableLocation(location));
    dir.setPath(dir.absoluteFilePath(MPathConsts::userFolderName()));
    if (!sub.isEmpty())
        dir.setPath(dir.absoluteFilePath(sub));
    dir.mkpath(QStringLiteral("."));
    return dir;
}

} // namespace

MPathWorks::Layout MPathWorks::layout()
{
    const QString dir = appDir().absolutePath();
    return isWritableDir(dir) && !isSystemDir(dir + QLatin1Char('/')) ? Layout::Portable : Layout::UserFolders;
}

QString MPathWorks::layoutDescription()
{
    if (layout() == Layout::Portable)
        return QStringLiteral("Files beside the program: %1").arg(appDir().absolutePath());
    return QStringLiteral("Files in the user's folders: settings %1, logs %2, data %3")
        .arg(settingsDir().absolutePath(), logDir().absolutePath(), dataDir().absolutePath());
}

QDir MPathWorks::appDir()
{
    const QString &overridden = appDirPathOverride();
    QDir dir(overridden.isEmpty() ? QCoreApplication::applicationDirPath() : overridden);
    const QString name = dir.dirName().toLower();
    if (name == MPathConsts::debugDirName() || name == MPathConsts::releaseDirName())
        dir.cdUp();
    return dir;
}

QDir MPathWorks::dirIn(const QString &name)
{
    const QDir base = appDir();
    QDir dir = base;
    // Installed, the program's own folder is not written to, not even by a
    // superuser who could.
    const bool mayCreate = QDir::isAbsolutePath(name) || layout() == Layout::Portable;
    if (!dir.exists(name) && (!mayCreate || !dir.mkpath(name)))
        return base;
    if (!dir.cd(name))
        return base;
    return dir;
}

QDir MPathWorks::settingsDir()
{
    if (layout() == Layout::UserFolders)
        return userDir(QStandardPaths::GenericConfigLocation);
    return dirIn(MPathConsts::settingsDirName());
}

QDir MPathWorks::dataDir()
{
    if (layout() == Layout::UserFolders)
        return userDir(QStandardPaths::GenericDataLocation, MPathConsts::dataDirName());
    return dirIn(MPathConsts::dataDirName());
}

QDir MPathWorks::documentsDir()
{
    return layout() == Layout::Portable ? appDir() : QDir::home();
}

QDir MPathWorks::languageDir()
{
    return dirIn(dataDir().absoluteFilePath(MPathConsts::languageDirName()));
}

QDir MPathWorks::logDir()
{
    if (layout() == Layout::UserFolders)
        return userDir(QStandardPaths::GenericDataLocation, MPathConsts::logDirName());
    return dirIn(MPathConsts::logDirName());
}

QDir MPathWorks::pluginsDir()
{
    return dirIn(MPathConsts::pluginsDirName());
}

void MPathWorks::setAppDirPath(const QString &path)
{
    appDirPathOverride() = path;
}
