#include "sim/devices/Amplifier386.h"

namespace sim {

namespace {
enum Pin { VIN, HOUT };
}

Amplifier386::Amplifier386(std::string name)
    : Device(std::move(name), {{"VIN", PinDir::In}, {"HOUT", PinDir::Out}}) {}

void Amplifier386::reset(Time t) {
    follow(t);
}

void Amplifier386::input(int pin, Time t) {
    if (pin == VIN)
        follow(t);
}

void Amplifier386::follow(Time t) {
    const NetLevel in = level(VIN);
    if (!in.driven)
        drive(HOUT, Drive::off(), t);
    else if (in.hz > 0)
        drive(HOUT, Drive::clock(in.hz), t);
    else
        drive(HOUT, Drive::analog(in.volts), t);
}

} // namespace sim
