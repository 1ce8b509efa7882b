// The widget base: repaint requests with suspension and frame-rate limit, setters that compare, the
// off-screen paint path and its failure text, the recording (metafile) path, the private timer, input flags.
#include "WidgetProbe.h"
#include "base/ErrorReport.h"
#include "widgets/iDrawing.h"
#include "widgets/iLCDMatrix.h"
#include "widgets/iLedMatrix.h"
#include "widgets/iLedRound.h"
#include "widgets/iMotor.h"
#include "widgets/iPhonePad.h"
#include "widgets/iSevenSegmentCharacter.h"
#include "widgets/iSwitchRocker.h"
#include "widgets/iSwitchRocker3Way.h"

#include <QMetaProperty>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

namespace {

// A plain widget: background, border and a blue mark at (10, 10).
class Face : public TiCustomComponent {
public:
    using TiCustomComponent::TiCustomComponent;
    bool fail = false;
    int paints = 0;
    bool cachedDuringPaint = true;
    bool userDuringMouse = false;
    void PaintTo(QPainter& canvas) override {
        ++paints;
        cachedDuringPaint = CachedDrawing();
        PaintBackground(canvas, BackGroundColor());
        canvas.fillRect(QRect(10, 10, 2, 2), Qt::blue);
        if (fail)
            throw Error(QStringLiteral("The face broke down badly"));
    }

protected:
    void HandleMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) override {
        userDuringMouse = UserAction();
        throw Error(QStringLiteral("failing mouse hook"));
    }
};

using FaceProbe = Probe<Face>;

} // namespace

TEST(WidgetRepaint, SettingTheStoredValueRequestsNothing) {
    // Every property of every widget class: writing back what it holds makes no repaint request.
    std::vector<std::unique_ptr<TiComponent>> widgets;
    std::vector<int*> repaints;
    auto add = [&](auto* w) {
        widgets.emplace_back(w);
        repaints.push_back(&w->repaints);
        return w;
    };
    auto* digit = add(new Probe<TiSevenSegmentCharacter>);
    add(new Probe<TiLedRound>);
    add(new Probe<TiLedMatrix>);
    auto* lcd = add(new Probe<TiLCDMatrix>);
    lcd->setText(QStringLiteral("QK740X"));
    add(new Probe<TiMotor>);
    add(new Probe<TiPhonePad>);
    add(new Probe<TiSwitchRocker>);
    add(new Probe<TiSwitchRocker3Way>);
    auto counts = [&] {
        int n = 0;
        for (int* r : repaints)
            n += *r;
        return n;
    };
    const int before = counts();
    for (auto& w : widgets) {
        const QMetaObject* mo = w->metaObject();
        for (int i = QWidget::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
            const QMetaProperty p = mo->property(i);
            if (!p.isWritable())
                continue;
            const QVariant v = p.read(w.get());
            const int was = counts();
            ASSERT_TRUE(p.write(w.get(), v)) << p.name();
            EXPECT_EQ(was, counts()) << mo->className() << "::" << p.name();
        }
    }
    digit->setSegmentBits(0x06);
    EXPECT_EQ(before + 1, counts());
}

TEST(WidgetRepaint, SuspensionIsNotCountedAndEndUpdateIssuesThePendingRepaint) {
    FaceProbe w;
    w.repaints = 0;
    w.BeginUpdate();
    w.BeginUpdate();
    w.setBackGroundColor(Qt::red);
    w.RequestRepaint();
    EXPECT_EQ(0, w.repaints);
    EXPECT_TRUE(w.RepaintPending());
    w.EndUpdate();
    EXPECT_FALSE(w.UpdateSuspended());
    EXPECT_EQ(1, w.repaints);
    EXPECT_FALSE(w.RepaintPending());
    w.EndUpdate(); // nothing pending: nothing issued
    EXPECT_EQ(1, w.repaints);
}

