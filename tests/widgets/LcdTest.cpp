// The LCD: layout of the boards' LCDs, text placement, glyph pixels, the built-in and the boards' character
// sets, glyph Data parsing and bad metrics.
#include "WidgetProbe.h"
#include "base/ErrorReport.h"
#include "tests/support/TestSupport.h"
#include "widgets/iLCDMatrix.h"

#include <gtest/gtest.h>

using testsupport::errorOf;

#include <array>
#include <future>
#include <memory>
#include <vector>

namespace {

const QRgb kOn = qRgb(0, 255, 255);
const QRgb kOff = qRgb(0, 128, 128);
const QRgb kBack = qRgb(97, 160, 151);

void boardLcd(TiLCDMatrix& lcd, int w = 129, int h = 78) {
    lcd.setCellsWidth(1);
    lcd.setCellsShowOff(true);
    lcd.setOuterMarginLeft(1);
    lcd.setOuterMarginTop(1);
    lcd.setOuterMarginRight(1);
    lcd.setOuterMarginBottom(1);
    lcd.setBackGroundColor(QColor(97, 160, 151));
    lcd.UseBoardsCharacterSet();
    lcd.SetBounds(0, 0, w, h);
}

// The colours of one character position's 5 x 7 cells, as 0 (off) and 1 (on), row values like Data.
std::vector<quint32> glyphAt(TiLCDMatrix& lcd, const QImage& img, int col, int row) {
    const TiLCDMatrix::Layout l = lcd.ComputeLayout();
    std::vector<quint32> rows;
    for (int gy = 0; gy < 7; ++gy) {
        quint32 v = 0;
        for (int gx = 0; gx < 5; ++gx) {
            const QRect cell = lcd.CellRect(l, col * 6 + gx, row * 8 + gy);
            const QRgb c = wt::pixel(img, cell.left(), cell.top());
            EXPECT_TRUE(c == kOn || c == kOff) << "cell " << gx << "," << gy;
            v = v << 1 | (c == kOn ? 1u : 0u);
        }
        rows.push_back(v);
    }
    return rows;
}

} // namespace

TEST(LcdMatrix, BoardLayouts) {
    TiLCDMatrix lcd;
    boardLcd(lcd);
    TiLCDMatrix::Layout l = lcd.ComputeLayout();
    EXPECT_EQ(60, l.cellsAcross);
    EXPECT_EQ(32, l.cellsDown);
    EXPECT_EQ(10, l.columns);
    EXPECT_EQ(4, l.rows);
    EXPECT_EQ(5, l.x0);
    EXPECT_EQ(7, l.y0);
    EXPECT_EQ(QRect(5 + 2 * 7, 7 + 2 * 3, 1, 1), lcd.CellRect(l, 7, 3));
    EXPECT_GE(lcd.Elements().size(), 40u);
    TiLCDMatrix big;
    boardLcd(big, 137, 86);
    l = big.ComputeLayout();
    EXPECT_EQ(11, l.columns);
    EXPECT_EQ(5, l.rows);
    // Defaults: 300 x 100, cells of 2 with spacing 1.
    TiLCDMatrix plain;
    l = plain.ComputeLayout();
    EXPECT_EQ(QSize(300, 100), plain.size());
    EXPECT_EQ(TiComponent::ibsRaised, plain.BorderStyle());
    EXPECT_EQ(QStringLiteral("(Default)"), plain.CharactersetName());
    EXPECT_EQ(16, l.columns) << "(97 cells fit, 96 in whole positions)";
    EXPECT_EQ(3, l.rows);
}

