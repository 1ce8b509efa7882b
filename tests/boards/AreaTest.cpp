// The board area: what it paints, what its hints say, and the connection it keeps.
#include "boards/BoardInfo.h"
#include "tests/boards/BoardsTestSupport.h"

#include <QHelpEvent>
#include <QApplication>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace boards;
using boardtest::component;
using boardtest::grabArea;
using boardtest::makeForm;

namespace {
QPoint centre(const QRect& r) { return {r.left() + r.width() / 2, r.top() + r.height() / 2}; }

class FakeWidget : public QWidget {
public:
    using QWidget::QWidget;
};
} // namespace

TEST(BoardArea, PaintsTerminalsBlocksAndTheSilverGround) {
    auto f = makeForm("QK740X");
    const QImage img = grabArea(*f);
    ASSERT_EQ(img.size(), QSize(801, 506));
    // The ground under no element (sb_output32 starts at 408,16; nothing above row 16 at the left).
    EXPECT_EQ(img.pixelColor(5, 5), QColor(192, 192, 192));
    // A yellow circle terminal with a black outline, the supply colours.
    const QRect cs1 = component(*f, "SHP_CS1").rect;
    EXPECT_EQ(img.pixelColor(centre(cs1)), QColor(255, 255, 0));
    EXPECT_EQ(img.pixelColor(cs1.left() + 4, cs1.top()), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(centre(component(*f, "SHP_5V").rect)), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(centre(component(*f, "SHP_12V0").rect)), QColor(0, 128, 0));
    EXPECT_EQ(img.pixelColor(centre(component(*f, "SHP_GND").rect)), QColor(0, 0, 0));
    // A bar terminal covers its whole final rectangle: outline at both ends, fill between.
    const QRect jk0 = component(*f, "SHP_JK0").rect;
    EXPECT_EQ(img.pixelColor(jk0.right(), jk0.top() + 2), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(jk0.left() + 15, jk0.top() + 2), QColor(255, 255, 0));
    // A raised block: light top-left edge, dark bottom-right edge, face inside.
    const QRect cpu = component(*f, "sb_cpu").rect;
    EXPECT_EQ(img.pixelColor(cpu.left() + 5, cpu.top()), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(cpu.left() + 5, cpu.bottom()), QColor(105, 105, 105));
    EXPECT_EQ(img.pixelColor(cpu.left() + 3, cpu.top() + 3), QColor(240, 240, 240));
    // Its caption is drawn in the board's green somewhere on the face.
    bool green = false;
    for (int y = cpu.top(); y <= cpu.bottom() && !green; ++y)
        for (int x = cpu.left(); x <= cpu.right() && !green; ++x)
            green = img.pixelColor(x, y).green() > 60 && img.pixelColor(x, y).red() < 60 && img.pixelColor(x, y).blue() < 60;
    EXPECT_TRUE(green);
}

TEST(BoardArea, AHeldBlockLooksPressed) {
    boardtest::ViewerRecorder viewers;
    auto f = makeForm("QK740X");
    const QRect cpu = component(*f, "sb_cpu").rect;
    boardtest::press(f->boardArea(), cpu.topLeft() + QPoint(2, 2));
    QImage img = grabArea(*f);
    EXPECT_EQ(img.pixelColor(cpu.left() + 5, cpu.top()), QColor(105, 105, 105));
    EXPECT_EQ(img.pixelColor(cpu.left() + 5, cpu.bottom()), QColor(255, 255, 255));
    boardtest::release(f->boardArea(), cpu.topLeft() + QPoint(2, 2));
    img = grabArea(*f);
    EXPECT_EQ(img.pixelColor(cpu.left() + 5, cpu.top()), QColor(255, 255, 255));
    EXPECT_EQ(viewers.calls.size(), 1);
}

TEST(BoardArea, TheConnectionIsPaintedOverTheBoardAndSurvivesRepaints) {
    auto f = makeForm("QK930X");
    const QPoint a = centre(component(*f, "SHP_CS7").rect);
    const QPoint b = centre(component(*f, "SHP_CS6").rect);
    ASSERT_TRUE(DrawWiringStep("cs7>cs6", *f, *f->boardArea()));
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        if (pass == 1)
            f->boardArea()->repaint(); // a repaint does not lose the connection
        const QImage img = grabArea(*f);
        // Red circle fills at both centres (the line passes through them, so look beside it).
        EXPECT_EQ(img.pixelColor(a + QPoint(0, -3)), QColor(255, 0, 0));
        EXPECT_EQ(img.pixelColor(b + QPoint(0, -3)), QColor(255, 0, 0));
        // Lime outline at the top of a circle, blue line half way.
        EXPECT_EQ(img.pixelColor(a + QPoint(0, -5)), QColor(0, 255, 0));
        EXPECT_EQ(img.pixelColor((a + b) / 2), QColor(0, 0, 255));
    }
    f->boardArea()->Refresh();
    const QImage img = grabArea(*f);
    EXPECT_NE(img.pixelColor((a + b) / 2), QColor(0, 0, 255));
    EXPECT_NE(img.pixelColor(a + QPoint(0, -3)), QColor(255, 0, 0));
}

