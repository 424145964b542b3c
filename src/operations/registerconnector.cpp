#include "registerconnector.h"

#include <mainproc.h>
#include <replyvalues.h>
#include <zirivoro.h>

namespace ops {

namespace {

// Reply values of "FC": the model number and the device name.
constexpr int kModelValue = 6;
constexpr int kNameValue = 8;

} // namespace

bool RegisterIdentity::fromReply()
{
    if (reply::count() <= kNameValue)
        return false;
    model = reply::has(kModelValue) && !reply::bytes(kModelValue).isEmpty() ? reply::byte(kModelValue) : -1;
    name = reply::string(kNameValue).trimmed();
    known = model == kKnownModel || name == QStringLiteral("Kelo-Vint-Ф");
    return true;
}

RegisterConnector::Result RegisterConnector::connect(const QString &device, int baud)
{
    DriverLinkSettings &settings = mpLinkSettings();
    settings.connected = false;
    if (!settings.link || !mpSetComPort(device, baud))
        return OpenFailed;
    for (int probe = 0; probe < kProbes; ++probe) {
        if (settings.link->frSetLink(QSerialPort::BaudRate(baud), settings.linkTimeout) == 1) {
            settings.connected = true;
            return Connected;
        }
    }
    settings.link->closeComPort();
    return NoAnswer;
}

bool RegisterConnector::identify(const Exec &exec, RegisterIdentity *identity)
{
    *identity = RegisterIdentity();
    if (!exec(QStringLiteral("FC")))
        return false;
    identity->fromReply();
    return true;
}

} // namespace ops
