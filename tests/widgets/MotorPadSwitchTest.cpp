// The motor, the key pad and the two rocker switches: turning, key layout and clicks, switching by mouse and
// keyboard, releases outside and on focus loss, the three-way rocker's repeat timer.
#include "WidgetProbe.h"
#include "widgets/iMotor.h"
#include "widgets/iPhonePad.h"
#include "widgets/iSwitchRocker.h"
#include "widgets/iSwitchRocker3Way.h"

#include <QtMath>
#include <gtest/gtest.h>

namespace {

const QStringList kHexCaptions = {"F", "7", "8", "9", "4", "5", "6", "1", "2", "3", "0", "E"};

void hexPad(TiPhonePad& pad) {
    for (int i = 0; i < 12; ++i)
        pad.setButtonCaption(i, kHexCaptions[i]);
    pad.SetBounds(584, 376, 107, 129);
}

// The pixel at an angle (degrees, counter-clockwise from 3 o'clock) and radius around the wheel's centre.
QRgb wheelPixel(const QImage& img, const TiMotor& m, double angle, int radius) {
    const double a = qDegreesToRadians(angle);
    return wt::pixel(img, m.width() / 2 + int(std::lround(radius * std::cos(a))),
                     m.height() / 2 - int(std::lround(radius * std::sin(a))));
}

} // namespace

TEST(Motor, SequenceTurnsTheBladeColoursAndIgnoresBadValues) {
    Probe<TiMotor> m;
    m.SetBounds(0, 0, 57, 49);
    m.setFanSequence(3);
    EXPECT_EQ(0, m.FanSequence());
    m.setFanSequence(-1);
    EXPECT_EQ(0, m.FanSequence());
    const int r = 57 / 3 - 5;
    QImage img = m.RenderFrame();
    EXPECT_EQ(qRgb(255, 0, 0), wheelPixel(img, m, 30, r / 2)) << "sector 0: BladeColor1";
    EXPECT_EQ(qRgb(0, 0, 255), wheelPixel(img, m, 90, r / 2)) << "sector 1: BladeColor2";
    EXPECT_EQ(qRgb(255, 255, 0), wheelPixel(img, m, 150, r / 2)) << "sector 2: BladeColor3";
    EXPECT_EQ(qRgb(255, 0, 0), wheelPixel(img, m, 210, r / 2));
    m.repaints = 0;
    m.Step();
    EXPECT_EQ(1, m.repaints);
    img = m.RenderFrame();
    EXPECT_EQ(qRgb(0, 0, 255), wheelPixel(img, m, 30, r / 2));
    m.Step();
    m.Step();
    EXPECT_EQ(0, m.FanSequence());
    EXPECT_EQ(qRgb(255, 0, 0), wheelPixel(m.RenderFrame(), m, 30, r / 2)) << "back where it started";
    // Pipes in the pipe colour left and right of the wheel, none above.
    m.setPipeColor(QColor(1, 2, 3));
    img = m.RenderFrame();
    EXPECT_EQ(qRgb(1, 2, 3), wt::pixel(img, 3, 49 / 2));
    EXPECT_EQ(qRgb(1, 2, 3), wt::pixel(img, 53, 49 / 2));
    EXPECT_NE(qRgb(1, 2, 3), wt::pixel(img, 57 / 2, 1));
}

TEST(Motor, FanOnRunsThePrivateTimer) {
    TiMotor m;
    EXPECT_FALSE(m.Turning());
    m.setFanInterval(50);
    m.setFanOn(true);
    EXPECT_TRUE(m.Turning());
    EXPECT_EQ(50, m.TurnInterval());
    m.setFanInterval(1000);
    EXPECT_EQ(1000, m.TurnInterval()) << "restarted with the new interval";
    m.setFanInterval(0);
    EXPECT_EQ(1000, m.FanInterval());
    m.setFanOn(false);
    EXPECT_FALSE(m.Turning());
    // Really turning.
    m.setFanInterval(15);
    m.setFanOn(true);
    int seen = 0;
    QObject::connect(&m, &QObject::objectNameChanged, [] {});
    const int start = m.FanSequence();
    EXPECT_TRUE(wt::waitFor([&] {
        if (m.FanSequence() != start)
            ++seen;
        return seen > 0;
    }));
}

