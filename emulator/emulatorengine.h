#pragma once

#include "emulatorconfig.h"
#include "faultinjector.h"
#include "linkprotocol.h"
#include "ptychannel.h"
#include "registermodel.h"
#include "tcpchannel.h"

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kelo::emu {

// The register stand-in as one object: a pseudo-terminal, the link and the
// register model, served by a thread of its own that waits in poll() and paces
// every byte at the configured baud rate.
//
//     EmulatorEngine emu(config);
//     if (!emu.start()) qWarning() << emu.errorString();
//     port.setPortName(emu.slavePath());
//     emu.faults().arm(Fault::BadChecksum, 2);
//     emu.inspect([](const RegisterModel &m) { ... });
//     emu.stop();
class EmulatorEngine
{
public:
    struct Stats
    {
        LinkProtocol::Stats link;
        int faultsInjected = 0;
        quint64 bytesIn = 0;
        quint64 bytesOut = 0;
        quint64 bytesWrongSpeed = 0; // sent at a speed the register does not listen at
    };

    explicit EmulatorEngine(const EmulatorConfig &config = EmulatorConfig());
    ~EmulatorEngine();
    EmulatorEngine(const EmulatorEngine &) = delete;
    EmulatorEngine &operator=(const EmulatorEngine &) = delete;

    // Loads the state file (or applies the preset), opens the pseudo-terminal,
    // makes the link and starts serving. False with errorString() on failure:
    // a state file that cannot be read or lacks a part, a link path taken by
    // anything but a link to a pseudo-terminal (left as it is).
    bool start();
    // Stops serving, saves the state file, removes the link if it is still
    // the one made here. False when the state file could not be saved
    // (errorString() says why). Safe to repeat.
    bool stop();
    bool isRunning() const { return thread_.joinable(); }
    // The current slave device; a new one after the port is unplugged and back.
    QString slavePath() const;
    // The link when one was asked for (it follows the port), else the slave.
    QString portPath() const;
    QString errorString() const { return error_; }

    // Pulls the cable: the pseudo-terminal is closed, so the PC's port fails
    // as if the register were unplugged; plugging in makes a new one (and
    // points the link at it). Waits until the serving thread has done it.
    bool unplug();
    bool plugIn();
    bool isPlugged() const;

    FaultInjector &faults() { return faults_; }
    void setReplyDelayMs(int ms) { replyDelayNs_ = qint64(qMax(0, ms)) * 1000000; }
    void setBaud(int baud)
    {
        baud_ = baud;
        byteTimeNs_ = byteTimeFor(baud);
    }
    // "host:port" served over TCP; empty when there is none.
    QString tcpAddress() const { return tcpAddress_; }
    Stats stats() const;

    // Runs f with the register model while the link cannot touch it.
    void inspect(const std::function<void(const RegisterModel &)> &f) const;
    void modify(const std::function<void(RegisterModel &)> &f);
    QJsonObject stateJson() const;
    bool saveState(const QString &path, QString *error = nullptr) const;

private:
    static qint64 byteTimeFor(int baud);
    void run();
    void wake();
    bool openPort();
    bool makeLink();
    void removeLink();
    void noteStateSave(bool saved, const QString &why);
    bool requestPort(bool plugged);

    EmulatorConfig config_;
    FaultInjector faults_;
    mutable std::mutex modelMutex_;
    RegisterModel model_;
    PtyChannel pty_;
    QString slavePath_;
    QByteArray linkTarget_; // what the link made here points to; empty when there is none
    QString stateFailure_;  // why the last save of the state file failed; empty when it worked
    QString error_;
    std::thread thread_;
    int wakePipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<int> portRequest_{0}; // 1 unplug, 2 plug in
    mutable std::mutex portMutex_;
    std::condition_variable portChanged_;
    bool plugged_ = false;
    quint64 portChanges_ = 0;
    std::atomic<qint64> byteTimeNs_{0};
    std::atomic<int> baud_{0};
    TcpChannel tcp_;
    QString tcpAddress_;
    std::atomic<qint64> replyDelayNs_{0};
    mutable std::mutex statsMutex_;
    Stats stats_;
};

} // namespace kelo::emu
