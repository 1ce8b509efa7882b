// labedit's 试运行: the experiment runs with the wiring as edited, not as stored. 流水灯 (led.asm) lights
// L1 … L8 in turn, 200 ms each (the lab's own text for it, and the sim's reference run); with P10>L1
// deleted in the editor, L1 must stay dark while L2 still lights.
#include "tests/support/TestSupport.h"
#include "tests/window/WindowSupport.h"

#include "base/ProgramFolder.h"
#include "boards/BoardForm.h"
#include "boards/BoardRun.h"
#include "boards/RunLayer.h"
#include "editor/EditorWindow.h"
#include "editor/TrialRun.h"
#include "engine/CatalogueSource.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace testsupport;

TEST(EditorRun, TheEditedWiringIsTheOneThatRunsAndStopRestoresTheBoard) {
    QTemporaryDir work;
    const QString catalogue = work.filePath(QStringLiteral("QK740X.mdb"));
    ASSERT_TRUE(QFile::copy(workDir() + "/QK740X.mdb", catalogue));
    programfolder::setOverride(programDir());
    editor::EditorWindow w;
    w.tell = [](const QString& t) { ADD_FAILURE() << t.toStdString(); };
    w.askUnsaved = [] { return editor::EditorWindow::Answer::Discard; };
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.openCatalogue(catalogue));
    w.showType(1);
    const QString name = QStringLiteral("P1口输出 流水灯");
    for (int r : w.experiments().rowsOfType(1))
        if (w.experiments().rows[r].name == name)
            w.selectRow(r);
    ASSERT_EQ(w.experiments().rows[w.currentRow()].name, name);
    w.chooseBoard(QStringLiteral("QK740X"));
    BoardForm* board = w.boardForm();
    ASSERT_NE(board, nullptr);

    // The teacher deletes the first step with the list's own 删除.
    QListWidget* steps = w.stepList();
    ASSERT_EQ(steps->item(0)->text(), QStringLiteral("P10>L1"));
    steps->setCurrentRow(0);
    for (QPushButton* b : steps->parentWidget()->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("删除"))
            b->click();
    ASSERT_EQ(steps->count(), 7);
    ASSERT_TRUE(w.modified());

    editor::TrialRun* trial = w.trialRun();
    ASSERT_NE(trial, nullptr);
    ASSERT_TRUE(trial->runAction()->isEnabled()) << trial->runAction()->statusTip().toStdString();
    trial->runAction()->trigger();
    boards::BoardRun& run = trial->run();
    ASSERT_TRUE(run.active()) << trial->errorList()->count();
    ASSERT_EQ(run.form(), board);
    // Frames stepped by hand, past a whole round of the eight lamps (1.6 s of simulated time).
    double l1 = 0, l2 = 0;
    QElapsedTimer clock;
    clock.start();
    while (sim::toSeconds(run.lastSnapshot().time) < 2.0 && clock.elapsed() < 10000) {
        run.frame(0.1);
        l1 = std::max(l1, run.layer()->lamp(QStringLiteral("L1")));
        l2 = std::max(l2, run.layer()->lamp(QStringLiteral("L2")));
    }
    ASSERT_GE(sim::toSeconds(run.lastSnapshot().time), 2.0);
    EXPECT_EQ(l1, 0.0) << "L1 lit although its step was deleted";
    EXPECT_GE(l2, 0.5) << "L2 never lit";
    window::settle(50);
    window::saveShot(window::screenImage(&w), QStringLiteral("editor-run"));

    trial->stopAction()->trigger();
    EXPECT_FALSE(run.active());
    EXPECT_EQ(board->findChild<boards::RunLayer*>(), nullptr);
    EXPECT_FALSE(trial->stopAction()->isEnabled());

    // Another wiring edit ends a run; nothing of either reached the catalogue.
    trial->runAction()->trigger();
    ASSERT_TRUE(run.active());
    steps->setCurrentRow(0);
    for (QPushButton* b : steps->parentWidget()->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("删除"))
            b->click();
    EXPECT_FALSE(run.active());
    EXPECT_EQ(board->findChild<boards::RunLayer*>(), nullptr);
    for (const CatalogueRow& r : cataloguesource::readCatalogue(catalogue))
        if (r.cpuType == 1 && r.name == name) {
            EXPECT_TRUE(r.wiring.startsWith(QStringLiteral("P10>L1")));
        }
}
