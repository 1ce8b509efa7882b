#pragma once
// Intel 8255A programmable peripheral interface in mode 0: ports A, B and C (C as two halves), each
// an input or an output by the mode word, and the bit set/reset command on port C. Modes 1 and 2
// (strobed and bidirectional ports) are not modelled: such a mode word is reported and its direction
// bits are applied as in mode 0.
#include "sim/Device.h"

#include <array>
#include <bitset>
#include <cstdint>

namespace sim {

class Ppi8255 : public Device {
public:
    explicit Ppi8255(std::string name);

    void reset(Time t) override;
    std::uint8_t read(std::uint32_t offset, Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;

    std::uint8_t control() const { return control_; }
    std::uint8_t latch(int port) const { return latch_[std::size_t(port)]; }

private:
    // The pins of port p (0 = A, 1 = B, 2 = C) whose bits are outputs.
    std::uint8_t outputMask(int port) const;
    std::uint8_t pinLevels(int port) const;
    void setMode(std::uint8_t word, Time t);
    // Drives the pins of a port whose direction or latch bit differs from what they drive now.
    void update(int port, Time t);

    std::uint8_t control_ = 0x9B;
    std::array<std::uint8_t, 3> latch_{};
    std::array<std::uint8_t, 3> drivenMask_{};  // bits driven now
    std::array<std::uint8_t, 3> drivenLevel_{}; // their levels
    std::bitset<256> reported_;                 // mode words already reported as not modelled
};

} // namespace sim
