// The experiment editor as a teacher uses it: a new experiment for the QK310X+ board wired by clicking two
// terminals on the drawn board, saved, then loaded by the engine as labguide loads it.
#include "tests/support/TestSupport.h"
#include "tests/window/WindowSupport.h"

#include "base/ProgramFolder.h"
#include "boards/BoardGuide.h"
#include "boards/BoardForm.h"
#include "editor/EditorWindow.h"
#include "editor/PicturePreview.h"
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "engine/linksheet.h"
#include "source/SynEdit.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace testsupport;

TEST(EditorWalk, ClickTwoTerminalsOnQK310XSaveAndLoadInLabguide) {
    QTemporaryDir work;
    const QString catalogue = work.filePath(QStringLiteral("QK740X.mdb"));
    ASSERT_TRUE(QFile::copy(workDir() + "/QK740X.mdb", catalogue));
    const int shipped = int(cataloguesource::readCatalogue(catalogue).size());

    programfolder::setOverride(programDir()); // where labedit runs from
    editor::EditorWindow w;
    QStringList told;
    w.tell = [&](const QString& t) { told << t; };
    w.confirm = [](const QString&) { return true; };
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.openCatalogue(catalogue));
    w.showType(1);
    const QString name = QStringLiteral("点击接线的实验");
    ASSERT_TRUE(w.newExperiment(name));
    w.selectRow(0); // an experiment as shipped, for the look of the fields
    window::settle(100);
    window::saveShot(window::screenImage(&w), QStringLiteral("editor-fields"));
    // Its source and circuit are previewed from the program folder, the working folder having none.
    EXPECT_GT(w.sourcePreview()->lineCount(), 10);
    EXPECT_FALSE(w.circuitPreview()->image().isNull());
    w.findChild<QTabWidget*>()->setCurrentIndex(3);
    window::settle(100);
    window::saveShot(window::screenImage(&w), QStringLiteral("editor-circuit"));
    w.showType(1);
    w.selectRow(w.experiments().rowsOfType(1).last());
    ASSERT_EQ(w.experiments().rows[w.currentRow()].name, name);
    w.findChild<QTabWidget*>()->setCurrentIndex(1);
    w.chooseBoard(QStringLiteral("QK310X"));
    BoardForm* board = w.boardForm();
    ASSERT_NE(board, nullptr);
    window::settle(100);

    // Two terminals a click reaches (the topmost element at their centre).
    boards::BoardArea* area = board->boardArea();
    QList<int> terminals;
    for (int i = 0; i < board->componentCount() && terminals.size() < 2; ++i)
        if (board->components()[i].kind == boards::ComponentKind::Terminal &&
            area->elementAt(board->componentRect(i).center()) == i)
            terminals << i;
    ASSERT_EQ(terminals.size(), 2);
    const QString first = board->componentName(terminals[0]).mid(4).toUpper();
    const QString second = board->componentName(terminals[1]).mid(4).toUpper();
    for (int t : terminals) {
        QTest::mouseClick(area, Qt::LeftButton, {}, board->componentRect(t).center());
        window::settle();
    }
    const QString step = first + '>' + second;
    ASSERT_EQ(w.stepList()->count(), 1);
    EXPECT_EQ(w.stepList()->item(0)->text(), step);
    // The new step is selected and drawn as labguide draws it: red circles on both terminals.
    window::settle(100);
    const QImage shot = window::screenImage(&w);
    window::saveShot(shot, QStringLiteral("editor-wiring"));
    for (int t : terminals) {
        const QPoint centre = area->mapTo(&w, board->componentRect(t).center());
        EXPECT_GT(window::redPixelsAround(shot, centre), 0) << "no circle on " << t;
    }
    // Labelled as labguide labels a step.
    ASSERT_NE(boards::BoardGuide::of(*board), nullptr);
    EXPECT_EQ(boards::BoardGuide::of(*board)->plateText(),
              QStringLiteral("第1步/共1步  %1 → %2").arg(first, second));
    EXPECT_TRUE(w.checkLabel()->text().startsWith(QStringLiteral("接线 %1/255 字节").arg(step.size())));

    ASSERT_TRUE(w.save()) << told.join('\n').toStdString();
    EXPECT_FALSE(w.modified());
    EXPECT_TRUE(QFile::exists(catalogue + ".bak"));

    // labguide's load of the saved catalogue.
    CatalogueConnection connection(
        cataloguesource::connectionString(catalogue, cataloguesource::DefaultPassword, true));
    engine::setCatalogue(&connection);
    engine::CreateWiringSteps();
    ExperimentRecord.CpuType = Cpu51;
    LoadExperiment(name, Cpu51);
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), name);
    ASSERT_EQ(WiringSteps->size(), 1);
    EXPECT_EQ(WiringSteps->first(), step.toLatin1());
    EXPECT_EQ(LastStep, 0);
    // While labguide holds it, the editor says so and saves nothing.
    told.clear();
    w.duplicateExperiment();
    EXPECT_FALSE(w.save());
    EXPECT_EQ(told, QStringList{editor::inUseText()});
    engine::DestroyWiringSteps();
    engine::setCatalogue(nullptr);
    connection.close();
    EXPECT_EQ(cataloguesource::readCatalogue(catalogue).size(), shipped + 1);
}
