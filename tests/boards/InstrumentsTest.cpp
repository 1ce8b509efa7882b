// The front-panel instruments of the four boards and what the boards make them do: the widgets, their
// places and stored settings, the banner and its blink, the reset key, the LED-matrix picture and the
// clicks of the widgets that open pictures.
#include "base/ErrorReport.h"
#include "boards/FrontPanel.h"
#include "boards/Instruments.h"
#include "tests/boards/BoardsTestSupport.h"
#include "tests/support/TestSupport.h"

#include "widgets/iLCDMatrix.h"
#include "widgets/iMotor.h"
#include "widgets/iPhonePad.h"
#include "widgets/iSwitchRocker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

using namespace boards;
using boardtest::makeForm;

namespace {

// Other tests replace the factory; these tests want the program's instruments.
class Instruments : public ::testing::Test {
protected:
    void SetUp() override { setWidgetFactory(&createInstrument); }
};

template <class W = QWidget>
W* widget(const BoardForm& f, const QString& name) {
    QWidget* w = f.widgetOf(f.indexOf(name));
    EXPECT_NE(w, nullptr) << "no widget " << name.toStdString() << " on " << f.board().toStdString();
    return qobject_cast<W*>(w);
}

QString className(const QWidget* w) {
    return QString::fromLatin1(w->metaObject()->className()).section(QStringLiteral("::"), -1);
}

// The widgets of a form in stored order as "name class left,top,width,height".
QStringList widgetList(const BoardForm& f) {
    QStringList out;
    for (int i = 0; i < f.components().size(); ++i) {
        if (f.components()[i].kind != ComponentKind::Widget)
            continue;
        const QWidget* w = f.widgetOf(i);
        if (!w) {
            out << f.components()[i].name + " missing";
            continue;
        }
        const QRect g = w->geometry();
        out << QStringLiteral("%1 %2 %3,%4,%5,%6")
                   .arg(w->objectName(), className(w))
                   .arg(g.left())
                   .arg(g.top())
                   .arg(g.width())
                   .arg(g.height());
    }
    return out;
}

QStringList rockers(const QString& prefix, const QList<int>& lefts) {
    QStringList out;
    for (int i = 0; i < lefts.size(); ++i)
        out << QStringLiteral("%1%2 TiSwitchRocker %3,464,14,33").arg(prefix).arg(i + 1).arg(lefts[i]);
    return out;
}

void clickWidget(QWidget* w) {
    ASSERT_NE(w, nullptr);
    boardtest::click(w, w->rect().center());
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Lets pending paints happen, past the widgets' frame-rate slot (a tick comes long after the last change).
void settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int litCount(const TiLedMatrix& m) {
    int n = 0;
    for (int r = 0; r < m.RowCount(); ++r)
        for (int c = 0; c < m.ColCount(); ++c)
            n += m.IndicatorActive(r, c);
    return n;
}

} // namespace

TEST_F(Instruments, EachBoardHasItsWidgetsInStoredOrderAtTheirPlaces) {
    const QList<int> left740{138, 152, 167, 182, 196, 210, 225, 239};
    const QList<int> left620{37, 51, 66, 81, 95, 109, 124, 138};
    const QStringList digits740{"led1 TiSevenSegmentCharacter 672,343,17,25", "led2 TiSevenSegmentCharacter 691,343,17,25",
                                "led3 TiSevenSegmentCharacter 710,343,17,25", "led4 TiSevenSegmentCharacter 728,343,17,25",
                                "led5 TiSevenSegmentCharacter 752,343,17,25", "led6 TiSevenSegmentCharacter 768,343,17,25"};
    QStringList digitsOther;
    const int otherLefts[] = {640, 659, 678, 696, 720, 736};
    for (int i = 0; i < 6; ++i)
        digitsOther << QStringLiteral("led%1 TiSevenSegmentCharacter %2,343,17,25").arg(i + 1).arg(otherLefts[i]);

    const QStringList expect740X =
              digits740 + QStringList{"lc_lcd TiLCDMatrix 0,56,129,78", "iLedRound1 TiLedRound 752,200,13,13",
                                      "hl TiLedRound 240,128,13,13", "iLedMatrix1 TiLedMatrix 156,344,80,80",
                                      "ISP TiLedMatrix 480,384,18,29", "dcmotor TiMotor 160,72,57,49",
                                      "stepmotor TiMotor 160,24,57,49", "pp_key TiPhonePad 584,376,107,129",
                                      "ip_key TiPhonePad 688,376,113,129", "JK TiSwitchRocker 528,384,17,41",
                                      "KB6 TiSwitchRocker 775,104,25,66"} +
                  rockers("K", left740) +
                  QStringList{"iSwitchRocker3Way1 TiSwitchRocker3Way 7,208,17,41", "RB_RST TRadioButton 480,216,41,17"};
    EXPECT_EQ(widgetList(*makeForm("QK740X")), expect740X);
    const QStringList expect620X =
              digitsOther + QStringList{"lc_lcd TiLCDMatrix 32,56,129,78", "iLedRound1 TiLedRound 720,200,13,13",
                                        "hl TiLedRound 168,168,13,13", "iLedMatrix1 TiLedMatrix 52,344,80,80",
                                        "dcmotor TiMotor 200,160,57,41", "stepmotor TiMotor 200,104,57,41",
                                        "sb_key TiPhonePad 552,375,107,129", "ip_key TiPhonePad 656,375,113,129",
                                        "JK TiSwitchRocker 504,384,17,41", "KB6 TiSwitchRocker 743,104,25,66"} +
                  rockers("iSwitchRocker", left620) +
                  QStringList{"iSwitchRocker3Way1 TiSwitchRocker3Way 347,376,17,41", "RB_RST TRadioButton 472,216,41,17"};
    EXPECT_EQ(widgetList(*makeForm("QK620X")), expect620X);
    const QStringList expect310X =
              digitsOther +
                  QStringList{"lc_lcd TiLCDMatrix 0,56,129,78", "iLCDMatrix1 TiLCDMatrix -1,50,137,86",
                              "iLedRound1 TiLedRound 728,128,13,13", "hl TiLedRound 224,112,13,13",
                              "iLedMatrix1 TiLedMatrix 156,344,80,80", "ISP TiLedMatrix 441,96,44,20",
                              "zf TiLedMatrix 729,24,20,89", "iLedMatrix3 TiLedMatrix 25,320,94,22",
                              "iLedMatrix4 TiLedMatrix 25,248,94,12", "cz4 TiLedMatrix 681,262,67,20",
                              "dcmotor TiMotor 160,72,57,49", "stepmotor TiMotor 160,24,57,49",
                              "sb_key TiPhonePad 545,376,107,129", "ip_key TiPhonePad 651,376,113,129",
                              "JK TiSwitchRocker 489,384,17,41"} +
                  rockers("iSwitchRocker", left740) +
                  QStringList{"iSwitchRocker3Way1 TiSwitchRocker3Way 7,168,17,41", "RB_RST TRadioButton 560,176,41,17"};
    EXPECT_EQ(widgetList(*makeForm("QK310X")), expect310X);
    const QStringList expect930X =
              digitsOther +
                  QStringList{"lc_lcd TiLCDMatrix 32,56,129,78", "iLedRound1 TiLedRound 736,304,13,13",
                              "hl TiLedRound 328,72,13,13", "iLedMatrix1 TiLedMatrix 52,344,80,80",
                              "iLedMatrix3 TiLedMatrix 659,104,94,22", "iLedMatrix4 TiLedMatrix 659,32,94,12",
                              "cz4 TiLedMatrix 353,38,22,60", "dcmotor TiMotor 272,24,57,41",
                              "stepmotor TiMotor 184,32,57,41", "pp_key TiPhonePad 552,375,107,129",
                              "ip_key TiPhonePad 656,375,113,129", "JK TiSwitchRocker 488,384,17,41"} +
                  rockers("iSwitchRocker", left620) +
                  QStringList{"iSwitchRocker3Way1 TiSwitchRocker3Way 33,280,17,41", "RB_RST TRadioButton 478,232,41,17"};
    EXPECT_EQ(widgetList(*makeForm("QK930X")), expect930X);
}

TEST_F(Instruments, FrameWidgetsLieOnTheFrameAndTheHiddenLcdUnderTheBoardArea) {
    auto f740 = makeForm("QK740X");
    EXPECT_EQ(widget(*f740, "led1")->parentWidget(), f740->Panel2());
    EXPECT_EQ(widget(*f740, "lc_lcd")->parentWidget(), f740->Panel2());
    EXPECT_EQ(widget(*f740, "hl")->parentWidget(), f740->boardArea());
    auto f310 = makeForm("QK310X");
    EXPECT_EQ(widget(*f310, "led1")->parentWidget(), f310->boardArea());
    const QObjectList& kids = f310->Panel2()->children();
    EXPECT_LT(kids.indexOf(widget(*f310, "lc_lcd")), kids.indexOf(f310->boardArea()));
}

TEST_F(Instruments, StoredSettingsReachTheWidgets) {
    auto f = makeForm("QK740X");
    auto* matrix = widget<TiLedMatrix>(*f, "iLedMatrix1");
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(matrix->ColCount(), 16);
    EXPECT_EQ(matrix->RowCount(), 16);
    EXPECT_EQ(matrix->IndicatorStyle(), TiLedMatrix::ilmisRound);
    EXPECT_EQ(matrix->IndicatorActiveColor(), QColor(255, 0, 0));
    EXPECT_EQ(matrix->BackGroundColor(), QColor(255, 255, 255));
    EXPECT_EQ(litCount(*matrix), 0);
    auto* isp = widget<TiLedMatrix>(*f, "ISP");
    ASSERT_NE(isp, nullptr);
    EXPECT_EQ(isp->ColCount(), 2);
    EXPECT_EQ(isp->RowCount(), 5);
    EXPECT_EQ(isp->BorderStyle(), TiComponent::ibsRaised);
    EXPECT_EQ(isp->toolTip(), "ISP");

    auto* lcd = widget<TiLCDMatrix>(*f, "lc_lcd");
    ASSERT_NE(lcd, nullptr);
    EXPECT_EQ(lcd->BackGroundColor(), QColor(97, 160, 151));
    EXPECT_TRUE(lcd->CellsShowOff());
    EXPECT_TRUE(lcd->Text().endsWith("QK740X"));
    EXPECT_EQ(lcd->Text().size(), 36);

    auto* dc = widget<TiMotor>(*f, "dcmotor");
    auto* step = widget<TiMotor>(*f, "stepmotor");
    ASSERT_TRUE(dc && step);
    EXPECT_EQ(dc->FanInterval(), 50);
    EXPECT_EQ(step->FanInterval(), 1000);
    EXPECT_TRUE(dc->FanOn()); // turning from creation, on a form never shown
    EXPECT_EQ(dc->BaseStyle(), TiMotor::imbsTrapezoid);
    EXPECT_EQ(dc->toolTip(), QStringLiteral("直流电机"));

    auto* hex = widget<TiPhonePad>(*f, "pp_key");
    auto* monitor = widget<TiPhonePad>(*f, "ip_key");
    ASSERT_TRUE(hex && monitor);
    EXPECT_EQ(hex->ButtonCaption0(), "F");
    EXPECT_EQ(hex->ButtonCaptionPound(), "E");
    EXPECT_EQ(monitor->ButtonCaption9(), "STEP");
    EXPECT_DOUBLE_EQ(monitor->ButtonSpacing(), 0.1);
    EXPECT_EQ(hex->font().pixelSize(), 11);

    EXPECT_EQ(widget(*f, "iLedRound1")->toolTip(), "POWER");
    EXPECT_TRUE(widget<TiLed>(*f, "iLedRound1")->Active());
    EXPECT_EQ(widget(*f, "JK")->toolTip(), ""); // stored hint not shown
    EXPECT_TRUE(widget<TiSwitchRocker>(*f, "KB6")->Active());
    auto* rst = widget<QRadioButton>(*f, "RB_RST");
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(rst->text(), "RST");
    EXPECT_EQ(rst->font().pixelSize(), 13);
    EXPECT_FALSE(rst->isChecked());

    const auto form310 = makeForm("QK310X"); // the form must outlive the widget read from it
    auto* shown = widget<TiLCDMatrix>(*form310, "iLCDMatrix1");
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->Text().endsWith("   QK310X+"));
}

