#pragma once
// The 8051 as a chip on the board: the core, its port pins on the board's nets, MOVX on the board's bus,
// and its serial port's characters on the RXD and TXD pins.
#include "sim/Core8051.h"
#include "sim/Cpu.h"
#include "sim/Device.h"

#include <array>

namespace sim {

class Cpu8051 : public Device, public Cpu, private Core8051::Io {
public:
    explicit Cpu8051(const std::string& name);

    // Device
    void reset(Time t) override;
    void input(int pin, Time t) override;
    void receive(int pin, const Frame& frame, Time t) override;

    // Cpu
    void setCrystal(double hz) override;
    void load(const std::vector<std::uint8_t>& image) override { core_.load(image); }
    void resetCpu(Time t) override { reset(t); }
    void runTo(Time until) override;
    void shortenTo(Time until) override;
    Time cpuTime() const override;
    bool halted() const override { return core_.stopped(); }
    std::string haltReason() const override { return core_.stopReason(); }
    std::uint32_t programCounter() const override { return core_.pc(); }
    std::uint64_t instructionCount() const override { return core_.instructions(); }
    std::vector<RegisterValue> registers() const override;

    Core8051& core() { return core_; }

private:
    std::uint8_t xread(std::uint16_t address) override;
    void xwrite(std::uint16_t address, std::uint8_t value) override;
    void portWritten(int port, std::uint8_t latch) override;
    void serialSent(std::uint16_t data, int bits, double baud) override;
    std::uint64_t cyclesAt(Time t) const;

    Core8051 core_;
    std::uint64_t crystal_ = 12000000;
    Time epoch_ = 0;               // the time of the last reset
    std::uint64_t epochCycles_ = 0; // the core's cycle count then
    std::array<std::uint8_t, 4> latch_{0xFF, 0xFF, 0xFF, 0xFF};
    std::array<std::uint8_t, 4> pins_{0xFF, 0xFF, 0xFF, 0xFF};
};

} // namespace sim
