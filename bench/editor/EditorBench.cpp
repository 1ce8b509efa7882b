// The experiment editor's two costs a teacher feels: opening a catalogue of 1,000 experiments (target under
// 300 ms; compared with reading its rows alone) and a click pair on the board that adds a step and repaints
// (target under 16 ms, one frame).
#include "base/Fonts.h"
#include "editor/EditorWindow.h"
#include "engine/CatalogueSource.h"

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A catalogue of `count` experiments made from the shipped ones, names made unique.
QString bigCatalogue(const QTemporaryDir& dir, int count) {
    const QList<CatalogueRow> shipped =
        cataloguesource::readCatalogue(QStringLiteral(LABGUIDE_PROGRAM_DIR "/../work/QK740X.mdb"));
    QList<CatalogueRow> rows;
    for (int i = 0; i < count; ++i) {
        CatalogueRow r = shipped[i % shipped.size()];
        r.name += QStringLiteral(" %1").arg(i);
        rows << r;
    }
    const QString path = dir.filePath(QStringLiteral("QK740X.mdb"));
    cataloguesource::writeCatalogue(path, rows);
    return path;
}

void BM_OpenCatalogue1000(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = bigCatalogue(dir, 1000);
    editor::EditorWindow w;
    w.show();
    for (auto _ : state) {
        w.openCatalogue(path);
        QApplication::processEvents(); // the window repainted with the list and the first experiment
    }
    state.SetLabel("1,000 experiments, list + fields + board + previews shown; target < 300 ms; compare "
                   "BM_ReadRows1000");
}

void BM_ReadRows1000(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = bigCatalogue(dir, 1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(cataloguesource::readCatalogue(path));
    state.SetLabel("reading the rows alone, what BM_OpenCatalogue1000 is compared against");
}

void press(QWidget* area, QPoint at) {
    QMouseEvent down(QEvent::MouseButtonPress, at, area->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(area, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, area->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(area, &up);
}

void BM_ClickAddsStepAndRedraws(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = bigCatalogue(dir, static_cast<int>(state.range(0)));
    editor::EditorWindow w;
    w.resize(1200, 820);
    w.show();
    w.openCatalogue(path);
    w.showType(1);
    w.newExperiment(QStringLiteral("基准"));
    w.findChild<QTabWidget*>()->setCurrentIndex(1);
    w.chooseBoard(QStringLiteral("QK310X"));
    QApplication::processEvents();
    BoardForm* board = w.boardForm();
    const QRect a = board->componentRect(board->indexOf(QStringLiteral("SHP_P10")));
    const QRect b = board->componentRect(board->indexOf(QStringLiteral("SHP_P11")));
    const QList<CatalogueRow> start = w.experiments().rows;
    const int row = w.currentRow();
    for (auto _ : state) {
        press(board->boardArea(), a.center());
        press(board->boardArea(), b.center());
        QApplication::processEvents(); // the board, the step list and the check repainted
        if (w.stepList()->count() >= 30) {
            state.PauseTiming();
            w.applyRows(start, row);
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
    if (w.stepList()->count() == 0)
        state.SkipWithError("the clicks added no step");
    state.SetLabel("two clicks on QK310X, step added, drawn and repainted; target < 16 ms");
}

} // namespace

BENCHMARK(BM_OpenCatalogue1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRows1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickAddsStepAndRedraws)->Arg(49)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
