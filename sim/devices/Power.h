#pragma once
// The power sockets: 5V and GND as logic levels, +12V and -12V as voltages.
#include "sim/Device.h"

namespace sim {

class Power : public Device {
public:
    explicit Power(std::string name);
    void reset(Time t) override;
};

} // namespace sim