TEST(WidgetRepaint, AutoFrameRateLeavesTooEarlyChangesPending) {
    Probe<TiSevenSegmentCharacter> d;
    d.setUseSegmentBits(true);
    d.steppedClock = true;
    d.now = 100000;
    d.setAutoFrameRate(true); // a background repaint request, due at once
    d.repaints = 0;
    d.setSegmentBits(0x3F);
    EXPECT_EQ(0, d.repaints) << "the request that switched AutoFrameRate on was painted at this very time";
    d.now += 20;
    d.setSegmentBits(0x06); // 20 ms later: due (1/60 s passed)
    EXPECT_EQ(1, d.repaints);
    d.now += 1;
    d.setSegmentBits(0x5B); // 1 ms later: stays pending
    EXPECT_EQ(1, d.repaints);
    EXPECT_TRUE(d.RepaintPending());
    d.EndUpdate(); // still inside the frame slot
    EXPECT_EQ(1, d.repaints);
    d.now += 16;
    d.EndUpdate(); // 17 ms after the last issued repaint
    EXPECT_EQ(2, d.repaints);
    EXPECT_FALSE(d.RepaintPending());
    // A rate of 0 means no limit.
    d.setUpdateFrameRate(0);
    d.setSegmentBits(0x4F);
    d.setSegmentBits(0x66);
    EXPECT_EQ(4, d.repaints);
    // The frame shows the latest state whatever was issued.
    d.SetBounds(0, 0, 17, 25);
    EXPECT_EQ(0x66, d.SegmentBits());
}

TEST(WidgetRepaint, ALeftPendingRepaintIsIssuedWhenItsFrameSlotComes) {
    Probe<TiSevenSegmentCharacter> d;
    d.setUseSegmentBits(true);
    d.setUpdateFrameRate(20); // 50 ms slots
    d.setAutoFrameRate(true);
    d.setSegmentBits(0x01);
    d.setSegmentBits(0x02);
    if (!d.RepaintPending())
        GTEST_SKIP() << "the machine was too slow to leave the second change inside the frame slot";
    const int issued = d.repaints;
    EXPECT_TRUE(wt::waitFor([&] { return !d.RepaintPending(); }));
    EXPECT_EQ(issued + 1, d.repaints);
}

TEST(WidgetRepaint, SwitchingAutoFrameRateOffFlushesAndASizeChangeRepaintsTheBackground) {
    FaceProbe w;
    w.steppedClock = true;
    w.now = 5000;
    w.setAutoFrameRate(true);
    w.RequestRepaint();
    EXPECT_TRUE(w.RepaintPending());
    const int before = w.repaints;
    w.setAutoFrameRate(false);
    EXPECT_EQ(before + 1, w.repaints);
    EXPECT_FALSE(w.RepaintPending());
    w.RenderFrame();
    w.SetBounds(0, 0, 40, 30);
    EXPECT_TRUE(w.BackgroundDirty());
    EXPECT_EQ(before + 2, w.repaints);
    w.SetBounds(0, 0, 40, 30); // the same rectangle: nothing
    EXPECT_EQ(before + 2, w.repaints);
}

TEST(WidgetPaint, TheFrameIsTheBackgroundBorderAndFace) {
    Face w;
    w.SetBounds(0, 0, 30, 20);
    w.setBackGroundColor(QColor(10, 20, 30));
    QImage img = w.RenderFrame();
    EXPECT_EQ(wt::rgb(10, 20, 30), wt::pixel(img, 0, 0));
    EXPECT_EQ(wt::rgb(0, 0, 255), wt::pixel(img, 10, 10));
    w.setBorderStyle(TiComponent::ibsRaised);
    img = w.RenderFrame();
    EXPECT_EQ(QApplication::palette().color(QPalette::Light).rgb(), wt::pixel(img, 0, 0));
    EXPECT_EQ(QApplication::palette().color(QPalette::Shadow).rgb(), wt::pixel(img, 29, 19));
    EXPECT_EQ(wt::rgb(10, 20, 30), wt::pixel(img, 2, 2)) << "the edge is two pixels wide";
    // The screen path through the toolkit gives the same frame.
    const QImage grabbed = w.grab().toImage();
    EXPECT_EQ(wt::pixel(img, 29, 19), wt::pixel(grabbed, 29, 19));
    EXPECT_EQ(wt::pixel(img, 10, 10), wt::pixel(grabbed, 10, 10));
}

TEST(WidgetPaint, AFailingPaintShowsItsMessageInWhiteOnBlackAndTheProgramGoesOn) {
    Face w;
    w.SetBounds(0, 0, 120, 60);
    w.setBackGroundColor(Qt::yellow);
    w.fail = true;
    QImage img;
    ASSERT_NO_THROW(img = w.grab().toImage());
    EXPECT_EQ(wt::rgb(0, 0, 0), wt::pixel(img, 119, 59));
    EXPECT_NE(wt::rgb(0, 0, 255), wt::pixel(img, 10, 10)) << "the half-drawn face is replaced";
    int white = 0, yellow = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c(img.pixel(x, y));
            white += c.lightness() > 200 && c.saturation() < 30;
            yellow += c.rgb() == QColor(Qt::yellow).rgb();
        }
    EXPECT_GT(white, 20) << "the message is written";
    EXPECT_EQ(0, yellow);
    // Once mended, the face is back.
    w.fail = false;
    img = w.RenderFrame();
    EXPECT_EQ(wt::rgb(0, 0, 255), wt::pixel(img, 10, 10));
}

