#include "console.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

bool g_quiet = false;
bool g_verbose = false;
bool g_jsonErrors = false;
QString g_lastError;
QString g_lastMessage;
int g_lastErrorCode = -1;
int g_notedCode = -1;
QString g_notedText;

extern "C" void onStopSignal(int signal)
{
    g_stopSignal = signal;
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
    g_lastError = line;
    g_lastMessage = line;
    g_lastErrorCode = !g_notedText.isEmpty() && line.contains(g_notedText) ? g_notedCode : -1;
    writeTo(stderr, (QStringLiteral("kelo-cli: ") + line + QLatin1Char('\n')).toUtf8());
}

void Console::warn(const QString &line)
{
    writeTo(stderr, (QStringLiteral("kelo-cli: ") + line + QLatin1Char('\n')).toUtf8());
}

QString Console::lastError()
{
    return g_lastError;
}

QString Console::lastMessage()
{
    return g_lastMessage;
}

void Console::info(const QString &line)
{
    g_lastMessage = line;
    if (!g_quiet)
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

void Console::setQuiet(bool quiet)
{
    g_quiet = quiet;
}

bool Console::quiet()
{
    return g_quiet;
}

void Console::setVerbose(bool verbose)
{
    g_verbose = verbose;
}

std::function<void(bool, const QByteArray &)> Console::frameObserver()
{
    if (!g_verbose)
        return nullptr;
    return [](bool sent, const QByteArray &bytes) {
        errRaw(traceLine(sent, bytes) + QLatin1Char('\n'));
    };
}

QString Console::traceLine(bool sent, const QByteArray &bytes)
{
    QString text;
    if (bytes.size() == 1 && bytes.at(0) == '\x05')
        text = QStringLiteral("ENQ");
    else if (bytes.size() == 1 && bytes.at(0) == '\x06')
        text = QStringLiteral("ACK");
    else if (bytes.size() == 1 && bytes.at(0) == '\x15')
        text = QStringLiteral("NAK");
    else
        text = QString::fromLatin1(bytes.toHex(' ').toUpper());
    return QStringLiteral("%1 %2 %3")
        .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")),
             sent ? QStringLiteral(">") : QStringLiteral("<"), text);
}

void Console::noteErrorCode(int code, const QString &text)
{
    g_notedCode = code > 0 ? code : -1;
    g_notedText = text;
}

void Console::setJsonErrors(bool json)
{
    g_jsonErrors = json;
}

bool Console::jsonErrors()
{
    return g_jsonErrors;
}

QByteArray Console::errorJson(int exitCode)
{
    const QJsonObject error{{QStringLiteral("code"), g_lastErrorCode},
                            {QStringLiteral("exit"), exitCode},
                            {QStringLiteral("text"), g_lastError}};
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson(QJsonDocument::Compact) + '\n';
}

void Console::installStopHandler()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

bool Console::stopRequested()
{
    return g_stopSignal != 0;
}

int Console::stoppedExitCode(int exitCode)
{
    if (exitCode != ExitInterrupted || g_stopSignal == 0)
        return exitCode;
    return 128 + int(g_stopSignal);
}
