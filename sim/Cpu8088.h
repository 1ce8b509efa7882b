#pragma once
// The 8088 as a chip on the board: libx86emu runs the instructions; memory is the CPU board's RAM, the
// I/O space is the board's bus (the decoder outputs and the fixed chips), time is counted in clocks from
// the data book's instruction timings (Timing8088). Hardware interrupts come from the INTR pin, taken only
// with IF set, through two INTA cycles whose vector the 8259 sends back on the INTA net; NMI on its edge.
#include "sim/Cpu.h"
#include "sim/Device.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct x86emu_s;

namespace sim {

class Cpu8088 : public Device, public Cpu {
public:
    // clockHz: the 8088's clock on the board; ramSize: bytes of RAM from linear address 0.
    Cpu8088(const std::string& name, double clockHz, std::uint32_t ramSize);
    ~Cpu8088() override;

    // Device
    void reset(Time t) override;
    void input(int pin, Time t) override;
    void receive(int pin, const Frame& frame, Time t) override;

    // Cpu
    void setCrystal(double hz) override;
    double boardClock() const override { return boardClock_; }
    void load(const std::vector<std::uint8_t>& image) override;
    void setEntry(std::uint16_t segment, std::uint16_t offset) override;
    void resetCpu(Time t) override { reset(t); }
    void runTo(Time until) override;
    void shortenTo(Time until) override;
    Time cpuTime() const override;
    bool halted() const override { return stopped_; }
    std::string haltReason() const override { return reason_; }
    std::uint32_t programCounter() const override;
    std::uint64_t instructionCount() const override { return instructions_; }
    std::vector<RegisterValue> registers() const override;

    std::uint8_t memory(std::uint32_t linear) const { return linear < ram_.size() ? ram_[linear] : 0xFF; }
    std::uint64_t clocks() const { return cycles_; }

    // libx86emu's callbacks (static trampolines find the object through the emulator's private pointer).
    unsigned memoryIo(std::uint32_t address, std::uint32_t* value, unsigned type);
    int beforeInstruction();
    int interrupt(std::uint8_t number, unsigned type);

private:
    std::uint8_t readByte(std::uint32_t linear);
    void writeByte(std::uint32_t linear, std::uint8_t value);
    std::uint16_t readWord(std::uint32_t linear) { return std::uint16_t(readByte(linear) | readByte(linear + 1) << 8); }
    void push(std::uint16_t value);
    // Enters an interrupt's handler as the chip does: FLAGS, CS and IP pushed, IF and TF cleared.
    void enter(std::uint8_t vector, std::uint16_t returnIp, unsigned clocks, const std::string& cause, int back = 0);
    void acknowledge();
    void stop(const std::string& reason);
    void settleRepeat();
    std::uint64_t cyclesAt(Time t) const;
    std::string where(int back = 0) const; // CS:IP, `back` bytes before IP

    x86emu_s* emu_ = nullptr;
    std::vector<std::uint8_t> ram_;
    std::vector<std::uint8_t> image_;
    std::uint16_t entrySegment_ = 0, entryOffset_ = 0x2000;
    double boardClock_;
    std::uint64_t clock_;
    std::uint64_t cycles_ = 0, target_ = 0, instructions_ = 0;
    Time epoch_ = 0;
    std::uint64_t epochCycles_ = 0;
    bool stopped_ = false, waiting_ = false;
    bool intr_ = false, nmiLevel_ = false, nmiPending_ = false;
    int vector_ = -1;                 // what the last INTA cycle brought back
    unsigned repeatPer_ = 0;          // a REP string instruction under way: clocks per step,
    std::uint16_t repeatCx_ = 0;      // and CX before it
    std::string reason_;
    std::set<std::uint32_t> reportedMemory_;
    bool reportedInta_ = false;
};

} // namespace sim
