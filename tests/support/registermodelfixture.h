#pragma once

// The register model on its own, its clock the host's time the test sets.

#include "registermodel.h"
#include "registerrequests.h"

struct Model
{
    using Preset = kelo::emu::Preset;
    explicit Model(Preset preset = Preset::Registered, kelo::emu::EmulatorConfig config = {}) : m(config)
    {
        m.setHostClock([this] { return host; });
        m.applyPreset(preset);
    }
    QByteArray run(const QByteArray &request) { return m.execute(request); }
    int error(const QByteArray &request) { return rq::error(m.execute(request)); }
    // Runs requests that all have to succeed.
    bool runs(const QList<QByteArray> &requests)
    {
        for (const QByteArray &request : requests) {
            if (error(request) != 0) {
                qWarning("refused: %s", request.toHex(' ').constData());
                return false;
            }
        }
        return true;
    }
    QByteArray lastTlv() const { return m.fiscalStorage().lastDocument()->tlv; }
    QDateTime host{QDate(2026, 5, 20), QTime(12, 0), Qt::UTC};
    kelo::emu::RegisterModel m;
};
