// The board view forms: panels and their controls, the step buttons, the document and block buttons.
#include "base/ProgramFolder.h"
#include "boards/BoardInfo.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "tests/boards/BoardsTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace boards;
using boardtest::component;
using boardtest::makeForm;

namespace {

QList<QPushButton*> panelButtons(const BoardForm& f) {
    return {f.BitBtn_prev(), f.BitBtn_next(), f.BitBtn_yaoqiu(), f.BitBtn_result(), f.bbtn_descrip(), f.BitBtn_sch(),
            f.BitBtn_flow()};
}

QPoint centreOf(const BoardForm& f, const QString& terminal) {
    const QRect r = f.componentRect(f.indexOf(terminal));
    return {r.left() + r.width() / 2, r.top() + r.height() / 2};
}

// The step list as the engine keeps it, replaced for one test.
class StepFixture : public ::testing::Test {
protected:
    void SetUp() override {
        engine::CreateWiringSteps();
        ResetExperiment();
    }
    void TearDown() override {
        engine::DestroyWiringSteps();
        ResetExperiment();
    }
    void steps(const QList<QByteArray>& list) {
        *WiringSteps = list;
        LastStep = static_cast<int>(list.size()) - 1;
        StepIndex = -1;
    }
};

} // namespace

TEST(BoardForms, ClassesCaptionsAndSizes) {
    struct Expect {
        const char* board;
        const char* cls;
        const char* instance;
        const char* caption;
        QSize client;
        bool fixed;
    };
    const Expect expects[] = {{"QK740X", "TFRM_QK740X", "FRM_QK740X", "QK740X", {803, 605}, true},
                              {"QK620X", "TFrm_620x", "Frm_620x", "QK620X", {799, 604}, false},
                              {"QK310X", "TFrm310x1", "Frm310x1", "310X+", {798, 605}, false},
                              {"QK930X", "Tfrm8086", "frm8086", "930X", {803, 611}, false}};
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.board);
        auto f = makeForm(e.board);
        EXPECT_STREQ(f->metaObject()->className(), e.cls);
        EXPECT_EQ(f->objectName(), e.instance);
        EXPECT_EQ(f->windowTitle(), e.caption);
        EXPECT_TRUE(f->isWindow());
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(f->size(), e.client);
        EXPECT_EQ(f->minimumSize() == f->maximumSize(), e.fixed);
        // The frame fills what the panel leaves; the board area fills the frame's inner area from 1,1.
        EXPECT_EQ(f->Panel2()->geometry(), QRect(0, f->layout().panel.height, e.client.width(),
                                                 e.client.height() - f->layout().panel.height));
        EXPECT_EQ(f->boardArea()->geometry(), QRect(QPoint(1, 1), f->layout().areaSize));
        EXPECT_EQ(f->boardArea()->objectName(), "pnl_dock");
    }
    // The board areas as designed.
    EXPECT_EQ(makeForm("QK740X")->boardArea()->size(), QSize(801, 506));
    EXPECT_EQ(makeForm("QK620X")->boardArea()->size(), QSize(797, 505));
    EXPECT_EQ(makeForm("QK310X")->boardArea()->size(), QSize(796, 506));
    EXPECT_EQ(makeForm("QK930X")->boardArea()->size(), QSize(801, 504));
}

TEST(BoardForms, ProgramWideReferencesAreClearedWithTheirForm) {
    FRM_QK740X = new TFRM_QK740X();
    delete FRM_QK740X;
    EXPECT_EQ(FRM_QK740X, nullptr);
}

