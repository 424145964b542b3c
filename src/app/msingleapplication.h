#ifndef MSINGLEAPPLICATION_H
#define MSINGLEAPPLICATION_H

#include "minstanceguard.h"

#include <QApplication>

// The application object of a program that runs once: a second start asks
// isRunning(), wakes the first with sendMessage() and ends; the first hears
// it through messageReceived().
class MSingleApplication : public QApplication
{
    Q_OBJECT

public:
    MSingleApplication(int &argc, char **argv, const QString &appId);

    bool isRunning();
    bool sendMessage(const QString &message, int timeoutMs = 5000);

signals:
    void messageReceived(const QString &message);

private:
    MInstanceGuard m_guard;
};

#endif // MSINGLEAPPLICATION_H
