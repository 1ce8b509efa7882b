#include "sim/devices/Ppi8255.h"

#include <cstdio>

namespace sim {

namespace {
// Pins: CS, PA0 … PA7, PB0 … PB7, PC0 … PC7.
constexpr int pinOf(int port, int bit) { return 1 + port * 8 + bit; }

std::vector<PinSpec> ppiPins() {
    std::vector<PinSpec> pins{{"CS", PinDir::In, false, true}};
    for (const char* port : {"PA", "PB", "PC"})
        for (int i = 0; i < 8; ++i)
            pins.push_back({port + std::to_string(i), PinDir::InOut, true});
    return pins;
}
} // namespace

Ppi8255::Ppi8255(std::string name) : Device(std::move(name), ppiPins()) {}

void Ppi8255::reset(Time t) {
    // The RESET input: all ports input (mode word 9BH), the output latches cleared.
    control_ = 0x9B;
    latch_ = {};
    reported_.reset();
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < 8; ++i)
            drive(pinOf(p, i), Drive::off(), t);
        drivenMask_[std::size_t(p)] = 0;
        drivenLevel_[std::size_t(p)] = 0;
    }
}

std::uint8_t Ppi8255::outputMask(int port) const {
    switch (port) {
    case 0: return control_ & 0x10 ? 0x00 : 0xFF;
    case 1: return control_ & 0x02 ? 0x00 : 0xFF;
    default: return std::uint8_t((control_ & 0x08 ? 0x00 : 0xF0) | (control_ & 0x01 ? 0x00 : 0x0F));
    }
}

std::uint8_t Ppi8255::pinLevels(int port) const {
    std::uint8_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint8_t(high(pinOf(port, i))) << i;
    return v;
}

std::uint8_t Ppi8255::read(std::uint32_t offset, Time) {
    const int port = int(offset & 3);
    if (port == 3)
        return 0xFF; // the control register cannot be read: the data bus stays floating
    const std::uint8_t out = outputMask(port);
    const std::uint8_t latch = latch_[std::size_t(port)];
    if (out == 0xFF)
        return latch;
    return std::uint8_t((latch & out) | (pinLevels(port) & ~out));
}

void Ppi8255::write(std::uint32_t offset, std::uint8_t value, Time t) {
    const int port = int(offset & 3);
    if (port < 3) {
        latch_[std::size_t(port)] = value;
        update(port, t);
    } else if (value & 0x80) {
        setMode(value, t);
    } else {
        // Bit set/reset: D3–D1 pick the bit of port C, D0 its value.
        const int bit = (value >> 1) & 7;
        latch_[2] = std::uint8_t((latch_[2] & ~(1 << bit)) | ((value & 1) << bit));
        update(2, t);
    }
}

void Ppi8255::setMode(std::uint8_t word, Time t) {
    const int modeA = (word >> 5) & 3; // 00 mode 0, 01 mode 1, 1x mode 2
    const int modeB = (word >> 2) & 1;
    if ((modeA != 0 || modeB != 0) && !reported_[word]) {
        reported_[word] = true;
        char text[96];
        std::snprintf(text, sizeof text, "8255 工作方式%d未实现（控制字 %02XH）", modeA != 0 ? (modeA >= 2 ? 2 : 1) : 1,
                      unsigned(word));
        report(t, text);
    }
    control_ = word;
    // The data sheet: writing a mode word resets all output registers.
    latch_ = {};
    for (int p = 0; p < 3; ++p)
        update(p, t);
}

void Ppi8255::update(int port, Time t) {
    const std::uint8_t out = outputMask(port);
    const std::uint8_t level = latch_[std::size_t(port)] & out;
    std::uint8_t& mask = drivenMask_[std::size_t(port)];
    std::uint8_t& was = drivenLevel_[std::size_t(port)];
    const std::uint8_t changed = std::uint8_t((mask ^ out) | ((was ^ level) & out));
    if (!changed)
        return;
    for (int i = 0; i < 8; ++i)
        if (changed >> i & 1)
            drive(pinOf(port, i), out >> i & 1 ? Drive::level(level >> i & 1) : Drive::off(), t);
    mask = out;
    was = level;
}

} // namespace sim
