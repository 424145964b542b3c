#include "mfilesworks.h"

#include "mfilesconsts.h"
#include "mpathworks.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <optional>

namespace {

std::optional<QString> &archiverOverride()
{
    static std::optional<QString> path;
    return path;
}

bool isProgram(const QFileInfo &info)
{
    return info.isFile() && info.isExecutable();
}

QFileInfo logFileFrom(const QString &nameTemplate)
{
    return QFileInfo(MPathWorks::logDir(),
                     nameTemplate.arg(MFilesWorks::appBaseName(), MFilesConsts::logExtension()));
}

} // namespace

QString MFilesWorks::appBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QFileInfo MFilesWorks::settingsFile()
{
    return QFileInfo(MPathWorks::settingsDir(), MFilesConsts::settingsFileName());
}

QFileInfo MFilesWorks::appSettingsFile()
{
    return QFileInfo(MPathWorks::settingsDir(),
                     QStringLiteral("%1.%2").arg(appBaseName(), MFilesConsts::settingsExtension()));
}

QFileInfo MFilesWorks::eventLogFile()
{
    return QFileInfo(MPathWorks::logDir(),
                     QStringLiteral("%1%2.%3").arg(appBaseName(), MFilesConsts::eventLogSuffix(),
                                                   MFilesConsts::logExtension()));
}

QFileInfo MFilesWorks::mainLogFile()
{
    return logFileFrom(MFilesConsts::mainLogTemplate());
}

QFileInfo MFilesWorks::debugLogFile()
{
    return logFileFrom(MFilesConsts::debugLogTemplate());
}

QFileInfo MFilesWorks::performanceLogFile()
{
    return logFileFrom(MFilesConsts::performanceLogTemplate());
}

QString MFilesWorks::archiverPath()
{
    if (const std::optional<QString> &overridden = archiverOverride()) {
        const QFileInfo info(*overridden);
        return isProgram(info) ? info.absoluteFilePath() : QString();
    }

    const QDir dir = MPathWorks::appDir();
    const QString library = MFilesConsts::archiverLibraryName();
    if (!library.isEmpty() && !QFileInfo(dir, library).isFile())
        return QString();
    for (const QString &name : MFilesConsts::archiverNames()) {
        const QFileInfo beside(dir, name);
        if (isProgram(beside))
            return beside.absoluteFilePath();
    }
#ifndef Q_OS_WIN
    for (const QString &name : MFilesConsts::archiverNames()) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
#endif
    return QString();
}

void MFilesWorks::setArchiverOverride(const QString &path)
{
    archiverOverride() = path;
}

void MFilesWorks::clearArchiverOverride()
{
    archiverOverride().reset();
}
