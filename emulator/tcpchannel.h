#pragma once

#include <QString>

namespace kelo::emu {

// The register on the network: a listening TCP socket and at most one
// connection from the PC. A new connection replaces the one before, as a
// register does when the PC reconnects after losing its link.
class TcpChannel
{
public:
    TcpChannel() = default;
    ~TcpChannel();
    TcpChannel(const TcpChannel &) = delete;
    TcpChannel &operator=(const TcpChannel &) = delete;

    // "host:port" or "[v6]:port"; port 0 lets the system choose.
    bool listen(const QString &address, QString *error);
    void close();
    int listenFd() const { return listen_; }
    int connectionFd() const { return conn_; }
    // Takes a waiting connection; false when there is none.
    bool accept();
    void dropConnection();
    // The address really listened on, with its port.
    QString address() const { return address_; }

private:
    int listen_ = -1;
    int conn_ = -1;
    QString address_;
};

} // namespace kelo::emu
