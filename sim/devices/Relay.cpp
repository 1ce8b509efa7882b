#include "sim/devices/Relay.h"

namespace sim {

namespace {
enum Pin { JIN, JZ, JK, JB };
}

Relay::Relay(std::string name)
    : Device(std::move(name),
             {{"JIN", PinDir::In}, {"JZ", PinDir::InOut}, {"JK", PinDir::InOut}, {"JB", PinDir::InOut}}) {}

void Relay::reset(Time t) {
    energised_ = high(JIN);
    switchContacts(t);
}

void Relay::input(int pin, Time t) {
    if (pin != JIN || high(JIN) == energised_)
        return;
    energised_ = !energised_;
    switchContacts(t);
}

void Relay::switchContacts(Time t) {
    const int opening = energised_ ? JB : JK;
    const int closing = energised_ ? JK : JB;
    host().connect(*this, JZ, opening, false, t);
    host().connect(*this, JZ, closing, true, t);
}

void Relay::show(Snapshot& snapshot, Time, Time) {
    snapshot.relays.push_back(energised_);
}

} // namespace sim
