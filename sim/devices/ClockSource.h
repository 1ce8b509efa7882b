#pragma once
// A free-running oscillator on one socket (the board's 1.8432 MHz source for the serial chips).
#include "sim/Device.h"

namespace sim {

class ClockSource : public Device {
public:
    ClockSource(std::string name, std::string pin, double hz);
    void reset(Time t) override;
    double hz() const { return hz_; }

private:
    double hz_;
};

} // namespace sim
