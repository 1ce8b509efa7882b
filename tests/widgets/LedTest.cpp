// The lamps: colours lit and unlit, the board lamp's disc and ring, square keeping, change events.
#include "WidgetProbe.h"
#include "widgets/iDrawing.h"
#include "widgets/iLedRound.h"

#include <gtest/gtest.h>

namespace {

void boardLamp(TiLedRound& lamp) {
    lamp.setActiveColor(Qt::red);
    lamp.SetBounds(0, 0, 13, 13);
}

} // namespace

TEST(LedRound, BoardLampIsARedDiscNinePixelsAcrossInASunkenRing) {
    TiLedRound lamp;
    boardLamp(lamp);
    EXPECT_EQ(TiComponent::ibsLowered, lamp.BevelStyle());
    lamp.setActive(true);
    QImage img = lamp.RenderFrame();
    EXPECT_EQ(qRgb(255, 0, 0), wt::pixel(img, 6, 6));
    EXPECT_EQ(qRgb(255, 0, 0), wt::pixel(img, 8, 8)) << "lower right, away from the reflection";
    EXPECT_EQ(qRgb(255, 0, 0), wt::pixel(img, 2, 6)) << "left edge of the disc";
    EXPECT_EQ(qRgb(255, 0, 0), wt::pixel(img, 10, 6)) << "right edge of the disc";
    EXPECT_NE(qRgb(255, 0, 0), wt::pixel(img, 1, 6));
    EXPECT_NE(qRgb(255, 0, 0), wt::pixel(img, 11, 6));
    // The ring: shadow upper left, highlight lower right.
    int shadowUpperLeft = 0, shadowLowerRight = 0;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x)
            if (wt::pixel(img, x, y) == idraw::buttonShadow().rgb())
                (x + y < 12 ? shadowUpperLeft : shadowLowerRight) += 1;
    EXPECT_GT(shadowUpperLeft, 8);
    EXPECT_EQ(0, shadowLowerRight);
    EXPECT_EQ(idraw::buttonHighlight().rgb(), wt::pixel(img, 12, 6)) << "lower-right half of the ring";
    // Both halves lie on the square's edge: the highlight fills as much of the last column and row as the
    // shadow does of the first (drawn a pixel inside, it would cover the disc's rim instead).
    const auto count = [&](QRgb colour, bool column, int at) {
        int n = 0;
        for (int i = 0; i < 13; ++i)
            n += wt::pixel(img, column ? at : i, column ? i : at) == (colour | 0xFF000000u);
        return n;
    };
    const QRgb shadow = idraw::buttonShadow().rgb(), highlight = idraw::buttonHighlight().rgb();
    EXPECT_GE(count(shadow, true, 0), 4);
    EXPECT_EQ(count(shadow, true, 0), count(highlight, true, 12));
    EXPECT_EQ(count(shadow, false, 0), count(highlight, false, 12));
    EXPECT_NE(highlight | 0xFF000000u, wt::pixel(img, 10, 4)) << "next to the disc, inside the ring";
    // The reflection is white, in the upper-left part.
    bool white = false;
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            white |= wt::pixel(img, x, y) == qRgb(255, 255, 255);
    EXPECT_TRUE(white);
    lamp.setActive(false);
    img = lamp.RenderFrame();
    EXPECT_EQ(qRgb(85, 0, 0), wt::pixel(img, 6, 6));
    EXPECT_EQ(qRgb(85, 0, 0), wt::pixel(img, 8, 8));
    // Without bevel the disc fills the square.
    lamp.setBevelStyle(TiComponent::ibsNone);
    lamp.setShowReflection(false);
    img = lamp.RenderFrame();
    EXPECT_EQ(qRgb(85, 0, 0), wt::pixel(img, 0, 6));
    EXPECT_EQ(qRgb(85, 0, 0), wt::pixel(img, 6, 3));
}

TEST(LedRound, InactiveColourRulesAndChangeEvent) {
    TiLedRound lamp;
    EXPECT_EQ(qRgb(0, 85, 0), lamp.CurrentColor().rgb());
    lamp.setActiveColor(QColor(30, 60, 90));
    EXPECT_EQ(qRgb(10, 20, 30), lamp.CurrentColor().rgb());
    lamp.setAutoInactiveColor(false);
    lamp.setInactiveColor(QColor(1, 2, 3));
    EXPECT_EQ(qRgb(1, 2, 3), lamp.CurrentColor().rgb());
    int changes = 0;
    QObject::connect(&lamp, &TiLed::change, [&] { ++changes; });
    lamp.setActive(true);
    lamp.setActive(true);
    EXPECT_EQ(1, changes);
    EXPECT_EQ(qRgb(30, 60, 90), lamp.CurrentColor().rgb());
}

TEST(LedRound, KeepsItselfSquare) {
    TiLedRound lamp;
    EXPECT_EQ(QSize(20, 20), lamp.size());
    lamp.SetBounds(5, 6, 13, 40); // width changed: height follows
    EXPECT_EQ(QRect(5, 6, 13, 13), lamp.geometry());
    lamp.SetBounds(5, 6, 13, 30); // only the height changed: width follows
    EXPECT_EQ(QSize(30, 30), lamp.size());
    lamp.BeginLoad();
    lamp.SetBounds(0, 0, 10, 20);
    EXPECT_EQ(QSize(10, 20), lamp.size());
    lamp.EndLoad();
    // An outside resize of a shown lamp takes the same road.
    QWidget parent;
    parent.resize(100, 100);
    auto* shown = new TiLedRound(&parent);
    parent.show();
    shown->resize(30, 20);
    EXPECT_EQ(QSize(30, 30), shown->size());
}

TEST(Led, SquareLampFollowsItsColours) {
    TiLed led;
    led.setBevelStyle(TiComponent::ibsNone);
    led.setActiveColor(Qt::blue);
    led.setActive(true);
    EXPECT_EQ(qRgb(0, 0, 255), wt::pixel(led.RenderFrame(), 10, 10));
    led.setActive(false);
    EXPECT_EQ(qRgb(0, 0, 85), wt::pixel(led.RenderFrame(), 10, 10));
}

