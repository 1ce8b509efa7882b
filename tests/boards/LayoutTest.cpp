// The four board drawings after creation, checked against the boards' layouts, and the layout loader.
#include "base/ErrorReport.h"
#include "boards/BoardInfo.h"
#include "boards/BoardLayout.h"
#include "tests/boards/BoardsTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace boards;
using boardtest::component;
using boardtest::makeForm;

namespace {

int countKind(const BoardForm& f, ComponentKind k) {
    int n = 0;
    for (const Component& c : f.components())
        n += c.kind == k;
    return n;
}

struct Counts {
    const char* board;
    int blocks, terminals, labels, widgets;
};

// Final geometry of one terminal: left, top, width, height, hint.
void expectTerminal(const BoardForm& f, const QString& name, int l, int t, int w, int h, const QString& hint) {
    SCOPED_TRACE((f.board() + " " + name).toStdString());
    const Component& c = component(f, name);
    EXPECT_EQ(c.kind, ComponentKind::Terminal);
    EXPECT_EQ(c.rect, QRect(l, t, w, h));
    EXPECT_EQ(c.hint, hint);
    EXPECT_TRUE(c.showHint);
}

void expectBlock(const BoardForm& f, const QString& name, const QString& caption, QRect rect, const char* key) {
    SCOPED_TRACE((f.board() + " " + name).toStdString());
    const Component& c = component(f, name);
    EXPECT_EQ(c.kind, ComponentKind::Block);
    EXPECT_EQ(c.name, name); // stored case
    EXPECT_EQ(c.caption, caption);
    EXPECT_EQ(c.rect, rect);
    const int i = f.indexOf(name);
    EXPECT_EQ(f.clickWired(i), key != nullptr);
    if (key) {
        EXPECT_EQ(blockKey(c.name), QString::fromUtf8(key));
    }
}

} // namespace

TEST(BoardLayouts, CountsAndOrderPerBoard) {
    const Counts counts[] = {{"QK740X", 46, 279, 7, 27}, {"QK620X", 39, 245, 6, 26}, {"QK310X", 38, 222, 4, 31},
                             {"QK930X", 36, 198, 3, 28}};
    for (const Counts& n : counts) {
        SCOPED_TRACE(n.board);
        auto f = makeForm(n.board);
        EXPECT_EQ(countKind(*f, ComponentKind::Block), n.blocks);
        EXPECT_EQ(countKind(*f, ComponentKind::Terminal), n.terminals);
        EXPECT_EQ(countKind(*f, ComponentKind::Label), n.labels);
        EXPECT_EQ(countKind(*f, ComponentKind::Widget), n.widgets);
        EXPECT_EQ(countKind(*f, ComponentKind::LinkLayer), 1);
        // The link layer comes first and is stretched over the whole board area.
        ASSERT_FALSE(f->components().isEmpty());
        EXPECT_EQ(f->components().first().name, "PaintBox_link");
        EXPECT_EQ(f->componentRect(0), QRect(QPoint(0, 0), f->layout().areaSize));
        EXPECT_EQ(f->boardArea()->size(), f->layout().areaSize);
        // Blocks come before terminals, labels last: terminals lie on blocks, labels on top.
        int lastBlock = -1, firstTerminal = 1 << 30, lastTerminal = -1, firstLabel = 1 << 30;
        for (int i = 0; i < f->componentCount(); ++i) {
            const ComponentKind k = f->components()[i].kind;
            if (k == ComponentKind::Block) lastBlock = i;
            if (k == ComponentKind::Terminal) { firstTerminal = std::min(firstTerminal, i); lastTerminal = i; }
            if (k == ComponentKind::Label) firstLabel = std::min(firstLabel, i);
        }
        EXPECT_LT(lastBlock, firstTerminal);
        EXPECT_LT(lastTerminal, firstLabel);
    }
}

