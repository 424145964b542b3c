#ifndef MINSTANCEGUARD_H
#define MINSTANCEGUARD_H

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running instance per key. The first holder of the key's lock file is
// the running instance and listens on a local socket; a later start finds the
// lock taken and can hand the running instance a text message. The lock file,
// not the socket, decides, so two programs started at the same moment cannot
// both become the running one, and a crashed instance leaves no stale claim
// (its lock is taken over once its process is gone).
class MInstanceGuard : public QObject
{
    Q_OBJECT

public:
    explicit MInstanceGuard(const QString &key, QObject *parent = nullptr);
    ~MInstanceGuard() override;

    // The key for this program installed in this directory, for this user.
    static QString keyFor(const QString &appId, const QString &appDirPath);

    // True when another instance holds the key. The first call decides and
    // makes this object the running instance when it is free.
    bool isRunning();
    // Delivers the text to the running instance; false when it could not be
    // reached within the time.
    bool sendMessage(const QString &message, int timeoutMs);
    QString key() const { return m_key; }

signals:
    void messageReceived(const QString &message);

private:
    void listen();
    void onNewConnection();

    QString m_key;
    QLockFile m_lock;
    bool m_checked = false;
    bool m_running = false;
    std::unique_ptr<QLocalServer> m_server;
};

#endif // MINSTANCEGUARD_H