TEST(LcdMatrix, TextRunsOnAcrossRowsAndGlyphsLandInTheirCells) {
    TiLCDMatrix lcd;
    boardLcd(lcd);
    const QString text = QStringLiteral("www.lab-ex.comT 0755-8812345 QK740X!?.");
    ASSERT_EQ(38, text.size());
    ASSERT_EQ(QLatin1Char('T'), text[14]);
    lcd.setText(text);
    const QImage img = lcd.RenderFrame();
    // Every character shows its glyph at row p div 10, column p mod 10.
    for (int p = 0; p < 38; ++p) {
        const TiLCDCharacter& g = lcd.Character(text[p].toLatin1());
        std::vector<quint32> expected;
        for (int r = 0; r < 7; ++r)
            expected.push_back(g.Row(r));
        EXPECT_EQ(expected, glyphAt(lcd, img, p % 10, p / 10)) << "position " << p;
    }
    // The 15th character, "T", at row 1, column 4.
    EXPECT_EQ((std::vector<quint32>{31, 4, 4, 4, 4, 4, 4}), glyphAt(lcd, img, 4, 1));
    // Row 3 holds the last 8 characters; its ninth and tenth positions are empty.
    EXPECT_EQ((std::vector<quint32>(7, 0)), glyphAt(lcd, img, 8, 3));
    EXPECT_EQ((std::vector<quint32>(7, 0)), glyphAt(lcd, img, 9, 3));
    // The space at position 15 shows only unlit cells.
    EXPECT_EQ((std::vector<quint32>(7, 0)), glyphAt(lcd, img, 5, 1));
    // Cells between positions are painted unlit, pixels between cells show the background.
    const TiLCDMatrix::Layout l = lcd.ComputeLayout();
    EXPECT_EQ(kOff, wt::pixel(img, lcd.CellRect(l, 5, 0).left(), lcd.CellRect(l, 5, 0).top()));
    EXPECT_EQ(kBack, wt::pixel(img, l.x0 + 1, l.y0));
    EXPECT_EQ(kBack, wt::pixel(img, 3, 3));
}

TEST(LcdMatrix, AShorterTextLeavesNoTraceOfTheLongerOne) {
    TiLCDMatrix lcd;
    boardLcd(lcd);
    lcd.setText(QStringLiteral("ABCDEFGHIJKLMNOP"));
    lcd.setText(QStringLiteral("xy"));
    const QImage img = lcd.RenderFrame();
    for (int p = 2; p < 16; ++p)
        EXPECT_EQ((std::vector<quint32>(7, 0)), glyphAt(lcd, img, p % 10, p / 10)) << "position " << p;
    for (size_t p = 2; p < lcd.Elements().size(); ++p)
        ASSERT_EQ(0, lcd.Elements()[p].code);
    // A text longer than the display stays in the list but is not shown.
    lcd.setText(QString(60, QLatin1Char('#')));
    ASSERT_GE(lcd.Elements().size(), 60u);
    EXPECT_EQ('#', lcd.Elements()[59].code);
    EXPECT_NO_THROW(lcd.RenderFrame());
}

TEST(LcdMatrix, TextKeepsItsGbkBytes) {
    // A Chinese text is stored as its GBK bytes, one character code each, and reads back whole.
    TiLCDMatrix lcd;
    boardLcd(lcd);
    lcd.setText(QStringLiteral("T:实验"));
    EXPECT_EQ(QByteArray("T:\xca\xb5\xd1\xe9"), lcd.TextBytes());
    EXPECT_EQ(QStringLiteral("T:实验"), lcd.Text());
    EXPECT_EQ(0xca, lcd.Elements()[2].code);
    EXPECT_EQ(0xe9, lcd.Elements()[5].code);
}

TEST(LcdMatrix, ColoursAndShowOff) {
    TiLCDMatrix lcd;
    boardLcd(lcd);
    lcd.setText(QStringLiteral("|"));
    lcd.setCellsColorOn(Qt::red);
    lcd.setCellsShowOff(false);
    const QImage img = lcd.RenderFrame();
    const TiLCDMatrix::Layout l = lcd.ComputeLayout();
    EXPECT_EQ(qRgb(255, 0, 0), wt::pixel(img, lcd.CellRect(l, 2, 0).left(), lcd.CellRect(l, 2, 0).top()));
    EXPECT_EQ(kBack, wt::pixel(img, lcd.CellRect(l, 0, 0).left(), lcd.CellRect(l, 0, 0).top()));
}