TEST(BoardLayouts, EveryTerminalLiesOnABlockAndIsNamedOnce) {
    for (const QString& b : boardNames()) {
        SCOPED_TRACE(b.toStdString());
        auto f = makeForm(b);
        QSet<QString> names;
        for (const Component& t : f->components()) {
            if (t.kind != ComponentKind::Terminal)
                continue;
            EXPECT_TRUE(t.name.startsWith("SHP_", Qt::CaseInsensitive)) << t.name.toStdString();
            EXPECT_FALSE(names.contains(t.name.toUpper())) << t.name.toStdString();
            names.insert(t.name.toUpper());
            const QPoint centre(t.rect.left() + t.rect.width() / 2, t.rect.top() + t.rect.height() / 2);
            bool onBlock = false;
            for (const Component& blk : f->components())
                onBlock |= blk.kind == ComponentKind::Block && blk.rect.contains(centre);
            EXPECT_TRUE(onBlock) << t.name.toStdString() << " at " << centre.x() << "," << centre.y();
        }
        EXPECT_EQ(terminalNames(b), names.isEmpty() ? QSet<QString>() : [&] {
            QSet<QString> bare;
            for (const QString& n : names)
                bare.insert(n.mid(4));
            return bare;
        }());
    }
}

TEST(BoardLayouts, BlocksOfQK740X) {
    auto f = makeForm("QK740X");
    expectBlock(*f, "sbdcmotor", "32位开关输入", {0, 159, 176, 40}, "cmotor");
    expectBlock(*f, "sb_pci32", "PCI32位接口区", {577, 16, 224, 88}, nullptr);
    expectBlock(*f, "sb_8279", "8279", {256, 398, 84, 106}, nullptr);
    expectBlock(*f, "SpeedButton20", "可调直流电压", {176, 159, 56, 40}, "edButton20");
    expectBlock(*f, "Sb_0809", "0809", {341, 257, 68, 80}, "0809");
    expectBlock(*f, "sb_8237", "  8237", {584, 240, 57, 97}, "8237");
    expectBlock(*f, "sb_8253", " 8253", {641, 240, 71, 97}, "8253");
    expectBlock(*f, "SpeedButton39", "", {473, 375, 111, 58}, nullptr);
    expectBlock(*f, "sb_clk", "", {0, 200, 49, 55}, "clk");
    expectBlock(*f, "SpeedButton14", "液晶", {0, 72, 127, 87}, nullptr);
    // Only sb_ic shows a block hint.
    const Component& ic = component(*f, "sb_ic");
    EXPECT_TRUE(ic.hasHint && ic.showHint);
    EXPECT_EQ(ic.hint, "IC");
    EXPECT_EQ(ic.caption, "IC卡");
    for (const Component& c : f->components())
        if (c.kind == ComponentKind::Block && c.name != "sb_ic") {
            EXPECT_FALSE(c.showHint) << c.name.toStdString();
        }
}

TEST(BoardLayouts, BlocksOfTheOtherBoards) {
    auto f620 = makeForm("QK620X");
    expectBlock(*f620, "sbdcmotor", "32位开关输入", {160, 63, 185, 40}, nullptr);
    expectBlock(*f620, "sb_key1", "8255键盘显示", {448, 432, 104, 72}, nullptr);
    expectBlock(*f620, "sb_clk", "", {346, 374, 24, 58}, nullptr);
    expectBlock(*f620, "sb_speaker", "扬声器及蜂鸣器", {32, 16, 130, 57}, "speaker");
    auto f310 = makeForm("QK310X");
    expectBlock(*f310, "sbnkey", "8255键盘显示", {434, 432, 111, 72}, "key");
    expectBlock(*f310, "SpeedButton2", "1.8432M及反相区", {434, 249, 111, 63}, "edButton2");
    const Component& cz4 = component(*f310, "sb_cz4");
    EXPECT_EQ(cz4.hint, "扩展接口");
    EXPECT_FALSE(cz4.showHint);
    EXPECT_FALSE(f310->clickWired(f310->indexOf("sb_cz4")));
    auto f930 = makeForm("QK930X");
    expectBlock(*f930, "SB_CZ4", "EP2及打印接口", {346, 15, 102, 105}, "CZ4");
    expectBlock(*f930, "sb_cz7", "扩展接口", {634, 16, 136, 136}, "cz7");
    expectBlock(*f930, "sb_speaker", "扬声器", {32, 16, 130, 57}, "speaker");
    expectBlock(*f930, "SpeedButton3", "1.8432M及反相区", {346, 231, 102, 64}, nullptr);
}

