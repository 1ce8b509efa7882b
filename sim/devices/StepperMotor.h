#pragma once
// The four-phase stepper motor behind its driver (HA … HD high = the phase is energised). The energised
// phases pull the rotor towards their resultant: one phase or two neighbours give the eight positions
// of the half-step sequence A, AB, B, BC, C, CD, D, DA; the full-step sequences (A, B, C, D or AB, BC,
// CD, DA) move two of them at a time. The sequence forwards turns it clockwise, backwards
// anticlockwise. A pull from the opposite side (A to C) or no resultant (none, A+C, all four) leaves
// the rotor where it is. Patterns shorter than kSettle are too short for the rotor to follow: the
// changes of one port write (several pins at one time) count as one, from where the rotor stood before.
//
// The default step is that of the 28BYJ-48 geared 5 V unipolar motor (5.625 degrees a half step at the
// rotor, 1:64 gearing), the usual motor of 5 V trainer boards driven by a ULN2003-type array.
#include "sim/Device.h"

#include <deque>

namespace sim {

class StepperMotor : public Device {
public:
    static constexpr double kDefaultStep = 5.625 / 64; // shaft degrees per half step
    static constexpr Time kSettle = 100 * kMicrosecond;

    explicit StepperMotor(std::string name, double stepDegrees = kDefaultStep);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

    long long halfSteps() const { return rotor_; } // from the power-on position, clockwise positive
    double angle() const;                          // degrees, 0 … 360

private:
    void follow(Time t);

    double stepDegrees_;
    long long rotor_ = 0;
    long long before_ = 0; // the rotor before the current burst of changes
    Time lastChange_ = 0;
    bool burstMoved_ = false; // moves_.back() is the current burst's
    struct Move {
        Time time;
        long long rotor;
    };
    std::deque<Move> moves_; // the recent steps, for the speed
};

} // namespace sim
