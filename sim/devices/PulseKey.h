#pragma once
// The single-pulse key with its RS latch, and the 8 MHz clock socket beside it. The latch removes the
// key's bounce, so each press gives exactly one clean pulse: PH high and PL low while the key is down.
#include "sim/Device.h"

namespace sim {

class PulseKey : public Device {
public:
    explicit PulseKey(std::string name);

    void reset(Time t) override;
    // "PULSE": nonzero presses the key, 0 releases it.
    bool set(std::string_view setting, double value, Time t) override;
    bool pressed() const { return pressed_; }

    static constexpr double kClockHz = 8e6;

private:
    void output(Time t);
    bool pressed_ = false;
};

} // namespace sim
