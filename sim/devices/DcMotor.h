#pragma once
// The DC motor behind its driver (DJ high = full voltage on the motor). Its speed follows the drive with
// a first-order lag (the rotor's inertia against its friction and back EMF): at a PWM period far below
// the time constant it settles at the duty share of full speed. Speed and angle are integrated in
// closed form between the input's changes, so the result does not depend on how often it is looked at.
#include "sim/Device.h"

namespace sim {

class DcMotor : public Device {
public:
    explicit DcMotor(std::string name, double fullRpm = 3000, double timeConstant = 0.3);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

    double rpm(Time t);   // the speed at t
    double angle(Time t); // degrees, 0 … 360

private:
    void advance(Time t);

    double fullRpm_;
    double tau_;       // seconds
    double drive_ = 0; // 0 off, 1 on, 0.5 for a clock net
    double rpm_ = 0;
    double angle_ = 0;
    double turned_ = 0; // degrees turned in the running frame
    Time since_ = 0;
    Time frameStart_ = 0;
};

} // namespace sim
