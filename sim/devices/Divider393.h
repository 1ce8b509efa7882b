#pragma once
// The divider: a 74LS393 (two 4-bit ripple counters cascaded into one 8-bit counter) that counts the
// falling edges at T; T0 … T7 are the counter's bits, T divided by 2 … 256.
//
// A clock net at T (a rate) makes the outputs clock nets at their rates; an output slower than
// kEdgeBelowHz is then made edge by edge from the same count, so a lamp blinks and a pin can poll it.
// Edges at T count one by one. Switching between the two keeps the count.
#include "sim/Device.h"

#include <array>
#include <cstdint>

namespace sim {

class Divider393 : public Device {
public:
    explicit Divider393(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void wake(int tag, Time t) override;

    std::uint8_t count() const { return count_; }

    static constexpr double kEdgeBelowHz = 1000;

private:
    std::uint64_t countAt(Time t) const; // while a rate runs: rateBase_ + the edges since rateStart_
    void output(Time t);
    void scheduleEdge(Time t);

    std::uint8_t count_ = 0;
    bool inHigh_ = false;
    double rate_ = 0; // the rate at T, 0 while T carries edges
    Time rateStart_ = 0;
    std::uint64_t rateBase_ = 0; // the count when the rate began
    std::array<Drive, 8> out_{};
};

} // namespace sim
