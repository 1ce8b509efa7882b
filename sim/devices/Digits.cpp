#include "sim/devices/Digits.h"

#include <algorithm>

namespace sim {

namespace {
// Pins: A, B, C, D, E, F, G, DP, S1 … S6.
constexpr int kS1 = 8;

std::vector<PinSpec> digitPins() {
    std::vector<PinSpec> pins;
    for (const char* s : {"A", "B", "C", "D", "E", "F", "G", "DP"})
        pins.push_back({s, PinDir::In});
    for (int i = 1; i <= Digits::kDigits; ++i)
        pins.push_back({"S" + std::to_string(i), PinDir::In, true});
    return pins;
}

// Segment patterns (bit 0 = a … bit 6 = g) and what they read as, the usual common-cathode table and
// the variants of 7 and 9 some tables use.
struct Glyph {
    std::uint8_t pattern;
    char text;
};
constexpr Glyph kGlyphs[] = {
    {0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'}, {0x6D, '5'}, {0x7D, '6'},
    {0x07, '7'}, {0x27, '7'}, {0x7F, '8'}, {0x6F, '9'}, {0x67, '9'}, {0x77, 'A'}, {0x7C, 'B'},
    {0x39, 'C'}, {0x5E, 'D'}, {0x79, 'E'}, {0x71, 'F'}, {0x40, '-'}, {0x00, ' '},
};

// Below this share of the frame a segment reads dark whatever the others do (a glitch, a ghost).
constexpr double kFloor = 0.01;
} // namespace

Digits::Digits(std::string name) : Device(std::move(name), digitPins()) {}

void Digits::reset(Time t) {
    segments_ = 0;
    selected_ = 0;
    for (int i = 0; i < 8; ++i)
        segments_ |= std::uint8_t(high(i)) << i;
    for (int d = 0; d < kDigits; ++d)
        selected_ |= std::uint8_t(!high(kS1 + d)) << d;
    for (int d = 0; d < kDigits; ++d) {
        lit_[std::size_t(d)] = selected_ >> d & 1 ? segments_ : 0;
        onTime_[std::size_t(d)].fill(0);
        since_[std::size_t(d)].fill(t);
    }
    frameStart_ = t;
}

void Digits::relight(int d, std::uint8_t lit, Time t) {
    std::uint8_t& was = lit_[std::size_t(d)];
    const std::uint8_t changed = was ^ lit;
    if (!changed)
        return;
    auto& on = onTime_[std::size_t(d)];
    auto& since = since_[std::size_t(d)];
    for (int s = 0; s < 8; ++s) {
        if (!(changed >> s & 1))
            continue;
        if (was >> s & 1)
            on[std::size_t(s)] += t - since[std::size_t(s)];
        else
            since[std::size_t(s)] = t;
    }
    was = lit;
}

void Digits::input(int pin, Time t) {
    if (pin < 0 || pin >= kS1 + kDigits)
        return;
    const bool h = high(pin);
    if (pin < kS1) {
        const std::uint8_t bit = std::uint8_t(1u << pin);
        const std::uint8_t segs = h ? segments_ | bit : segments_ & ~bit;
        if (segs == segments_)
            return;
        segments_ = segs;
        for (int d = 0; d < kDigits; ++d)
            if (selected_ >> d & 1)
                relight(d, segments_, t);
    } else {
        const int d = pin - kS1;
        const std::uint8_t bit = std::uint8_t(1u << d);
        selected_ = h ? selected_ & ~bit : selected_ | bit;
        relight(d, h ? 0 : segments_, t);
    }
}

void Digits::show(Snapshot& snapshot, Time t, Time frame) {
    // The frame is the time since the last show (the run's start for the first); `frame` is what the
    // caller means it to be and agrees with it when shows come at a steady rate.
    const Time length = t > frameStart_ ? t - frameStart_ : frame;
    snapshot.digits.assign(kDigits, {});
    for (int d = 0; d < kDigits; ++d) {
        auto& on = onTime_[std::size_t(d)];
        auto& since = since_[std::size_t(d)];
        const std::uint8_t lit = lit_[std::size_t(d)];
        for (int s = 0; s < 8; ++s) {
            Time total = on[std::size_t(s)];
            if (lit >> s & 1) {
                total += t - since[std::size_t(s)];
                since[std::size_t(s)] = t;
            }
            on[std::size_t(s)] = 0;
            snapshot.digits[std::size_t(d)].segments[std::size_t(s)] =
                length > 0 ? std::clamp(double(total) / double(length), 0.0, 1.0) : double(lit >> s & 1);
        }
    }
    frameStart_ = t;
}

std::uint8_t litSegments(const std::array<double, 8>& segments, double brightest) {
    std::uint8_t pattern = 0;
    for (int s = 0; s < 8; ++s)
        if (segments[std::size_t(s)] >= brightest / 2 && segments[std::size_t(s)] > kFloor)
            pattern |= std::uint8_t(1u << s);
    return pattern;
}

double brightestSegment(const std::vector<Snapshot::Digit>& digits) {
    double brightest = 0;
    for (const Snapshot::Digit& d : digits)
        for (double b : d.segments)
            brightest = std::max(brightest, b);
    return brightest;
}

char readDigit(const std::array<double, 8>& segments, double brightest) {
    const std::uint8_t pattern = litSegments(segments, brightest) & 0x7F;
    for (const Glyph& g : kGlyphs)
        if (g.pattern == pattern)
            return g.text;
    return '?';
}

std::string readDigits(const std::vector<Snapshot::Digit>& digits) {
    const double brightest = brightestSegment(digits);
    std::string text;
    for (const Snapshot::Digit& d : digits)
        text += readDigit(d.segments, brightest);
    return text;
}

} // namespace sim