TEST(PhonePad, LayoutOfTheBoardsHexadecimalPad) {
    TiPhonePad pad;
    hexPad(pad);
    pad.Layout();
    // 107 / 3.3 and 129 / 4.4: keys 32 x 29, gaps 3 and 3, block centred at (2, 2).
    EXPECT_EQ(QRect(2, 2, 32, 29), pad.KeyAt(1).rect);
    EXPECT_EQ(QRect(72, 2, 32, 29), pad.KeyAt(3).rect);
    EXPECT_EQ(QRect(2, 98, 32, 29), pad.KeyAt(TiPhonePad::kStar).rect);
    EXPECT_EQ(QRect(37, 98, 32, 29), pad.KeyAt(0).rect);
    EXPECT_EQ(QRect(72, 98, 32, 29), pad.KeyAt(TiPhonePad::kPound).rect);
    // The captions row by row: 7 8 9 / 4 5 6 / 1 2 3 / 0 F E.
    const int places[4][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 0, 11}};
    QStringList shown;
    for (auto& row : places)
        for (int k : row)
            shown << pad.ButtonCaption(k);
    EXPECT_EQ(QStringLiteral("789456123 0FE").remove(QLatin1Char(' ')), shown.join(QString()));
    // A key face: black outline, the background colour inside.
    pad.setBackGroundColor(QColor(200, 10, 10));
    const QImage img = pad.RenderFrame();
    EXPECT_EQ(qRgb(0, 0, 0), wt::pixel(img, 2, 10));
    EXPECT_EQ(qRgb(200, 10, 10), wt::pixel(img, 6, 6));
}

TEST(PhonePad, KeyClicksReportIndexAndCharacter) {
    TiPhonePad pad;
    hexPad(pad);
    std::vector<std::pair<int, QChar>> keys;
    int clicks = 0;
    QObject::connect(&pad, &TiPhonePad::keyClick, [&](int i, QChar c) { keys.emplace_back(i, c); });
    QObject::connect(&pad, &TiComponent::clicked, [&] { ++clicks; });
    // The key captioned "F" is key 0.
    wt::click(&pad, pad.KeyAt(0).rect.center());
    ASSERT_EQ(1u, keys.size());
    EXPECT_EQ(0, keys[0].first);
    EXPECT_EQ(QLatin1Char('0'), keys[0].second);
    EXPECT_EQ(1, clicks);
    wt::click(&pad, pad.KeyAt(TiPhonePad::kPound).rect.center());
    EXPECT_EQ(std::make_pair(11, QChar(QLatin1Char('#'))), keys.back());
    // Pressed while held, released outside: no key click, the key shows released.
    wt::press(&pad, pad.KeyAt(5).rect.center());
    EXPECT_TRUE(pad.KeyAt(5).pressed);
    wt::release(&pad, pad.KeyAt(6).rect.center());
    EXPECT_FALSE(pad.KeyAt(5).pressed);
    EXPECT_EQ(2u, keys.size());
    // Focus lost while held: released, no click.
    wt::press(&pad, pad.KeyAt(7).rect.center());
    wt::loseFocus(&pad);
    EXPECT_FALSE(pad.KeyAt(7).pressed);
    wt::release(&pad, pad.KeyAt(7).rect.center());
    EXPECT_EQ(2u, keys.size());
    // Hidden keys and the margins are no keys.
    pad.setButtonVisible(1, false);
    wt::click(&pad, pad.KeyAt(1).rect.center());
    wt::click(&pad, QPoint(0, 0));
    EXPECT_EQ(2u, keys.size());
    EXPECT_EQ(-1, pad.KeyIndexAt(QPoint(0, 0)));
    // Odd metrics do not break the layout.
    pad.setOuterMargin(-1);
    pad.setButtonSpacing(-2);
    EXPECT_EQ(0.0, pad.OuterMargin());
    pad.SetBounds(0, 0, 0, 0);
    EXPECT_NO_THROW(pad.RenderFrame());
}