TEST_F(Instruments, BadStoredSettingsAreReportedNotIgnored) {
    Component c;
    c.kind = ComponentKind::Widget;
    c.name = "x";
    c.widgetClass = "TiLedRound";
    c.rect = QRect(0, 0, 13, 13);
    QWidget parent;
    c.properties = QJsonObject{{"NoSuchThing", 1}};
    EXPECT_THROW(createInstrument(c, &parent), Error);
    c.properties = QJsonObject{{"ActiveColor", "clNoSuchColour"}};
    EXPECT_THROW(createInstrument(c, &parent), Error);
    c.properties = QJsonObject{{"BorderStyle", "ibsSideways"}};
    EXPECT_THROW(createInstrument(c, &parent), Error);
    c.widgetClass = "TiUnknown";
    c.properties = {};
    EXPECT_THROW(createInstrument(c, &parent), Error);
    EXPECT_TRUE(parent.findChildren<QWidget*>().isEmpty()); // nothing half-made is left behind
    EXPECT_EQ(storedColour("#61a097"), QColor(97, 160, 151));
    EXPECT_TRUE(storedColour("clBtnFace").isValid());
    EXPECT_TRUE(isHandlerSetting("OnClick"));
    EXPECT_FALSE(isHandlerSetting("Once"));
}

