#pragma once
// The logic level switches K1 … K8: each drives its terminal high (up, +5 V through the pull-up) or low
// (down). The positions are physical: the reset key leaves them where the user put them.
#include "sim/Device.h"

namespace sim {

class Switches : public Device {
public:
    // initial: bit i set puts K(i+1) up at power-on.
    explicit Switches(std::string name, unsigned initial = 0);

    void reset(Time t) override;
    // "K1" … "K8": nonzero puts the switch up.
    bool set(std::string_view setting, double value, Time t) override;
    bool isUp(int index) const { return (positions_ >> index) & 1u; }

    static constexpr int kCount = 8;

private:
    unsigned positions_;
};

} // namespace sim