TEST(SwitchRocker, ClickInvertsActiveAsAUserChange) {
    TiSwitchRocker sw;
    sw.SetBounds(0, 0, 17, 41);
    sw.setIndicatorActiveColor(Qt::red);
    int changes = 0, userChanges = 0;
    QObject::connect(&sw, &TiSwitchRocker::change, [&] { ++changes; });
    QObject::connect(&sw, &TiSwitchRocker::changeUser, [&] { ++userChanges; });
    wt::click(&sw, QPoint(8, 30));
    EXPECT_TRUE(sw.Active());
    EXPECT_EQ(1, changes);
    EXPECT_EQ(1, userChanges);
    sw.setActive(false);
    EXPECT_EQ(2, changes);
    EXPECT_EQ(1, userChanges) << "a program change is no user change";
    // Released outside: unchanged.
    wt::press(&sw, QPoint(8, 10));
    wt::release(&sw, QPoint(30, 10));
    EXPECT_FALSE(sw.Active());
    EXPECT_FALSE(sw.MouseArmed());
    // Focus lost while held: released, unchanged.
    wt::press(&sw, QPoint(8, 10));
    EXPECT_TRUE(sw.MouseArmed());
    wt::loseFocus(&sw);
    EXPECT_FALSE(sw.MouseArmed());
    wt::release(&sw, QPoint(8, 10));
    EXPECT_FALSE(sw.Active());
    // Clicking the indicator only: the indicator shows in the upper half when off.
    sw.setMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
    wt::click(&sw, QPoint(8, 30));
    EXPECT_FALSE(sw.Active());
    wt::click(&sw, QPoint(8, 5));
    EXPECT_TRUE(sw.Active());
    wt::click(&sw, QPoint(8, 5));
    EXPECT_TRUE(sw.Active()) << "on: the indicator half is the lower one";
    wt::click(&sw, QPoint(8, 30));
    EXPECT_FALSE(sw.Active());
}

TEST(SwitchRocker, SpaceKeyAndIndicatorColours) {
    TiSwitchRocker sw;
    sw.SetBounds(0, 0, 17, 41);
    sw.setIndicatorActiveColor(Qt::red);
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(sw.KeyboardArmed());
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Space, QStringLiteral(" "), true);
    wt::key(&sw, QEvent::KeyRelease, Qt::Key_Space, QStringLiteral(" "), true); // auto-repeat: still held
    EXPECT_FALSE(sw.Active());
    wt::key(&sw, QEvent::KeyRelease, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(sw.Active());
    wt::key(&sw, QEvent::KeyRelease, Qt::Key_Space, QStringLiteral(" ")); // not armed
    EXPECT_TRUE(sw.Active());
    // Armed by the space key, then the focus goes elsewhere: the release does not switch it.
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Space, QStringLiteral(" "));
    wt::loseFocus(&sw);
    EXPECT_FALSE(sw.KeyboardArmed());
    wt::key(&sw, QEvent::KeyRelease, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(sw.Active());
    // Indicator: left 7, top 7 when on (margins 2 and 3), 5 high; red inside, black outline.
    EXPECT_EQ(QRect(7, 7, 3, 5), sw.IndicatorRect());
    QImage img = sw.RenderFrame();
    EXPECT_EQ(qRgb(255, 0, 0), wt::pixel(img, 8, 8));
    EXPECT_EQ(qRgb(0, 0, 0), wt::pixel(img, 7, 7));
    EXPECT_EQ(qRgb(0, 0, 0), wt::pixel(img, 2, 2)) << "the inset black rectangle";
    sw.setActive(false);
    EXPECT_EQ(QRect(8, 10, 2, 5), sw.IndicatorRect());
    // At the default 25 x 50 the indicator is wide enough to show its fill when off.
    sw.SetBounds(0, 0, 25, 50);
    EXPECT_EQ(QRect(8, 10, 10, 5), sw.IndicatorRect());
    img = sw.RenderFrame();
    EXPECT_EQ(qRgb(85, 0, 0), wt::pixel(img, 12, 12));
    EXPECT_EQ(qRgb(255, 255, 255), wt::pixel(img, 12, 14)) << "white line along the bottom edge";
}

