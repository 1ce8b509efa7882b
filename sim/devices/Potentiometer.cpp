#include "sim/devices/Potentiometer.h"

#include <algorithm>
#include <cmath>

namespace sim {

Potentiometer::Potentiometer(std::string name, double volts)
    : Device(std::move(name), {{"AOUT1", PinDir::Out}}), volts_(std::clamp(volts, 0.0, kMaxVolts)) {}

void Potentiometer::reset(Time t) {
    drive(0, Drive::analog(volts_), t);
}

bool Potentiometer::set(std::string_view setting, double value, Time t) {
    if (setting != "AOUT1")
        return false;
    if (std::isfinite(value)) {
        volts_ = std::clamp(value, 0.0, kMaxVolts);
        drive(0, Drive::analog(volts_), t);
    }
    return true;
}

} // namespace sim
