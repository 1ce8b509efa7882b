#include "sim/devices/Lamps.h"

#include <algorithm>

namespace sim {

namespace {
std::vector<PinSpec> lampPins(int count) {
    std::vector<PinSpec> pins;
    for (int i = 1; i <= count; ++i)
        pins.push_back({"L" + std::to_string(i), PinDir::In});
    return pins;
}
} // namespace

Lamps::Lamps(std::string name, int count) : Device(std::move(name), lampPins(count)), lamps_(size_t(count)) {}

double Lamps::litOf(int pin) const {
    const NetLevel l = level(pin);
    if (!l.high)
        return 0;
    return l.hz > 0 ? 0.5 : 1.0;
}

void Lamps::reset(Time t) {
    for (size_t i = 0; i < lamps_.size(); ++i)
        lamps_[i] = {litOf(int(i)), t, 0};
    frameStart_ = t;
}

void Lamps::input(int pin, Time t) {
    if (pin < 0 || size_t(pin) >= lamps_.size())
        return;
    Lamp& l = lamps_[size_t(pin)];
    if (t > l.since) {
        l.litPs += l.lit * double(t - l.since);
        l.since = t;
    }
    l.lit = litOf(pin);
}

void Lamps::show(Snapshot& snapshot, Time t, Time) {
    // The frame is the time since the previous show (or the reset): the machine shows every frame.
    const Time span = t - frameStart_;
    for (size_t i = 0; i < lamps_.size(); ++i) {
        Lamp& l = lamps_[i];
        if (t > l.since) {
            l.litPs += l.lit * double(t - l.since);
            l.since = t;
        }
        const double share = span > 0 ? l.litPs / double(span) : l.lit;
        snapshot.lamps[pins()[i].name] = std::clamp(share, 0.0, 1.0);
        l.litPs = 0;
    }
    frameStart_ = t;
}

} // namespace sim
