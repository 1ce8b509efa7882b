// A step key to the repainted board (target within one frame, 16 ms): PgDn pressed in the experiment list
// runs "下一步"'s handler through the step keys, and the board frame with its instruments and the guide is
// repainted at once, with names on and with the whole wiring of 30 steps.
#include "app/mainform.h"
#include "base/ErrorReport.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/U_qk740x.h"
#include "engine/linksheet.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <benchmark/benchmark.h>

namespace {

void stepKey(benchmark::State& state, bool overview) {
    app::createForms();
    BoardForm* form = FRM_QK740X;
    mainform->DockedBoard = form;
    form->dockInto(mainform->pnl_dock);
    form->show();
    mainform->PageControl1->setCurrentWidget(mainform->TabSheet2);
    QCoreApplication::processEvents();
    QStringList terminals;
    for (const boards::Component& c : form->components())
        if (c.kind == boards::ComponentKind::Terminal)
            terminals << c.name.mid(4);
    WiringSteps->clear();
    for (int i = 0; i < 30; ++i)
        WiringSteps->append(
            (terminals[(i * 7) % terminals.size()] + ">" + terminals[(i * 53 + 101) % terminals.size()])
                .toLatin1());
    LastStep = 29;
    StepIndex = -1;
    boards::GuideOptions::instance().setOverview(overview);
    boards::BoardGuide::of(*form)->setWiring(QStringLiteral("实验"), *WiringSteps);
    form->BitBtn_next()->setEnabled(true);
    QWidget* list = form->cbExam();
    for (auto _ : state) {
        if (StepIndex == LastStep) { // start again from the first step
            StepIndex = -1;
            form->BitBtn_next()->setEnabled(true);
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
        form->Panel2()->repaint();
    }
    if (StepIndex < 0)
        state.SkipWithError("the key did not step");
    state.SetLabel(overview ? "whole wiring of 30 steps; target < 16 ms" : "labelled step; target < 16 ms");
    boards::GuideOptions::instance().setOverview(false);
    delete mainform;
}

void BM_StepKeyLabelled(benchmark::State& state) {
    stepKey(state, false);
}
void BM_StepKeyWholeWiring(benchmark::State& state) {
    stepKey(state, true);
}

} // namespace

BENCHMARK(BM_StepKeyLabelled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepKeyWholeWiring)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    errorreport::setReporter([](const QString&) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
