#include "sim/devices/Speaker.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
enum Pin { SPH, SPL };
constexpr size_t kPeriods = 4;           // the tone is measured over up to this many periods
constexpr double kScale = 12000.0 / 5.0; // sample units a volt, headroom for the blocker's overshoot
constexpr double kBlocker = 0.995;       // the DC blocker's pole: a corner near 35 Hz at 44.1 kHz

double voltsOf(const NetLevel& l) {
    return l.driven ? l.volts : 0.0;
}
} // namespace

Speaker::Speaker(std::string name) : Device(std::move(name), {{"SPH", PinDir::In}, {"SPL", PinDir::In}}) {}

void Speaker::reset(Time t) {
    rises_.clear();
    samples_.clear();
    epoch_ = t;
    next_ = 0;
    dcIn_ = dcOut_ = 0;
    const NetLevel h = level(SPH);
    rate_ = h.hz;
    rateStart_ = t;
    volts_ = voltsOf(h) - voltsOf(level(SPL));
    on_ = h.high && !level(SPL).high;
    dcIn_ = volts_ * kScale;
}

void Speaker::input(int, Time t) {
    render(t);
    const NetLevel h = level(SPH);
    const NetLevel l = level(SPL);
    if (h.hz != rate_) {
        rate_ = h.hz;
        rateStart_ = t;
    }
    volts_ = voltsOf(h) - voltsOf(l);
    const bool on = h.high && !l.high;
    // Both ends changing at one time (a push-pull drive) may pass through a middle state: one rise.
    if (on && !on_ && (rises_.empty() || rises_.back() != t)) {
        if (!rises_.empty() && t - rises_.back() > kSilence) // after silence a new tone begins
            rises_.clear();
        rises_.push_back(t);
        if (rises_.size() > kPeriods + 1)
            rises_.pop_front();
    }
    on_ = on;
}

double Speaker::hz(Time t) const {
    if (rate_ > 0)
        return rate_;
    if (rises_.size() < 2 || t - rises_.back() > kSilence)
        return 0;
    // Average over the recent periods like the last one, so that a pause or the previous note does not
    // blur a new one.
    const size_t n = rises_.size();
    const Time last = rises_[n - 1] - rises_[n - 2];
    // An interval well beyond the one before it is a pause (between notes), not a period: the new
    // tone's pitch is known from its second edge on.
    if (n >= 3 && last * 2 > (rises_[n - 2] - rises_[n - 3]) * 3)
        return 0;
    size_t k = 1;
    while (k + 1 < n) {
        const Time p = rises_[n - 1 - k] - rises_[n - 2 - k];
        if (p * 2 > last * 3 || p * 3 < last * 2)
            break;
        ++k;
    }
    return double(k) / toSeconds(rises_[n - 1] - rises_[n - 1 - k]);
}

double Speaker::voltsAt(Time t) const {
    if (rate_ <= 0)
        return volts_;
    if (rate_ * 2 > kSampleRate) // beyond what the samples can carry: its mean
        return volts_ / 2;
    const long double cycles = (long double)(t - rateStart_) * rate_ / kSecond;
    return cycles - floorl(cycles) < 0.5L ? volts_ : 0.0;
}

void Speaker::render(Time t) {
    // Samples strictly before t keep the old drive; one at t takes the new one.
    const unsigned __int128 scaled = (unsigned __int128)std::max<Time>(t - epoch_, 0) * kSampleRate;
    const std::uint64_t end = std::uint64_t((scaled + kSecond - 1) / kSecond);
    if (end <= next_)
        return;
    if (end - next_ > kMaxSamples) { // nobody took them: render only the newest second
        next_ = end - kMaxSamples;
        dcOut_ = 0;
        dcIn_ = voltsAt(epoch_ + clockTime(next_, kSampleRate)) * kScale;
    }
    for (; next_ < end; ++next_) {
        const double x = voltsAt(epoch_ + clockTime(next_, kSampleRate)) * kScale;
        dcOut_ = x - dcIn_ + kBlocker * dcOut_;
        dcIn_ = x;
        samples_.push_back(std::int16_t(std::clamp(std::lround(dcOut_), -32767L, 32767L)));
    }
    while (samples_.size() > kMaxSamples)
        samples_.pop_front();
}

std::vector<std::int16_t> Speaker::takeSamples(Time t) {
    render(t);
    std::vector<std::int16_t> out(samples_.begin(), samples_.end());
    samples_.clear();
    return out;
}

void Speaker::show(Snapshot& snapshot, Time t, Time) {
    render(t);
    snapshot.speakerHz = hz(t);
}

} // namespace sim
