#include "sim/devices/Dac0832.h"

namespace sim {

namespace {
constexpr int kAout = 1; // pins: CS, AOUT
}

Dac0832::Dac0832(std::string name, double vref)
    : Device(std::move(name), {{"CS", PinDir::In, false, true}, {"AOUT", PinDir::Out}}), vref_(vref),
      ring_(kHistory) {}

void Dac0832::reset(Time t) {
    // The input latches hold no defined value at power-on; the model starts at 0 V.
    count_ = head_ = 0;
    volts_ = 0;
    record(t, 0);
    drive(kAout, Drive::analog(0), t);
}

void Dac0832::write(std::uint32_t, std::uint8_t value, Time t) {
    const double v = value / 256.0 * vref_;
    if (v == volts_)
        return;
    volts_ = v;
    record(t, v);
    drive(kAout, Drive::analog(v), t);
}

void Dac0832::record(Time t, double volts) {
    ring_[head_] = {t, volts};
    head_ = (head_ + 1) % kHistory;
    if (count_ < kHistory)
        ++count_;
}

std::vector<Dac0832::Sample> Dac0832::samplesSince(Time from) const {
    // Binary search for the first sample after `from`: the ring is in time order.
    std::size_t lo = 0, hi = count_;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (sample(mid).time <= from)
            lo = mid + 1;
        else
            hi = mid;
    }
    std::vector<Sample> out;
    out.reserve(count_ - lo + 1);
    if (lo > 0)
        out.push_back({from, sample(lo - 1).volts});
    for (std::size_t i = lo; i < count_; ++i)
        out.push_back(sample(i));
    return out;
}

void Dac0832::show(Snapshot& snapshot, Time, Time) { snapshot.dacVolts = volts_; }

} // namespace sim