TEST_F(Instruments, EachBoardShowsItsDesignationAsBanner) {
    const QList<uint8_t>& code = DigitCode();
    ASSERT_GE(code.size(), 23);
    EXPECT_EQ(code[8], 0xFF);
    EXPECT_EQ(code[22], 0x00);
    const std::pair<const char*, QList<int>> expected[] = {{"QK740X", {23, 24, 7, 4, 0, 20}},
                                                           {"QK620X", {23, 24, 6, 2, 0, 20}},
                                                           {"QK310X", {23, 24, 3, 1, 0, 20}},
                                                           {"QK930X", {23, 24, 9, 3, 0, 20}}};
    for (const auto& [board, codes] : expected) {
        auto f = makeForm(board);
        FrontPanel* panel = FrontPanel::of(*f);
        ASSERT_NE(panel, nullptr) << board;
        EXPECT_EQ(panel->BannerCodes(), codes) << board;
        for (int i = 1; i <= 6; ++i) {
            TiSevenSegmentCharacter* d = panel->Digits(i);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->objectName(), QStringLiteral("led%1").arg(i));
            EXPECT_EQ(d->SegmentBits(), code[codes[i - 1]] & 0x7F) << board << " digit " << i;
            EXPECT_TRUE(d->ShowOffSegments());
        }
        EXPECT_FALSE(panel->BlinkPhase());
    }
    // Q and K are glyphs of their own, distinct from every glyph of the table.
    for (int i = 0; i < 23; ++i) {
        EXPECT_NE(code[23], code[i]);
        EXPECT_NE(code[24], code[i]);
    }
    EXPECT_THROW(bannerCodesOf("QK7W0X"), Error);
}

