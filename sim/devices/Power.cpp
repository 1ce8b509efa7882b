#include "sim/devices/Power.h"

namespace sim {

namespace {
enum Pin { V5, Gnd, V12, VNeg12 };
}

Power::Power(std::string name)
    : Device(std::move(name),
             {{"5V", PinDir::Out}, {"GND", PinDir::Out}, {"+12V", PinDir::Power}, {"-12V", PinDir::Power}}) {}

void Power::reset(Time t) {
    drive(V5, Drive::high(), t);
    drive(Gnd, Drive::low(), t);
    drive(V12, Drive::analog(12.0), t);
    drive(VNeg12, Drive::analog(-12.0), t);
}

} // namespace sim