TEST(BoardLayouts, TerminalsOfQK740X) {
    auto f = makeForm("QK740X");
    expectTerminal(*f, "SHP_JK0", 139, 165, 30, 5, "JK0");     // horizontal bar
    expectTerminal(*f, "SHP_JLED", 560, 469, 5, 30, "JLED");   // vertical bar
    expectTerminal(*f, "SHP_00H", 681, 82, 10, 10, "OOH");     // hint with letters O
    EXPECT_EQ(component(*f, "SHP_00H").name, "SHP_00H");
    expectTerminal(*f, "SHP_HOUT", 220, 133, 10, 10, "VOUT");  // the crossed pair
    expectTerminal(*f, "SHP_VOUT", 239, 166, 10, 10, "HOUT");
    expectTerminal(*f, "SHP_PL", 116, 205, 10, 10, "|_|");
    expectTerminal(*f, "SHP_POD32_JK24", 37, 293, 30, 5, "JK24");
    expectTerminal(*f, "SHP_18432M", 732, 286, 10, 10, "1.8432M");
    expectTerminal(*f, "SHP_12V0", 589, 346, 10, 10, "-12V");
    expectTerminal(*f, "SHP_12V", 587, 311, 10, 10, "+12V");
    // Two pairs of distinct terminals share a place.
    EXPECT_NE(f->indexOf("SHP_T2UP"), f->indexOf("SHP_P26"));
    EXPECT_EQ(component(*f, "SHP_T2UP").rect, component(*f, "SHP_P26").rect);
    EXPECT_EQ(component(*f, "SHP_T2UP").rect.topLeft(), QPoint(412, 193));
    EXPECT_EQ(component(*f, "SHP_EINT").rect, component(*f, "SHP_P22").rect);
    EXPECT_EQ(component(*f, "SHP_EINT").rect.topLeft(), QPoint(412, 232));
}

TEST(BoardLayouts, TerminalsOfTheOtherBoards) {
    auto f620 = makeForm("QK620X");
    expectTerminal(*f620, "SHP_rst", 455, 442, 10, 10, "RST");
    expectTerminal(*f620, "shp_ior", 455, 421, 10, 10, "IOR");
    expectTerminal(*f620, "SHP_8088INTR", 379, 227, 10, 10, "INTR");
    expectTerminal(*f620, "SHP_JY", 170, 241, 5, 30, "JY");
    EXPECT_EQ(component(*f620, "shp_ior").name, "shp_ior");
    EXPECT_EQ(component(*f620, "SHP_ALE").name, "Shp_ale");
    auto f310 = makeForm("QK310X");
    expectTerminal(*f310, "SHP_Jx10", 625, 24, 5, 30, "JP1");
    EXPECT_EQ(component(*f310, "shp_jx10").name, "SHP_Jx10");
    expectTerminal(*f310, "SHP_WAKEUP", 6, 351, 10, 10, "WAKEUP");
    EXPECT_EQ(component(*f310, "SHP_WAKEUP").name, "shp_wakeup");
    expectTerminal(*f310, "SHP_12V0", 725, 312, 10, 10, "-12V");
    expectTerminal(*f310, "SHP_PSEN", 517, 97, 10, 10, "PSEN");
    auto f930 = makeForm("QK930X");
    expectTerminal(*f930, "SHP_X", 588, 241, 10, 10, "X");
    expectTerminal(*f930, "SHP_FFE0H", 611, 221, 10, 10, "FFE0");
    expectTerminal(*f930, "SHP_JX16", 425, 21, 5, 30, "JX16");
    expectTerminal(*f930, "SHP_HOUT", 321, 93, 10, 10, "VOUT");
}

TEST(BoardLayouts, LabelsKeepTheirPlaceAndText) {
    auto f = makeForm("QK740X");
    const Component& isp = component(*f, "Label8");
    EXPECT_EQ(isp.caption, "ISP");
    EXPECT_EQ(isp.rect.topLeft(), QPoint(478, 416));
    EXPECT_GT(isp.rect.width(), 0); // sized by its text
    EXPECT_GT(isp.rect.height(), 0);
    EXPECT_EQ(component(*makeForm("QK930X"), "Label7").rect.topLeft(), QPoint(33, 318));
    EXPECT_EQ(component(*makeForm("QK620X"), "Label7").caption, "AN0");
}

