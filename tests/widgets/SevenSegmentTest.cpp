// The seven-segment digit: segment geometry and colours of a board digit, SegmentBits, Value and Character,
// metrics and AutoSize.
#include "WidgetProbe.h"
#include "widgets/iSevenSegmentCharacter.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kDarkRed = qRgb(85, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);

// The corners of the seven segments of a board digit (17 x 25, margin 2, separation 1, size 1), A to G.
const std::vector<std::vector<QPoint>> kBoardSegments = {
    {{3, 2}, {13, 2}, {11, 4}, {5, 4}},
    {{14, 3}, {14, 11}, {12, 9}, {12, 5}},
    {{14, 13}, {14, 21}, {12, 19}, {12, 15}},
    {{3, 22}, {13, 22}, {11, 20}, {5, 20}},
    {{2, 13}, {2, 21}, {4, 19}, {4, 15}},
    {{2, 3}, {2, 11}, {4, 9}, {4, 5}},
    {{3, 12}, {4, 11}, {12, 11}, {13, 12}, {12, 13}, {4, 13}},
};

// A pixel well inside each segment.
const QPoint kInside[7] = {{8, 3}, {13, 7}, {13, 17}, {8, 21}, {3, 17}, {3, 7}, {8, 12}};

void boardDigit(TiSevenSegmentCharacter& d) {
    d.setSegmentColor(Qt::red);
    d.setSegmentOffColor(Qt::white);
    d.setUseSegmentBits(true);
    d.setAutoSize(false);
    d.setAutoFrameRate(true);
    d.SetBounds(0, 0, 17, 25);
}

} // namespace

TEST(SevenSegment, BoardDigitGeometryMatchesTheSegmentCorners) {
    TiSevenSegmentCharacter d;
    boardDigit(d);
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(QPolygon(QList<QPoint>(kBoardSegments[size_t(n)].begin(), kBoardSegments[size_t(n)].end())),
                  d.SegmentPolygon(n))
            << "segment " << n;
    d.setSegmentBits(0x7F);
    const QImage img = d.RenderFrame();
    for (const auto& seg : kBoardSegments)
        for (const QPoint& p : seg)
            EXPECT_EQ(kRed, wt::pixel(img, p.x(), p.y())) << p.x() << "," << p.y();
    // Inside the loops and around the digit: background.
    for (QPoint p : {QPoint(8, 7), QPoint(8, 17), QPoint(0, 0), QPoint(16, 24), QPoint(1, 12), QPoint(15, 12)})
        EXPECT_EQ(kBlack, wt::pixel(img, p.x(), p.y())) << p.x() << "," << p.y();
}

TEST(SevenSegment, LitAndUnlitSegmentsOfADigit) {
    TiSevenSegmentCharacter d;
    boardDigit(d);
    d.setSegmentBits(0x06); // "1": B and C
    QImage img = d.RenderFrame();
    for (int n = 0; n < 7; ++n) {
        const bool lit = n == 1 || n == 2;
        EXPECT_EQ(lit ? kRed : kDarkRed, wt::pixel(img, kInside[n].x(), kInside[n].y())) << "segment " << n;
    }
    d.setShowOffSegments(false);
    img = d.RenderFrame();
    EXPECT_EQ(kBlack, wt::pixel(img, kInside[0].x(), kInside[0].y()));
    EXPECT_EQ(kRed, wt::pixel(img, kInside[1].x(), kInside[1].y()));
    // All off: with ShowOffSegments only the background.
    d.setSegmentBits(0);
    img = d.RenderFrame();
    for (const QPoint& p : kInside)
        EXPECT_EQ(kBlack, wt::pixel(img, p.x(), p.y()));
    d.setShowOffSegments(true);
    img = d.RenderFrame();
    for (const QPoint& p : kInside)
        EXPECT_EQ(kDarkRed, wt::pixel(img, p.x(), p.y()));
}

TEST(SevenSegment, SegmentBitsIgnoresBitSeven) {
    TiSevenSegmentCharacter d;
    boardDigit(d);
    d.setSegmentBits(0xEF);
    EXPECT_EQ(0x6F, d.SegmentBits());
    EXPECT_TRUE(d.SegAOn() && d.SegBOn() && d.SegCOn() && d.SegDOn() && d.SegFOn() && d.SegGOn());
    EXPECT_FALSE(d.SegEOn());
    const QImage a = d.RenderFrame();
    d.setSegmentBits(0x6F);
    EXPECT_EQ(a, d.RenderFrame());
    d.setSegEOn(true);
    EXPECT_EQ(0x7F, d.SegmentBits());
}

