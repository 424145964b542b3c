#include "mfilesconsts.h"

QString MFilesConsts::settingsFileName()
{
    return QStringLiteral("KeloAssist.ini");
}

QString MFilesConsts::settingsExtension()
{
    return QStringLiteral("ini");
}

QString MFilesConsts::logExtension()
{
    return QStringLiteral("log");
}

QString MFilesConsts::eventLogSuffix()
{
    return QStringLiteral("_events");
}

QString MFilesConsts::mainLogTemplate()
{
    return QStringLiteral("%1.%2");
}

QString MFilesConsts::debugLogTemplate()
{
    return QStringLiteral("%1.d.%2");
}

QString MFilesConsts::performanceLogTemplate()
{
    return QStringLiteral("%1.p.%2");
}

QStringList MFilesConsts::archiverNames()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("7z.exe")};
#else
    return {QStringLiteral("7zz"), QStringLiteral("7z")};
#endif
}

QString MFilesConsts::archiverLibraryName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("7z.dll");
#else
    return QString();
#endif
}
