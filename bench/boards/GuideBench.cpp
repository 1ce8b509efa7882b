// The board guide's drawing: a labelled step with its plate (target under 100 us) and the whole wiring of a
// 30-step experiment with its numbers placed (target under 2 ms), each painted onto a picture of the board
// area's size as the overlay's paint event does. The numbers' placement, which the overlay keeps between
// paints, is also measured alone, and a 100-step wiring is shown for scale.
#include "base/ErrorReport.h"
#include "base/Fonts.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/BoardInfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace boards;

// `count` steps between terminals spread over board QK740X, a step shown in the middle.
struct Setup {
    std::unique_ptr<BoardForm> form{createBoardForm("QK740X")};
    BoardGuide* guide = BoardGuide::attach(*form);
    QImage target{form->boardArea()->size(), QImage::Format_ARGB32_Premultiplied};

    Setup(int count, bool overview) {
        GuideOptions::instance().setNames(true);
        GuideOptions::instance().setOverview(overview);
        QStringList terminals;
        for (const Component& c : form->components())
            if (c.kind == ComponentKind::Terminal)
                terminals << c.name.mid(4);
        QList<QByteArray> steps;
        for (int i = 0; i < count; ++i)
            steps << (terminals[(i * 7) % terminals.size()] + ">" +
                      terminals[(i * 53 + 101) % terminals.size()])
                         .toLatin1();
        guide->setWiring(QStringLiteral("实验"), steps);
        const int shown = count / 2;
        DrawWiringStep(steps[shown], *form, *form->boardArea());
        guide->setShownStep(shown);
        target.fill(Qt::transparent);
    }
};

void paintScene(benchmark::State& state, int count, bool overview, bool placeEachTime) {
    Setup s(count, overview);
    const GuideScene scene = s.guide->scene();
    const NumberPlaces kept = placeNumbers(scene);
    for (auto _ : state) {
        QPainter p(&s.target);
        if (placeEachTime) {
            const NumberPlaces numbers = placeNumbers(scene);
            paintGuide(p, scene, &numbers);
        } else {
            paintGuide(p, scene, &kept);
        }
        benchmark::DoNotOptimize(s.target.constBits());
    }
    state.counters["hidden numbers"] = kept.hidden;
}

void BM_LabelledStep(benchmark::State& state) {
    paintScene(state, 16, false, false);
    state.SetLabel("names, plate and the connection's copy; target < 100 us");
}
void BM_WholeWiring30(benchmark::State& state) {
    paintScene(state, 30, true, true);
    state.SetLabel("30 steps, numbers placed and painted; target < 2 ms");
}
void BM_WholeWiring30KeptNumbers(benchmark::State& state) {
    paintScene(state, 30, true, false);
    state.SetLabel("30 steps painted with the places the overlay keeps; compare BM_WholeWiring30");
}
void BM_PlaceNumbers30(benchmark::State& state) {
    Setup s(30, true);
    const GuideScene scene = s.guide->scene();
    for (auto _ : state)
        benchmark::DoNotOptimize(placeNumbers(scene).hidden);
    state.SetLabel("placement alone");
}
void BM_WholeWiring100(benchmark::State& state) {
    paintScene(state, 100, true, true);
    state.SetLabel("100 steps, for scale (no target)");
}

// What the layer costs while nothing changes: a turning motor repaints many times a second, and the layer
// above it repaints with it (from its kept picture).
void BM_MotorRepaintUnderWholeWiring(benchmark::State& state) {
    Setup s(30, true);
    s.form->show();
    for (int i = 0; i < 200 && !(s.form->windowHandle() && s.form->windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QWidget* motor = nullptr;
    for (int i = 0; i < s.form->componentCount() && !motor; ++i)
        if (s.form->components()[i].widgetClass == u"TiMotor")
            motor = s.form->widgetOf(i);
    if (!motor) {
        state.SkipWithError("no motor on the board");
        return;
    }
    motor->repaint();
    for (auto _ : state)
        motor->repaint();
    // Without the layer, for comparison, in the same run.
    s.guide->hide();
    QElapsedTimer clock;
    clock.start();
    const int n = 2000;
    for (int i = 0; i < n; ++i)
        motor->repaint();
    state.counters["without layer us"] = clock.nsecsElapsed() / 1e3 / n;
    state.SetLabel("one motor's repaint with the 30-step wiring above it; compare: without the layer");
}

} // namespace

BENCHMARK(BM_MotorRepaintUnderWholeWiring)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabelledStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeWiring30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeWiring30KeptNumbers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlaceNumbers30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeWiring100)->Unit(benchmark::kMicrosecond);

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
