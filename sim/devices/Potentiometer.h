#pragma once
// The adjustable DC voltage (AOUT1): a potentiometer across 0 … 5 V, the A/D experiments' input.
// The knob's position is physical: the reset key leaves it.
#include "sim/Device.h"

namespace sim {

class Potentiometer : public Device {
public:
    explicit Potentiometer(std::string name, double volts = 2.5);

    void reset(Time t) override;
    // "AOUT1": the voltage, held to 0 … 5 V.
    bool set(std::string_view setting, double value, Time t) override;
    double volts() const { return volts_; }

    static constexpr double kMaxVolts = 5.0;

private:
    double volts_;
};

} // namespace sim
