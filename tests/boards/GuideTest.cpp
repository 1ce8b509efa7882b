// The board's guide off screen: with names and the whole wiring off the board looks exactly as without it;
// the plate explains every step, also the ones that cannot be drawn; a long wiring keeps its numbers apart.
#include "boards/BoardGuide.h"
#include "tests/boards/BoardsTestSupport.h"

#include <gtest/gtest.h>

using namespace boards;

namespace {

// The options are program-wide: each test leaves them as a start finds them.
struct Options {
    Options(bool names, bool overview) { set(names, overview); }
    ~Options() { set(true, false); }
    static void set(bool names, bool overview) {
        GuideOptions::instance().setNames(names);
        GuideOptions::instance().setOverview(overview);
    }
};

const QList<QByteArray> kSixteen =
    parseWiringSteps("K1>PB0,K2>PB1,K3>PB2,K4>PB3,X9>PB1,K6>PB5,K7>PB6,K8>PB7,PA0>L1,PA1>L2,PA2>L3,PA3>L4,"
                     "PA4>L5,PA5>L6,PA6>L7,PA7>L8");

// Shows steps 0..last as the step buttons do.
void walk(BoardForm& form, BoardGuide* guide, int last) {
    for (int i = 0; i <= last; ++i) {
        if (guide)
            DrawWiringStep(kSixteen[i], form, *form.boardArea()), guide->setShownStep(i);
        else
            DrawWiringStep(kSixteen[i], form, *form.boardArea());
    }
}

TEST(Guide, NamesAndWholeWiringOffLeaveThePlainDrawing) {
    Options off(false, false);
    for (const QString board : {"QK740X", "QK930X"}) {
        auto plainForm = boardtest::makeForm(board);
        walk(*plainForm, nullptr, 4);
        const QImage plain = plainForm->grab().toImage();

        auto form = boardtest::makeForm(board);
        BoardGuide* guide = BoardGuide::attach(*form);
        guide->setWiring("实验", kSixteen);
        walk(*form, guide, 4);
        EXPECT_EQ(form->grab().toImage(), plain) << board.toStdString();
        // The same guide with names on does draw: the comparison above can fail.
        GuideOptions::instance().setNames(true);
        EXPECT_NE(form->grab().toImage(), plain) << board.toStdString();
        GuideOptions::instance().setNames(false);
        GuideOptions::instance().setOverview(true);
        EXPECT_NE(form->grab().toImage(), plain) << board.toStdString();
        GuideOptions::instance().setOverview(false);
    }
}

TEST(Guide, PlateExplainsEachStep) {
    Options on(true, false);
    auto form = boardtest::makeForm("QK740X");
    BoardGuide* guide = BoardGuide::attach(*form);
    EXPECT_EQ(guide->plateText(), "请选择实验");
    guide->setWiring("8255并行口 A口输出B口输入", kSixteen);
    EXPECT_EQ(guide->plateText(), "实验：8255并行口 A口输出B口输入  共16步");
    walk(*form, guide, 2);
    EXPECT_EQ(guide->plateText(), "第3步/共16步  K3 → PB2");
    walk(*form, guide, 4);
    EXPECT_EQ(guide->plateText(), "第5步/共16步  X9 → PB1（本板没有端子 X9）");
    // The earlier connection stays, with its names.
    const GuideScene s = guide->scene();
    ASSERT_TRUE(s.shown.has_value());
    EXPECT_EQ(s.shownFrom + ">" + s.shownTo, "K4>PB3");
    EXPECT_TRUE(s.plateWarning);

    // Bad input: an empty step, the same terminal twice, a missing name, two unknown names.
    guide->setWiring("x", parseWiringSteps("K1>PB0,,K2>k2,>PB1,ZZ1>ZZ2"));
    const QStringList expected = {"第2步/共5步  （这一步是空的）", "第3步/共5步  K2 → K2（两端是同一个端子）",
                                  "第4步/共5步  ？ → PB1（这一步缺少端子名）",
                                  "第5步/共5步  ZZ1 → ZZ2（本板没有端子 ZZ1、ZZ2）"};
    for (int i = 1; i <= 4; ++i) {
        guide->setShownStep(i);
        EXPECT_EQ(guide->plateText(), expected[i - 1]);
    }
    guide->clearExperiment();
    EXPECT_EQ(guide->plateText(), "请选择实验");
}

TEST(Guide, TerminalsAreNamedAsTheBoxPrintsThem) {
    Options on(true, false);
    auto form = boardtest::makeForm("QK740X");
    BoardGuide* guide = BoardGuide::attach(*form);
    // The speaker's terminals are wired as SPH and SPL, the box prints SP+ and SP-; P13 and GND print as
    // named.
    const QList<QByteArray> steps = parseWiringSteps("P13>SPH,SPL>GND,SPH>X9");
    guide->setWiring("扬声器播放乐曲", steps);
    DrawWiringStep(steps[0], *form, *form->boardArea());
    guide->setShownStep(0);
    EXPECT_EQ(guide->plateText(), "第1步/共3步  P13 → SPH（SP+）");
    GuideScene s = guide->scene();
    ASSERT_TRUE(s.shown.has_value());
    EXPECT_EQ(s.shownFrom, "P13");
    EXPECT_EQ(s.shownTo, "SPH（SP+）");
    DrawWiringStep(steps[1], *form, *form->boardArea());
    guide->setShownStep(1);
    EXPECT_EQ(guide->plateText(), "第2步/共3步  SPL（SP-） → GND");
    s = guide->scene();
    EXPECT_EQ(s.shownFrom + ">" + s.shownTo, "SPL（SP-）>GND");
    // Only the side found on the board has a print to show.
    guide->setShownStep(2);
    EXPECT_EQ(guide->plateText(), "第3步/共3步  SPH（SP+） → X9（本板没有端子 X9）");
    // A hint that differs only in letter case or spaces adds nothing.
    EXPECT_EQ(terminalCaption("PB2", " pb2 "), "PB2");
    EXPECT_EQ(terminalCaption("FF90H", "FF90"), "FF90H（FF90）");
}

TEST(Guide, HundredStepsKeepTheirNumbersApart) {
    Options on(true, true);
    auto form = boardtest::makeForm("QK620X");
    QStringList terminals;
    for (const Component& c : form->components())
        if (c.kind == ComponentKind::Terminal)
            terminals << c.name.mid(4);
    QList<QByteArray> steps;
    for (int i = 0; i < 100; ++i)
        steps << (terminals[i % terminals.size()] + ">" + terminals[(i * 37 + 11) % terminals.size()])
                     .toLatin1();
    BoardGuide* guide = BoardGuide::attach(*form);
    guide->setWiring("长接线", steps);
    guide->setShownStep(50);
    const NumberPlaces numbers = placeNumbers(guide->scene());
    QList<QRect> placed;
    for (const QRect& r : numbers.places)
        if (!r.isNull()) {
            for (const QRect& other : placed)
                EXPECT_FALSE(r.intersects(other));
            placed << r;
        }
    EXPECT_EQ(placed.size() + numbers.hidden, 100);
    EXPECT_FALSE(numbers.places[50].isNull()) << "the current step's number is shown";
    EXPECT_EQ(guide->plateText().endsWith("（只显示部分序号）"), numbers.hidden > 0)
        << guide->plateText().toStdString();
}

} // namespace
