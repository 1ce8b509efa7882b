#pragma once
// The speaker between SPH (SP+) and SPL (SP-, normally at GND). Its tone is the rate of the drive's
// rising edges over the last few periods (or the rate of a clock net at SPH), silent after kSilence
// without an edge. It also renders what it plays as 16-bit samples for the sound output: the voltage
// across it, sampled at kSampleRate, through a DC blocker (a cone does not hold a steady voltage).
#include "sim/Device.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace sim {

class Speaker : public Device {
public:
    explicit Speaker(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

    double hz(Time t) const;
    // The samples rendered up to t and not yet taken; the newest kMaxSamples when more piled up.
    std::vector<std::int16_t> takeSamples(Time t);

    static constexpr int kSampleRate = 44100;
    static constexpr size_t kMaxSamples = kSampleRate; // one second
    static constexpr Time kSilence = 50 * kMillisecond;

private:
    double voltsAt(Time t) const; // across the speaker
    void render(Time t);

    double volts_ = 0; // across the speaker since the last change
    double rate_ = 0;  // a clock net at SPH: its rate
    Time rateStart_ = 0;
    bool on_ = false;
    std::deque<Time> rises_;
    Time epoch_ = 0;         // the time of sample 0
    std::uint64_t next_ = 0; // the next sample to render
    double dcIn_ = 0, dcOut_ = 0;
    std::deque<std::int16_t> samples_;
};

} // namespace sim
