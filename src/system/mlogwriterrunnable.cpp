#include "mlogwriterrunnable.h"

MLogWriterRunnable::MLogWriterRunnable(MLogSystem *log, const QString &text, MLogSystem_EventLevel level,
                                       const QDateTime &time)
    : m_log(log), m_text(text), m_level(level), m_time(time)
{
    setAutoDelete(true);
}

void MLogWriterRunnable::run()
{
    m_log->intLogWrite(m_text, m_level, m_time);
}
