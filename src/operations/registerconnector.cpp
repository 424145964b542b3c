#include "registerconnector.h"

#include <mainproc.h>
#include <replyvalues.h>
#include <zirivoro.h>

#include <QCoreApplication>
#include <QFileInfo>

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
    // The time-out is that of the whole probing: each probe waits its share.
    const int probeMs = settings.linkTimeout > 0 ? qMax(1, settings.linkTimeout / kProbes) : 0;
    for (int probe = 0; probe < kProbes; ++probe) {
        if (settings.link->frSetLink(baud, probeMs) == 1) {
            settings.connected = true;
            return Connected;
        }
    }
    settings.link->closeComPort();
    return NoAnswer;
}

QString RegisterConnector::openFailureText(const QString &prefix, const QString &port)
{
    const ZiRivoro *link = mpLinkSettings().link;
    return link ? openFailureText(prefix, port, link->openErrorString(), link->openDenied())
                : QStringLiteral("%1 %2").arg(prefix, port);
}

QString RegisterConnector::openFailureText(const QString &prefix, const QString &port, const QString &reason,
                                           bool denied)
{
    QString text = QStringLiteral("%1 %2").arg(prefix, port);
    if (!reason.isEmpty())
        text += QStringLiteral(": %1").arg(reason);
    const QString group = denied ? QFileInfo(port).group() : QString();
    if (!group.isEmpty() && group != QLatin1String("root")) {
        text += QCoreApplication::translate("ops::RegisterConnector",
                                            ". Порт принадлежит группе «%1»: добавьте себя в неё командой "
                                            "«sudo usermod -aG %1 $USER» и войдите в систему заново.")
                    .arg(group);
    }
    return text;
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