TEST_F(Instruments, BannerAndLampBlinkEveryTick) {
    for (const char* board : {"QK740X", "QK620X", "QK310X", "QK930X"}) {
        auto f = makeForm(board);
        FrontPanel* panel = FrontPanel::of(*f);
        ASSERT_NE(panel, nullptr);
        auto* hl = widget<TiLed>(*f, "hl");
        ASSERT_NE(hl, nullptr);
        // The timer runs from creation on a form that is not shown.
        EXPECT_FALSE(f->isVisible());
        EXPECT_TRUE(panel->Timer1()->isActive());
        EXPECT_EQ(panel->Timer1()->interval(), 500);
        EXPECT_EQ(hl->Active(), QByteArray(board) == "QK930X"); // as stored
        const int banner1 = panel->Digits(1)->SegmentBits();
        for (int tick = 1; tick <= 4; ++tick) {
            panel->Timer1Timer();
            const bool dark = tick % 2 == 1;
            EXPECT_EQ(panel->BlinkPhase(), dark);
            EXPECT_EQ(hl->Active(), !dark) << board << " tick " << tick;
            for (int i = 1; i <= 6; ++i)
                EXPECT_EQ(panel->Digits(i)->SegmentBits() == 0, dark) << board << " tick " << tick;
        }
        EXPECT_EQ(panel->Digits(1)->SegmentBits(), banner1);
        // The timer touches nothing else.
        EXPECT_TRUE(widget<TiLed>(*f, "iLedRound1")->Active());
    }
}

