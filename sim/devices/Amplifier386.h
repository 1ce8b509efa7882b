#pragma once
// The LM386 audio amplifier: HOUT follows the voltage at VIN (the volume pot sets the gain on the
// board; the model follows at unity). With nothing at VIN it puts nothing on HOUT, so a speaker wired
// to both HOUT and a port pin hears the pin.
#include "sim/Device.h"

namespace sim {

class Amplifier386 : public Device {
public:
    explicit Amplifier386(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;

private:
    void follow(Time t);
};

} // namespace sim