TEST(WidgetPaint, TheAfterPaintHookDrawsOnTheFinishedPicture) {
    Face w;
    w.SetBounds(0, 0, 20, 20);
    w.setOnAfterPaint([](QPainter& p) { p.fillRect(QRect(0, 0, 1, 1), Qt::green); });
    const QImage img = w.RenderFrame();
    EXPECT_EQ(wt::rgb(0, 255, 0), wt::pixel(img, 0, 0));
}

TEST(WidgetPaint, ARecordingDeviceIsDrawnStraightWithCachingOffForTheDuration) {
    Face w;
    w.SetBounds(0, 0, 30, 30);
    w.setBackGroundColor(Qt::red);
    QPicture picture;
    w.render(&picture);
    EXPECT_GE(w.paints, 1);
    EXPECT_FALSE(w.cachedDuringPaint);
    EXPECT_TRUE(w.CachedDrawing());
    QImage replay(30, 30, QImage::Format_RGB32);
    replay.fill(Qt::white);
    QPainter p(&replay);
    p.drawPicture(0, 0, picture);
    p.end();
    EXPECT_EQ(wt::rgb(255, 0, 0), wt::pixel(replay, 20, 20));
    EXPECT_EQ(wt::rgb(0, 0, 255), wt::pixel(replay, 10, 10));
    // A failure while recording is swallowed and caching is restored.
    w.fail = true;
    QPicture second;
    ASSERT_NO_THROW(w.render(&second));
    EXPECT_TRUE(w.CachedDrawing());
}

TEST(WidgetTimer, InitialDelayThenInterval) {
    FaceProbe w;
    EXPECT_FALSE(w.TimerRunning());
    w.TimerStart(0, 0); // nothing to run
    EXPECT_FALSE(w.TimerRunning());
    w.TimerStart(0, 40);
    EXPECT_EQ(40, w.TimerInterval());
    w.TimerStart(500, 50); // already running: ignored
    EXPECT_EQ(40, w.TimerInterval());
    w.TimerStop();
    EXPECT_FALSE(w.TimerRunning());
    w.TimerStart(500, 50);
    EXPECT_EQ(500, w.TimerInterval());
    w.InternalTimerTick();
    EXPECT_EQ(50, w.TimerInterval());
    w.TimerStop();
    // A first shot with no interval after it ends the timer instead of ticking on every pass of the loop.
    w.TimerStart(30, 0);
    w.InternalTimerTick();
    EXPECT_FALSE(w.TimerRunning());
}

namespace {
class Ticker : public Probe<Face> {
public:
    int ticks = 0;

protected:
    void OnInternalTimer() override { ++ticks; }
};
} // namespace

TEST(WidgetTimer, TheRealTimerTicks) {
    Ticker w;
    w.TimerStart(30, 10);
    EXPECT_TRUE(wt::waitFor([&] { return w.ticks >= 3; }));
    EXPECT_EQ(10, w.TimerInterval());
    w.TimerStop();
    const int seen = w.ticks;
    wt::waitFor([] { return false; }, 60);
    EXPECT_EQ(seen, w.ticks);
}

TEST(WidgetInput, MouseHooksRunAsUserActionsAndTheirErrorsAreSwallowed) {
    Face w;
    w.SetBounds(0, 0, 30, 30);
    int clicks = 0;
    QObject::connect(&w, &TiComponent::clicked, [&] { ++clicks; });
    ASSERT_NO_THROW(wt::click(&w, QPoint(5, 5)));
    EXPECT_TRUE(w.userDuringMouse);
    EXPECT_FALSE(w.UserAction()) << "cleared on the way out, also after an error";
    EXPECT_EQ(1, clicks);
    // A press released outside is no click.
    wt::press(&w, QPoint(5, 5));
    wt::release(&w, QPoint(50, 5));
    EXPECT_EQ(1, clicks);
    // Losing the focus while held cancels the click.
    wt::press(&w, QPoint(5, 5));
    wt::loseFocus(&w);
    wt::release(&w, QPoint(5, 5));
    EXPECT_EQ(1, clicks);
    EXPECT_FALSE(w.HasFocus());
}

