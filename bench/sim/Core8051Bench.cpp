// The 8051 core alone: simulated machine cycles a second of wall time on led.asm (delay loops),
// display.asm (MOVX to the 8255 and table reads) and dcmotor.asm (a timer 0 interrupt every 100 µs),
// with an Io that keeps external RAM in an array and ignores the ports. Reports the ratio to real time at
// 12 MHz (1 M machine cycles a second); the target is at least 50.
#include "sim/Assembler51.h"
#include "sim/Core8051.h"

#include <QFile>
#include <benchmark/benchmark.h>

#include <array>

namespace {

struct ArrayIo : sim::Core8051::Io {
    std::array<std::uint8_t, 0x10000> xram{};
    std::uint8_t xread(std::uint16_t address) override { return xram[address]; }
    void xwrite(std::uint16_t address, std::uint8_t value) override { xram[address] = value; }
    void portWritten(int, std::uint8_t) override {}
    void serialSent(std::uint16_t, int, double) override {}
};

void runProgram(benchmark::State& state, const char* file) {
    QFile f(QStringLiteral(LABGUIDE_SOURCE_DIR "/data/asm/51/") + QLatin1String(file));
    if (!f.open(QIODevice::ReadOnly)) {
        state.SkipWithError("source missing");
        return;
    }
    const sim::AsmResult program = sim::assemble51(f.readAll());
    if (!program.ok()) {
        state.SkipWithError("does not assemble");
        return;
    }
    ArrayIo io;
    sim::Core8051 core(io);
    core.load(program.image);
    constexpr std::uint64_t kSlice = 10000; // 10 ms of 12 MHz: a machine's time slice
    for (auto _ : state) {
        core.run(core.cycles() + kSlice);
        benchmark::DoNotOptimize(core.pc());
    }
    const double cycles = double(core.cycles());
    state.counters["cycles/s"] = benchmark::Counter(cycles, benchmark::Counter::kIsRate);
    state.counters["xRealTime12MHz"] = benchmark::Counter(cycles / 1e6, benchmark::Counter::kIsRate);
    state.counters["instructions/s"] = benchmark::Counter(double(core.instructions()), benchmark::Counter::kIsRate);
}

void BM_Led(benchmark::State& state) { runProgram(state, "led.asm"); }
void BM_Display(benchmark::State& state) { runProgram(state, "display.asm"); }
void BM_DcMotor(benchmark::State& state) { runProgram(state, "dcmotor.asm"); }

BENCHMARK(BM_Led)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Display)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DcMotor)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
