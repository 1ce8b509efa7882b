#pragma once
// Intel 8253 programmable interval timer: three 16-bit down counters, each with its mode (0 … 5),
// read/load format (latch command, LSB, MSB, LSB then MSB) and binary or BCD counting.
//
// A counter's clock is counted from the CLK net's rate when it has one (the board's 8 MHz divided
// down): the pulses between two moments are computed from the elapsed time, never one by one, and the
// counter is woken only at the pulses where something happens (a load, the terminal count, an OUT
// change). Without a rate, the rising edges at CLK are counted as they come (OUT of another counter).
// A mode 2 or 3 output that would change faster than kClockLimit times a second is put on its net as a
// clock rate instead of edge by edge, so that a fast divider costs nothing per period.
#include "sim/Device.h"

#include <array>
#include <cstdint>

namespace sim {

class Pit8253 : public Device {
public:
    static constexpr double kClockLimit = 20000; // OUT changes a second above which OUT is a clock rate

    explicit Pit8253(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void wake(int tag, Time t) override;
    std::uint8_t read(std::uint32_t offset, Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;

private:
    enum class Phase : std::uint8_t {
        Idle,     // no count loaded, or a one-shot mode waiting for its trigger
        Counting, // modes 0, 1, 4, 5: counting down to the terminal count
        Strobe,   // modes 4, 5: OUT low for the one clock after the terminal count
        Free,     // modes 0, 1, 4, 5 after the terminal count: the count wraps on, OUT stays
        Periodic, // modes 2, 3
    };

    struct Counter {
        // programming
        int mode = 0;
        int rw = 3; // 1 LSB, 2 MSB, 3 LSB then MSB
        bool bcd = false;
        std::uint32_t cr = 0; // count register as a number, 1 … modulus (0 written means the modulus)
        bool crValid = false;
        bool msbNext = false; // LSB-then-MSB load: the MSB comes next
        std::uint8_t lsb = 0;
        // counting element
        Phase phase = Phase::Idle;
        bool loadPending = false; // the next clock pulse loads the count register
        std::uint32_t ce = 0;     // one-shot modes and mode 2: the count; 1 … modulus, or 0 at terminal count
        std::uint32_t curN = 0;   // modes 2, 3: the count of the running period
        std::uint32_t half = 0;   // mode 3: clock pulses left until OUT changes
        bool out = false;
        bool gate = false;
        // reading
        bool latched = false;
        std::uint16_t latch = 0;
        bool readMsbNext = false;
        // clock
        bool rateMode = false;    // counting the CLK net's rate
        std::uint64_t mhz = 0;    // that rate in millihertz
        Time origin = 0;          // when the rate began; its pulses come at origin + k / rate, k ≥ 1
        std::int64_t pulsesDone = 0; // pulses of the rate already counted
        bool clkHigh = false;     // edge counting: the last level seen
        // output
        bool clockOut = false;    // OUT is driven as a clock rate
        double clockHz = 0;
        Time wakeTime = kNever;
    };

    std::uint32_t modulus(const Counter& k) const { return k.bcd ? 10000 : 65536; }
    bool counting(const Counter& k) const; // the gate lets the count go down
    Time pulseTime(const Counter& k, std::int64_t pulse) const;
    std::int64_t pulsesUpTo(const Counter& k, Time t) const;
    // Counts the rate's pulses up to t.
    void sync(int c, Time t);
    // Applies n clock pulses; pulse i (1 … n) comes at pulseTime(pulsesDone + i) or, edge counting, at t.
    void advance(int c, std::int64_t n, Time t);
    void load(int c, Time t);
    void setOut(int c, bool level, Time t);
    // Puts OUT on its net as a level or a clock rate and asks for the wake of the next event.
    void settle(int c, Time t);
    std::int64_t pulsesToNextEvent(const Counter& k) const;
    std::uint16_t countNow(const Counter& k) const; // the counting element as it reads, in the count's format
    void writeControl(std::uint8_t value, Time t);
    void writeCount(int c, std::uint8_t value, Time t);
    void countWritten(int c, Time t);
    void gateChanged(int c, bool high, Time t);
    void clockChanged(int c, Time t);

    std::array<Counter, 3> counters_{};
    bool reportedIllegal_ = false;
};

} // namespace sim
