// Scanning throughput of the assembly highlighter, heap allocations per scanned line, and loading and showing
// a 100,000-line source in the editor.
//
//   bench_source                          the Google Benchmark figures
//   bench_source --write-corpus=FILE      writes the scanning corpus (for compare.sh)
//   bench_source --scan-file=FILE         prints the scanning throughput on FILE's lines (for compare.sh)
#include "BenchCorpus.h"

#include "base/Fonts.h"
#include "source/AsmHighlighters.h"
#include "source/SourceText.h"
#include "source/SynEdit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <new>
#include <vector>

// Every heap allocation of the process is counted.
static std::atomic<long> gAllocations{0};

void* operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

constexpr qsizetype kCorpusBytes = 8 << 20;

struct Lines {
    QByteArray bytes;
    std::vector<QByteArrayView> lines;
};

Lines splitLines(QByteArray bytes) {
    Lines l;
    l.bytes = std::move(bytes);
    sourcetext::forEachLine(l.bytes, [&](QByteArrayView v) { l.lines.push_back(v); });
    return l;
}

const Lines& corpusLines() {
    static const Lines l = splitLines(benchcorpus::corpus(kCorpusBytes));
    return l;
}

// One pass over every line; returns the number of tokens.
long scanAll(TSynAsmSyn& syn, const std::vector<QByteArrayView>& lines) {
    long tokens = 0;
    int n = 0;
    for (QByteArrayView line : lines) {
        for (syn.StartLine(line, n++); !syn.AtLineEnd(); syn.NextToken())
            ++tokens;
    }
    return tokens;
}

void BM_ScanCorpus(benchmark::State& state) {
    const Lines& c = corpusLines();
    TSynAsmSyn syn;
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load(std::memory_order_relaxed);
        benchmark::DoNotOptimize(scanAll(syn, c.lines));
        allocations += gAllocations.load(std::memory_order_relaxed) - before;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * c.bytes.size());
    state.counters["lines"] = double(c.lines.size());
    state.counters["allocs_per_line"] = double(allocations) / (double(c.lines.size()) * double(state.iterations()));
    state.SetLabel("target >= 300 MB/s, 0 allocations per line");
}
BENCHMARK(BM_ScanCorpus)->Unit(benchmark::kMillisecond);

// The same with the cutting into lines, as `labtool tokens` does it.
void BM_SplitAndScanCorpus(benchmark::State& state) {
    const Lines& c = corpusLines();
    TSynAsmSyn syn;
    for (auto _ : state) {
        long tokens = 0;
        sourcetext::forEachLine(c.bytes, [&](QByteArrayView line) {
            for (syn.StartLine(line, 0); !syn.AtLineEnd(); syn.NextToken())
                ++tokens;
        });
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * c.bytes.size());
}
BENCHMARK(BM_SplitAndScanCorpus)->Unit(benchmark::kMillisecond);

// Loading a 100,000-line source into the shown editor and painting it.
void BM_EditorLoadAndShow100k(benchmark::State& state) {
    const QByteArray source = benchcorpus::generated(100000);
    TAsmHighlighters hl;
    TSynEdit editor;
    editor.resize(805, 600);
    editor.setHighlighter(hl.SynAsmSyn88());
    editor.show();
    QApplication::processEvents();
    for (auto _ : state) {
        editor.clearLines();
        editor.loadFromBytes(source);
        editor.repaint(); // styles and draws the visible lines
    }
    state.counters["lines"] = editor.lineCount();
    state.SetLabel("target < 100 ms");
}
BENCHMARK(BM_EditorLoadAndShow100k)->Unit(benchmark::kMillisecond)->UseRealTime();

int writeCorpus(const char* path) {
    QFile f(QString::fromLocal8Bit(path));
    const QByteArray c = benchcorpus::corpus(kCorpusBytes);
    if (!f.open(QIODevice::WriteOnly) || f.write(c) != c.size()) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 2;
    }
    std::printf("corpus: %lld bytes\n", static_cast<long long>(c.size()));
    return 0;
}

int scanFile(const char* path) {
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 2;
    }
    const Lines c = splitLines(f.readAll());
    TSynAsmSyn syn;
    long passes = 0, tokens = 0;
    const long before = gAllocations.load();
    // Processor time of this thread, so that other work on the machine does not count against either side.
    const double t0 = cpuSeconds();
    while (cpuSeconds() - t0 < 2.0) {
        tokens += scanAll(syn, c.lines);
        ++passes;
    }
    const double seconds = cpuSeconds() - t0;
    const long allocations = gAllocations.load() - before;
    std::printf("labguide TSynAsmSyn: %.1f MB/s (%ld passes over %lld bytes, %zu lines, %ld tokens a pass, "
                "%ld heap allocations)\n",
                double(c.bytes.size()) * double(passes) / seconds / 1e6, passes,
                static_cast<long long>(c.bytes.size()), c.lines.size(), tokens / passes, allocations);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a.startsWith("--write-corpus="))
            return writeCorpus(argv[i] + 15);
        if (a.startsWith("--scan-file="))
            return scanFile(argv[i] + 12);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
