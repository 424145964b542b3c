#include "mpathconsts.h"

QString MPathConsts::settingsDirName()
{
    return QStringLiteral("Settings");
}

QString MPathConsts::dataDirName()
{
    return QStringLiteral("Data");
}

QString MPathConsts::languageDirName()
{
    return QStringLiteral("Language");
}

QString MPathConsts::logDirName()
{
    return QStringLiteral("Log");
}

QString MPathConsts::pluginsDirName()
{
    return QStringLiteral("Plugins");
}

QString MPathConsts::debugDirName()
{
    return QStringLiteral("debug");
}

QString MPathConsts::releaseDirName()
{
    return QStringLiteral("release");
}

QString MPathConsts::userFolderName()
{
    return QStringLiteral("KeloAssist");
}
