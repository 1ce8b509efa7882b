#include "sim/devices/Buffer244.h"

namespace sim {

namespace {
constexpr int kY0 = 1; // pins: CS, Y0 … Y7

std::vector<PinSpec> bufferPins() {
    std::vector<PinSpec> pins{{"CS", PinDir::In, false, true}};
    for (int i = 0; i < 8; ++i)
        pins.push_back({"Y" + std::to_string(i), PinDir::In, true});
    return pins;
}
} // namespace

Buffer244::Buffer244(std::string name) : Device(std::move(name), bufferPins()) {}

std::uint8_t Buffer244::read(std::uint32_t, Time) {
    std::uint8_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint8_t(high(kY0 + i)) << i;
    return v;
}

} // namespace sim
