// The run controller's start, stop and restart paths on a board form (offscreen): what it refuses, what a
// stopped run leaves behind, and what the plate says when the program stops for good or the wiring has a
// conflict. The 8051's behaviour itself is checked against s51 in the sim tests; the undefined opcode A5H
// and the conflict rule (two outputs at opposite levels) are the Intel data book's.
#include "boards/BoardInfo.h"
#include "boards/BoardRun.h"
#include "boards/FrontPanel.h"
#include "sim/Machine.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<BoardForm> board(const char* name) { return std::unique_ptr<BoardForm>(boards::createBoardForm(name)); }

int twins(const BoardForm& form) {
    int n = 0;
    for (const QWidget* w : form.findChildren<QWidget*>())
        n += w->objectName().endsWith(QStringLiteral("_run"));
    return n;
}

} // namespace

TEST(BoardRun, RefusesWhatCannotRunWithTheReason) {
    QString why;
    EXPECT_FALSE(boards::BoardRun::canRun(nullptr, 1, &why));
    EXPECT_EQ(why, QStringLiteral("请先选择产品型号"));
    auto other = board("QK620X");
    EXPECT_FALSE(boards::BoardRun::canRun(other.get(), 1, &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("本板没有电路文件"))) << why.toStdString();
    auto qk740x = board("QK740X");
    EXPECT_TRUE(boards::BoardRun::canRun(qk740x.get(), 1, &why)) << why.toStdString();
    EXPECT_FALSE(boards::BoardRun::canRun(qk740x.get(), 3, &why));
    EXPECT_EQ(why, QStringLiteral("本类型暂不能虚拟运行"));
}

TEST(BoardRun, StopAndRestartLeaveNothingBehindAndGiveTheFrontPanelBack) {
    auto form = board("QK740X");
    boards::FrontPanel* panel = boards::FrontPanel::of(*form);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->Timer1()->isActive());
    boards::BoardRun run;
    const QByteArray program = "ORG 0\nLOOP: CPL P1.0\n SJMP LOOP\nEND\n";
    // The first run makes the value controls, kept hidden from then on; later runs add nothing.
    ASSERT_TRUE(run.start(*form, 1, program, {"P10>L1"}).ok());
    run.stop();
    const int widgets = int(form->findChildren<QWidget*>().size());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(run.start(*form, 1, program, {"P10>L1"}).ok());
        EXPECT_FALSE(panel->Timer1()->isActive());
        EXPECT_GT(twins(*form), 0);
        run.frame(0.02);
        EXPECT_GT(run.machine()->now(), 0);
    }
    run.stop();
    EXPECT_FALSE(run.active());
    EXPECT_EQ(run.machine(), nullptr);
    EXPECT_EQ(twins(*form), 0);
    EXPECT_EQ(int(form->findChildren<QWidget*>().size()), widgets);
    for (const QWidget* w : form->findChildren<QWidget*>())
        EXPECT_FALSE(w->objectName().endsWith(QStringLiteral("_control")) && w->isVisibleTo(form.get()))
            << w->objectName().toStdString();
    EXPECT_TRUE(panel->Timer1()->isActive());
    // Destroying the form under a running program ends the run without touching it.
    ASSERT_TRUE(run.start(*form, 1, program, {}).ok());
    form.reset();
    run.stop();
    EXPECT_FALSE(run.active());
}

TEST(BoardRun, AssemblyErrorsRunNothing) {
    auto form = board("QK740X");
    boards::BoardRun run;
    const sim::AsmResult r = run.start(*form, 1, "  MOVV A,#1\n", {});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.errors.front().line, 1);
    EXPECT_FALSE(run.active());
    EXPECT_EQ(twins(*form), 0);
}

TEST(BoardRun, ThePlateSaysWhyTheProgramStoppedAndNamesAConflictWhileItRuns) {
    auto form = board("QK740X");
    boards::BoardRun run;
    // A5H is the one undefined opcode of the MCS-51.
    ASSERT_TRUE(run.start(*form, 1, "ORG 0\n NOP\n DB 0A5H\nEND\n", {}).ok());
    run.frame(0.01);
    EXPECT_EQ(run.state(), boards::BoardRun::State::Halted);
    EXPECT_EQ(run.plateText(), QStringLiteral("已停止：非法指令 A5H，地址 0001H"));
    // Two switches joined to one lamp, one up and one down, drive the net both ways: the run goes on and says so.
    // (Two 8051 pins would not: a port's 1 is a weak pull-up that a 0 overrides.)
    ASSERT_TRUE(run.start(*form, 1, "ORG 0\nL: SJMP L\nEND\n", {"K1>L1", "K2>L1"}).ok());
    run.input("K1", 1);
    run.input("K2", 0);
    run.frame(0.01);
    EXPECT_EQ(run.state(), boards::BoardRun::State::Running);
    run.pause();
    EXPECT_TRUE(run.plateText().startsWith(QStringLiteral("已暂停"))) << run.plateText().toStdString();
    EXPECT_TRUE(run.plateText().contains(QStringLiteral("冲突"))) << run.plateText().toStdString();
    const sim::Time before = run.machine()->now();
    run.step();
    EXPECT_GT(run.machine()->now(), before);
    EXPECT_GT(run.currentLine(), 0);
}
