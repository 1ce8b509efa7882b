#pragma once
// What the machine needs of a CPU, whichever it is (the 8051 core, the 8088): run to a time, reset,
// load a program, and say when it stopped for good.
#include "sim/Time.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One register as a register view shows it: its name and its value, written as the CPU's manuals write it.
struct RegisterValue {
    std::string name;  // "PC", "A", "R0", "AX", "FLAGS" …
    std::string value; // "0123H", "5AH", "CY AC RS0" …
};

class Cpu {
public:
    virtual ~Cpu() = default;
    virtual void setCrystal(double hz) = 0;
    // The CPU's own clock from the board's circuit (the 8088's), 0 when it runs from the board's crystal.
    virtual double boardClock() const { return 0; }
    virtual void load(const std::vector<std::uint8_t>& image) = 0;
    // Where the program starts after a reset: the 8088's CS and IP (its END label); the 8051 starts at 0.
    virtual void setEntry(std::uint16_t segment, std::uint16_t offset) { (void)segment, (void)offset; }
    virtual void resetCpu(Time t) = 0;
    // Runs whole instructions until the CPU's time reaches `until`; shorten() may lower it meanwhile.
    virtual void runTo(Time until) = 0;
    virtual void shortenTo(Time until) = 0;
    virtual Time cpuTime() const = 0;
    virtual bool halted() const = 0;            // stopped for good (an undefined opcode, HLT with interrupts off)
    virtual std::string haltReason() const = 0;
    virtual std::uint32_t programCounter() const = 0;
    virtual std::uint64_t instructionCount() const = 0;
    // The registers a paused run shows, in the order they are shown; the last is the simulated time.
    virtual std::vector<RegisterValue> registers() const = 0;
};

} // namespace sim
