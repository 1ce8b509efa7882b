#include "sim/devices/Adc0809.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
// Pins: CS, IN0 … IN7, EOC.
constexpr int kIn0 = 1;
constexpr int kEoc = 9;
enum Wake { kEocLow, kEocHigh };

std::vector<PinSpec> adcPins() {
    std::vector<PinSpec> pins{{"CS", PinDir::In, false, true}};
    for (int i = 0; i < 8; ++i)
        pins.push_back({"IN" + std::to_string(i), PinDir::In});
    pins.push_back({"EOC", PinDir::Out});
    return pins;
}
} // namespace

Adc0809::Adc0809(std::string name, double clockHz, double vref)
    : Device(std::move(name), adcPins()), clockHz_(clockHz), vref_(vref) {}

// The data sheet bounds the EOC delay by 8 clock periods + 2 µs; the bound is used, so that a program
// that polls EOC too soon after the start reads the previous result here as it may on the board.
Time Adc0809::eocDelay() const {
    return std::min(fromSeconds(8 / clockHz_) + 2 * kMicrosecond, conversionTime() - 1);
}

Time Adc0809::conversionTime() const { return fromSeconds(64 / clockHz_); }

void Adc0809::reset(Time t) {
    cancelWake(kEocLow);
    cancelWake(kEocHigh);
    result_ = pending_ = 0;
    drive(kEoc, Drive::high(), t);
}

void Adc0809::write(std::uint32_t offset, std::uint8_t, Time t) {
    // The input is taken at the start: the chip has no sample-and-hold, and its first comparisons
    // (the high bits) are made then.
    const double v = level(kIn0 + int(offset & 7)).volts;
    pending_ = std::uint8_t(std::clamp(std::lround(v / vref_ * 255.0), 0L, 255L));
    // A new start resets the converter: a conversion under way is abandoned.
    wakeAt(kEocLow, t + eocDelay());
    wakeAt(kEocHigh, t + conversionTime());
}

void Adc0809::wake(int tag, Time t) {
    if (tag == kEocLow) {
        drive(kEoc, Drive::low(), t);
    } else if (tag == kEocHigh) {
        result_ = pending_;
        drive(kEoc, Drive::high(), t);
    }
}

std::uint8_t Adc0809::read(std::uint32_t, Time) { return result_; }

} // namespace sim
