#include "console.h"

#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void onStopSignal(int signal)
{
    g_stop = 1;
    std::signal(signal, SIG_DFL);
}

void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void Console::out(const QString &text)
{
    writeTo(stdout, text.toUtf8());
}

void Console::outBytes(const QByteArray &bytes)
{
    writeTo(stdout, bytes);
}

void Console::err(const QString &line)
{
    writeTo(stderr, (QStringLiteral("kelo-cli: ") + line + QLatin1Char('\n')).toUtf8());
}

void Console::errRaw(const QString &text)
{
    writeTo(stderr, text.toUtf8());
}

bool Console::stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void Console::installStopHandler()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

bool Console::stopRequested()
{
    return g_stop != 0;
}
