#pragma once
// 74LS273 octal D flip-flop used as an output port: a bus write at any address of its chip select
// latches the data byte onto Q0–Q7; the clear input is tied to the board's reset.
#include "sim/Device.h"

#include <cstdint>

namespace sim {

class Latch273 : public Device {
public:
    explicit Latch273(std::string name);

    void reset(Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;

    std::uint8_t value() const { return q_; }

private:
    void output(std::uint8_t value, Time t, bool all);

    std::uint8_t q_ = 0;
};

} // namespace sim
