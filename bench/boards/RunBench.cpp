// The virtual run's cost on the screen: one frame of display.asm at real time on the docked QK740X board —
// the machine's 16.7 ms of simulated time, the snapshot put on the twin instruments and lamps, and the
// repaint of the board area with its widgets and the run's layer. At 60 frames a second the share of one
// core is 60 × the frame's time; the target is under 10 %. Compared against the same frame without the
// repaint (what the machine and the instruments cost alone).
#include "base/ErrorReport.h"
#include "base/Fonts.h"
#include "boards/BoardForm.h"
#include "boards/BoardInfo.h"
#include "boards/BoardRun.h"
#include "engine/linksheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

QByteArray source(const char* name) {
    QFile f(QStringLiteral(LABGUIDE_SOURCE_DIR "/data/asm/51/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void runFrames(benchmark::State& state, bool paint) {
    std::unique_ptr<BoardForm> form(boards::createBoardForm("QK740X"));
    form->resize(form->designedSize());
    boards::BoardRun run;
    const sim::AsmResult program = run.start(*form, 1, source("display.asm"), {"JX9>JLED", "JX15>JS"});
    if (!program.ok()) {
        state.SkipWithError("display.asm did not assemble");
        return;
    }
    QImage target(form->size(), QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer clock;
    clock.start();
    for (auto _ : state) {
        run.frame(1.0 / 60);
        if (paint) {
            form->render(&target);
            benchmark::DoNotOptimize(target.constBits());
        }
    }
    // The share of one core 60 such frames a second take, in per cent.
    state.counters["core_share_at_60fps_%"] = double(clock.nsecsElapsed()) / 1e9 / double(state.iterations()) * 60 * 100;
    state.SetLabel(paint ? "machine + instruments + repaint; target: share < 10 %"
                         : "machine + instruments only; compare BM_DisplayFrame");
}

void BM_DisplayFrame(benchmark::State& state) { runFrames(state, true); }
void BM_DisplayFrameWithoutPaint(benchmark::State& state) { runFrames(state, false); }

} // namespace

BENCHMARK(BM_DisplayFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayFrameWithoutPaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    errorreport::setReporter([](const QString&) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
