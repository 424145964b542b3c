#include "registersession.h"

#include "clijournal.h"
#include "cmdexec.h"
#include "console.h"
#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"
#include "registerconnector.h"
#include "testfp.h"
#include "valueconv.h"

#include <logging.h>

#include <QCoreApplication>

namespace {

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
    m_link.setObserver(Console::frameObserver());
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
    exec.setStrict(true);
    const bool sent = exec.execCommand(withPassword(command));
    settings.connected = wasConnected;
    const bool sound = !sent && lastErrFailure == DriverFailure::NotConnected;
    if (!sound && error)
        *error = lastErrText;
    lastErrCode = 0;
    lastErrText.clear();
    lastErrFailure = DriverFailure::None;
    return sound;
}

namespace {

// Splits a text command and lays out its description's items (cmdItems);
// false when it does not split or no command has its code.
bool describe(const QString &command, TestFp *split)
{
    quint64 code = 0;
    if (!split->splitCommand(command) || !parseUnsigned(split->fields().at(0).toLatin1(), 16, code)
        || code > 0xFFFF)
        return false;
    const int index = findCommand(int(code));
    if (index < 0)
        return false;
    curCmd = index;
    return ceRazbCmdRpl();
}

} // namespace

QString RegisterSession::withPassword(const QString &command)
{
    TestFp split;
    if (!describe(command, &split))
        return command;
    const int given = int(split.fields().size());
    int lastPassword = -1;
    for (int i = given; i < cmdItems.count(); ++i) {
        if (isPasswordIdent(cmdItems.at(i).ident))
            lastPassword = i;
    }
    // The parameters between the last one given and the password keep their
    // defaults; one without a default is left for the driver to name.
    QString text = command;
    for (int i = given; i <= lastPassword; ++i) {
        const CmdItem &item = cmdItems.at(i);
        if (isPasswordIdent(item.ident))
            text += QLatin1Char(',') + QString::fromLatin1(mpLinkSettings().passwordText);
        else if (item.dflt && item.type != '*')
            text += QLatin1Char(',') + QString::fromUtf8(item.dftval);
        else
            return command;
    }
    return text;
}

QString RegisterSession::shown(const QString &command)
{
    TestFp split;
    if (!describe(command, &split))
        return command;
    QStringList fields = split.fields();
    bool masked = false;
    for (int i = 1; i < fields.size() && i < cmdItems.count(); ++i) {
        if (isPasswordIdent(cmdItems.at(i).ident)) {
            fields[i] = QStringLiteral("***");
            masked = true;
        }
    }
    if (!masked)
        return command;
    for (QString &field : fields) {
        if (field.contains(QLatin1Char(',')))
            field = field.contains(QLatin1Char('"')) ? QLatin1Char('\'') + field + QLatin1Char('\'')
                                                     : QLatin1Char('"') + field + QLatin1Char('"');
    }
    return fields.join(QLatin1Char(','));
}

QString RegisterSession::passwordText() const
{
    return QString::fromLatin1(mpLinkSettings().passwordText);
}

bool RegisterSession::fail(const QString &text, int code)
{
    m_error = text;
    m_errorCode = code;
    Console::noteErrorCode(code, text);
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
    switch (ops::RegisterConnector::connect(m_options.port, m_options.baud)) {
    case ops::RegisterConnector::OpenFailed:
        return fail(
            ops::RegisterConnector::openFailureText(
                QCoreApplication::translate("MMainForm", "Ошибка открытия СОМ порта!"), m_options.port),
            -1);
    case ops::RegisterConnector::NoAnswer:
        return fail(QCoreApplication::translate("MMainForm", "Ошибка соединения!"), -1);
    case ops::RegisterConnector::Connected:
        break;
    }
    ops::RegisterIdentity identity;
    if (!ops::RegisterConnector::identify([this](const QString &command) { return exec(command); },
                                          &identity))
        return false;
    m_deviceModel = identity.model;
    m_deviceName = identity.name;
    if (!identity.known)
        Console::err(QStringLiteral("warning: the register is model %1 \"%2\", not the Kelo-Vint-Ф; going on")
                         .arg(m_deviceModel)
                         .arg(m_deviceName));
    clijournal::identified(*this, identity, m_options.port);
    return true;
}

bool RegisterSession::exec(const QString &command)
{
    if (!mpLinkSettings().connected)
        return fail(QCoreApplication::translate("TestFp", "No connect!"), -1);
    TestFp exec;
    if (exec.execCommand(withPassword(command))) {
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

std::unique_ptr<RegisterSession> openSession(const LinkOptions &link, int *exitCode)
{
    QString error;
    if (!RegisterSession::loadDriver(&error)) {
        Console::err(error);
        *exitCode = ExitDriver;
        return nullptr;
    }
    auto session = std::make_unique<RegisterSession>(link);
    if (!session->open()) {
        Console::err(session->errorText());
        *exitCode = session->exitCode();
        return nullptr;
    }
    return session;
}
