#pragma once

#include "mlogsystem.h"

#include <QDateTime>
#include <QRunnable>
#include <QString>

// One message on its way to the event log's writer thread.
class MLogWriterRunnable : public QRunnable
{
public:
    MLogWriterRunnable(MLogSystem *log, const QString &text, MLogSystem_EventLevel level,
                       const QDateTime &time);

    void run() override;

private:
    MLogSystem *m_log;
    QString m_text;
    MLogSystem_EventLevel m_level;
    QDateTime m_time;
};
