#include "msingleapplication.h"

MSingleApplication::MSingleApplication(int &argc, char **argv, const QString &appId)
    : QApplication(argc, argv), m_guard(MInstanceGuard::keyFor(appId, QCoreApplication::applicationDirPath()))
{
    connect(&m_guard, &MInstanceGuard::messageReceived, this, &MSingleApplication::messageReceived);
}

bool MSingleApplication::isRunning()
{
    return m_guard.isRunning();
}

bool MSingleApplication::sendMessage(const QString &message, int timeoutMs)
{
    return m_guard.sendMessage(message, timeoutMs);
}
