#include "sim/devices/DcMotor.h"

#include <cmath>

namespace sim {

DcMotor::DcMotor(std::string name, double fullRpm, double timeConstant)
    : Device(std::move(name), {{"DJ", PinDir::In}}), fullRpm_(fullRpm), tau_(timeConstant) {}

namespace {
double driveOf(const NetLevel& l) {
    return !l.high ? 0.0 : l.hz > 0 ? 0.5 : 1.0;
}
} // namespace

void DcMotor::reset(Time t) {
    rpm_ = angle_ = turned_ = 0;
    since_ = frameStart_ = t;
    drive_ = driveOf(level(0));
}

// speed(s) = target + (rpm0 - target) e^(-s/tau); the angle is its integral.
void DcMotor::advance(Time t) {
    if (t <= since_)
        return;
    const double s = toSeconds(t - since_);
    const double target = drive_ * fullRpm_;
    const double decay = std::exp(-s / tau_);
    const double revolutions = (target * s + (rpm_ - target) * tau_ * (1 - decay)) / 60.0;
    const double degrees = revolutions * 360.0;
    turned_ += degrees;
    angle_ = std::fmod(angle_ + degrees, 360.0);
    rpm_ = target + (rpm_ - target) * decay;
    since_ = t;
}

void DcMotor::input(int, Time t) {
    advance(t);
    drive_ = driveOf(level(0));
}

double DcMotor::rpm(Time t) {
    advance(t);
    return rpm_;
}

double DcMotor::angle(Time t) {
    advance(t);
    return angle_;
}

void DcMotor::show(Snapshot& snapshot, Time t, Time) {
    advance(t);
    // The mean speed over the frame: the PWM ripple averages out as the eye sees it.
    const Time span = t - frameStart_;
    const double rpm = span > 0 ? turned_ / 360.0 / toSeconds(span) * 60.0 : rpm_;
    snapshot.dcMotor = Snapshot::Motor{angle_, rpm};
    turned_ = 0;
    frameStart_ = t;
}

} // namespace sim
