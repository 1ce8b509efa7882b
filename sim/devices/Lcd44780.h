#pragma once
// The board's 16×2 character LCD module with its HD44780 controller: data lines D0–D7, RS, R/W and the
// enable E. RS and R/W are taken at E's rising edge; a write is taken at E's falling edge, and while E
// is high with R/W high the controller drives D0–D7 (the busy flag and address counter, or data). The
// whole instruction set with the data sheet's execution times (fosc 270 kHz): the busy flag is set for
// that time and an instruction or data written while it is set is lost, as on the chip. The 4-bit
// interface (D4–D7, high nibble first) is there too. DDRAM 00H–27H / 40H–67H (two lines) or 00H–4FH
// (one line), 16 characters of each line visible from the display shift on.
#include "sim/Device.h"

#include <array>
#include <cstdint>
#include <string>

namespace sim {

class Lcd44780 : public Device {
public:
    static constexpr Time kExecution = 37 * kMicrosecond;     // most instructions, data write and read
    static constexpr Time kLongExecution = 1520 * kMicrosecond; // clear display, return home
    static constexpr Time kPowerOnBusy = 10 * kMillisecond;   // internal reset after power-on
    static constexpr int kVisible = 16;

    explicit Lcd44780(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void wake(int tag, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

    bool busy(Time t) const { return t < busyUntil_; }
    std::uint8_t addressCounter() const { return ac_; }
    std::uint8_t ddram(std::uint8_t address) const { return ddram_[std::size_t(ddIndex(address))]; }
    bool displayOn() const { return displayOn_; }
    // The two lines as the display shows them when on, UTF-8, 16 characters each (blank on the second
    // line in one-line mode). show() gives blank lines while the display is off.
    std::array<std::string, 2> lines() const;

    // A character code as the character generator ROM A00 (the usual Japanese ROM) draws it, as one
    // UTF-8 character.
    static std::string glyph(std::uint8_t code);

private:
    void transferEnd(Time t); // E fell
    void writeRegister(bool rs, std::uint8_t value, Time t); // an instruction (RS = 0) or data
    void instruction(std::uint8_t value, Time t);
    void readDone(bool rs, Time t);
    void lost(const char* what, std::uint8_t value, Time t);
    std::uint8_t busValue(Time t) const;
    void updateBus(Time t);
    int ddIndex(std::uint8_t address) const;
    void step(bool up);
    void loadDataRegister();
    void setBusy(Time until);

    std::array<std::uint8_t, 80> ddram_{};
    std::array<std::uint8_t, 64> cgram_{};
    std::uint8_t ac_ = 0;
    bool acCgram_ = false;   // the address counter points into CGRAM
    std::uint8_t dr_ = 0x20; // the data register a read returns
    bool increment_ = true;  // I/D
    bool shiftOnWrite_ = false; // S
    bool displayOn_ = false, cursor_ = false, blink_ = false;
    bool eightBit_ = true, twoLines_ = false, font5x10_ = false;
    int shift_ = 0; // display shift: the DDRAM column shown leftmost, 0 … 79 (taken mod 40 on two lines)
    Time busyUntil_ = 0;

    // interface
    bool e_ = false;
    bool rs_ = false, rw_ = false; // taken at E's rising edge
    bool secondNibble_ = false;    // 4-bit interface: the low nibble comes next
    std::uint8_t highNibble_ = 0;
    std::uint8_t drivenMask_ = 0, drivenBits_ = 0; // what the controller puts on D0–D7 now
    bool lostReported_ = false;
};

} // namespace sim
