#pragma once

#include "emulatorfaults.h"

#include <QtGlobal>

#include <array>
#include <mutex>
#include <random>

namespace kelo::emu {

// Decides, occasion by occasion, whether a fault shows. Faults are armed for a
// number of occasions, or drawn at random at a rate per executed command. Safe
// to arm from one thread while the link consults it from another.
class FaultInjector
{
public:
    explicit FaultInjector(quint64 seed = 1);

    void reseed(quint64 seed);
    void arm(Fault fault, int occasions = 1);
    void disarm(Fault fault);
    void clear();
    int armed(Fault fault) const;

    // Random mode: at every executed command, with this probability one line
    // fault (kLineFaults) is armed for one occasion. 0 turns it off.
    void setRandomRate(double rate);
    double randomRate() const;

    // Called by the link at an occasion of the fault: true when it must show
    // now (the armed count is then used up by one and the injection counted).
    bool take(Fault fault);
    // Called once per executed command; may arm a random fault.
    void onCommand();
    // A seeded random number in [0, bound).
    quint32 draw(quint32 bound);

    int injected(Fault fault) const;
    int injectedTotal() const;

private:
    mutable std::mutex mutex_;
    std::mt19937_64 rng_;
    std::array<int, kFaultCount> armed_{};
    std::array<int, kFaultCount> injected_{};
    double rate_ = 0.0;
};

} // namespace kelo::emu
