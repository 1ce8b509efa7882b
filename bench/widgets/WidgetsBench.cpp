// Widget painting figures:
// - SetIndicatorActive on the boards' 16 x 16 matrix, redrawing one indicator into the cached picture and
//   copying the frame, against a full repaint of the same matrix (target: the single change under 50 us);
// - repaints issued per second under a flood of changes to a digit with AutoFrameRate on, against
//   UpdateFrameRate (and against AutoFrameRate off).
#include "widgets/iLedMatrix.h"
#include "widgets/iSevenSegmentCharacter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace {

std::map<std::string, double> g_figures; // name -> microseconds per iteration, or repaints per second

void boardMatrix(TiLedMatrix& m) {
    m.setColCount(16);
    m.setRowCount(16);
    m.setIndicatorStyle(TiLedMatrix::ilmisRound);
    m.setIndicatorWidth(4);
    m.setIndicatorHeight(4);
    m.setSpacingHorizontal(1);
    m.setSpacingVertical(1);
    m.setOuterMargin(0);
    m.setIndicatorActiveColor(Qt::red);
    m.setBackGroundColor(Qt::white);
}

template <class F> void timed(benchmark::State& state, const std::string& name, F&& body) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        body();
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    g_figures[name] = us / double(state.iterations());
}

void matrixBench(benchmark::State& state, TiLedMatrix::TiLedMatrixIndicatorStyle style, bool full,
                 const std::string& name) {
    TiLedMatrix m;
    boardMatrix(m);
    m.setIndicatorStyle(style);
    QImage screen(m.size(), QImage::Format_RGB32);
    QPainter target(&screen);
    m.PaintFrameTo(target);
    int n = 0;
    timed(state, name, [&] {
        const int row = n % 16, col = (n / 16) % 16;
        m.SetIndicatorActive(row, col, !m.IndicatorActive(row, col));
        if (full)
            m.InvalidateAll();
        m.PaintFrameTo(target);
        ++n;
    });
    benchmark::DoNotOptimize(screen.constBits());
}

void BM_SetIndicatorActive_OneIndicator(benchmark::State& s) {
    matrixBench(s, TiLedMatrix::ilmisRound, false, "one");
}
void BM_SetIndicatorActive_FullRepaint(benchmark::State& s) {
    matrixBench(s, TiLedMatrix::ilmisRound, true, "full");
}
void BM_SetIndicatorActive_OneIndicator_Rectangle(benchmark::State& s) {
    matrixBench(s, TiLedMatrix::ilmisRectangle, false, "one_rect");
}
void BM_SetIndicatorActive_FullRepaint_Rectangle(benchmark::State& s) {
    matrixBench(s, TiLedMatrix::ilmisRectangle, true, "full_rect");
}

// Counts the repaints the widget issues.
class CountingDigit : public TiSevenSegmentCharacter {
public:
    long issued = 0;

protected:
    void InvalidateWindow() override {
        ++issued;
        TiSevenSegmentCharacter::InvalidateWindow();
    }
};

void floodBench(benchmark::State& state, bool autoFrameRate, const std::string& name) {
    for (auto _ : state) {
        CountingDigit d;
        d.setUseSegmentBits(true);
        d.setAutoFrameRate(autoFrameRate);
        d.issued = 0;
        long changes = 0;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 1000) {
            d.setSegmentBits(int(changes & 0x7F));
            ++changes;
            if ((changes & 0xFF) == 0)
                QCoreApplication::processEvents(); // lets a left-pending repaint's slot come
        }
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        state.counters["changes_per_s"] = double(changes) / seconds;
        state.counters["repaints_per_s"] = double(d.issued) / seconds;
        g_figures[name] = double(d.issued) / seconds;
        g_figures[name + "_changes"] = double(changes) / seconds;
    }
}

void BM_Flood_AutoFrameRate(benchmark::State& s) { floodBench(s, true, "flood_auto"); }
void BM_Flood_NoFrameRateLimit(benchmark::State& s) { floodBench(s, false, "flood_plain"); }

BENCHMARK(BM_SetIndicatorActive_OneIndicator);
BENCHMARK(BM_SetIndicatorActive_FullRepaint);
BENCHMARK(BM_SetIndicatorActive_OneIndicator_Rectangle);
BENCHMARK(BM_SetIndicatorActive_FullRepaint_Rectangle);
BENCHMARK(BM_Flood_AutoFrameRate)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flood_NoFrameRateLimit)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto fig = [](const char* k) { return g_figures.count(k) ? g_figures[k] : -1.0; };
    std::printf("\nSetIndicatorActive on the 16x16 board matrix (round), one indicator redrawn + frame copied: "
                "%.2f us (target < 50 us: %s)\n",
                fig("one"), fig("one") >= 0 && fig("one") < 50 ? "met" : "NOT met");
    std::printf("  compared with a full repaint of the matrix in the same run: %.2f us (%.1fx)\n", fig("full"),
                fig("one") > 0 ? fig("full") / fig("one") : 0.0);
    std::printf("  rectangle indicators (cached pictures): one %.2f us, full %.2f us\n", fig("one_rect"),
                fig("full_rect"));
    std::printf("Digit with AutoFrameRate on, UpdateFrameRate %d: %.1f repaints/s under %.0f changes/s\n", 60,
                fig("flood_auto"), fig("flood_auto_changes"));
    std::printf("  compared with AutoFrameRate off: %.0f repaints/s under %.0f changes/s\n", fig("flood_plain"),
                fig("flood_plain_changes"));
    return 0;
}