TEST(LcdCharacterSet, BoardsSetReplacesCodesZeroTo254) {
    TiLCDMatrix lcd;
    const QString builtin127 = lcd.Character(127).Data();
    const QString builtin255 = lcd.Character(255).Data();
    EXPECT_NE(QStringLiteral("0,0,0,0,0,0,0"), builtin127);
    lcd.UseBoardsCharacterSet();
    EXPECT_EQ(QStringLiteral("14,17,17,31,17,17,17"), lcd.Character('A').Data());
    EXPECT_EQ(QStringLiteral("4,4,4,4,4,0,4"), lcd.Character('!').Data());
    EXPECT_EQ(QStringLiteral("8,21,2,0,0,0,0"), lcd.Character('~').Data());
    EXPECT_EQ(QStringLiteral("6,9,28,8,28,9,6"), lcd.Character(128).Data());
    EXPECT_EQ(QStringLiteral("6,9,8,30,8,8,31"), lcd.Character(163).Data());
    EXPECT_EQ(QStringLiteral("17,10,31,4,31,4,4"), lcd.Character(165).Data());
    EXPECT_EQ(QStringLiteral("14,17,30,18,17,25,22"), lcd.Character(223).Data());
    for (int code : {0, 1, 31, 32, 127, 129, 150, 160})
        EXPECT_EQ(QStringLiteral("0,0,0,0,0,0,0"), lcd.Character(code).Data()) << code;
    for (int code = 161; code <= 254; ++code)
        EXPECT_NE(QStringLiteral("0,0,0,0,0,0,0"), lcd.Character(code).Data()) << code;
    EXPECT_EQ(builtin255, lcd.Character(255).Data()) << "code 255 keeps its built-in glyph";
}

TEST(LcdCharacterSet, CharacterSetHeightResizesEveryGlyph) {
    TiLCDMatrix lcd;
    lcd.setCharactersetHeight(8);
    EXPECT_EQ(QStringLiteral("14,17,17,31,17,17,17,0"), lcd.Character('A').Data());
    lcd.setCharactersetHeight(0);
    lcd.setCharactersetHeight(-2);
    EXPECT_EQ(8, lcd.CharactersetHeight());
    lcd.setCharactersetHeight(5);
    EXPECT_EQ(QStringLiteral("14,17,17,31,17"), lcd.Character('A').Data());
    EXPECT_NO_THROW(lcd.RenderFrame());
}

TEST(LcdCharacter, DataParsing) {
    TiLCDCharacter g;
    g.setData(QStringLiteral("14,17,17,31,17,17,17"));
    EXPECT_EQ(QStringLiteral("14,17,17,31,17,17,17"), g.Data());
    EXPECT_TRUE(g.Cell(1, 0, 5));
    EXPECT_FALSE(g.Cell(0, 0, 5));
    EXPECT_TRUE(g.Cell(0, 3, 5));
    // Too many numbers: the rest are ignored.
    g.setData(QStringLiteral("1,2,3,4,5,6,7,8,9,10"));
    EXPECT_EQ(QStringLiteral("1,2,3,4,5,6,7"), g.Data());
    // Too few: the remaining rows stay.
    g.setData(QStringLiteral(" 30 , 31"));
    EXPECT_EQ(QStringLiteral("30,31,3,4,5,6,7"), g.Data());
    g.setData(QString());
    EXPECT_EQ(QStringLiteral("30,31,3,4,5,6,7"), g.Data());
    // Junk raises and changes nothing.
    for (const char* junk : {"1,x,3", "1,,3", "1,2,", "-1", "+4", "1.5", "0x1F", "99999999999", "4294967296", "a"}) {
        const QString msg = errorOf([&] { g.setData(QString::fromLatin1(junk)); });
        EXPECT_TRUE(msg.contains(QStringLiteral("not a glyph row value"))) << junk << ": " << msg.toStdString();
        EXPECT_EQ(QStringLiteral("30,31,3,4,5,6,7"), g.Data()) << junk;
    }
    // A glyph of a widget is replaced through the widget, all or nothing.
    TiLCDMatrix lcd;
    const QString before = lcd.Character('B').Data();
    EXPECT_FALSE(errorOf([&] { lcd.SetCharacterData('B', QStringLiteral("1,2,zz")); }).isEmpty());
    EXPECT_EQ(before, lcd.Character('B').Data());
    EXPECT_FALSE(errorOf([&] { lcd.LoadCharacterSet({QStringLiteral("1"), QStringLiteral("q")}); }).isEmpty());
    EXPECT_EQ(QStringLiteral("0,0,0,0,0,0,0"), lcd.Character(0).Data());
    lcd.LoadCharacterSet({QStringLiteral("1,1,1,1,1,1,1"), QStringLiteral("2")});
    EXPECT_EQ(QStringLiteral("1,1,1,1,1,1,1"), lcd.Character(0).Data());
    EXPECT_EQ(QStringLiteral("2,0,0,0,0,0,0"), lcd.Character(1).Data());
}