TEST(BoardLayouts, SupplyTerminalsHaveFixedColoursAndTheRestAreYellow) {
    for (const QString& b : boardNames()) {
        SCOPED_TRACE(b.toStdString());
        auto f = makeForm(b);
        EXPECT_EQ(component(*f, "SHP_5V").brush, QColor(255, 0, 0));
        EXPECT_EQ(component(*f, "SHP_GND").brush, QColor(0, 0, 0));
        EXPECT_EQ(component(*f, "SHP_12V0").brush, QColor(0, 128, 0));
        EXPECT_EQ(component(*f, "SHP_12V0").hint, "-12V");
        for (const Component& c : f->components()) {
            if (c.kind != ComponentKind::Terminal || c.name == "SHP_5V" || c.name == "SHP_GND" || c.name == "SHP_12V0")
                continue;
            EXPECT_EQ(c.brush, QColor(255, 255, 0)) << c.name.toStdString();
            EXPECT_TRUE(c.showHint);
            EXPECT_TRUE(c.rect.size() == QSize(10, 10) || c.rect.size() == QSize(30, 5) || c.rect.size() == QSize(5, 30));
        }
    }
}

TEST(Normalisation, GivesTerminalsTheirFinalSizeKeepingLeftAndTop) {
    QList<Component> list;
    Component link;
    link.kind = ComponentKind::LinkLayer;
    link.name = "PaintBox_link";
    link.rect = {1, 1, 40, 40};
    list << link;
    auto terminal = [](const char* name, TerminalShape s, QRect r) {
        Component c;
        c.kind = ComponentKind::Terminal;
        c.name = name;
        c.shape = s;
        c.rect = r;
        return c;
    };
    list << terminal("SHP_SQ", TerminalShape::Rectangle, {5, 6, 12, 12})
         << terminal("SHP_TALL", TerminalShape::Rectangle, {7, 8, 4, 25})
         << terminal("SHP_WIDE", TerminalShape::Rectangle, {9, 10, 25, 4})
         << terminal("SHP_BIG", TerminalShape::Circle, {11, 12, 20, 16})
         << terminal("shp_gnd", TerminalShape::Circle, {13, 14, 11, 10});
    Component block;
    block.kind = ComponentKind::Block;
    block.name = "sb_x";
    block.rect = {0, 0, 3, 3};
    list << block;
    normalise(list, QSize(801, 506));
    EXPECT_EQ(list[0].rect, QRect(0, 0, 801, 506));
    EXPECT_EQ(list[1].rect, QRect(5, 6, 30, 5));  // a square becomes a horizontal bar
    EXPECT_EQ(list[2].rect, QRect(7, 8, 5, 30));
    EXPECT_EQ(list[3].rect, QRect(9, 10, 30, 5));
    EXPECT_EQ(list[4].rect, QRect(11, 12, 10, 10));
    EXPECT_EQ(list[1].brush, QColor(255, 255, 0));
    EXPECT_TRUE(list[1].showHint);
    EXPECT_EQ(list[5].brush, QColor(0, 0, 0)); // supply names match in any case
    EXPECT_EQ(list[6].rect, QRect(0, 0, 3, 3)); // blocks are left alone
    EXPECT_FALSE(list[6].brush.isValid());
}