TEST_F(Instruments, TheBlinkRepaintsTheDigitsAloneAndHiddenBoardsNothing) {
    testsupport::ErrorRecorder errors; // showing the form asks for the catalogue, which tests do not have
    // On board QK310X the digits lie on the board area itself.
    auto shown = makeForm("QK310X");
    FrontPanel* panel = FrontPanel::of(*shown);
    ASSERT_NE(panel, nullptr);
    panel->Timer1()->stop(); // time is stepped by hand
    shown->show();
    settle();
    PaintCounter area(shown->boardArea()), digit(panel->Digits(1)), lamp(widget(*shown, "hl"));
    panel->Timer1Timer();
    settle();
    EXPECT_EQ(digit.paints, 1);
    EXPECT_EQ(lamp.paints, 0); // hl was stored dark and stays dark on the first tick
    EXPECT_EQ(area.paints, 0);
    panel->Timer1Timer();
    settle();
    EXPECT_EQ(digit.paints, 2);
    EXPECT_EQ(lamp.paints, 1);
    EXPECT_EQ(area.paints, 0);

    auto hidden = makeForm("QK740X");
    FrontPanel* hiddenPanel = FrontPanel::of(*hidden);
    ASSERT_NE(hiddenPanel, nullptr);
    PaintCounter hiddenDigit(hiddenPanel->Digits(1));
    for (int i = 0; i < 4; ++i)
        hiddenPanel->Timer1Timer();
    settle();
    EXPECT_EQ(hiddenDigit.paints, 0);
}

