#include "registersession.h"

#include "console.h"
#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"
#include "registertext.h"
#include "testfp.h"

#include <logging.h>

#include <QCoreApplication>

namespace {

constexpr int kProbes = 3;
constexpr int kKnownModel = 250;

// Reply values of "FC": the model number and the device name.
constexpr int kModelValue = 6;
constexpr int kNameValue = 8;

void quietDebugLog()
{
    el::Configurations conf;
    conf.setToDefault();
    conf.setGlobally(el::ConfigurationType::ToFile, "false");
    conf.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
    el::Loggers::reconfigureLogger("default", conf);
    el::Loggers::reconfigureLogger("performance", conf);
}

// The driver's messages for the operator (a description file that does not
// load) go to standard error here.
void driverMessageToStderr(const QString &title, const QString &text)
{
    Console::err(title + QStringLiteral(": ") + text);
}

} // namespace

RegisterSession::RegisterSession(const LinkOptions &options) : m_options(options)
{
    // Before any command is checked or run: a text command that leaves the
    // password out takes this one.
    if (m_options.password >= 0)
        mpSetPassword(m_options.password);
}

RegisterSession::~RegisterSession()
{
    close();
}

bool RegisterSession::loadDriver(QString *error)
{
    static int loaded = -1;
    if (loaded < 0) {
        quietDebugLog();
        setDriverMessageHook(driverMessageToStderr);
        mpLoadDataFiles();
        loaded = mpParseDescriptionFiles() ? 1 : 0;
        mpLoadDefaults();
    }
    if (loaded == 0 && error)
        *error = QStringLiteral("the driver's description files did not load");
    return loaded == 1;
}

bool RegisterSession::checkCommand(const QString &command, QString *error)
{
    // With no connection the driver goes through every step up to the
    // exchange and stops at "No connect!" when the command itself is sound.
    DriverLinkSettings &settings = mpLinkSettings();
    const bool wasConnected = settings.connected;
    settings.connected = false;
    TestFp exec;
    const bool sent = exec.execCommand(command);
    settings.connected = wasConnected;
    const bool sound = !sent && lastErrFailure == DriverFailure::NotConnected;
    if (!sound && error)
        *error = lastErrText;
    lastErrCode = 0;
    lastErrText.clear();
    lastErrFailure = DriverFailure::None;
    return sound;
}

QString RegisterSession::passwordText() const
{
    return QString::fromLatin1(mpLinkSettings().passwordText);
}

bool RegisterSession::fail(const QString &text, int code)
{
    m_error = text;
    m_errorCode = code;
    m_exitCode = code > 0 ? ExitRefused : ExitDriver;
    return false;
}

bool RegisterSession::open()
{
    DriverLinkSettings &settings = mpLinkSettings();
    settings.link = &m_link;
    settings.portName = m_options.port;
    settings.baudRate = m_options.baud;
    settings.linkTimeout = m_options.timeoutMs;
    settings.connected = false;
    if (!mpSetComPort(m_options.port, m_options.baud)) {
        return fail(QCoreApplication::translate("MMainForm", "Ошибка открытия СОМ порта!")
                        + QStringLiteral(" %1: %2").arg(m_options.port, m_link.port().errorString()),
                    -1);
    }
    // Bytes left on the line before we came (a reply cut off when the cable
    // was pulled, noise of a reconnected adapter) would be read as the answer
    // to our first ENQ and put every later exchange one byte out of step.
    m_link.port().clear(QSerialPort::Input);
    for (int probe = 0; probe < kProbes && !settings.connected; ++probe)
        settings.connected =
            m_link.frSetLink(QSerialPort::BaudRate(m_options.baud), m_options.timeoutMs) == 1;
    if (!settings.connected) {
        m_link.closeComPort();
        return fail(QCoreApplication::translate("MMainForm", "Ошибка соединения!"), -1);
    }
    return identify();
}

bool RegisterSession::identify()
{
    if (!exec(QStringLiteral("FC")))
        return false;
    if (rplItems.count() > kNameValue) {
        const QByteArray model = rplItems.at(kModelValue).value;
        m_deviceModel = model.isEmpty() ? -1 : quint8(model[0]);
        m_deviceName = fromRegisterText(rplItems.at(kNameValue).value).section(QChar(0), 0, 0).trimmed();
    }
    if (m_deviceModel != kKnownModel && m_deviceName != QStringLiteral("Kelo-Vint-Ф"))
        Console::err(QStringLiteral("warning: the register is model %1 \"%2\", not the Kelo-Vint-Ф; going on")
                         .arg(m_deviceModel)
                         .arg(m_deviceName));
    return true;
}

bool RegisterSession::exec(const QString &command)
{
    if (!mpLinkSettings().connected)
        return fail(QCoreApplication::translate("TestFp", "No connect!"), -1);
    TestFp exec;
    if (exec.execCommand(command)) {
        m_error.clear();
        m_errorCode = 0;
        m_exitCode = ExitOk;
        return true;
    }
    return fail(lastErrText, lastErrCode);
}

bool RegisterSession::reopen()
{
    close();
    return open();
}

void RegisterSession::close()
{
    m_link.closeComPort();
    DriverLinkSettings &settings = mpLinkSettings();
    if (settings.link == &m_link) {
        settings.connected = false;
        settings.link = nullptr;
    }
}
