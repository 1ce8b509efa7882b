#include "sim/devices/PulseKey.h"

namespace sim {

namespace {
enum Pin { PH, PL, M8 };
}

PulseKey::PulseKey(std::string name)
    : Device(std::move(name), {{"PH", PinDir::Out}, {"PL", PinDir::Out}, {"8M", PinDir::Out}}) {}

void PulseKey::reset(Time t) {
    output(t);
    drive(M8, Drive::clock(kClockHz), t);
}

void PulseKey::output(Time t) {
    drive(PH, Drive::level(pressed_), t);
    drive(PL, Drive::level(!pressed_), t);
}

bool PulseKey::set(std::string_view setting, double value, Time t) {
    if (setting != "PULSE")
        return false;
    const bool down = value != 0;
    if (down != pressed_) {
        pressed_ = down;
        output(t);
    }
    return true;
}

} // namespace sim
