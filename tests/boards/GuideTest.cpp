// The board's guide off screen: with names and the whole wiring off the board looks exactly as without it;
// the plate explains every step, also the ones that cannot be drawn; a long wiring keeps its numbers apart.
#include "boards/BoardGuide.h"
#include "engine/CatalogueSource.h"
#include "tests/boards/BoardsTestSupport.h"
#include "base/Gbk.h"
#include "tests/support/TestSupport.h"

#include <array>
#include <cmath>
#include <cstdio>

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
    // 100 crossing connections on one board leave few numbers without a place (17 on this board).
    EXPECT_LE(numbers.hidden, 25);
    EXPECT_FALSE(numbers.places[50].isNull()) << "the current step's number is shown";
    // Each number keeps its place while the current step moves.
    guide->setShownStep(10);
    const NumberPlaces moved = placeNumbers(guide->scene());
    int same = 0;
    for (int i = 0; i < 100; ++i)
        same += moved.places[i] == numbers.places[i] || i == 10 || i == 50;
    EXPECT_GE(same, 98) << "numbers moved with the current step";
    EXPECT_EQ(guide->plateText().endsWith("（只显示部分序号）"), numbers.hidden > 0)
        << guide->plateText().toStdString();
}

namespace cie {
// CIE 1976 L*a*b* of an sRGB colour (D65), and the distance between two colours in it.
double channel(double c) {
    c /= 255;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
std::array<double, 3> lab(const QColor& q) {
    const double r = channel(q.red()), g = channel(q.green()), b = channel(q.blue());
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047, y = 0.2126 * r + 0.7152 * g + 0.0722 * b,
                 z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}
double distance(const QColor& a, const QColor& b) {
    const auto p = lab(a), q = lab(b);
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}
} // namespace cie

TEST(Guide, WholeWiringColoursStayApartForTwentyFourStepsAndThenChangeTheirLine) {
    ASSERT_GE(wiringColourCount(), 24);
    for (int i = 0; i < 24; ++i) {
        for (int j = i + 1; j < 24; ++j)
            EXPECT_GE(cie::distance(wiringColour(i), wiringColour(j)), 25) << i + 1 << " and " << j + 1;
        // Apart from the silver board, the yellow terminals and the white numbers written on them.
        for (const QColor& board : {QColor(192, 192, 192), QColor(255, 255, 0), QColor(Qt::white)})
            EXPECT_GE(cie::distance(wiringColour(i), board), 35) << i + 1;
        EXPECT_EQ(wiringPattern(i), Qt::SolidLine);
    }
    // Where a colour comes again, its line differs.
    EXPECT_EQ(wiringColour(24), wiringColour(0));
    EXPECT_NE(wiringPattern(24), wiringPattern(0));
}

TEST(Guide, EveryLabelOfEveryBundledStepStandsNearestToItsOwnCircleAndCoversNoOther) {
    Options on(true, false);
    const QList<CatalogueRow> rows = cataloguesource::readCatalogue(testsupport::workDir() + "/QK740X.mdb");
    ASSERT_FALSE(rows.isEmpty());
    int labels = 0, misread = 0, covering = 0, leaders = 0;
    QStringList firstFaults;
    for (const char* board : {"QK740X", "QK620X", "QK310X", "QK930X"}) {
        auto form = boardtest::makeForm(board);
        BoardGuide* guide = BoardGuide::attach(*form);
        QList<int> types;
        for (int item = 0; item < form->RGTYPE()->count(); ++item)
            types << form->cpuTypeOfItem(item);
        for (const CatalogueRow& row : rows) {
            if (!types.contains(row.cpuType))
                continue;
            const QList<QByteArray> steps = parseWiringSteps(gbk::encode(row.wiring));
            guide->setWiring(row.name, steps);
            for (int i = 0; i < steps.size(); ++i) {
                DrawWiringStep(steps[i], *form, *form->boardArea());
                guide->setShownStep(i);
                const GuideScene scene = guide->scene();
                if (!scene.shown)
                    continue;
                const LabelPlaces places = placeLabels(scene);
                QList<std::pair<LabelPlace, QPoint>> check{{places.first, scene.shown->from}};
                if (places.hasSecond)
                    check.append({places.second, scene.shown->to});
                for (const auto& [place, own] : check) {
                    ++labels;
                    const double ownDistance = std::hypot(
                        double(std::max({place.rect.left() - own.x(), 0, own.x() - place.rect.right()})),
                        double(std::max({place.rect.top() - own.y(), 0, own.y() - place.rect.bottom()})));
                    bool nearer = false, covers = false;
                    for (const QRect& t : scene.terminals) {
                        if (t.contains(own))
                            continue;
                        const QPoint c = t.center();
                        const double d = std::hypot(double(std::max({place.rect.left() - c.x(), 0, c.x() - place.rect.right()})),
                                                    double(std::max({place.rect.top() - c.y(), 0, c.y() - place.rect.bottom()})));
                        if (d <= ownDistance && getenv("GUIDE_DEBUG"))
                            std::printf("%s %d: label %d,%d %dx%d own %d,%d (%.1f) other %d,%d (%.1f)\n", board, i + 1,
                                        place.rect.x(), place.rect.y(), place.rect.width(), place.rect.height(), own.x(),
                                        own.y(), ownDistance, c.x(), c.y(), d);
                        nearer = nearer || d <= ownDistance;
                        covers = covers || t.intersects(place.rect);
                    }
                    // A name with a leader line to its circle cannot be misread.
                    misread += nearer && !place.leader;
                    leaders += place.leader;
                    covering += covers;
                    if (((nearer && !place.leader) || covers) && firstFaults.size() < 5)
                        firstFaults << QStringLiteral("%1 %2 step %3").arg(QLatin1String(board), row.name).arg(i + 1);
                }
            }
        }
    }
    std::printf("labels: %d, nearer to another circle: %d, covering another terminal: %d, with a leader: %d\n", labels,
                misread, covering, leaders);
    EXPECT_GT(labels, 500);
    EXPECT_EQ(misread, 0) << firstFaults.join(" | ").toStdString();
    EXPECT_EQ(covering, 0) << firstFaults.join(" | ").toStdString();
}

} // namespace