TEST(BoardForms, ExperimentPanelOfQK740X) {
    auto f = makeForm("QK740X");
    EXPECT_EQ(f->Panel1()->geometry(), QRect(0, 0, 803, 97));
    EXPECT_EQ(f->RGTYPE()->geometry(), QRect(16, 8, 281, 33));
    EXPECT_EQ(f->RGTYPE()->title(), "实验类型");
    EXPECT_EQ(f->RGTYPE()->count(), 4);
    EXPECT_EQ(f->RGTYPE()->item(3), "PCI");
    EXPECT_EQ(f->RGTYPE()->itemIndex(), 0);
    // Four columns: the items stand side by side.
    EXPECT_EQ(f->RGTYPE()->button(0)->y(), f->RGTYPE()->button(3)->y());
    EXPECT_LT(f->RGTYPE()->button(0)->x(), f->RGTYPE()->button(1)->x());
    EXPECT_EQ(f->Label1()->geometry(), QRect(8, 76, 65, 17));
    EXPECT_EQ(f->Label1()->text(), "实验名称");
    EXPECT_TRUE(f->Label1()->font().bold());
    EXPECT_EQ(f->cbExam()->pos(), QPoint(72, 72));
    EXPECT_EQ(f->cbExam()->width(), 225);
    EXPECT_FALSE(f->cbExam()->isEditable());
    EXPECT_EQ(f->cbExam()->count(), 0);
    EXPECT_EQ(f->st_tishi()->geometry(), QRect(304, 0, 497, 65));
    EXPECT_EQ(f->st_tishi()->caption(), "实验提示:");
    EXPECT_EQ(f->st_tishi()->font().family(), "Courier New");
    EXPECT_EQ(f->st_tishi()->font().pixelSize(), 12);
    EXPECT_EQ(f->st_tishi()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    const QRect places[] = {{304, 66, 65, 27}, {377, 66, 64, 27}, {449, 66, 60, 27}, {516, 67, 59, 26},
                            {582, 68, 69, 25}, {656, 67, 65, 26}, {727, 67, 66, 26}};
    const char* captions[] = {"前一步", "下一步", "实验要求", "实验目的", "实验说明", "实验电路", "实验流程图"};
    const auto buttons = panelButtons(*f);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(buttons[i]->geometry(), places[i]) << captions[i];
        EXPECT_EQ(buttons[i]->text(), QString::fromUtf8(captions[i]));
        EXPECT_FALSE(buttons[i]->isEnabled());
    }
    EXPECT_FALSE(f->BitBtn_prev()->icon().isNull());
    EXPECT_FALSE(f->BitBtn_next()->icon().isNull());
}

TEST(BoardForms, ExperimentPanelDifferencesOfTheOtherForms) {
    auto f620 = makeForm("QK620X");
    EXPECT_EQ(f620->Panel1()->width(), 799);
    EXPECT_EQ(f620->st_tishi()->size(), QSize(489, 65));
    EXPECT_EQ(f620->RGTYPE()->count(), 2);
    EXPECT_EQ(f620->cpuTypeOfItem(0), 2);
    EXPECT_EQ(f620->cpuTypeOfItem(1), 4);
    auto f310 = makeForm("QK310X");
    EXPECT_EQ(f310->Panel1()->width(), 798);
    EXPECT_EQ(f310->st_tishi()->size(), QSize(489, 65));
    EXPECT_EQ(f310->RGTYPE()->count(), 1);
    EXPECT_EQ(f310->selectedCpuType(), 1);
    auto f930 = makeForm("QK930X");
    EXPECT_EQ(f930->Panel1()->geometry(), QRect(0, 0, 803, 105));
    EXPECT_EQ(f930->st_tishi()->geometry(), QRect(304, 0, 489, 73));
    EXPECT_EQ(f930->Label1()->pos(), QPoint(8, 84));
    EXPECT_EQ(f930->cbExam()->pos(), QPoint(72, 80));
    EXPECT_EQ(f930->BitBtn_prev()->geometry(), QRect(304, 74, 65, 27));
    EXPECT_EQ(f930->BitBtn_flow()->geometry(), QRect(727, 75, 66, 26));
    EXPECT_EQ(f930->RGTYPE()->geometry(), QRect(16, 8, 281, 33)); // the type selector does not move
    EXPECT_EQ(f930->selectedCpuType(), 2);
    auto f740 = makeForm("QK740X");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f740->cpuTypeOfItem(i), i + 1);
}

