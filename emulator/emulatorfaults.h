#pragma once

// Line faults the register stand-in can inject, shared by the emulator and the
// tests that provoke them. Each fault is armed for a number of occasions; an
// occasion is the moment the fault can show:
//
//   noise              answer to an ENQ: a noise byte goes out before NAK or ACK
//   bad-checksum       reply frame sent: its check byte is wrong
//   lost-byte          reply frame sent: one of its bytes never leaves
//   lost-request-byte  request frame received: one of its first bytes is not heard
//   lost-ack           good request frame: it is executed, but its ACK is not sent
//   stale-reply        the PC's ACK of a reply: ignored, the reply stays pending
//   silence            an ENQ: ignored as if the register were switched off
//   delay              reply: held back by the fault delay before it goes out
//   wrong-length       reply frame sent: its LEN byte is one too small or too large
//   short-reply        reply produced: its last data byte is cut off (a well
//                      framed reply that is shorter than the command's layout)
//
// All random choices (which byte, which noise, +1 or -1) come from one generator
// seeded by the emulator's seed, so a run is repeatable.

#include <QString>

#include <array>

namespace kelo::emu {

enum class Fault : int {
    Noise,
    BadChecksum,
    LostReplyByte,
    LostRequestByte,
    LostAck,
    StaleReply,
    Silence,
    ReplyDelay,
    WrongLength,
    ShortReply,
};

constexpr int kFaultCount = 10;

constexpr std::array<const char *, kFaultCount> kFaultNames = {
    "noise",       "bad-checksum", "lost-byte", "lost-request-byte", "lost-ack",
    "stale-reply", "silence",      "delay",     "wrong-length",      "short-reply",
};

// Faults of the line itself, which a correct driver survives by its retries;
// the random mode draws from these. A short reply is a well-formed answer and
// is only injected on demand.
constexpr std::array<Fault, 9> kLineFaults = {
    Fault::Noise,      Fault::BadChecksum, Fault::LostReplyByte, Fault::LostRequestByte, Fault::LostAck,
    Fault::StaleReply, Fault::Silence,     Fault::ReplyDelay,    Fault::WrongLength,
};

inline QString faultName(Fault fault)
{
    return QString::fromLatin1(kFaultNames[static_cast<int>(fault)]);
}

inline bool faultFromName(const QString &name, Fault *fault)
{
    for (int i = 0; i < kFaultCount; ++i) {
        if (name == QLatin1String(kFaultNames[i])) {
            *fault = static_cast<Fault>(i);
            return true;
        }
    }
    return false;
}

} // namespace kelo::emu
