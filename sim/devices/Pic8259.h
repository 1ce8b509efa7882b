#pragma once
// The 8259A programmable interrupt controller, after Intel's 8259A data sheet: ICW1–ICW4, OCW1–OCW3,
// edge- and level-triggered requests, fully nested priorities with rotation, specific and non-specific
// EOI, automatic EOI, the special mask mode, the poll command. INT goes high for a request above every
// request in service; the CPU's INTA cycles (two pulses on INTA) take it, and on the second the chip sends
// the vector back along the INTA net as a Frame. A single chip: cascading (ICW3) is read but not used.
#include "sim/Device.h"

#include <cstdint>

namespace sim {

class Pic8259 : public Device {
public:
    explicit Pic8259(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    std::uint8_t read(std::uint32_t offset, Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;

    std::uint8_t irr() const { return irr_; }
    std::uint8_t isr() const { return isr_; }
    std::uint8_t imr() const { return imr_; }

private:
    int highestRequest() const; // -1 when none may interrupt now
    int highestInService() const;
    int priority(int ir) const { return (ir - lowest_ + 7) & 7; } // 0 = highest
    void update(Time t);
    void acknowledge(Time t);
    void endOfInterrupt(int ir, bool rotate);
    std::uint8_t vector(int ir) const { return std::uint8_t((icw2_ & 0xF8) | ir); }

    std::uint8_t irr_ = 0, isr_ = 0, imr_ = 0;
    std::uint8_t levels_ = 0;  // the IR pins' levels
    std::uint8_t icw2_ = 0;
    int lowest_ = 7;           // the IR of lowest priority
    int step_ = 0;             // initialisation: 0 done, 2 ICW2, 3 ICW3, 4 ICW4 next
    bool single_ = true, needIcw4_ = false, level_ = false, autoEoi_ = false, rotateAeoi_ = false;
    bool specialMask_ = false, readIsr_ = false, poll_ = false;
    bool initialised_ = false;
    bool intaLow_ = false;
    int intaPulses_ = 0;
    int selected_ = -1;        // the IR chosen at the first INTA pulse
};

} // namespace sim
