#pragma once
// The indicator lamps L1 … L12. Each input drives its LED through an inverter: a high input lights it,
// a low or open input leaves it dark. A clock net lights it half the time. The snapshot gets each
// lamp's lit share of the frame, integrated exactly between the input's changes.
#include "sim/Device.h"

namespace sim {

class Lamps : public Device {
public:
    explicit Lamps(std::string name, int count = 12);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

private:
    struct Lamp {
        double lit = 0;   // 0 dark, 0.5 on a clock net, 1 lit
        Time since = 0;   // when `lit` last changed
        double litPs = 0; // lit time accumulated in the running frame, weighted
    };
    double litOf(int pin) const;

    std::vector<Lamp> lamps_;
    Time frameStart_ = 0;
};

} // namespace sim
