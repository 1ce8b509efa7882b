// The 8088 board: libx86emu with the devices and nets of QK740X at the 8088's 4.77 MHz, running
// display.asm (8255 scan) and music.asm (8253 tones, the speaker), a snapshot 60 times a simulated second.
// Prints the ratio of simulated to wall time (target: at least 10). And nasm assembling a 2,000-line
// source through the MASM translation (target: under 300 ms), beside the translation alone.
#include "sim/Assembler88.h"
#include "bench/sim/BenchData.h"
#include "sim/Circuit.h"
#include "sim/Machine.h"
#include "sim/Masm88.h"

#include <benchmark/benchmark.h>

namespace {

void runExperiment(benchmark::State& state, const char* file) {
    if (!sim::nasmAvailable()) {
        state.SkipWithError("nasm is not installed");
        return;
    }
    const benchdata::Experiment e = benchdata::experiment(QStringLiteral("88"), file);
    const sim::AsmResult program = sim::assemble88(e.source);
    if (!program.ok()) {
        state.SkipWithError("the program does not assemble");
        return;
    }
    sim::Machine machine(sim::boardCircuit("QK740X"), 2, benchdata::plainWiring(e.row.value("实验接线").toString()));
    machine.cpu().setEntry(program.entrySegment, program.entryOffset);
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
    state.counters["instr_per_s"] = benchmark::Counter(double(machine.cpu().instructionCount()), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}

void BM_Display88(benchmark::State& state) { runExperiment(state, "009.json"); }
void BM_Music88(benchmark::State& state) { runExperiment(state, "015.json"); }
BENCHMARK(BM_Display88)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Music88)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 2,000 lines in the bundled sources' style: a segment, EQUs, procedures, loops, data.
QByteArray longSource() {
    QByteArray s = "PA8255  EQU   0FF28H\r\nCODE    SEGMENT\r\n        ASSUME CS:CODE,DS:CODE\r\n        ORG   2000H\r\n"
                   "START:  MOV   AX,CS\r\n        MOV   DS,AX\r\n";
    int lines = 6;
    for (int i = 0; lines < 1990; ++i) {
        s += "P" + QByteArray::number(i) + "     PROC  NEAR\r\n        MOV   DX,PA8255\r\n        MOV   AL,COUNT\r\n"
             "        OUT   DX,AL\r\n        INC   COUNT\r\n        MOV   CX,300\r\nL" + QByteArray::number(i) +
             ":     LOOP  L" + QByteArray::number(i) + "\r\n        MOV   WORD PTR DS:[SI+2],OFFSET TABLE\r\n"
             "        RET\r\nP" + QByteArray::number(i) + "     ENDP\r\n";
        lines += 10;
    }
    s += "COUNT   DB    0\r\nTABLE   DW    1,2,3\r\nCODE    ENDS\r\n        END   START\r\n";
    return s;
}

void BM_Nasm2000Lines(benchmark::State& state) {
    if (!sim::nasmAvailable()) {
        state.SkipWithError("nasm is not installed");
        return;
    }
    const QByteArray source = longSource();
    for (auto _ : state) {
        const sim::AsmResult r = sim::assemble88(source);
        if (!r.ok()) {
            state.SkipWithError(r.errors.front().message.toStdString().c_str());
            return;
        }
        benchmark::DoNotOptimize(r.image.data());
    }
    state.counters["lines"] = double(source.count('\n'));
}
BENCHMARK(BM_Nasm2000Lines)->Unit(benchmark::kMillisecond);

void BM_Translate2000Lines(benchmark::State& state) {
    const QByteArray source = longSource();
    for (auto _ : state)
        benchmark::DoNotOptimize(sim::translateMasm88(source).text.size());
}
BENCHMARK(BM_Translate2000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