TEST(SwitchRocker3Way, HoldingTheUpperHalfRepeatsTheStep) {
    Probe<TiSwitchRocker3Way> sw;
    sw.SetBounds(0, 0, 17, 41);
    int ups = 0, userChanges = 0;
    QObject::connect(&sw, &TiSwitchRocker3Way::upClick, [&] { ++ups; });
    QObject::connect(&sw, &TiSwitchRocker3Way::valueChangeUser, [&] { ++userChanges; });
    wt::press(&sw, QPoint(8, 20)); // y 20 = height div 2: upper half
    EXPECT_EQ(TiSwitchRocker3Way::PositionUp, sw.CurrentPosition());
    EXPECT_EQ(1.0, sw.Value()) << "at once";
    EXPECT_EQ(500, sw.RepeatPeriod());
    sw.InternalTimerTick(); // 500 ms
    EXPECT_EQ(2.0, sw.Value());
    EXPECT_EQ(50, sw.RepeatPeriod());
    sw.InternalTimerTick(); // 550 ms
    EXPECT_EQ(3.0, sw.Value());
    EXPECT_EQ(3, ups);
    EXPECT_EQ(3, userChanges) << "repeated steps belong to the user's press";
    wt::release(&sw, QPoint(8, 20));
    EXPECT_EQ(TiSwitchRocker3Way::PositionCentre, sw.CurrentPosition());
    EXPECT_FALSE(sw.Repeating());
    EXPECT_EQ(3.0, sw.Value());
    // Lower half steps down.
    wt::press(&sw, QPoint(8, 21));
    EXPECT_EQ(2.0, sw.Value());
    wt::loseFocus(&sw);
    EXPECT_EQ(TiSwitchRocker3Way::PositionCentre, sw.CurrentPosition());
    EXPECT_FALSE(sw.Repeating());
    // A program change is no user change.
    sw.setValue(10);
    EXPECT_EQ(3 + 1, userChanges);
}

TEST(SwitchRocker3Way, RealTimerAndArrowKeys) {
    TiSwitchRocker3Way sw;
    sw.setRepeatInitialDelay(40);
    sw.setRepeatInterval(10);
    wt::press(&sw, QPoint(8, 5));
    EXPECT_TRUE(wt::waitFor([&] { return sw.Value() >= 3.0; }));
    wt::release(&sw, QPoint(8, 5));
    const double held = sw.Value();
    wt::waitFor([] { return false; }, 60);
    EXPECT_EQ(held, sw.Value());
    // Arrow keys press the halves; a held key's repeats do not add steps of their own.
    sw.setValue(0);
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Down);
    EXPECT_EQ(-1.0, sw.Value());
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Down, {}, true);
    EXPECT_EQ(-1.0, sw.Value());
    wt::key(&sw, QEvent::KeyPress, Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(TiSwitchRocker3Way::PositionCentre, sw.CurrentPosition());
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(0.0, sw.Value());
    wt::key(&sw, QEvent::KeyRelease, Qt::Key_Up);
    EXPECT_EQ(TiSwitchRocker3Way::PositionCentre, sw.CurrentPosition());
    sw.setUseArrowKeys(false);
    wt::key(&sw, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(0.0, sw.Value());
    // The pressed half shows darker.
    sw.SetBounds(0, 0, 17, 41);
    wt::press(&sw, QPoint(8, 5));
    const QImage img = sw.RenderFrame();
    EXPECT_LT(QColor(wt::pixel(img, 8, 8)).lightness(), QColor(wt::pixel(img, 8, 32)).lightness());
    wt::release(&sw, QPoint(8, 5));
}
