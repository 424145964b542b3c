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

int PtyChannel::lineBaud() const
{
    termios tio;
    if (slave_ < 0 || tcgetattr(slave_, &tio) != 0)
        return 0;
    static const struct
    {
        speed_t code;
        int baud;
    } speeds[] = {
        {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
        {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
        {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
        {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
        {B115200, 115200},   {B230400, 230400},
#ifdef B4000000
        {B460800, 460800},   {B500000, 500000},   {B576000, 576000},   {B921600, 921600},
        {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000}, {B2000000, 2000000},
        {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
#endif
    };
    const speed_t code = cfgetispeed(&tio);
    for (const auto &s : speeds) {
        if (s.code == code)
            return s.baud;
    }
    return -1; // a speed of no standard number: not one the register listens at
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

int PtyChannel::lineBaud() const
{
    return 0;
}

bool PtyChannel::open(QString *error)
{
    *error = QStringLiteral("pseudo-terminals are not available on this system");
    return false;
}

void PtyChannel::close() {}

#endif

} // namespace kelo::emu
