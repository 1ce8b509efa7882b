// The experiment panel against a small catalogue: showing a form, changing the type, choosing an experiment.
#include "base/ProgramFolder.h"
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "tests/boards/BoardsTestSupport.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using boardtest::makeForm;

namespace {

CatalogueRow row(const QString& name, int type, const QString& wiring) {
    CatalogueRow r = testsupport::catalogueRow(name, type, wiring);
    r.entry = "8000H";
    r.circuit = "c.jpg";
    r.flowChart = "f.jpg";
    r.purpose = "p";
    r.requirement = "r";
    r.description = "d";
    return r;
}

class CatalogueForm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        programfolder::setOverride(dir.path() + "/prog");
        cataloguesource::writeCatalogue(dir.path() + "/QK740X.mdb",
                                        {row("流水灯", 1, "JK0>JK8，JK16>JK24"), row("定时器", 1, ""),
                                         row("8255并口", 2, "CS1>Y0\r\nPA0>K1"), row("PCI卡", 4, "CS32O>JO0")},
                                        cataloguesource::DefaultPassword, {});
        connection = std::make_unique<CatalogueConnection>();
        engine::setCatalogue(connection.get());
        engine::CreateWiringSteps();
        ResetExperiment();
    }
    void TearDown() override {
        connection.reset();
        engine::setCatalogue(nullptr);
        engine::DestroyWiringSteps();
        ResetExperiment();
        programfolder::setOverride({});
        QDir::setCurrent(oldCwd);
    }
    void choose(BoardForm& f, int item) {
        f.cbExam()->setCurrentIndex(item);
        emit f.cbExam()->activated(item); // as the user's choice does
    }

    QTemporaryDir dir;
    QString oldCwd;
    std::unique_ptr<CatalogueConnection> connection;
    testsupport::ErrorRecorder errors;
};

} // namespace

TEST_F(CatalogueForm, ShowingTheFormFillsTheListOfItsType) {
    auto f = makeForm("QK620X");
    ExperimentRecord.CpuType = 1;
    f->show();
    EXPECT_EQ(ExperimentRecord.CpuType, 2);
    ASSERT_EQ(f->cbExam()->count(), 1);
    EXPECT_EQ(f->cbExam()->itemText(0), "8255并口");
    EXPECT_EQ(f->cbExam()->currentIndex(), -1); // no selection after a fill
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(CatalogueForm, ChoosingAnExperimentLoadsItAndSetsTheHint) {
    auto f = makeForm("QK740X");
    f->show();
    ASSERT_EQ(f->cbExam()->count(), 2);
    DrawWiringStep("JK0>JK8", *f, *f->boardArea());
    f->BitBtn_prev()->setEnabled(true);
    choose(*f, 0);
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join(";").toStdString();
    EXPECT_FALSE(f->boardArea()->connection().has_value()); // erased by the choice
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), "流水灯");
    EXPECT_EQ(f->st_tishi()->caption(), "实验接线表:[入口地址:8000H]\r" + QString("JK0>JK8，JK16>JK24"));
    EXPECT_EQ(f->st_tishi()->text(), "实验接线表:[入口地址:8000H]\n" + QString("JK0>JK8，JK16>JK24")); // on two lines
    EXPECT_EQ(StepIndex, -1);
    EXPECT_EQ(LastStep, 1);
    EXPECT_TRUE(f->BitBtn_next()->isEnabled());
    EXPECT_FALSE(f->BitBtn_prev()->isEnabled()); // QK740X disables it at every choice
    for (QPushButton* b : {f->BitBtn_yaoqiu(), f->BitBtn_result(), f->bbtn_descrip(), f->BitBtn_sch(), f->BitBtn_flow()})
        EXPECT_TRUE(b->isEnabled());
    f->BitBtn_next()->click();
    ASSERT_TRUE(f->boardArea()->connection().has_value());
    f->BitBtn_next()->click();
    EXPECT_FALSE(f->BitBtn_next()->isEnabled());
}

TEST_F(CatalogueForm, AnEmptyWiringTextEnablesNoStepAndOtherFormsKeepPrev) {
    auto f = makeForm("QK310X");
    f->show();
    f->BitBtn_prev()->setEnabled(true);
    choose(*f, 1); // 定时器, no wiring
    EXPECT_EQ(f->st_tishi()->caption(), "实验接线表:[入口地址:8000H]\r");
    EXPECT_EQ(LastStep, -1);
    EXPECT_FALSE(f->BitBtn_next()->isEnabled());
    EXPECT_TRUE(f->BitBtn_prev()->isEnabled()); // left as it was
    EXPECT_TRUE(f->bbtn_descrip()->isEnabled());
}

TEST_F(CatalogueForm, ChangingTheTypeEmptiesTheListAndDisablesTheButtons) {
    auto f = makeForm("QK740X");
    f->show();
    choose(*f, 0);
    const QString hint = f->st_tishi()->caption();
    DrawWiringStep("JK0>JK8", *f, *f->boardArea());
    f->BitBtn_prev()->setEnabled(true);
    f->RGTYPE()->button(1)->click(); // "88"
    EXPECT_EQ(ExperimentRecord.CpuType, 2);
    ASSERT_EQ(f->cbExam()->count(), 1);
    EXPECT_EQ(f->cbExam()->itemText(0), "8255并口");
    for (QPushButton* b : {f->BitBtn_prev(), f->BitBtn_next(), f->BitBtn_yaoqiu(), f->BitBtn_result(),
                           f->bbtn_descrip(), f->BitBtn_sch(), f->BitBtn_flow()})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(f->st_tishi()->caption(), hint);                // the hint stays
    EXPECT_TRUE(f->boardArea()->connection().has_value());    // and so does the connection
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), "流水灯"); // and the current experiment
    // Clicking the item already selected changes nothing.
    choose(*f, 0);
    f->RGTYPE()->button(1)->click();
    EXPECT_EQ(f->cbExam()->currentIndex(), 0);
    EXPECT_TRUE(f->bbtn_descrip()->isEnabled());
    f->RGTYPE()->button(3)->click();                          // "PCI"
    EXPECT_EQ(ExperimentRecord.CpuType, 4);
    EXPECT_EQ(f->cbExam()->itemText(0), "PCI卡");
    // Hiding and showing again refills for the type selected on the form.
    f->hide();
    ExperimentRecord.CpuType = 1;
    f->show();
    EXPECT_EQ(ExperimentRecord.CpuType, 4);
    EXPECT_EQ(f->RGTYPE()->itemIndex(), 3);
}

TEST_F(CatalogueForm, CatalogueFailuresReachTheErrorReportAndTheFormGoesOn) {
    auto f = makeForm("QK740X");
    f->show();
    choose(*f, 0);
    const QString hint = f->st_tishi()->caption();
    engine::setCatalogue(nullptr);
    f->BitBtn_prev()->setEnabled(true);
    choose(*f, 1);
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_EQ(f->st_tishi()->caption(), hint); // the rest of the handler did not run
    EXPECT_TRUE(f->BitBtn_prev()->isEnabled());
    f->RGTYPE()->button(2)->click();
    EXPECT_EQ(errors.texts().size(), 2);
    f->hide();
    f->show();
    EXPECT_EQ(errors.texts().size(), 3);
}
