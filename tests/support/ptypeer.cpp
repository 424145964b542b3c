#include "ptypeer.h"

#include <QMutexLocker>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    char name[256] = {};
    int slave = -1;
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        return;
    termios raw{};
    tcgetattr(m_master, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_master, TCSANOW, &raw);
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    m_slaveKeep = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer()
{
    stop();
    wait();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
}

void PtyPeer::step(const QByteArray &expect, const QByteArray &send, int delayMs)
{
    m_steps.append(Step{expect, send, delayMs});
}

QByteArray PtyPeer::received() const
{
    QMutexLocker lock(&m_lock);
    return m_received;
}

QString PtyPeer::failure() const
{
    QMutexLocker lock(&m_lock);
    return m_failure;
}

int PtyPeer::finishedSteps() const
{
    QMutexLocker lock(&m_lock);
    return m_done;
}

void PtyPeer::stop()
{
    QMutexLocker lock(&m_lock);
    m_stop = true;
}

void PtyPeer::fail(const QString &why)
{
    QMutexLocker lock(&m_lock);
    if (m_failure.isEmpty())
        m_failure = why;
}

bool PtyPeer::readSome(QByteArray *pending)
{
    {
        QMutexLocker lock(&m_lock);
        if (m_stop)
            return false;
    }
    pollfd pfd{m_master, POLLIN, 0};
    if (::poll(&pfd, 1, 20) <= 0)
        return true;
    char buf[512];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n <= 0)
        return true;
    if (pending)
        pending->append(buf, int(n));
    QMutexLocker lock(&m_lock);
    m_received.append(buf, int(n));
    return true;
}

void PtyPeer::run()
{
    QByteArray pending; // received and not yet matched
    for (int s = 0; s < m_steps.size(); ++s) {
        const Step &step = m_steps.at(s);
        while (pending.size() < step.expect.size()) {
            if (!readSome(&pending))
                return;
        }
        if (!pending.startsWith(step.expect)) {
            fail(QStringLiteral("step %1: expected %2, got %3")
                     .arg(s)
                     .arg(QString::fromLatin1(step.expect.toHex(' ')),
                          QString::fromLatin1(pending.toHex(' '))));
            return;
        }
        pending.remove(0, step.expect.size());
        if (step.delayMs > 0)
            msleep(ulong(step.delayMs));
        if (!step.send.isEmpty() && ::write(m_master, step.send.constData(), size_t(step.send.size())) < 0)
            fail(QStringLiteral("write failed: %1").arg(errno));
        QMutexLocker lock(&m_lock);
        m_done = s + 1;
    }
    // Keep reading so that late bytes are seen by the test.
    while (readSome(nullptr)) {
    }
}
