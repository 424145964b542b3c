#include "mpathworks.h"

#include "mpathconsts.h"

#include <QCoreApplication>

namespace {

QString &appDirPathOverride()
{
    static QString path;
    return path;
}

} // namespace

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
    if (!dir.exists(name) && !dir.mkpath(name))
        return base;
    if (!dir.cd(name))
        return base;
    return dir;
}

QDir MPathWorks::settingsDir()
{
    return dirIn(MPathConsts::settingsDirName());
}

QDir MPathWorks::dataDir()
{
    return dirIn(MPathConsts::dataDirName());
}

QDir MPathWorks::languageDir()
{
    return dirIn(dataDir().absoluteFilePath(MPathConsts::languageDirName()));
}

QDir MPathWorks::logDir()
{
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