TEST_F(Instruments, TheRealTimerBlinks) {
    auto f = makeForm("QK620X");
    FrontPanel* panel = FrontPanel::of(*f);
    ASSERT_NE(panel, nullptr);
    QEventLoop loop;
    QObject::connect(panel->Timer1(), &QTimer::timeout, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(panel->BlinkPhase());
    EXPECT_EQ(panel->Digits(3)->SegmentBits(), 0);
}

TEST_F(Instruments, ClickingTheMatrixOfQK740XShowsThePicture) {
    auto f = makeForm("QK740X");
    auto* m = widget<TiLedMatrix>(*f, "iLedMatrix1");
    ASSERT_NE(m, nullptr);
    clickWidget(m);
    const Pattern& p = MatrixPattern();
    int lit = 0;
    for (int k = 0; k < 16; ++k)
        for (int j = 0; j < 16; ++j) {
            EXPECT_EQ(m->IndicatorActive(j, k), bool((p[size_t(k)] >> j) & 1)) << "row " << j << " col " << k;
            lit += m->IndicatorActive(j, k);
        }
    EXPECT_GT(lit, 40);
    // Column 0 shows only row 3; column 15 nothing; column 7 (7FE8) rows 3 and 5 to 14.
    for (int j = 0; j < 16; ++j) {
        EXPECT_EQ(m->IndicatorActive(j, 0), j == 3);
        EXPECT_FALSE(m->IndicatorActive(j, 15));
        EXPECT_EQ(m->IndicatorActive(j, 7), j == 3 || (j >= 5 && j <= 14));
    }
    // A second click draws the same picture again.
    clickWidget(m);
    EXPECT_EQ(litCount(*m), lit);
    // The matrices of the other boards never change.
    for (const char* board : {"QK620X", "QK310X", "QK930X"}) {
        auto other = makeForm(board);
        auto* om = widget<TiLedMatrix>(*other, "iLedMatrix1");
        ASSERT_NE(om, nullptr);
        clickWidget(om);
        EXPECT_EQ(litCount(*om), 0) << board;
    }
}

TEST_F(Instruments, ThePatternRoutineWritesItsOwnCopy) {
    TiLedMatrix m;
    m.setColCount(16);
    m.setRowCount(16);
    Pattern p{};
    p[2] = 0x8001;
    showPattern(m, p);
    EXPECT_EQ(litCount(m), 2);
    EXPECT_TRUE(m.IndicatorActive(0, 2));
    EXPECT_TRUE(m.IndicatorActive(15, 2));
    EXPECT_EQ(MatrixPattern()[7], 0x7FE8);
}

TEST_F(Instruments, TheResetKeyIsAPushKeyOnlyOnQK740X) {
    auto f740 = makeForm("QK740X");
    auto* rst = widget<QRadioButton>(*f740, "RB_RST");
    ASSERT_NE(rst, nullptr);
    const QPoint at = rst->rect().center();
    boardtest::press(rst, at);
    EXPECT_TRUE(rst->isChecked());
    boardtest::release(rst, at);
    EXPECT_FALSE(rst->isChecked());
    boardtest::click(rst, at);
    EXPECT_FALSE(rst->isChecked());

    for (const char* board : {"QK620X", "QK310X", "QK930X"}) {
        auto f = makeForm(board);
        auto* other = widget<QRadioButton>(*f, "RB_RST");
        ASSERT_NE(other, nullptr);
        boardtest::press(other, other->rect().center());
        boardtest::release(other, other->rect().center());
        EXPECT_TRUE(other->isChecked()) << board;
        // Nothing unchecks it, not even another click.
        boardtest::click(other, other->rect().center());
        EXPECT_TRUE(other->isChecked()) << board;
    }
}

TEST_F(Instruments, WiredWidgetClicksAskForTheirPicture) {
    boardtest::ViewerRecorder viewers;
    struct Case {
        const char* board;
        const char* widget;
        const char* asked; // empty: the click does nothing
    };
    const Case cases[] = {
        {"QK740X", "lc_lcd", "reference|lcd.jpg|"},   {"QK740X", "pp_key", "reference|key.jpg|"},
        {"QK740X", "ip_key", "reference|key.jpg|"},   {"QK740X", "led1", ""},
        {"QK740X", "dcmotor", ""},                    {"QK740X", "iLedMatrix1", ""},
        {"QK620X", "lc_lcd", "reference|lcd.jpg|"},   {"QK620X", "ip_key", "reference|key.jpg|"},
        {"QK620X", "sb_key", ""},                     {"QK310X", "led1", "reference|1.jpg|"},
        {"QK310X", "led6", "reference|6.jpg|"},       {"QK310X", "sb_key", "reference|key.jpg|"},
        {"QK310X", "ip_key", "reference|key.jpg|"},   {"QK310X", "iLCDMatrix1", ""},
        {"QK310X", "cz4", ""},                        {"QK930X", "stepmotor", "reference|pmotor.jpg|"},
        {"QK930X", "cz4", "reference|.jpg|"},         {"QK930X", "pp_key", "reference|key.jpg|"},
        {"QK930X", "lc_lcd", "reference|lcd.jpg|"},   {"QK930X", "ip_key", ""},
        {"QK930X", "dcmotor", ""},
    };
    for (const Case& c : cases) {
        auto f = makeForm(c.board);
        viewers.calls.clear();
        clickWidget(widget(*f, c.widget));
        const QStringList expected = *c.asked ? QStringList{c.asked} : QStringList{};
        EXPECT_EQ(viewers.calls, expected) << c.board << " " << c.widget;
    }
}

TEST_F(Instruments, FormsWithoutWidgetsStillBlink) {
    setWidgetFactory({});
    auto f = makeForm("QK740X");
    setWidgetFactory(&createInstrument);
    FrontPanel* panel = FrontPanel::of(*f);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Digits(1), nullptr);
    panel->Timer1Timer();
    panel->iLedMatrix1Click();
    EXPECT_TRUE(panel->BlinkPhase());
}
