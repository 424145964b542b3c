#pragma once

#include "commandtiming.h"
#include "emulatorfaults.h"

#include <kelodefaults.h>

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

namespace kelo::emu {

// How the register starts when no state file gives it.
enum class Preset {
    OutOfBox,   // serial number set, FN ready for registration, shift closed, empty archive
    Registered, // registered, with one closed shift of a few receipts and a correction
};

struct EmulatorConfig
{
    // The register's line speed: bytes are paced at 10 bits each, and a PC
    // set to another speed is not understood. 0: no pacing, any speed.
    int baud = 115200;
    int replyDelayMs = 0;         // processing time of every command before its reply
    Timing timing = Timing::None; // Real adds each kind of command's own time
    int faultDelayMs = 1500;      // what the "delay" fault adds to a reply
    int sysAdminPassword = kelo::kDefaultSysAdminPassword;
    quint64 seed = 1;
    Preset preset = Preset::OutOfBox;
    qint64 serialNumber = -1; // -1 keeps the preset's number, 0 leaves it unset
    int dumpBlocks = 256;     // 32-byte blocks of the firmware image
    int ofdAckDelaySecs = 30; // register seconds until the OFD confirms a document; -1 never
    QString statePath;        // loaded at start when present, saved after every change
    QString linkPath;         // a symbolic link to the pseudo-terminal, removed at stop;
                              // only an earlier link to a pseudo-terminal is replaced
    QString tcpAddress;       // "host:port" to serve over TCP as well; port 0 picks one
    bool pty = true;          // serve the pseudo-terminal

    struct ArmedFault
    {
        Fault fault;
        int count;
    };
    QVector<ArmedFault> faults;
    double randomFaultRate = 0.0;

    // The line as text, one line per frame or control byte, called on the
    // emulator's thread: the time its last byte was on the line, '<' for what
    // the PC sent or '>' for what the register sent, the bytes (ENQ, ACK and
    // NAK by name) and in brackets what became of them:
    //     12:00:01.234 < 02 01 FC FD [fault: lost-ack]
    std::function<void(const QString &line)> trace;
    // Told when saving the state file fails (naming the file and the reason),
    // and when it is saved again; called on the emulator's thread or in stop().
    std::function<void(const QString &message)> stateNotice;
};

} // namespace kelo::emu