TEST(SevenSegment, OffColourIsTheLitColourDividedByThree) {
    TiSevenSegmentCharacter d;
    boardDigit(d);
    EXPECT_EQ(kDarkRed, d.EffectiveOffColor().rgb()) << "SegmentOffColor white never shows";
    d.setSegmentColor(QColor(200, 100, 50));
    EXPECT_EQ(qRgb(66, 33, 16), d.EffectiveOffColor().rgb());
    d.setAutoSegmentOffColor(false);
    EXPECT_EQ(qRgb(255, 255, 255), d.EffectiveOffColor().rgb());
    // PowerOff draws lit segments in the off colour too.
    d.setAutoSegmentOffColor(true);
    d.setSegmentColor(Qt::red);
    d.setSegmentBits(0x7F);
    d.setPowerOff(true);
    const QImage img = d.RenderFrame();
    EXPECT_EQ(kDarkRed, wt::pixel(img, kInside[6].x(), kInside[6].y()));
}

TEST(SevenSegment, ValueGlyphsAndCharacters) {
    TiSevenSegmentCharacter d;
    EXPECT_EQ(TiSevenSegmentCharacter::ssc0, d.Value());
    d.setValue(TiSevenSegmentCharacter::ssc9);
    EXPECT_EQ(0x67, d.LitSegments()) << "a nine without the bottom segment";
    d.setValue(TiSevenSegmentCharacter::sscD);
    EXPECT_EQ(0x5E, d.LitSegments());
    d.setValue(TiSevenSegmentCharacter::sscBlank);
    EXPECT_EQ(0, d.LitSegments());
    d.setCharacter(QLatin1Char('a'));
    EXPECT_EQ(QLatin1Char('a'), d.Character());
    d.setCharacter(QLatin1Char('A'));
    EXPECT_EQ(QLatin1Char('a'), d.Character());
    EXPECT_EQ(TiSevenSegmentCharacter::sscA, d.Value());
    d.setCharacter(QLatin1Char('x'));
    EXPECT_EQ(TiSevenSegmentCharacter::sscBlank, d.Value());
    EXPECT_EQ(QLatin1Char(' '), d.Character());
    const QString signs = QStringLiteral(".:+-_<>;,");
    const TiSevenSegmentCharacter::TiSevenSegmentValue values[] = {
        TiSevenSegmentCharacter::sscPeriod, TiSevenSegmentCharacter::sscColon,     TiSevenSegmentCharacter::sscPlus,
        TiSevenSegmentCharacter::sscMinus,  TiSevenSegmentCharacter::sscLine,      TiSevenSegmentCharacter::sscUpArrow,
        TiSevenSegmentCharacter::sscDownArrow, TiSevenSegmentCharacter::sscSemiColon, TiSevenSegmentCharacter::sscComma};
    for (int i = 0; i < signs.size(); ++i) {
        d.setCharacter(signs[i]);
        EXPECT_EQ(values[i], d.Value()) << signs[i].toLatin1();
        EXPECT_EQ(signs[i], d.Character());
    }
    d.setCharacter(QLatin1Char('7'));
    EXPECT_EQ(TiSevenSegmentCharacter::ssc7, d.Value());
    // Sign glyphs are drawn in the lit colour; a minus lights the middle and leaves the top dark.
    d.setValue(TiSevenSegmentCharacter::sscMinus);
    const QImage img = d.RenderFrame();
    const int mid = (d.height() - 1) / 2;
    EXPECT_EQ(qRgb(0, 255, 0), wt::pixel(img, d.width() / 2 - 2, mid));
    EXPECT_NE(qRgb(0, 255, 0), wt::pixel(img, d.width() / 2, 2));
}

TEST(SevenSegment, MetricsAreRaisedToTheirMinimumAndAutoSizeFollows) {
    TiSevenSegmentCharacter d;
    EXPECT_EQ(QSize(15, 23), d.size());
    d.setSegmentSize(0);
    EXPECT_EQ(1, d.SegmentSize());
    d.setSegmentSize(-4);
    EXPECT_EQ(1, d.SegmentSize());
    d.setSegmentMargin(-3);
    EXPECT_EQ(0, d.SegmentMargin());
    EXPECT_EQ(QSize(11, 19), d.size());
    d.setSegmentSeperation(-1);
    EXPECT_EQ(0, d.SegmentSeperation());
    d.setSegmentMargin(2);
    d.setSegmentSize(2);
    EXPECT_EQ(QSize(25, 41), d.size());
    d.setValue(TiSevenSegmentCharacter::sscColon);
    EXPECT_EQ(QSize(9, 41), d.size()) << "narrow glyph";
    d.setAutoSize(false);
    d.SetBounds(0, 0, 17, 25);
    d.setValue(TiSevenSegmentCharacter::ssc8);
    EXPECT_EQ(QSize(17, 25), d.size());
    // While a layout loads, AutoSize waits for the end of the load.
    d.BeginLoad();
    d.setAutoSize(true);
    EXPECT_EQ(QSize(17, 25), d.size());
    d.EndLoad();
    EXPECT_EQ(QSize(25, 41), d.size());
    // Zero-sized digits paint nothing and do not fail.
    d.setAutoSize(false);
    d.SetBounds(0, 0, 0, 0);
    EXPECT_NO_THROW(d.RenderFrame());
    d.SetBounds(0, 0, 3, 3); // smaller than its segments
    EXPECT_NO_THROW(d.RenderFrame());
}
