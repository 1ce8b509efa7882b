#include "sim/devices/StepperMotor.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
constexpr size_t kSpeedSteps = 8; // the speed is taken over the last few steps
constexpr Time kStoppedAfter = 50 * kMillisecond;
constexpr Time kSpeedWindow = kSecond; // steps older than this before the last one do not count

// Phases A, B, C, D sit at half-step positions 0, 2, 4, 6; the energised ones give the position of
// their resultant, or -1 when they cancel.
int pullOf(bool a, bool b, bool c, bool d) {
    const int x = int(a) - int(c);
    const int y = int(b) - int(d);
    static constexpr int kByXY[3][3] = {
        // y = -1, 0, 1
        {5, 4, 3},  // x = -1
        {6, -1, 2}, // x = 0
        {7, 0, 1},  // x = 1
    };
    return kByXY[x + 1][y + 1];
}
} // namespace

StepperMotor::StepperMotor(std::string name, double stepDegrees)
    : Device(std::move(name),
             {{"HA", PinDir::In}, {"HB", PinDir::In}, {"HC", PinDir::In}, {"HD", PinDir::In}}),
      stepDegrees_(stepDegrees) {}

void StepperMotor::reset(Time t) {
    rotor_ = before_ = 0;
    moves_.clear();
    burstMoved_ = false;
    lastChange_ = t - kSettle - 1;
    follow(t);
}

void StepperMotor::input(int, Time t) {
    follow(t);
}

void StepperMotor::follow(Time t) {
    if (t - lastChange_ > kSettle) {
        before_ = rotor_;
        burstMoved_ = false;
    }
    lastChange_ = t;
    long long rotor = before_;
    if (const int pull = pullOf(high(0), high(1), high(2), high(3)); pull >= 0) {
        const int delta = int(((pull - before_) % 8 + 8) % 8);
        if (delta != 4) // from the opposite side there is no torque to either side
            rotor += delta > 4 ? delta - 8 : delta;
    }
    if (rotor == rotor_)
        return;
    rotor_ = rotor;
    if (burstMoved_ && !moves_.empty())
        moves_.pop_back();
    burstMoved_ = rotor_ != before_;
    if (burstMoved_)
        moves_.push_back({t, rotor_});
    while (!moves_.empty() && (moves_.size() > kSpeedSteps + 1 || t - moves_.front().time > kSpeedWindow))
        moves_.pop_front();
}

double StepperMotor::angle() const {
    const double a = std::fmod(double(rotor_) * stepDegrees_, 360.0);
    return a < 0 ? a + 360.0 : a;
}

void StepperMotor::show(Snapshot& snapshot, Time t, Time) {
    double rpm = 0;
    if (moves_.size() >= 2) {
        const Move& first = moves_.front();
        const Move& last = moves_.back();
        const Time span = last.time - first.time;
        const Time meanStep = span / Time(moves_.size() - 1);
        // Stopped once no step came for a few step times (and at least kStoppedAfter).
        if (span > 0 && t - last.time <= std::max(3 * meanStep, kStoppedAfter))
            rpm = double(last.rotor - first.rotor) * stepDegrees_ / 360.0 / toSeconds(span) * 60.0;
    }
    snapshot.stepper = Snapshot::Motor{angle(), rpm};
}

} // namespace sim
