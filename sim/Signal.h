#pragma once
// What a pin puts on its net, and what a net carries.
#include <cstdint>

namespace sim {

// How a pin drives its net. PullUp is a weak high (an 8051 port pin holding 1, an open-collector
// output with its resistor): any Low wins over it without a conflict. Analog puts a voltage on the net.
enum class Strength : std::uint8_t { Off, PullUp, Low, High, Analog };

struct Drive {
    Strength strength = Strength::Off;
    double volts = 0;  // for Analog
    double hz = 0;     // a periodic square wave too fast to model edge by edge (8 MHz, the divider outputs);
                       // given with High, the net's level reads high and readers that count take its rate
    static Drive off() { return {}; }
    static Drive low() { return {Strength::Low}; }
    static Drive high() { return {Strength::High}; }
    static Drive pullUp() { return {Strength::PullUp}; }
    static Drive level(bool high) { return {high ? Strength::High : Strength::Low}; }
    static Drive analog(double v) { return {Strength::Analog, v}; }
    static Drive clock(double rate) { return {Strength::High, 0, rate}; }
    bool operator==(const Drive&) const = default;
};

// What a reading pin sees.
struct NetLevel {
    bool high = false;
    double volts = 0;     // 0 or 5 for logic levels; the driven voltage for an analog net
    double hz = 0;        // the rate of a clock net, else 0
    bool driven = false;  // false: nothing drives the net, `high` is the reading pin's own pull
};

// A serial character travelling along a net (UART lines are not modelled bit by bit).
struct Frame {
    std::uint16_t data = 0; // the data bits, lowest first on the line
    int bits = 8;           // data bits, 8 or 9 (the 8051's modes 2 and 3)
    double baud = 0;        // bits a second of the sender
};

} // namespace sim