TEST(BoardLayouts, WidgetPlacesAndClicks) {
    boardtest::ViewerRecorder viewers;
    auto f740 = makeForm("QK740X");
    const Component& led1 = component(*f740, "led1");
    EXPECT_EQ(led1.widgetClass, "TiSevenSegmentCharacter");
    EXPECT_TRUE(led1.frame);
    EXPECT_EQ(led1.rect, QRect(672, 343, 17, 25));
    EXPECT_EQ(component(*f740, "K8").rect, QRect(239, 464, 14, 33));
    EXPECT_EQ(component(*f740, "K8").hint, "K8");
    EXPECT_FALSE(component(*f740, "K8").showHint);
    EXPECT_EQ(component(*f740, "KB6").rect, QRect(775, 104, 25, 66)); // the default width
    EXPECT_EQ(component(*f740, "iLedMatrix1").properties.value("OnClick").toString(), "iLedMatrix1Click");
    EXPECT_EQ(component(*f740, "RB_RST").properties.value("OnMouseDown").toString(), "RB_RSTMouseDown");
    EXPECT_FALSE(component(*makeForm("QK620X"), "RB_RST").properties.contains("OnMouseDown"));
    auto f620 = makeForm("QK620X");
    EXPECT_EQ(component(*f620, "iSwitchRocker8").rect, QRect(138, 464, 14, 33));
    EXPECT_FALSE(component(*f620, "iSwitchRocker8").hasHint);
    auto f930 = makeForm("QK930X");
    EXPECT_EQ(component(*f930, "iSwitchRocker1").rect, QRect(37, 464, 14, 33)); // as on QK620X
    EXPECT_TRUE(component(*f930, "hl").properties.value("Active").toBool());  // stored lit on this board only
    EXPECT_FALSE(component(*f740, "hl").properties.value("Active").toBool());
    auto f310 = makeForm("QK310X");
    EXPECT_TRUE(component(*f310, "lc_lcd").belowArea);
    EXPECT_FALSE(component(*f310, "led1").frame);
    EXPECT_EQ(component(*f310, "iLCDMatrix1").properties.value("Text").toString().right(10), "   QK310X+");
    EXPECT_EQ(component(*f310, "lc_lcd").properties.value("Text").toString().right(6), "QK740X");
    EXPECT_EQ(component(*f310, "iLCDMatrix1").properties.value("Text").toString().size(), 40);
    EXPECT_EQ(component(*f310, "cz4").properties.value("ColCount").toInt(), 7);
    EXPECT_EQ(component(*f930, "cz4").properties.value("ColCount").toInt(), 2);
    // Widget clicks hand on the BlockKey and an empty caption.
    f310->sb_speakerClick(f310->indexOf("led3"));
    f310->sb_speakerClick(f310->indexOf("sb_key"));
    f930->sb_speakerClick(f930->indexOf("cz4"));
    f930->sb_speakerClick(f930->indexOf("stepmotor"));
    f740->sb_cpuClick(f740->indexOf("lc_lcd"));
    f740->sb_cpuClick(f740->indexOf("iLedMatrix1")); // its click is the matrix picture, not a reference
    f620->sb_cpuClick(f620->indexOf("sb_key"));      // the hexadecimal pad is not wired here
    f620->sb_cpuClick(f620->indexOf("ip_key"));
    f310->sb_speakerClick(f310->indexOf("lc_lcd"));  // the hidden LCD is not wired
    EXPECT_EQ(viewers.calls, QStringList({"reference|3.jpg|", "reference|key.jpg|", "reference|.jpg|",
                                          "reference|pmotor.jpg|", "reference|lcd.jpg|", "reference|key.jpg|"}));
}

TEST(BlockKey, IsTheNameLessItsFirstThreeCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"sb_cpu", "cpu"}, {"Sb_0809", "0809"}, {"SB_CZ4", "CZ4"}, {"sbdcmotor", "cmotor"},
        {"SpeedButton20", "edButton20"}, {"lc_lcd", "lcd"}, {"ip_key", "key"}, {"pp_key", "key"},
        {"led3", "3"}, {"stepmotor", "pmotor"}, {"cz4", ""}, {"ab", ""}};
    for (const auto& [name, key] : cases)
        EXPECT_EQ(blockKey(name), QString(key)) << name;
}

TEST(BoardInfo, TypesOfferedAndBoardNames) {
    EXPECT_EQ(offeredTypes("QK740X"), QStringList({"51", "88", "96", "PCI"}));
    EXPECT_EQ(offeredTypes("QK620X"), QStringList({"88", "PCI"}));
    EXPECT_EQ(offeredTypes("qk310x"), QStringList({"51"}));
    EXPECT_EQ(offeredTypes("QK930X"), QStringList({"88"}));
    EXPECT_EQ(offeredCpuTypes("QK620X"), QList<int>({2, 4}));
    EXPECT_EQ(offeredCpuTypes("QK740X"), QList<int>({1, 2, 3, 4}));
    EXPECT_EQ(boardTypeOffers().size(), 4);
    EXPECT_EQ(boardTypeOffers()[2].first, "QK310X");
    EXPECT_TRUE(terminalNames("QK310X").contains("JX10"));
    EXPECT_TRUE(terminalNames("QK740X").contains("00H"));
    EXPECT_FALSE(terminalNames("QK740X").contains("RST"));
    EXPECT_THROW(terminalNames("QK999"), Error);
    EXPECT_THROW(createBoardForm("QK310X+"), Error);
}

namespace {
QByteArray layoutWith(const QByteArray& components) {
    return R"({"board": "T", "form": {"class": "C", "instance": "I", "caption": "x", "border": "sizeable",
      "clientWidth": 100, "clientHeight": 100},
      "panel": {"width": 100, "height": 97, "rowOffset": 0, "tishiWidth": 10, "tishiHeight": 10, "columns": 1,
                "types": [{"caption": "51", "cpuType": 1}]},
      "boardArea": {"width": 98, "height": 1}, "blockHandler": "sb_cpuClick", "components": [)" +
           components + "]}";
}
const QByteArray kLink = R"({"kind": "linklayer", "name": "PaintBox_link", "rect": [1, 1, 40, 40]})";

