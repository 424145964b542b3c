#include "minstanceguard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

QString userName()
{
    for (const char *name : {"USERNAME", "USER", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

} // namespace

MInstanceGuard::MInstanceGuard(const QString &key, QObject *parent)
    : QObject(parent), m_key(key), m_lock(QDir::temp().absoluteFilePath(key + QStringLiteral(".lock")))
{
    // A live instance keeps its claim however long it runs.
    m_lock.setStaleLockTime(0);
}

MInstanceGuard::~MInstanceGuard()
{
    if (m_server)
        m_server->close();
}

QString MInstanceGuard::keyFor(const QString &appId, const QString &appDirPath)
{
    const QByteArray place = (userName() + QLatin1Char('\n') + QDir(appDirPath).canonicalPath()).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(place, QCryptographicHash::Sha1).toHex().left(16);
    return appId + QLatin1Char('-') + QString::fromLatin1(hash);
}

bool MInstanceGuard::isRunning()
{
    if (m_checked)
        return m_running;
    m_checked = true;
    if (m_lock.tryLock(0)) {
        listen();
        return m_running = false;
    }
    // Only a lock held by someone else means another instance; a temporary
    // directory we cannot write must not keep the program from starting.
    m_running = m_lock.error() == QLockFile::LockFailedError;
    return m_running;
}

void MInstanceGuard::listen()
{
    // We hold the lock, so a socket left by a crashed instance is stale.
    QLocalServer::removeServer(m_key);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &MInstanceGuard::onNewConnection);
    m_server->listen(m_key);
}

void MInstanceGuard::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                emit messageReceived(QString::fromUtf8(line.chopped(1)));
            }
        });
    }
}

bool MInstanceGuard::sendMessage(const QString &message, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_key);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(message.toUtf8() + '\n');
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}