TEST(LcdCharacter, CharacterSetTextParsing) {
    const auto entries = lcdcharset::Parse("# comment\n\n65 1,2,3\r\n  66\t4,5\n67\n");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(65, entries[0].code);
    EXPECT_EQ(QStringLiteral("1,2,3"), entries[0].data);
    EXPECT_EQ(66, entries[1].code);
    EXPECT_EQ(QStringLiteral("4,5"), entries[1].data);
    EXPECT_TRUE(entries[2].data.isEmpty());
    EXPECT_EQ(QStringLiteral("Character set line 2: \"256\" is not a character code (0 to 255)"),
              errorOf([] { lcdcharset::Parse("1 1\n256 1,2\n"); }));
    EXPECT_TRUE(errorOf([] { lcdcharset::Parse("x 1\n"); }).startsWith(QStringLiteral("Character set line 1:")));
    EXPECT_TRUE(errorOf([] { lcdcharset::Parse("5 1,b\n"); }).contains(QStringLiteral("not a glyph row value")));
    // A bad set loads nothing.
    TiLCDMatrix lcd;
    const QString a = lcd.Character('A').Data();
    EXPECT_FALSE(errorOf([&] { lcd.LoadCharacterSetText("65 1,1,1\n66 nope\n"); }).isEmpty());
    EXPECT_EQ(a, lcd.Character('A').Data());
    // The shipped sets parse whole.
    EXPECT_EQ(256u, lcdcharset::Parse(lcdcharset::BuiltinText()).size());
    EXPECT_EQ(255u, lcdcharset::Parse(lcdcharset::BoardsText()).size());
}

TEST(LcdMatrix, BadMetricsAreIgnoredAndTinyDisplaysShowNothing) {
    TiLCDMatrix lcd;
    lcd.setCellsWidth(0);
    lcd.setCellsWidth(-3);
    lcd.setCellsSpacingHorz(-1);
    lcd.setCharacterSpacingVert(-1);
    lcd.setCharactersetWidth(0);
    lcd.setOuterMarginLeft(-9);
    EXPECT_EQ(2, lcd.CellsWidth());
    EXPECT_EQ(1, lcd.CellsSpacingHorz());
    EXPECT_EQ(1, lcd.CharacterSpacingVert());
    EXPECT_EQ(5, lcd.CharactersetWidth());
    EXPECT_EQ(2, lcd.OuterMarginLeft());
    lcd.SetBounds(0, 0, 5, 5);
    const TiLCDMatrix::Layout l = lcd.ComputeLayout();
    EXPECT_EQ(0, l.columns);
    EXPECT_EQ(0, l.rows);
    lcd.setText(QStringLiteral("hello"));
    EXPECT_NO_THROW(lcd.RenderFrame());
    lcd.SetBounds(0, 0, 0, 0);
    EXPECT_NO_THROW(lcd.RenderFrame());
    EXPECT_NO_THROW(lcd.SetElement(-1, 'a', Qt::red));
}

TEST(LcdCharacterSet, PreparedOnAWorkerWhileLcdsAreMadeHere) {
    // The sets as parsed here, independently of the shared cache.
    std::array<TiLCDCharacter, 256> expected;
    for (const QByteArray& text : {lcdcharset::BuiltinText(), lcdcharset::BoardsText()})
        for (const auto& e : lcdcharset::Parse(text))
            expected[size_t(e.code)].setData(e.data);

    auto worker = std::async(std::launch::async, [] { TiLCDMatrix::PrepareCharacterSets(); });
    std::vector<std::unique_ptr<TiLCDMatrix>> made;
    for (int i = 0; i < 8; ++i) {
        made.push_back(std::make_unique<TiLCDMatrix>());
        made.back()->UseBoardsCharacterSet();
    }
    worker.get();
    made.push_back(std::make_unique<TiLCDMatrix>());
    made.back()->UseBoardsCharacterSet();
    for (const auto& lcd : made)
        for (int code = 0; code < 256; ++code)
            ASSERT_EQ(lcd->Character(code), expected[size_t(code)]) << code;
}