TEST(BoardForms, DockingKeepsTheDesignedSize) {
    QWidget host;
    host.resize(900, 700);
    auto f = makeForm("QK620X");
    f->dockInto(&host);
    EXPECT_FALSE(f->isWindow());
    EXPECT_EQ(f->parentWidget(), &host);
    EXPECT_EQ(f->geometry(), QRect(0, 0, 799, 604));
    EXPECT_EQ(f->boardArea()->size(), QSize(797, 505));
    f->setParent(nullptr); // the host goes first
}

TEST_F(StepFixture, StepTableDrivenThroughTheButtons) {
    auto f = makeForm("QK740X");
    steps({"JK0>JK8", "5V>GND", "CS1>Y0"});
    f->BitBtn_next()->setEnabled(true);
    struct Row {
        QPushButton* button;
        QString from, to;
        int indexAfter;
        bool nextOn, prevOn;
    };
    const Row rows[] = {{f->BitBtn_next(), "SHP_JK0", "SHP_JK8", 0, true, true},
                        {f->BitBtn_next(), "SHP_5V", "SHP_GND", 1, true, true},
                        {f->BitBtn_next(), "SHP_CS1", "SHP_Y0", 2, false, true},
                        {f->BitBtn_prev(), "SHP_CS1", "SHP_Y0", 1, true, true},
                        {f->BitBtn_prev(), "SHP_5V", "SHP_GND", 0, true, true},
                        {f->BitBtn_prev(), "SHP_JK0", "SHP_JK8", -1, true, false}};
    int row = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(row++);
        ASSERT_TRUE(r.button->isEnabled());
        f->boardArea()->Refresh();
        r.button->click();
        const auto& c = f->boardArea()->connection();
        ASSERT_TRUE(c.has_value());
        EXPECT_EQ(c->from, centreOf(*f, r.from));
        EXPECT_EQ(c->to, centreOf(*f, r.to));
        EXPECT_EQ(StepIndex, r.indexAfter);
        EXPECT_EQ(f->BitBtn_next()->isEnabled(), r.nextOn);
        EXPECT_EQ(f->BitBtn_prev()->isEnabled(), r.prevOn);
    }
    // Centres use the final sizes: a horizontal bar at 139,165 is 30 x 5.
    EXPECT_EQ(centreOf(*f, "SHP_JK0"), QPoint(154, 167));
}

TEST_F(StepFixture, OneStepAndNoSteps) {
    auto f = makeForm("QK620X");
    steps({"JK0>JK0"});
    f->BitBtn_next()->setEnabled(true);
    f->BitBtn_next()->click();
    ASSERT_TRUE(f->boardArea()->connection().has_value());
    EXPECT_EQ(f->boardArea()->connection()->from, f->boardArea()->connection()->to); // both names equal
    EXPECT_FALSE(f->BitBtn_next()->isEnabled());
    EXPECT_TRUE(f->BitBtn_prev()->isEnabled());
    f->BitBtn_prev()->click();
    EXPECT_EQ(StepIndex, -1);
    EXPECT_FALSE(f->BitBtn_prev()->isEnabled());
    EXPECT_TRUE(f->BitBtn_next()->isEnabled());

    // After a model choice: old entries, LastStep -1, "下一步" still enabled from before.
    f->boardArea()->Refresh();
    *WiringSteps = {"JK0>JK8"};
    LastStep = -1;
    StepIndex = -1;
    f->BitBtn_next()->setEnabled(true);
    f->BitBtn_next()->click();
    EXPECT_FALSE(f->boardArea()->connection().has_value());
    EXPECT_EQ(StepIndex, -1);
    EXPECT_FALSE(f->BitBtn_next()->isEnabled());
    EXPECT_FALSE(f->BitBtn_prev()->isEnabled());
}

