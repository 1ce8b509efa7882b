#include "sim/devices/Divider393.h"

#include <cmath>

namespace sim {

namespace {
constexpr int kT = 0; // T0 … T7 are pins 1 … 8
constexpr int kTick = 1;

std::vector<PinSpec> dividerPins() {
    std::vector<PinSpec> pins{{"T", PinDir::In}};
    for (int i = 0; i < 8; ++i)
        pins.push_back({"T" + std::to_string(i), PinDir::Out});
    return pins;
}
} // namespace

Divider393::Divider393(std::string name) : Device(std::move(name), dividerPins()) {}

void Divider393::reset(Time t) {
    cancelWake(kTick);
    count_ = 0;
    rate_ = 0;
    out_.fill(Drive{Strength::Off});
    const NetLevel l = level(kT);
    inHigh_ = l.high;
    if (l.hz > 0) {
        rate_ = l.hz;
        rateStart_ = t;
        rateBase_ = 0;
    }
    output(t);
    scheduleEdge(t);
}

std::uint64_t Divider393::countAt(Time t) const {
    const long double edges = (long double)(t - rateStart_) * (long double)rate_ / (long double)kSecond;
    return rateBase_ + std::uint64_t(edges > 0 ? floorl(edges) : 0);
}

void Divider393::output(Time t) {
    for (int i = 0; i < 8; ++i) {
        const double hz = rate_ / double(2u << i);
        const Drive d = rate_ > 0 && hz >= kEdgeBelowHz ? Drive::clock(hz) : Drive::level((count_ >> i) & 1);
        if (d != out_[size_t(i)]) {
            out_[size_t(i)] = d;
            drive(1 + i, d, t);
        }
    }
}

// While a rate runs, wakes when the fastest output made edge by edge next changes.
void Divider393::scheduleEdge(Time t) {
    if (rate_ <= 0)
        return;
    int k = 0;
    while (k < 8 && rate_ / double(2u << k) >= kEdgeBelowHz)
        ++k;
    if (k == 8)
        return;
    const std::uint64_t c = countAt(t);
    const std::uint64_t next = ((c >> k) + 1) << k;
    const long double at = (long double)rateStart_ + (long double)(next - rateBase_) * kSecond / rate_;
    wakeAt(kTick, std::max(Time(ceill(at)), t + 1));
}

void Divider393::wake(int tag, Time t) {
    if (tag != kTick || rate_ <= 0)
        return;
    count_ = std::uint8_t(countAt(t));
    output(t);
    scheduleEdge(t);
}

void Divider393::input(int pin, Time t) {
    if (pin != kT)
        return;
    const NetLevel l = level(kT);
    if (l.hz > 0) {
        if (rate_ > 0)
            count_ = std::uint8_t(countAt(t));
        rate_ = l.hz;
        rateStart_ = t;
        rateBase_ = count_;
        inHigh_ = l.high;
        output(t);
        scheduleEdge(t);
        return;
    }
    if (rate_ > 0) { // the clock stopped: keep the count it reached
        count_ = std::uint8_t(countAt(t));
        rate_ = 0;
        cancelWake(kTick);
        inHigh_ = l.high;
        output(t);
        return;
    }
    if (inHigh_ && !l.high) {
        ++count_;
        inHigh_ = false;
        output(t);
    } else {
        inHigh_ = l.high;
    }
}

} // namespace sim
