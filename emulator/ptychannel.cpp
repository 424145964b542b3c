#include "ptychannel.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kelo::emu {

PtyChannel::~PtyChannel()
{
    close();
}

#ifdef Q_OS_UNIX

namespace {

bool makeRaw(int fd)
{
    termios tio;
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

QString lastError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

bool PtyChannel::open(QString *error)
{
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        *error = lastError("posix_openpt");
        return false;
    }
    char name[128] = {};
    bool named = false;
#ifdef Q_OS_LINUX
    named = ::ptsname_r(master_, name, sizeof name) == 0;
#else
    if (const char *n = ::ptsname(master_)) {
        std::strncpy(name, n, sizeof name - 1);
        named = true;
    }
#endif
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || !named) {
        *error = lastError("pseudo-terminal slave");
        close();
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || !makeRaw(slave_)) {
        *error = lastError("raw mode");
        close();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    return true;
}

void PtyChannel::close()
{
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = -1;
    master_ = -1;
    slavePath_.clear();
}

#else

bool PtyChannel::open(QString *error)
{
    *error = QStringLiteral("pseudo-terminals are not available on this system");
    return false;
}

void PtyChannel::close() {}

#endif

} // namespace kelo::emu
