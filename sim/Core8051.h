#pragma once
// The MCS-51 core (8051 and the 8052 option): every instruction, timers 0/1/2, external interrupts,
// the two priority levels, the serial port, idle and power-down, counted in machine cycles (12 crystal
// periods). It touches the world only through Io: external data memory and I/O (MOVX), the port latches
// it writes, and the characters its serial port sends. The pins it reads are set from outside.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class Core8051 {
public:
    struct Io {
        virtual ~Io() = default;
        virtual std::uint8_t xread(std::uint16_t address) = 0;
        virtual void xwrite(std::uint16_t address, std::uint8_t value) = 0;
        // A port latch (P0 … P3) was written; called only when its value changes.
        virtual void portWritten(int port, std::uint8_t latch) = 0;
        // The serial port finished sending a character (at the current cycle count).
        virtual void serialSent(std::uint16_t data, int bits, double baud) = 0;
    };

    explicit Core8051(Io& io, bool is8052 = true);

    // The crystal in Hz (12 MHz until set); the serial port reports its baud rate from it.
    void setCrystal(double hz) { crystal_ = hz; }

    // For the differential test against ucsim's s51: s51's own rules where they differ from the data
    // book's (README, "Differences from s51") — interrupt latency, priority and the call to the vector,
    // when an instruction acts within its cycles, pin sampling and counter edges, serial bit times, the
    // register bank and parity bits, leaving idle. Off by default; the program never turns it on.
    void setReferenceTiming(bool on);

    void load(const std::vector<std::uint8_t>& code); // code memory from address 0, at most 64 KiB
    void reset();                                     // the RST pin: SFRs to their reset values, PC 0

    // Runs whole instructions while the cycle count is below `until` (which shorten() may lower while
    // it runs, from inside an Io call). A pending interrupt is taken between instructions.
    void run(std::uint64_t until);
    void shorten(std::uint64_t until) { if (until < until_) until_ = until; }
    std::uint64_t cycles() const { return cycles_; }
    std::uint64_t instructions() const { return instructions_; }

    // The levels at the pins of a port, as the board's nets resolve them (an input pin reads these;
    // P3.2/P3.3 falling edges set IE0/IE1 in edge mode; P3.4/P3.5 count for timers in counter mode;
    // P1.0/P1.1 are T2 and T2EX). Until set, a port's pins read as its latch.
    void setPins(int port, std::uint8_t levels);
    // A character arrived at RXD (end of its stop bit now).
    void receiveSerial(std::uint16_t data, int bits, double baud);

    // The undefined opcode A5H stops the core for good; the reason names it and its address.
    bool stopped() const { return !stopReason_.empty(); }
    const std::string& stopReason() const { return stopReason_; } // "非法指令 A5H，地址 0123H"

    // State, for the debugger view and the tests.
    std::uint16_t pc() const { return pc_; }
    std::uint8_t iram(int address) const { return iram_[address & 0xFF]; }
    std::uint8_t sfr(int address) const;                      // 80H … FFH, without side effects
    void setIram(int address, std::uint8_t v) { iram_[address & 0xFF] = v; }
    std::uint8_t code(int address) const { return code_[address & 0xFFFF]; }

