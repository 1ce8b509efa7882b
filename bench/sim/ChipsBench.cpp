// What the chips cost per pin change or bus cycle, with a host that does nothing but hold levels, so
// the figures are the devices' own: the display's segment integration (display.asm changes about 10 pins
// a digit, ~6,000 a simulated second), a DAC write (da0832.asm makes ~212,000 a simulated second), an
// 8255 port write, and one simulated second of 8253.asm's cascade (1 MHz → /1000 → /1000).
#include "sim/devices/Dac0832.h"
#include "sim/devices/Digits.h"
#include "sim/devices/Pit8253.h"
#include "sim/devices/Ppi8255.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

using namespace sim;

class BenchHost : public DeviceHost {
public:
    explicit BenchHost(Device& device) : device_(device) {
        device.attach(this);
        wakes_.fill(kNever);
    }
    void set(int pin, bool high, Time t) {
        levels_[std::size_t(pin)] = {high, high ? 5.0 : 0.0, 0, true};
        device_.input(pin, t);
    }
    void setClock(int pin, double hz, Time t) {
        levels_[std::size_t(pin)] = {true, 5.0, hz, true};
        device_.input(pin, t);
    }
    // A drive at pin `from` is seen at pin `to` (OUT0 → CLK1).
    void link(int from, int to) { link_ = {from, to}; }
    void runTo(Time t) {
        for (;;) {
            std::size_t next = wakes_.size();
            for (std::size_t i = 0; i < wakes_.size(); ++i)
                if (wakes_[i] <= t && (next == wakes_.size() || wakes_[i] < wakes_[next]))
                    next = i;
            if (next == wakes_.size())
                return;
            const Time when = wakes_[next];
            wakes_[next] = kNever;
            device_.wake(int(next), when);
        }
    }
    long drives = 0;

    void drive(Device&, int pin, const Drive& d, Time t) override {
        ++drives;
        if (pin == link_.first && d.hz == 0)
            set(link_.second, d.strength == Strength::High, t);
    }
    NetLevel level(const Device&, int pin) const override { return levels_[std::size_t(pin)]; }
    void sendFrame(Device&, int, const Frame&, Time) override {}
    void connect(Device&, int, int, bool, Time) override {}
    void wakeAt(Device&, int tag, Time t) override { wakes_[std::size_t(tag)] = t; }
    void cancelWake(Device&, int tag) override { wakes_[std::size_t(tag)] = kNever; }
    void report(const Event&) override {}
    std::uint8_t busRead(std::uint32_t, Time) override { return 0xFF; }
    void busWrite(std::uint32_t, std::uint8_t, Time) override {}
    std::string terminalOf(const Device& d, int pin) const override { return d.pins()[std::size_t(pin)].name; }

private:
    Device& device_;
    std::array<NetLevel, 64> levels_{};
    std::array<Time, 8> wakes_{};
    std::pair<int, int> link_{-1, -1};
};

// One pass of display.asm's scan: segments out, the digit selected for 1 ms, deselected.
void BM_DigitsScan(benchmark::State& state) {
    Digits digits("digits");
    BenchHost host(digits);
    digits.reset(0);
    const std::uint8_t patterns[6] = {0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D};
    Time t = 0;
    Time nextShow = kSecond / 60;
    long changes = 0;
    for (auto _ : state) {
        for (int k = 0; k < 6; ++k) {
            for (int s = 0; s < 8; ++s)
                host.set(s, patterns[k] >> s & 1, t);
            host.set(8 + k, false, t + 10 * kMicrosecond);
            host.set(8 + k, true, t + 1010 * kMicrosecond);
            changes += 10;
            t += 1030 * kMicrosecond;
            if (t >= nextShow) {
                Snapshot s;
                digits.show(s, t, kSecond / 60);
                benchmark::DoNotOptimize(s);
                nextShow += kSecond / 60;
            }
        }
    }
    state.SetItemsProcessed(changes); // pin changes
}

void BM_DacWrite(benchmark::State& state) {
    Dac0832 dac("dac");
    BenchHost host(dac);
    dac.reset(0);
    Time t = 0;
    std::uint8_t v = 0;
    for (auto _ : state) {
        t += 4 * kMicrosecond;
        dac.write(0, ++v, t);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Ppi8255Write(benchmark::State& state) {
    Ppi8255 ppi("ppi");
    BenchHost host(ppi);
    ppi.reset(0);
    ppi.write(3, 0x80, 0);
    Time t = 0;
    std::uint8_t v = 0;
    for (auto _ : state) {
        t += kMicrosecond;
        ppi.write(0, v, t);
        v = std::uint8_t(v * 5 + 1);
    }
    state.SetItemsProcessed(state.iterations());
}

// One simulated second a iteration; counts the drives (OUT0 and OUT1 edges) too.
void BM_PitCascade(benchmark::State& state) {
    Pit8253 pit("pit");
    BenchHost host(pit);
    host.set(2, true, 0);           // GATE0
    host.set(5, true, 0);           // GATE1
    host.setClock(1, 1e6, 0);       // CLK0
    host.link(3, 4);                // OUT0 → CLK1
    pit.reset(0);
    for (auto [offset, value] : {std::pair{3, 0x36}, {0, 0xE8}, {0, 0x03}, {3, 0x76}, {1, 0xE8}, {1, 0x03}})
        pit.write(std::uint32_t(offset), std::uint8_t(value), kMicrosecond / 2);
    Time t = 0;
    for (auto _ : state) {
        t += kSecond;
        host.runTo(t);
    }
    state.counters["drives_per_sim_s"] = double(host.drives) / double(state.iterations());
}

BENCHMARK(BM_DigitsScan);
BENCHMARK(BM_DacWrite);
BENCHMARK(BM_Ppi8255Write);
BENCHMARK(BM_PitCascade)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
