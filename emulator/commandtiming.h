#pragma once

#include <QByteArray>
#include <QString>

namespace kelo::emu {

// How long the register works on a command before its reply is ready.
enum class Timing {
    None, // only the fixed delay of the configuration
    Real, // each kind of command its own time, as a register in service takes
};

bool timingFromName(const QString &name, Timing *timing);

// The processing time of a request under the real timing, in milliseconds.
int realProcessingMs(const QByteArray &request);

// The table behind realProcessingMs, one line per kind, for --help.
QString realTimingTable();

} // namespace kelo::emu