TEST(BoardArea, AnotherStepReplacesTheConnection) {
    auto f = makeForm("QK620X");
    ASSERT_TRUE(DrawWiringStep("K1>K8", *f, *f->boardArea()));
    ASSERT_TRUE(DrawWiringStep("JIN>JK", *f, *f->boardArea()));
    const QImage img = grabArea(*f);
    const QPoint k1 = centre(component(*f, "SHP_K1").rect);
    EXPECT_EQ(img.pixelColor(k1), QColor(255, 255, 0)); // the old circle is gone
    EXPECT_EQ(f->boardArea()->connection()->from, centre(component(*f, "SHP_JIN").rect));
}

TEST(BoardArea, HintsOfTerminalsAndBlocks) {
    auto f = makeForm("QK740X");
    const BoardArea* area = f->boardArea();
    EXPECT_EQ(area->hintAt(centre(component(*f, "SHP_HOUT").rect)), "VOUT");
    EXPECT_EQ(area->hintAt(centre(component(*f, "SHP_00H").rect)), "OOH");
    EXPECT_EQ(area->hintAt(component(*f, "sb_ic").rect.topLeft() + QPoint(2, 2)), "IC");
    EXPECT_EQ(area->hintAt(component(*f, "sb_cpu").rect.topLeft() + QPoint(2, 2)), "");
    EXPECT_EQ(area->hintAt(QPoint(5, 5)), "");
    // Two terminals on one place: the later one in stored order lies on top.
    const int t2up = f->indexOf("SHP_T2UP"), p26 = f->indexOf("SHP_P26");
    EXPECT_EQ(area->elementAt(centre(component(*f, "SHP_P26").rect)), std::max(t2up, p26));
    // The tooltip event shows the hint.
    const QPoint at = centre(component(*f, "SHP_PL").rect);
    QHelpEvent e(QEvent::ToolTip, at, f->boardArea()->mapToGlobal(at));
    QApplication::sendEvent(f->boardArea(), &e);
    EXPECT_EQ(QToolTip::text(), "|_|");
    QToolTip::hideText();
    auto f310 = makeForm("QK310X");
    EXPECT_EQ(f310->boardArea()->hintAt(component(*f310, "sb_cz4").rect.topLeft() + QPoint(2, 2)), "");
}

TEST(BoardArea, WidgetComponentsGetWidgetsFromTheFactory) {
    QStringList made;
    const WidgetFactory program = setWidgetFactory([&](const Component& c, QWidget* parent) -> QWidget* {
        made << c.name + "@" + parent->objectName();
        return c.name == "hl" ? nullptr : new FakeWidget(parent);
    });
    auto f = makeForm("QK310X");
    setWidgetFactory(program);
    EXPECT_TRUE(made.contains("lc_lcd@Panel2"));
    EXPECT_TRUE(made.contains("iLCDMatrix1@pnl_dock"));
    EXPECT_TRUE(made.contains("led1@pnl_dock")); // on this board the digits lie on the board area
    EXPECT_TRUE(made.contains("hl@pnl_dock"));
    const int lcd = f->indexOf("lc_lcd"), shown = f->indexOf("iLCDMatrix1"), led1 = f->indexOf("led1"),
              hl = f->indexOf("hl");
    ASSERT_NE(f->widgetOf(lcd), nullptr);
    EXPECT_EQ(f->widgetOf(lcd)->objectName(), "lc_lcd");
    EXPECT_EQ(f->widgetOf(shown)->geometry(), QRect(-1, 50, 137, 86));
    EXPECT_EQ(f->widgetOf(hl), nullptr);
    EXPECT_EQ(f->componentRect(shown), QRect(-1, 50, 137, 86));
    EXPECT_EQ(f->componentRect(led1), QRect(640, 343, 17, 25));
    // Frame coordinates are one pixel off the board area's.
    EXPECT_EQ(f->componentRect(lcd), QRect(-1, 55, 129, 78));
    // The LCD stored before the board area lies under it and is never seen.
    const QObjectList& kids = f->Panel2()->children();
    EXPECT_LT(kids.indexOf(f->widgetOf(lcd)), kids.indexOf(f->boardArea()));
    // A frame widget stored after the board area lies above it.
    setWidgetFactory([](const Component&, QWidget* parent) -> QWidget* { return new FakeWidget(parent); });
    auto f740 = makeForm("QK740X");
    setWidgetFactory(program);
    const QObjectList& kids740 = f740->Panel2()->children();
    EXPECT_GT(kids740.indexOf(f740->widgetOf(f740->indexOf("led1"))), kids740.indexOf(f740->boardArea()));
    // Without a factory the components are listed but no widget is made.
    setWidgetFactory({});
    auto plain = makeForm("QK310X");
    setWidgetFactory(program);
    EXPECT_EQ(plain->widgetOf(lcd), nullptr);
    EXPECT_EQ(plain->components()[lcd].kind, ComponentKind::Widget);
}

TEST(BoardArea, WidgetsAreNotDrawnElements) {
    auto f = makeForm("QK740X");
    // iLedMatrix1 lies on the LED matrix block; hit-testing finds the block, the widget handles its own mouse.
    const QRect m = component(*f, "iLedMatrix1").rect;
    EXPECT_EQ(f->boardArea()->elementAt(m.center()), f->indexOf("sb_ledmatrix"));
}
