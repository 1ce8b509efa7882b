#include "sim/devices/Latch273.h"

namespace sim {

namespace {
constexpr int kQ0 = 1; // pins: CS, Q0 … Q7

std::vector<PinSpec> latchPins() {
    std::vector<PinSpec> pins{{"CS", PinDir::In, false, true}};
    for (int i = 0; i < 8; ++i)
        pins.push_back({"Q" + std::to_string(i), PinDir::Out});
    return pins;
}
} // namespace

Latch273::Latch273(std::string name) : Device(std::move(name), latchPins()) {}

void Latch273::reset(Time t) { output(0, t, true); }

void Latch273::write(std::uint32_t, std::uint8_t value, Time t) { output(value, t, false); }

void Latch273::output(std::uint8_t value, Time t, bool all) {
    const std::uint8_t changed = all ? 0xFF : std::uint8_t(value ^ q_);
    q_ = value;
    for (int i = 0; i < 8; ++i)
        if (changed >> i & 1)
            drive(kQ0 + i, Drive::level(value >> i & 1), t);
}

} // namespace sim
