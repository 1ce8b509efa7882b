#include "sim/Cpu8051.h"

#include <cmath>
#include <cstdio>

namespace sim {

static std::vector<PinSpec> portPins() {
    std::vector<PinSpec> pins;
    for (int port = 0; port < 4; ++port)
        for (int bit = 0; bit < 8; ++bit)
            pins.push_back({"P" + std::to_string(port) + "." + std::to_string(bit), PinDir::InOut, true});
    return pins;
}

constexpr int kRxdPin = 3 * 8 + 0;
constexpr int kTxdPin = 3 * 8 + 1;

Cpu8051::Cpu8051(const std::string& name) : Device(name, portPins()), core_(*this, true) {}

void Cpu8051::setCrystal(double hz) {
    crystal_ = std::uint64_t(std::llround(hz));
    core_.setCrystal(hz);
}

void Cpu8051::reset(Time t) {
    core_.reset();
    epoch_ = t;
    epochCycles_ = core_.cycles();
    // The ports come out of reset holding FFH: weak highs on every pin.
    for (int port = 0; port < 4; ++port) {
        latch_[size_t(port)] = 0xFF;
        for (int bit = 0; bit < 8; ++bit)
            drive(port * 8 + bit, Drive::pullUp(), t);
    }
}

// Machine cycles are 12 crystal periods.
Time Cpu8051::cpuTime() const { return epoch_ + clockTime((core_.cycles() - epochCycles_) * 12, crystal_); }

std::uint64_t Cpu8051::cyclesAt(Time t) const {
    if (t <= epoch_)
        return epochCycles_;
    // The first cycle count whose time is at or after t.
    const unsigned __int128 clocks = ((unsigned __int128)(t - epoch_) * crystal_ + kSecond - 1) / kSecond;
    return epochCycles_ + std::uint64_t((clocks + 11) / 12);
}

void Cpu8051::runTo(Time until) {
    if (!core_.stopped())
        core_.run(cyclesAt(until));
}

void Cpu8051::shortenTo(Time until) { core_.shorten(cyclesAt(until)); }

std::uint8_t Cpu8051::xread(std::uint16_t address) { return host().busRead(address, cpuTime()); }

void Cpu8051::xwrite(std::uint16_t address, std::uint8_t value) { host().busWrite(address, value, cpuTime()); }

void Cpu8051::portWritten(int port, std::uint8_t latch) {
    const std::uint8_t changed = std::uint8_t(latch ^ latch_[size_t(port)]);
    latch_[size_t(port)] = latch;
    const Time t = cpuTime();
    for (int bit = 0; bit < 8; ++bit)
        if (changed & (1 << bit))
            drive(port * 8 + bit, (latch >> bit) & 1 ? Drive::pullUp() : Drive::low(), t);
}

void Cpu8051::input(int pin, Time) {
    const int port = pin / 8, bit = pin % 8;
    const bool h = high(pin);
    const std::uint8_t before = pins_[size_t(port)];
    pins_[size_t(port)] = std::uint8_t(h ? before | (1 << bit) : before & ~(1 << bit));
    if (pins_[size_t(port)] != before)
        core_.setPins(port, pins_[size_t(port)]);
}

void Cpu8051::serialSent(std::uint16_t data, int bits, double baud) { send(kTxdPin, Frame{data, bits, baud}, cpuTime()); }

void Cpu8051::receive(int pin, const Frame& frame, Time) {
    if (pin == kRxdPin)
        core_.receiveSerial(frame.data, frame.bits, frame.baud);
}

std::vector<RegisterValue> Cpu8051::registers() const {
    char text[16];
    auto hex2 = [&](std::uint8_t v) {
        std::snprintf(text, sizeof text, "%02XH", v);
        return std::string(text);
    };
    auto hex4 = [&](unsigned v) {
        std::snprintf(text, sizeof text, "%04XH", v & 0xFFFF);
        return std::string(text);
    };
    const std::uint8_t psw = core_.sfr(0xD0);
    const int bank = (psw >> 3) & 3;
    std::vector<RegisterValue> r;
    r.push_back({"PC", hex4(core_.pc())});
    r.push_back({"A", hex2(core_.sfr(0xE0))});
    r.push_back({"B", hex2(core_.sfr(0xF0))});
    std::string flags;
    static const char* const names[8] = {"P", "F1", "OV", "RS0", "RS1", "F0", "AC", "CY"};
    for (int bit = 7; bit >= 0; --bit)
        if (psw & (1 << bit))
            flags += std::string(flags.empty() ? "" : " ") + names[bit];
    r.push_back({"PSW", hex2(psw) + (flags.empty() ? "" : "  " + flags)});
    r.push_back({"SP", hex2(core_.sfr(0x81))});
    r.push_back({"DPTR", hex4(unsigned(core_.sfr(0x83)) << 8 | core_.sfr(0x82))});
    for (int i = 0; i < 8; ++i)
        r.push_back({"R" + std::to_string(i), hex2(core_.iram(bank * 8 + i))});
    for (int port = 0; port < 4; ++port)
        r.push_back({"P" + std::to_string(port), hex2(core_.sfr(0x80 + port * 0x10))});
    r.push_back({"TMOD", hex2(core_.sfr(0x89))});
    r.push_back({"TCON", hex2(core_.sfr(0x88))});
    r.push_back({"TH0", hex2(core_.sfr(0x8C))});
    r.push_back({"TL0", hex2(core_.sfr(0x8A))});
    r.push_back({"TH1", hex2(core_.sfr(0x8D))});
    r.push_back({"TL1", hex2(core_.sfr(0x8B))});
    r.push_back({"IE", hex2(core_.sfr(0xA8))});
    r.push_back({"IP", hex2(core_.sfr(0xB8))});
    std::snprintf(text, sizeof text, "%.6f s", toSeconds(cpuTime()));
    r.push_back({"时间", text});
    return r;
}

} // namespace sim