private:
    // The implementation's own members follow (helpers may add what they need).
    Io& io_;
    bool is8052_;
    std::vector<std::uint8_t> code_; // always 64 KiB: FFH past the loaded image
    std::array<std::uint8_t, 256> iram_{};
    std::array<std::uint8_t, 128> sfr_{}; // SBUF's slot holds the receive buffer
    std::array<std::uint8_t, 4> pins_{};
    std::uint16_t pc_ = 0;
    std::uint64_t cycles_ = 0;
    std::uint64_t instructions_ = 0;
    std::uint64_t until_ = 0;
    std::string stopReason_;

    enum class Halt : std::uint8_t { None, Idle, PowerDown, Stopped };

    double crystal_ = 12e6;
    Halt halt_ = Halt::None;
    std::uint8_t pinsGiven_ = 0; // bit n: setPins has been called for port n
    std::uint8_t bank_ = 0;      // address of R0

    // Interrupts. Request bits follow the polling order and the IE/IP bit order: IE0, TF0, IE1, TF1,
    // serial, timer 2.
    std::uint8_t inService_ = 0;     // bit 0: a low-priority routine runs, bit 1: a high-priority one
    std::uint8_t lateRequests_ = 0;  // raised too late for the next poll
    std::uint8_t edgeRequests_ = 0;  // written by software: also too late after a 1-cycle instruction
    bool pollBlocked_ = false;       // the last instruction was RETI or wrote IE/IP
    bool referenceTiming_ = false;
    bool parityHeld_ = false;        // reference timing: PSW's P bit as written, until A is written

    // Timers: counts added per machine cycle while running in timer mode, and whether the pins count.
    bool ticking_ = false;           // anything advances with the cycles
    bool t0Cycles_ = false, th0Cycles_ = false, t1Cycles_ = false;
    bool t0Pin_ = false, t1Pin_ = false, t2Pin_ = false;
    bool pinsPending_ = false;       // a watched pin changed since the last sample, or a count is due
    std::uint8_t dueCounts_ = 0;     // counter input edges seen: bit 0 timer 0, 1 timer 1, 2 timer 2
    bool t2exLevel_ = true;          // reference timing: T2EX as s51 last looked at it
    unsigned t2Falls_ = 0;           // reference timing: falls at T2 not counted yet
    std::uint8_t sampledP1_ = 0xFF, sampledP3_ = 0xFF;
    std::uint8_t t2Rate_ = 0;        // 0, 1 or 6 (the baud rate generator counts every state)
    std::uint64_t t1Overflows_ = 0, t2Overflows_ = 0; // since power-on: the serial port's bit clock

    // The serial transmitter.
    bool txBusy_ = false;
    std::uint16_t txData_ = 0;
    std::uint8_t txBits_ = 8;
    std::uint8_t txMode_ = 0;
    bool txTimer2_ = false;          // modes 1/3 clocked by timer 2 overflows
    std::uint64_t txEnd_ = 0;        // the cycle (modes 0, 2) or the overflow count (modes 1, 3) that sets TI
    std::uint64_t txFirstBit_ = 0;   // modes 1/3: the overflow count that starts the start bit
    std::uint64_t txFirstCycle_ = 0; // and the cycle it came in

    // When a flag rose, for the poll: before the instruction's last cycle, in it, or between instructions
    // (written by software or received), which a single-cycle instruction's poll does not see either.
    enum class Rise : std::uint8_t { Early, Final, Edge };

    std::uint8_t latch(int address) const { return sfr_[std::size_t(address - 0x80)]; }
    std::uint8_t& reg(int address) { return sfr_[std::size_t(address - 0x80)]; }
    std::uint8_t pswValue() const;
    std::uint8_t pinLevels(int port) const;
    std::uint8_t readDirect(std::uint8_t address);
    std::uint8_t readLatch(std::uint8_t address);
    void writeDirect(std::uint8_t address, std::uint8_t value);
    void writeSfr(std::uint8_t address, std::uint8_t value);
    bool readBit(std::uint8_t bit);
    bool readBitLatch(std::uint8_t bit);
    void writeBit(std::uint8_t bit, bool value);
    std::uint8_t readIndirect(std::uint8_t address) const;
    void writeIndirect(std::uint8_t address, std::uint8_t value);
    void push(std::uint8_t value);
    std::uint8_t pop();

    void powerOn();
    void step();
    void execute(std::uint8_t op);
    void stop(std::uint16_t address);
    void add(std::uint8_t value, unsigned carry);
    void subb(std::uint8_t value);
    void compareJump(std::uint8_t x, std::uint8_t y, std::uint8_t rel);

    std::uint8_t requests() const;
    bool takeInterrupt(std::uint8_t late);
    void written(std::uint8_t requestsBefore);
    Rise riseAt(std::uint64_t cycle) const;
    void raise(int address, std::uint8_t flag, Rise kind);

    void elapse(unsigned cycles);
    void advance(unsigned cycles);
    void timerChanged();
    void pinsChanged(int port, std::uint8_t before, std::uint8_t now);
    void samplePins(std::uint64_t cycle);
    void countT0(unsigned steps, std::uint64_t first, unsigned perCycle);
    void countTh0(unsigned steps, std::uint64_t first);
    void countT1(unsigned steps, std::uint64_t first, unsigned perCycle);
    void countT2(unsigned steps, std::uint64_t first, unsigned perCycle);
    void t2ExternalEdge(std::uint64_t cycle);
    void startTransmit(std::uint8_t value);
    void clockSerial(bool timer2, unsigned count, unsigned firstStep, unsigned period, std::uint64_t firstCycle,
                     unsigned perCycle);
    void finishTransmit(std::uint64_t cycle);
    double transmitBaud(std::uint64_t cycle) const;
};

} // namespace sim
