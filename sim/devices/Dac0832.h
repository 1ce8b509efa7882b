#pragma once
// DAC0832 8-bit D/A converter wired single-buffered (the second latch transparent): a bus write at its
// chip select sets the output to value / 256 × Vref at once. The output is kept as a time series for
// the oscilloscope: a bounded ring of its changes.
#include "sim/Device.h"

#include <cstdint>
#include <vector>

namespace sim {

class Dac0832 : public Device {
public:
    struct Sample {
        Time time = 0;
        double volts = 0;
    };
    static constexpr std::size_t kHistory = 65536; // changes kept

    explicit Dac0832(std::string name, double vref = 5.0);

    void reset(Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

    double volts() const { return volts_; }
    // The output's changes, oldest first: sample(0) … sample(sampleCount() - 1).
    std::size_t sampleCount() const { return count_; }
    Sample sample(std::size_t i) const { return ring_[(head_ + kHistory - count_ + i) % kHistory]; }
    // The changes after `from`, oldest first, behind the level in force at `from` (when one is held).
    std::vector<Sample> samplesSince(Time from) const;

private:
    void record(Time t, double volts);

    double vref_;
    double volts_ = 0;
    std::vector<Sample> ring_;
    std::size_t head_ = 0;  // where the next sample goes
    std::size_t count_ = 0; // samples held
};

} // namespace sim
