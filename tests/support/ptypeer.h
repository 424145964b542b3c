#pragma once

// A scripted peer on a pseudo-terminal for link tests: the program under test
// opens slavePath() as its serial port; the peer, in a thread of its own,
// waits for exact byte strings and answers with exact byte strings.

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QVector>

// Control bytes and frames as the register's side of the line writes them,
// built here independently of the driver's own framing.
namespace linkbytes {
inline const QByteArray ENQ("\x05");
inline const QByteArray ACK("\x06");
inline const QByteArray NAK("\x15");

inline QByteArray frame(const QByteArray &data)
{
    char check = char(data.size());
    for (char c : data)
        check = char(check ^ c);
    return QByteArray("\x02") + char(data.size()) + data + check;
}
} // namespace linkbytes

class PtyPeer : public QThread
{
public:
    struct Step
    {
        QByteArray expect; // bytes that must arrive next (empty: none)
        QByteArray send;   // bytes written once they did
        int delayMs = 0;   // pause before sending
    };

    PtyPeer();
    ~PtyPeer() override;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Appends a step; call before start().
    void step(const QByteArray &expect, const QByteArray &send = QByteArray(), int delayMs = 0);
    // Everything received, in order.
    QByteArray received() const;
    // Empty while every step matched; otherwise what went wrong.
    QString failure() const;
    int finishedSteps() const;
    // All steps done.
    bool finished() const { return finishedSteps() == m_steps.size(); }

    void stop();

protected:
    void run() override;

private:
    void fail(const QString &why);
    // Waits a little for bytes; false once the peer is stopped.
    bool readSome(QByteArray *pending);

    int m_master = -1;
    int m_slaveKeep = -1; // keeps the terminal alive between opens of the slave
    QString m_slavePath;
    QVector<Step> m_steps;
    mutable QMutex m_lock;
    QByteArray m_received;
    QString m_failure;
    int m_done = 0;
    bool m_stop = false;
};
