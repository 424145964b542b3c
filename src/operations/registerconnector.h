#pragma once

// Reaching the register: the port of the driver's link settings opened, the
// register probed up to three times, and the device-type reply "FC" read for
// who answered.

#include "exec.h"

#include <QString>

namespace ops {

struct RegisterIdentity
{
    static constexpr int kKnownModel = 250;

    int model = -1;
    QString name;
    bool known = false; // model 250 or the name "Kelo-Vint-Ф"

    // From the reply values of "FC"; false when it lacks them.
    bool fromReply();
};

class RegisterConnector
{
public:
    static constexpr int kProbes = 3;

    enum Result { Connected, OpenFailed, NoAnswer };

    // Opens `device` at `baud` for the link of the driver's settings (port
    // name and speed there are the caller's) and probes the register; the
    // probes together take at most the settings' time-out (each waits a
    // third of it; the driver's own wait when it is 0). Connected sets the
    // settings' connected flag; on NoAnswer the port is closed again.
    static Result connect(const QString &device, int baud);

    // Runs "FC" and reads the identity from its reply.
    static bool identify(const Exec &exec, RegisterIdentity *identity);

    // What to tell the operator when the port of the driver's link did not
    // open: the port and the system's reason after `prefix`, and for a device
    // the user may not open, the group that owns it and how to join it.
    static QString openFailureText(const QString &prefix, const QString &port);
    static QString openFailureText(const QString &prefix, const QString &port, const QString &reason,
                                   bool denied);
};

} // namespace ops
