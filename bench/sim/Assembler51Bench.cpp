// The 8051 assembler on a lab-sized program of 2,000 lines (target: under 20 ms), on a 1 MB source, with
// 100,000 labels, and on sources full of errors (targets: under 1 s each).
#include "sim/Assembler51.h"

#include <QByteArray>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// One routine of a lab program, its labels numbered `n`: port and timer setup, a table walk, nested
// delays, a subroutine call and a GBK comment on most lines; 25 lines.
QByteArray routine(int n) {
    const QByteArray k = QByteArray::number(n);
    QByteArray s;
    s += "; \xD7\xD3\xB3\xCC\xD0\xF2 " + k +
         " \xA3\xBA\xCF\xD4\xCA\xBE\xBB\xBA\xB3\xE5\xC7\xF8\r\n"; // ; 子程序 n ：显示缓冲区
    s += "BUF" + k + "   EQU   30H+" + QByteArray::number(n % 16) + "\r\n";
    s += "SUB" + k + ":   MOV   DPTR,#TAB" + k + "      ; \xB1\xED\xB8\xF1\r\n";
    s += "        MOV   R0,#BUF" + k + "\r\n";
    s += "        MOV   R7,#8\r\n";
    s += "L" + k + ":     CLR   A\r\n";
    s += "        MOVC  A,@A+DPTR\r\n";
    s += "        MOV   @R0,A          ; \xB4\xE6\xC8\xEB\xBB\xBA\xB3\xE5\r\n";
    s += "        INC   DPTR\r\n";
    s += "        INC   R0\r\n";
    s += "        DJNZ  R7,L" + k + "\r\n";
    s += "        MOV   TMOD,#01H\r\n";
    s += "        MOV   TH0,#HIGH(65536-50000)\r\n";
    s += "        MOV   TL0,#LOW(65536-50000)\r\n";
    s += "        SETB  TR0\r\n";
    s += "W" + k + ":     JNB   TF0,W" + k + "\r\n";
    s += "        CLR   TF0\r\n";
    s += "        CPL   P1.0\r\n";
    s += "        LCALL D" + k + "\r\n";
    s += "        RET\r\n";
    s += "D" + k + ":     MOV   R6,#250\r\n";
    s += "D" + k + "A:    DJNZ  R6,D" + k + "A\r\n";
    s += "        RET\r\n";
    s += "TAB" + k + ":   DB    3FH,06H,5BH,4FH,66H,6DH,7DH,07H\r\n";
    s += "\r\n";
    return s;
}

QByteArray program(int routines) {
    QByteArray s =
        "        ORG   0000H\r\n        LJMP  MAIN\r\n        ORG   0100H\r\nMAIN:   MOV   SP,#60H\r\n";
    for (int i = 0; i < routines; ++i)
        s += "        LCALL SUB" + QByteArray::number(i) + "\r\n";
    s += "        LJMP  MAIN\r\n";
    for (int i = 0; i < routines; ++i)
        s += routine(i);
    s += "        END\r\n";
    return s;
}

void run(benchmark::State& state, const QByteArray& source, bool expectOk) {
    std::size_t bytes = 0, errors = 0;
    for (auto _ : state) {
        const sim::AsmResult r = sim::assemble51(source);
        bytes = r.image.size();
        errors = r.errors.size();
        benchmark::DoNotOptimize(r.listing.data());
    }
    if (expectOk && errors)
        state.SkipWithError("the source did not assemble");
    state.counters["lines"] = static_cast<double>(source.count('\n'));
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["errors"] = static_cast<double>(errors);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * source.size());
}

void BM_Program2000Lines(benchmark::State& state) {
    // 78 routines of 25 lines and the main loop: 2,034 lines, 4.3 KB of code.
    static const QByteArray source = program(78);
    run(state, source, true);
}
BENCHMARK(BM_Program2000Lines)->Unit(benchmark::kMillisecond);

void BM_Source1MB(benchmark::State& state) {
    // Long-commented lines: 1 MB of text in 12,100 lines, 24 KB of code (1 MB of plain code would not fit
    // in 64 KB).
    static const QByteArray source = [] {
        QByteArray s = "        ORG 0\r\n";
        for (int i = 0; s.size() < 1024 * 1024; ++i)
            s += "X" + QByteArray::number(i) + ":  MOV A,#" + QByteArray::number(i % 256) +
                 "    ; \xD5\xE2\xCA\xC7\xD2\xBB\xD0\xD0\xBA\xDC\xB3\xA4\xB5\xC4\xD7\xA2\xCA\xCD "
                 "a long comment on every line of the source\r\n";
        return s;
    }();
    run(state, source, true);
}
BENCHMARK(BM_Source1MB)->Unit(benchmark::kMillisecond);

void BM_Source1MBOfErrors(benchmark::State& state) {
    // 1 MB where every line is wrong in one way or another: the first 1,000 errors are listed.
    static const QByteArray source = [] {
        const char* wrong[] = {"  MOVV A,#1", "  SJMP NOWHERE", "  MOV A,#300",
                               "  MOV @R2,A", "  DB (((1",      "X: NOP"};
        QByteArray s;
        for (int i = 0; s.size() < 1024 * 1024; ++i)
            s += QByteArray(wrong[i % 6]) + "\r\n";
        return s;
    }();
    run(state, source, false);
}
BENCHMARK(BM_Source1MBOfErrors)->Unit(benchmark::kMillisecond);

void BM_Labels100000(benchmark::State& state) {
    // 100,000 labels; every fifth line has a NOP, every tenth a jump back to a label ten lines up.
    static const QByteArray source = [] {
        QByteArray s = "        ORG 0\r\n";
        for (int i = 0; i < 100000; ++i) {
            s += "LABEL" + QByteArray::number(i) + ":";
            if (i % 10 == 9)
                s += "  SJMP LABEL" + QByteArray::number(i - 9);
            else if (i % 5 == 4)
                s += "  NOP";
            s += "\r\n";
        }
        return s;
    }();
    run(state, source, true);
}
BENCHMARK(BM_Labels100000)->Unit(benchmark::kMillisecond);

void BM_ThousandErrors(benchmark::State& state) {
    static const QByteArray source = [] {
        QByteArray s;
        for (int i = 0; i < 1000; ++i)
            s += "  LCALL DELAY" + QByteArray::number(i) + "\r\n";
        return s;
    }();
    run(state, source, false);
}
BENCHMARK(BM_ThousandErrors)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf(
        "Targets: a 2,000-line program under 20 ms; 1 MB of source, 100,000 labels and sources full of "
        "errors under 1 s.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