TEST_F(StepFixture, UndrawableStepsLeaveTheEarlierConnection) {
    auto f = makeForm("QK740X");
    steps({"jk0 > Jk8", "JK0>NOSUCH", "", "JK0", ">", "rst>GND", "JK8>jk16"});
    f->BitBtn_next()->setEnabled(true);
    f->BitBtn_next()->click(); // any letter case on both sides
    ASSERT_TRUE(f->boardArea()->connection().has_value());
    const LinkConnection first = *f->boardArea()->connection();
    EXPECT_EQ(first.from, centreOf(*f, "SHP_JK0"));
    EXPECT_EQ(first.to, centreOf(*f, "SHP_JK8"));
    // A missing name, an empty step, one without ">", a lone ">" and a step of board QK620X draw nothing.
    for (int i = 1; i <= 5; ++i) {
        f->BitBtn_next()->click();
        EXPECT_EQ(StepIndex, i);
        ASSERT_TRUE(f->boardArea()->connection().has_value());
        EXPECT_EQ(*f->boardArea()->connection(), first);
    }
    f->BitBtn_next()->click();
    EXPECT_EQ(f->boardArea()->connection()->to, centreOf(*f, "SHP_JK16"));
    EXPECT_FALSE(f->BitBtn_next()->isEnabled());
}

TEST_F(StepFixture, AShortStepListDrawsNothingInsteadOfReadingPastIt) {
    auto f = makeForm("QK740X");
    *WiringSteps = {"JK0>JK8"};
    LastStep = 2; // claims more steps than the list holds
    StepIndex = 0;
    f->BitBtn_next()->setEnabled(true);
    f->BitBtn_next()->click();
    EXPECT_EQ(StepIndex, 1);
    EXPECT_FALSE(f->boardArea()->connection().has_value());
    engine::DestroyWiringSteps(); // and no list at all
    f->BitBtn_next()->click();
    EXPECT_EQ(StepIndex, 2);
    EXPECT_FALSE(f->BitBtn_next()->isEnabled());
    engine::CreateWiringSteps();
}

TEST_F(StepFixture, StepsNameTerminalsOfTheirOwnBoardInAnyCase) {
    auto f = makeForm("QK310X");
    steps({"JX10>GND", "jx10>gnd", "wakeup>Nrst"});
    f->BitBtn_next()->setEnabled(true);
    f->BitBtn_next()->click();
    ASSERT_TRUE(f->boardArea()->connection().has_value());
    EXPECT_EQ(f->boardArea()->connection()->from, centreOf(*f, "SHP_Jx10"));
    EXPECT_EQ(f->boardArea()->connection()->to, centreOf(*f, "SHP_GND"));
    f->boardArea()->Refresh();
    f->BitBtn_next()->click();
    EXPECT_TRUE(f->boardArea()->connection().has_value());
    f->BitBtn_next()->click();
    EXPECT_EQ(f->boardArea()->connection()->to, centreOf(*f, "shp_nrst"));
    // On QK740X, T2UP and P26 end at the same point.
    auto f740 = makeForm("QK740X");
    EXPECT_EQ(centreOf(*f740, "SHP_T2UP"), centreOf(*f740, "SHP_P26"));
}

TEST(BoardForms, DocumentButtonsShowTheCurrentExperiment) {
    boardtest::ViewerRecorder viewers;
    QTemporaryDir dir;
    programfolder::setOverride(dir.path());
    ASSERT_TRUE(testsupport::writeFile(dir.path() + "/pic/Circuit.JPG", "x"));
    ResetExperiment();
    ExperimentRecord.ExperimentName.assign(gbk::encode(u"流水灯"));
    ExperimentRecord.Requirement.assign(gbk::encode(u"要求"));
    ExperimentRecord.Purpose.assign(gbk::encode(u"目的"));
    ExperimentRecord.CircuitPicture.assign("circuit.jpg"); // found without regard to letter case
    ExperimentRecord.FlowChartPicture.assign("missing.jpg");
    Description = gbk::encode(u"说明\r\n第二行");
    auto f = makeForm("QK930X");
    for (QPushButton* b : panelButtons(*f))
        b->setEnabled(true);
    f->BitBtn_yaoqiu()->click();
    f->bbtn_descrip()->click();
    f->BitBtn_result()->click();
    f->BitBtn_sch()->click();
    f->BitBtn_flow()->click(); // no such file: nothing at all
    ExperimentRecord.CircuitPicture.clear();
    f->BitBtn_sch()->click(); // the pic folder itself is no picture
    ASSERT_EQ(viewers.calls.size(), 4);
    EXPECT_EQ(viewers.calls[0], "text|实验要求: 流水灯|要求");
    EXPECT_EQ(viewers.calls[1], "text|实验说明: 流水灯|说明\r\n第二行");
    EXPECT_EQ(viewers.calls[2], "text|实验目的: 流水灯|目的");
    EXPECT_EQ(viewers.calls[3], "picture|" + dir.path() + "/pic/Circuit.JPG|电路图: 流水灯");
    programfolder::setOverride({});
    ResetExperiment();
    Description.clear();
}