QString parseError(const QByteArray& json) {
    try {
        parseLayout(json, "test.json");
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}
} // namespace

TEST(LayoutLoader, AcceptsWidgetsWithTheirSettings) {
    const BoardLayout b = parseLayout(
        layoutWith(kLink + R"(, {"kind": "widget", "name": "lc_lcd", "class": "TiLCDMatrix", "rect": [0, 56, 129, 78],
                     "frame": true, "belowBoardArea": true, "click": true, "hint": "h",
                     "properties": {"CellsWidth": 1}})"),
        "test.json");
    ASSERT_EQ(b.components.size(), 2);
    const Component& w = b.components[1];
    EXPECT_EQ(w.kind, ComponentKind::Widget);
    EXPECT_EQ(w.widgetClass, "TiLCDMatrix");
    EXPECT_TRUE(w.frame && w.belowArea && w.click && w.hasHint);
    EXPECT_FALSE(w.showHint);
    EXPECT_EQ(w.properties.value("CellsWidth").toInt(), 1);
    EXPECT_EQ(componentClass(w), "TiLCDMatrix");
}

TEST(LayoutLoader, RejectsMalformedLayoutsWithAClearMessage) {
    EXPECT_TRUE(parseError("{").contains("test.json"));
    EXPECT_TRUE(parseError("[]").contains("top level"));
    EXPECT_TRUE(parseError(layoutWith("")).contains("link layer must be the first"));
    EXPECT_TRUE(parseError(layoutWith(R"({"kind": "block", "name": "a", "rect": [0,0,1,1]}, )" + kLink))
                    .contains("link layer"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "button", "name": "a"})")).contains("unknown kind"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "block", "name": "a", "rect": [0,0,1]})")).contains("rect"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "block", "name": "a", "rect": [0,0,-1,1]})")).contains("negative"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "terminal", "name": "X_A", "shape": "circle", "rect": [0,0,1,1]})"))
                    .contains("SHP_"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "terminal", "name": "SHP_A", "shape": "star", "rect": [0,0,1,1]})"))
                    .contains("star"));
    // Names are compared without letter case, so these two collide.
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "terminal", "name": "SHP_a", "shape": "circle", "rect": [0,0,1,1]},
                                              {"kind": "terminal", "name": "shp_A", "shape": "circle", "rect": [0,0,1,1]})"))
                    .contains("twice"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "label", "name": "L", "caption": 3, "left": 0, "top": 0})"))
                    .contains("caption"));
    EXPECT_TRUE(parseError(layoutWith(kLink + R"(, {"kind": "widget", "name": "w", "class": "X", "rect": [0,0,1,1], "belowBoardArea": true})"))
                    .contains("frame widget"));
    EXPECT_TRUE(parseError(layoutWith(kLink)).isEmpty());
}

TEST(StoredLayouts, PrefetchedOnAWorkerAsWhenReadHere) {
    std::atomic<bool> afterwardsRan{false};
    prefetchStoredLayouts([&] { afterwardsRan = true; });
    prefetchStoredLayouts([] { ADD_FAILURE() << "a second prefetch must not run"; });
    // Asked for at once, last board first, while the worker is still reading: each comes whole.
    QStringList names = boardNames();
    std::reverse(names.begin(), names.end());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const BoardLayout& stored = storedLayout(name);
        EXPECT_EQ(&stored, &storedLayout(name.toLower())) << "one copy, found in any letter case";
        QFile f(QStringLiteral(":/boards/%1.json").arg(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const BoardLayout direct = parseLayout(f.readAll(), f.fileName());
        EXPECT_EQ(stored.board, name);
        EXPECT_EQ(stored.clientSize, direct.clientSize);
        EXPECT_EQ(stored.panel.types.size(), direct.panel.types.size());
        ASSERT_EQ(stored.components.size(), direct.components.size());
        for (qsizetype i = 0; i < stored.components.size(); ++i) {
            const Component& a = stored.components[i];
            const Component& b = direct.components[i];
            ASSERT_TRUE(a.name == b.name && a.kind == b.kind && a.rect == b.rect && a.caption == b.caption &&
                        a.hint == b.hint && a.properties == b.properties)
                << a.name.toStdString();
        }
    }
    for (int i = 0; i < 500 && !afterwardsRan; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(afterwardsRan) << "the follow-up work runs on the worker after the layouts";
    EXPECT_THROW(storedLayout(QStringLiteral("QK999X")), Error);
}
