#pragma once
// ADC0809 8-bit successive-approximation converter with an 8-channel multiplexer. A bus write at
// offset n latches channel n & 7 (the address lines on ADDA–ADDC) and starts a conversion (ALE and
// START from the write strobe). EOC goes low within 8 clock periods + 2 µs of the start and high at
// the end of the conversion, 64 clock periods after the start; the result is then in the output latch,
// which a bus read returns.
#include "sim/Device.h"

#include <cstdint>

namespace sim {

class Adc0809 : public Device {
public:
    explicit Adc0809(std::string name, double clockHz = 500000, double vref = 5.0);

    void reset(Time t) override;
    void wake(int tag, Time t) override;
    std::uint8_t read(std::uint32_t offset, Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;

    // The data sheet's delays at this clock.
    Time eocDelay() const;       // start → EOC low
    Time conversionTime() const; // start → EOC high

private:
    double clockHz_;
    double vref_;
    std::uint8_t result_ = 0;  // the output latch
    std::uint8_t pending_ = 0; // the result of the conversion under way
};

} // namespace sim