TEST(BoardForms, BlockClicksOpenReferencePicturesWhereWired) {
    boardtest::ViewerRecorder viewers;
    auto f = makeForm("QK740X");
    QWidget* area = f->boardArea();
    auto clickBlock = [&](const char* name) {
        const QRect r = component(*f, name).rect;
        // A corner of the block, away from any terminal on it.
        boardtest::click(area, r.topLeft() + QPoint(1, 1));
    };
    clickBlock("sb_cpu");
    clickBlock("sb_pci32");      // not wired
    clickBlock("SpeedButton14"); // not wired
    clickBlock("SpeedButton20");
    clickBlock("sbdcmotor");
    clickBlock("Sb_0809");
    clickBlock("sb_8253");
    clickBlock("sb_clk");
    EXPECT_EQ(viewers.calls, QStringList({"reference|cpu.jpg|CPU区域", "reference|edButton20.jpg|可调直流电压",
                                          "reference|cmotor.jpg|32位开关输入", "reference|0809.jpg|0809",
                                          "reference|8253.jpg| 8253", "reference|clk.jpg|"}));
    // A press on a terminal is not a block press.
    viewers.calls.clear();
    boardtest::click(area, centreOf(*f, "SHP_CS1"));
    EXPECT_TRUE(viewers.calls.isEmpty());
    // Pressed, moved off and released elsewhere: no click.
    const QRect cpu = component(*f, "sb_cpu").rect;
    boardtest::press(area, cpu.topLeft() + QPoint(2, 2));
    EXPECT_EQ(f->boardArea()->pressedBlock(), f->indexOf("sb_cpu"));
    boardtest::release(area, QPoint(790, 500));
    EXPECT_TRUE(viewers.calls.isEmpty());
    EXPECT_EQ(f->boardArea()->pressedBlock(), -1);
    // QK620X: blocks marked unwired do nothing.
    auto f620 = makeForm("QK620X");
    boardtest::click(f620->boardArea(), component(*f620, "sb_io").rect.topLeft() + QPoint(1, 1));
    boardtest::click(f620->boardArea(), component(*f620, "sb_clk").rect.topLeft() + QPoint(1, 1));
    EXPECT_TRUE(viewers.calls.isEmpty());
}

TEST(BoardForms, TheSpeakerHandlerOfQK930XDoesTheSame) {
    boardtest::ViewerRecorder viewers;
    auto f = makeForm("QK930X");
    EXPECT_EQ(f->layout().blockHandler, "sb_speakerClick");
    f->sb_speakerClick(f->indexOf("SB_CZ4"));
    f->sb_speakerClick(f->indexOf("SpeedButton35")); // not wired
    f->sb_speakerClick(f->indexOf("SHP_5V"));        // a terminal has no click
    f->sb_speakerClick(-1);
    f->sb_speakerClick(100000);
    EXPECT_EQ(viewers.calls, QStringList({"reference|CZ4.jpg|EP2及打印接口"}));
}

TEST(BoardForms, BlockClicksGoToTheProgramsPictureViewer) {
    // No viewer window exists in this test program, so the viewer's own error reaches the report.
    testsupport::ErrorRecorder errors;
    auto f = makeForm("QK740X");
    boardtest::click(f->boardArea(), component(*f, "sb_cpu").rect.topLeft() + QPoint(1, 1));
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_TRUE(errors.texts()[0].contains("viewer")) << errors.texts()[0].toStdString();
}
