#include "sim/devices/Switches.h"

namespace sim {

namespace {
std::vector<PinSpec> switchPins() {
    std::vector<PinSpec> pins;
    for (int i = 1; i <= Switches::kCount; ++i)
        pins.push_back({"K" + std::to_string(i), PinDir::Out});
    return pins;
}
} // namespace

Switches::Switches(std::string name, unsigned initial)
    : Device(std::move(name), switchPins()), positions_(initial & ((1u << kCount) - 1)) {}

void Switches::reset(Time t) {
    for (int i = 0; i < kCount; ++i)
        drive(i, Drive::level(isUp(i)), t);
}

bool Switches::set(std::string_view setting, double value, Time t) {
    const int i = pin(setting);
    if (i < 0)
        return false;
    if (value != 0)
        positions_ |= 1u << i;
    else
        positions_ &= ~(1u << i);
    drive(i, Drive::level(isUp(i)), t);
    return true;
}

} // namespace sim
