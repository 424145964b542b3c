#include "tcpchannel.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kelo::emu {

TcpChannel::~TcpChannel()
{
    close();
}

#ifdef Q_OS_UNIX

namespace {

void makeNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

QString boundAddress(int fd)
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return QString();
    char host[NI_MAXHOST] = {};
    char port[NI_MAXSERV] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr *>(&addr), len, host, sizeof host, port, sizeof port,
                      NI_NUMERICHOST | NI_NUMERICSERV)
        != 0)
        return QString();
    const QString h = QString::fromLatin1(host);
    return (h.contains(QLatin1Char(':')) ? QLatin1Char('[') + h + QLatin1Char(']') : h) + QLatin1Char(':')
           + QString::fromLatin1(port);
}

} // namespace

bool TcpChannel::listen(const QString &address, QString *error)
{
    close();
    const int colon = int(address.lastIndexOf(QLatin1Char(':')));
    bool ok = false;
    const uint port = address.mid(colon + 1).toUInt(&ok);
    QString host = address.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (colon <= 0 || !ok || port > 0xFFFF || host.isEmpty()) {
        *error = QStringLiteral("bad TCP address \"%1\" (host:port)").arg(address);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    const QByteArray service = QByteArray::number(port);
    if (const int rc = ::getaddrinfo(host.toUtf8().constData(), service.constData(), &hints, &found);
        rc != 0) {
        *error = QStringLiteral("%1: %2").arg(host, QString::fromLocal8Bit(::gai_strerror(rc)));
        return false;
    }
    QString why;
    for (addrinfo *ai = found; ai && listen_ < 0; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (fd < 0)
            continue;
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && ::listen(fd, 1) == 0) {
            listen_ = fd;
        } else {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (listen_ < 0) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(address, why);
        return false;
    }
    makeNonBlocking(listen_);
    address_ = boundAddress(listen_);
    return true;
}

bool TcpChannel::accept()
{
    const int fd = ::accept(listen_, nullptr, nullptr);
    if (fd < 0)
        return false;
    dropConnection();
    conn_ = fd;
    makeNonBlocking(conn_);
    const int on = 1;
    ::setsockopt(conn_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

void TcpChannel::dropConnection()
{
    if (conn_ >= 0)
        ::close(conn_);
    conn_ = -1;
}

void TcpChannel::close()
{
    dropConnection();
    if (listen_ >= 0)
        ::close(listen_);
    listen_ = -1;
    address_.clear();
}

#else

bool TcpChannel::listen(const QString &, QString *error)
{
    *error = QStringLiteral("TCP is served on POSIX systems only");
    return false;
}

bool TcpChannel::accept()
{
    return false;
}

void TcpChannel::dropConnection() {}

void TcpChannel::close() {}

#endif

} // namespace kelo::emu
