// Board area costs: a full repaint at the designed size (target under 1 ms, with the cached picture of the
// drawn elements against painting every element each time), finding a step's terminals and drawing it on
// the largest board (target under 100 us), and the hint hit-test run for every mouse move. Zoomed: a full
// repaint at 200 % (target under 4 ms) and a change of zoom up to the repainted board (within one 60 Hz
// frame, 16.7 ms).
#include "base/ErrorReport.h"
#include "base/Fonts.h"
#include "base/Zoom.h"
#include "boards/BoardForm.h"
#include "boards/BoardInfo.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<BoardForm> form(const char* board) { return std::unique_ptr<BoardForm>(boards::createBoardForm(board)); }

// Renders the board area the way a paint event does, into an image of its designed size: the drawn
// elements, the connection and, with `children`, the instrument widgets on the area.
void repaint(benchmark::State& state, bool cached, bool children = true, double zoom = 1.0) {
    auto f = form("QK740X");
    f->setZoom(zoom);
    boards::BoardArea* area = f->boardArea();
    area->setCaching(cached);
    DrawWiringStep("JK0>R0", *f, *area);
    QImage target(area->size(), QImage::Format_ARGB32_Premultiplied);
    const QWidget::RenderFlags flags = children ? QWidget::RenderFlags(QWidget::DrawWindowBackground | QWidget::DrawChildren)
                                                : QWidget::RenderFlags(QWidget::DrawWindowBackground);
    area->render(&target, QPoint(), QRegion(), flags); // the first paint builds the cached picture
    for (auto _ : state) {
        area->render(&target, QPoint(), QRegion(), flags);
        benchmark::DoNotOptimize(target.constBits());
    }
    if (zoom != 1.0)
        state.SetLabel("cached elements + instruments at 200 %; target < 4 ms");
    else if (!children)
        state.SetLabel("cached elements without the instrument widgets");
    else
        state.SetLabel(cached ? "cached elements + instruments; target < 1 ms; compare BM_RepaintEveryElement"
                              : "every element painted + instruments; what BM_RepaintCached is compared against");
}

void BM_RepaintCached(benchmark::State& state) { repaint(state, true); }
void BM_RepaintEveryElement(benchmark::State& state) { repaint(state, false); }
void BM_RepaintElementsOnly(benchmark::State& state) { repaint(state, true, false); }
void BM_RepaintAt200(benchmark::State& state) { repaint(state, true, true, 2.0); }

// 放大 and 缩小 in turn between 175 % and 200 %, each followed by the repaint that shows the board.
void BM_ZoomChangeAndRepaint(benchmark::State& state) {
    auto f = form("QK740X");
    boards::BoardArea* area = f->boardArea();
    DrawWiringStep("JK0>R0", *f, *area);
    QImage target(zoom::scaled(area->size(), 2.0), QImage::Format_ARGB32_Premultiplied);
    const auto flags = QWidget::RenderFlags(QWidget::DrawWindowBackground | QWidget::DrawChildren);
    bool up = true;
    for (auto _ : state) {
        f->setZoom(up ? 2.0 : 1.75);
        up = !up;
        area->render(&target, QPoint(), QRegion(), flags);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel("175 % <-> 200 %, relayout + first repaint; target < 16.7 ms (one frame)");
}

// The two terminals stored last on board QK740X, so the search walks every component.
void BM_FindAndDrawStep(benchmark::State& state) {
    auto f = form("QK740X");
    boards::BoardArea* area = f->boardArea();
    bool drawn = false;
    for (auto _ : state)
        drawn = DrawWiringStep("r0 > a", *f, *area);
    if (!drawn)
        state.SkipWithError("the step's terminals were not found");
    state.SetLabel("QK740X, last two terminals; target < 100 us");
}

void BM_FindDrawAndPaintStep(benchmark::State& state) {
    auto f = form("QK740X");
    boards::BoardArea* area = f->boardArea();
    QImage target(area->size(), QImage::Format_ARGB32_Premultiplied);
    area->render(&target);
    for (auto _ : state) {
        DrawWiringStep("r0 > a", *f, *area);
        area->render(&target);
    }
    state.SetLabel("the same with the repaint that shows it; target < 100 us + one repaint");
}

// One hit-test per mouse move, over a grid of points across the board area.
void BM_HintHitTest(benchmark::State& state) {
    auto f = form("QK740X");
    const boards::BoardArea* area = f->boardArea();
    QList<QPoint> points;
    for (int y = 0; y < area->height(); y += 7)
        for (int x = 0; x < area->width(); x += 7)
            points << QPoint(x, y);
    qsizetype i = 0, shown = 0;
    for (auto _ : state) {
        shown += !area->hintAt(points[i]).isEmpty();
        if (++i == points.size())
            i = 0;
    }
    benchmark::DoNotOptimize(shown);
    state.SetLabel("per mouse move, QK740X, every block and terminal");
}

} // namespace

BENCHMARK(BM_RepaintCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintEveryElement)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintElementsOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintAt200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZoomChangeAndRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindAndDrawStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindDrawAndPaintStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HintHitTest)->Unit(benchmark::kNanosecond);

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
