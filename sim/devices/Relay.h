#pragma once
// The relay: JIN high energises the coil through its driver transistor. Released, the common contact
// JZ touches the normally closed JB; energised, it leaves JB and touches the normally open JK (break
// before make). The contacts join nets, so whatever JZ is wired to reaches the closed side.
#include "sim/Device.h"

namespace sim {

class Relay : public Device {
public:
    explicit Relay(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

    bool energised() const { return energised_; }

private:
    void switchContacts(Time t);
    bool energised_ = false;
};

} // namespace sim
