#include "zirivorolog.h"

#include <logging.h>
#include <mlogsystem.h>

#include <QCoreApplication>
#include <QDateTime>

void logSndBytes(const QByteArray &bytes)
{
    LOG(DEBUG) << "logSndBytes"
               << " >>>" << bytes.toHex();
}

void logRcvBytes(const QByteArray &bytes)
{
    LOG(DEBUG) << "logRcvBytes"
               << " <<<" << bytes.toHex();
}

void logSndBlock(const QByteArray &request)
{
    const QString line =
        QCoreApplication::translate("ZiRivoroLog", "%1: send data: %2")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")),
                 QString::fromLatin1(request.toHex()));
    LOG(DEBUG) << "logSndBlock. time/date: " << line;
    MLogSystem::instance()->logWrite(line, 0);
}
