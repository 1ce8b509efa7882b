// The whole board at 12 MHz: the 8051 core with the devices and nets of QK740X, running led.asm,
// display.asm (8255 scan, ~2,900 port writes a simulated second) and dcmotor.asm (an interrupt every
// 100 µs), with a snapshot 60 times a simulated second as the screen takes them. Prints the ratio of
// simulated to wall time (target: at least 50, i.e. real-time running costs under 2 % of a core) and the
// heap a run holds (target: under 16 MB).
#include "sim/Assembler51.h"
#include "bench/sim/BenchData.h"
#include "sim/Circuit.h"
#include "sim/Machine.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

void runExperiment(benchmark::State& state, const char* file) {
    const benchdata::Experiment e = benchdata::experiment(QStringLiteral("51"), file);
    const sim::AsmResult program = sim::assemble51(e.source);
    if (!program.ok()) {
        state.SkipWithError("the program does not assemble");
        return;
    }
    const std::size_t heapBefore = mallinfo2().uordblks;
    sim::Machine machine(sim::boardCircuit("QK740X"), 1, benchdata::plainWiring(e.row.value("实验接线").toString()));
    machine.load(program.image);
    const sim::Time frame = sim::kSecond / 60;
    double simulated = 0;
    for (auto _ : state) {
        for (int i = 0; i < 60; ++i) {
            machine.runFor(frame);
            benchmark::DoNotOptimize(machine.snapshot());
        }
        simulated += 1.0;
    }
    state.counters["heap_MB"] = double(mallinfo2().uordblks - heapBefore) / (1 << 20);
    state.counters["instr_per_s"] = benchmark::Counter(double(machine.cpu().instructionCount()), benchmark::Counter::kIsRate);
    // Simulated seconds per wall second: the iteration rate, as each iteration is one simulated second.
    state.counters["x_real_time"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}

void BM_Led(benchmark::State& s) { runExperiment(s, "001.json"); }
void BM_Display(benchmark::State& s) { runExperiment(s, "011.json"); }
void BM_DcMotor(benchmark::State& s) { runExperiment(s, "016.json"); }
void BM_Dac(benchmark::State& s) { runExperiment(s, "010.json"); }

BENCHMARK(BM_Led)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Display)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_DcMotor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Dac)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

BENCHMARK_MAIN();
