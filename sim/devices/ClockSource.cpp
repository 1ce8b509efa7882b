#include "sim/devices/ClockSource.h"

namespace sim {

ClockSource::ClockSource(std::string name, std::string pin, double hz)
    : Device(std::move(name), {{std::move(pin), PinDir::Out}}), hz_(hz) {}

void ClockSource::reset(Time t) {
    drive(0, Drive::clock(hz_), t);
}

} // namespace sim
