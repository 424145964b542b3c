#include "faultinjector.h"

namespace kelo::emu {

FaultInjector::FaultInjector(quint64 seed) : rng_(seed) {}

void FaultInjector::reseed(quint64 seed)
{
    std::lock_guard<std::mutex> lock(mutex_);
    rng_.seed(seed);
}

void FaultInjector::arm(Fault fault, int occasions)
{
    std::lock_guard<std::mutex> lock(mutex_);
    armed_[static_cast<int>(fault)] = qMax(0, occasions);
}

void FaultInjector::disarm(Fault fault)
{
    arm(fault, 0);
}

void FaultInjector::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    armed_.fill(0);
    rate_ = 0.0;
}

int FaultInjector::armed(Fault fault) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return armed_[static_cast<int>(fault)];
}

void FaultInjector::setRandomRate(double rate)
{
    std::lock_guard<std::mutex> lock(mutex_);
    rate_ = qBound(0.0, rate, 1.0);
}

double FaultInjector::randomRate() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return rate_;
}

bool FaultInjector::take(Fault fault)
{
    std::lock_guard<std::mutex> lock(mutex_);
    int &left = armed_[static_cast<int>(fault)];
    if (left <= 0)
        return false;
    --left;
    ++injected_[static_cast<int>(fault)];
    return true;
}

void FaultInjector::onCommand()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (rate_ <= 0.0)
        return;
    // Always two draws per command, so the sequence does not depend on the rate.
    const double roll = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
    const auto pick = static_cast<size_t>(rng_() % kLineFaults.size());
    if (roll < rate_)
        ++armed_[static_cast<int>(kLineFaults[pick])];
}

quint32 FaultInjector::draw(quint32 bound)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bound == 0 ? 0 : static_cast<quint32>(rng_() % bound);
}

int FaultInjector::injected(Fault fault) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return injected_[static_cast<int>(fault)];
}

int FaultInjector::injectedTotal() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int total = 0;
    for (int n : injected_)
        total += n;
    return total;
}

} // namespace kelo::emu