TEST(WidgetPaint, TransparentShowsWhatLiesUnderTheWidget) {
    QWidget parent;
    parent.resize(100, 100);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(0, 200, 0));
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    Face w{&parent};
    w.SetBounds(20, 20, 40, 40);
    w.setBackGroundColor(Qt::red);
    w.setTransparent(true);
    // Not on screen: the snapshot is the background colour.
    EXPECT_EQ(wt::rgb(255, 0, 0), wt::pixel(w.TransparencySnapshot(), 30, 30));
    parent.show();
    ASSERT_TRUE(wt::waitFor([&] { return parent.isVisible(); }));
    w.TakeSnapshot();
    EXPECT_EQ(wt::rgb(0, 200, 0), wt::pixel(w.TransparencySnapshot(), 30, 30));
    EXPECT_EQ(wt::rgb(0, 200, 0), wt::pixel(w.RenderFrame(), 30, 30));
    w.setTransparent(false);
    EXPECT_TRUE(w.TransparencySnapshot().isNull());
    EXPECT_EQ(wt::rgb(255, 0, 0), wt::pixel(w.RenderFrame(), 30, 30));
}

TEST(WidgetLayout, PropertiesAreSetByNameAsALayoutLoaderDoes) {
    TiLCDMatrix lcd;
    EXPECT_TRUE(lcd.setProperty("BorderStyle", QStringLiteral("ibsNone")));
    EXPECT_EQ(TiComponent::ibsNone, lcd.BorderStyle());
    EXPECT_TRUE(lcd.setProperty("BackGroundColor", QStringLiteral("#61a097")));
    EXPECT_EQ(qRgb(97, 160, 151), lcd.BackGroundColor().rgb());
    EXPECT_TRUE(lcd.setProperty("CellsWidth", 1.0)); // numbers of a JSON layout arrive as doubles
    EXPECT_EQ(1, lcd.CellsWidth());
    EXPECT_TRUE(lcd.setProperty("Text", QStringLiteral("QK740X")));
    EXPECT_EQ(QStringLiteral("QK740X"), lcd.Text());
    TiLedMatrix m;
    EXPECT_TRUE(m.setProperty("IndicatorStyle", QStringLiteral("ilmisRound")));
    EXPECT_EQ(TiLedMatrix::ilmisRound, m.IndicatorStyle());
    TiLedRound lamp;
    EXPECT_TRUE(lamp.setProperty("Hint", QStringLiteral("POWER")));
    EXPECT_TRUE(lamp.toolTip().isEmpty()) << "a hint shows only with ShowHint";
    EXPECT_TRUE(lamp.setProperty("ShowHint", true));
    EXPECT_EQ(QStringLiteral("POWER"), lamp.toolTip());
}

TEST(WidgetLayout, LoadingDefersSizeRulesUntilTheEnd) {
    // A pin-header picture whose size is given before its counts: while loading, neither auto-size
    // direction runs; at the end the stored settings agree with the stored size.
    TiLedMatrix isp;
    isp.BeginLoad();
    isp.SetBounds(480, 384, 18, 29);
    isp.setIndicatorActiveColor(Qt::black);
    isp.setBackGroundColor(QColor(192, 192, 192));
    isp.setBorderStyle(TiComponent::ibsRaised);
    isp.setOuterMargin(2);
    isp.setColCount(2);
    isp.setRowCount(5);
    isp.setIndicatorWidth(5);
    isp.setIndicatorHeight(3);
    EXPECT_EQ(QRect(480, 384, 18, 29), isp.geometry());
    isp.EndLoad();
    EXPECT_EQ(QRect(480, 384, 18, 29), isp.geometry());
    EXPECT_EQ(5, isp.IndicatorWidth());
    EXPECT_EQ(3, isp.IndicatorHeight());
    // Without the load bracket the same order would have derived the indicators from the size first.
    TiLedMatrix loose;
    loose.SetBounds(0, 0, 18, 29);
    EXPECT_NE(10, loose.IndicatorWidth());
}

TEST(WidgetInput, KeysOfAFocuslessWidgetAlsoReachItsParent) {
    QWidget parent;
    Face face{&parent};
    QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&face, &e);
    EXPECT_FALSE(e.isAccepted());
    TiSwitchRocker sw{&parent};
    QKeyEvent s(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&sw, &s);
    EXPECT_TRUE(s.isAccepted()) << "a switch that takes the focus keeps its keys";
}
