// The windows a virtual run feeds: the oscilloscope's plotted model and the serial terminal's text.
#include "boards/ScopeWindow.h"
#include "boards/SerialTerminalWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using boards::ScopeTrace;
using boards::ScopeWindow;
using boards::SerialTerminalWindow;

namespace {

using Samples = std::vector<std::pair<double, double>>;

void setTimeBase(ScopeWindow& w, double secondsPerDivision) {
    w.timeBaseBox()->setCurrentIndex(w.timeBaseBox()->findData(secondsPerDivision));
    ASSERT_DOUBLE_EQ(w.secondsPerDivision(), secondsPerDivision);
}

} // namespace

TEST(ScopeWindow, StaysBoundedUnderA200kSamplesPerSecondFloodAndKeepsTheLatestScreen) {
    ScopeWindow w;
    setTimeBase(w, 0.001);
    w.triggerBox()->setCurrentIndex(1); // free running
    // Five seconds of a DAC written 200,000 times a second (a sawtooth), delivered once a frame.
    const int perSecond = 200000, perFrame = perSecond / 60;
    long n = 0;
    for (int frame = 0; frame < 300; ++frame) {
        Samples samples;
        for (int i = 0; i < perFrame; ++i, ++n)
            samples.emplace_back(double(n) / perSecond, double(n % 256) * 5 / 256);
        w.addSamples(0, samples);
        ASSERT_LE(w.trace(0).size(), ScopeTrace::kCapacity);
        w.refresh();
    }
    EXPECT_EQ(w.trace(0).size(), ScopeTrace::kCapacity);
    // The whole latest screenful is still there, the sawtooth's full range in it.
    const double now = double(n - 1) / perSecond;
    EXPECT_NEAR(w.frame().start, now - 0.01, 1e-9);
    double low = 10, high = -10;
    for (const auto& c : w.frame().columns[0]) {
        ASSERT_TRUE(c.valid);
        low = std::min(low, c.low);
        high = std::max(high, c.high);
    }
    EXPECT_EQ(low, 0.0);
    EXPECT_NEAR(high, 255 * 5.0 / 256, 1e-6);
}

TEST(ScopeWindow, TriggerPutsTheLatestRisingEdgeOfChannelOneAtTheTriggerPoint) {
    ScopeWindow w;
    setTimeBase(w, 0.001);
    ASSERT_TRUE(w.triggerOn()); // "自动" by default
    // A 0/5 V square wave of period 3.7 ms, rising at 0.5 ms + k·3.7 ms, fed as level changes.
    const double period = 0.0037, now = 0.05;
    Samples square;
    for (double t = 0.0005; t < now; t += period) {
        square.emplace_back(t, 5.0);
        if (t + period / 2 < now)
            square.emplace_back(t + period / 2, 0.0);
    }
    w.addSamples(0, square);
    w.addSamples(1, {{0.001, 5.0}}); // a net that rose once and holds
    w.setChannelName(0, QStringLiteral("DAC"));
    w.setChannelName(1, QStringLiteral("P10"));
    w.setTime(now);
    w.refresh();

    const auto& f = w.frame();
    ASSERT_TRUE(f.triggered);
    EXPECT_DOUBLE_EQ(f.triggerLevel, 2.5);
    const auto& ch1 = f.columns[0];
    const int at = ScopeWindow::kTriggerColumn;
    ASSERT_TRUE(ch1[at - 1].valid && ch1[at].valid);
    EXPECT_EQ(ch1[at - 1].high, 0.0);
    EXPECT_EQ(ch1[at].high, 5.0);
    // The latest edge that still fills the screen: the next edge would run past the run's time.
    EXPECT_LE(f.start + f.span, now);
    EXPECT_GT(f.start + f.span + period, now);
    for (const auto& c : f.columns[1]) // the held level, drawn even without a change on screen
        EXPECT_TRUE(c.valid && c.low == 5.0 && c.high == 5.0);

    // Free running instead: the screen ends at the run's time and the edge is elsewhere.
    w.triggerBox()->setCurrentIndex(1);
    EXPECT_FALSE(w.frame().triggered);
    EXPECT_NEAR(w.frame().start, now - 0.01, 1e-12);
    EXPECT_FALSE(w.frame().columns[0][at - 1].high == 0.0 && w.frame().columns[0][at].high == 5.0);

    // A new run starts empty.
    w.clear();
    EXPECT_EQ(w.trace(0).size(), 0);
    EXPECT_FALSE(w.frame().columns[0][0].valid);
}

TEST(SerialTerminalWindow, ShowsReceivedBytesAsGbkTextLineBreaksAndHexMarks) {
    SerialTerminalWindow w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("串口终端"));
    w.appendReceived(QByteArray("AB\r\nC\x00\x1b", 7));
    w.appendReceived("\xD6"); // "中" split across two deliveries
    w.appendReceived("\xD0\r");
    w.appendReceived("\nD\nE\t\xB0\rF\xFF\x80"); // the CR LF split too; a lead byte without its trail
    EXPECT_EQ(w.receivedText(), QStringLiteral("AB\nC⟨00⟩⟨1B⟩中\nD\nE⟨09⟩⟨B0⟩\nF⟨FF⟩⟨80⟩"));

    w.clear();
    EXPECT_EQ(w.receivedText(), QString());
    // A flood keeps the newest text only, whether it comes in pieces or at once.
    for (int i = 0; i < 150; ++i)
        w.appendReceived(QByteArray(1000, 'a') + "\n");
    w.appendReceived("END");
    EXPECT_LE(w.receivedText().size(), SerialTerminalWindow::kMaxChars);
    EXPECT_GE(w.receivedText().size(), SerialTerminalWindow::kMaxChars - 1001);
    EXPECT_TRUE(w.receivedText().endsWith(QStringLiteral("a\nEND")));
    w.appendReceived(QByteArray(3 * SerialTerminalWindow::kMaxChars, 'b') + "Z");
    EXPECT_LE(w.receivedText().size(), SerialTerminalWindow::kMaxChars);
    EXPECT_TRUE(w.receivedText().endsWith(QStringLiteral("bZ")));
}

TEST(SerialTerminalWindow, SendsTypedTextAsGbkWithTheChosenEnding) {
    SerialTerminalWindow w;
    QList<QByteArray> sent;
    QObject::connect(&w, &SerialTerminalWindow::sendBytes, [&](const QByteArray& b) { sent.append(b); });
    w.input()->setText(QStringLiteral("温度25"));
    w.sendButton()->click();
    w.appendCrBox()->setChecked(true);
    w.input()->setText(QStringLiteral("中"));
    emit w.input()->returnPressed();
    w.sendButton()->click(); // nothing typed: the CR alone
    w.appendCrBox()->setChecked(false);
    w.sendButton()->click(); // nothing at all
    EXPECT_EQ(sent, (QList<QByteArray>{"\xCE\xC2\xB6\xC8"
                                       "25",
                                       "\xD6\xD0\r", "\r"}));

    w.setBaud(9600);
    EXPECT_EQ(w.baud(), 9600);
    int closed = 0;
    QObject::connect(&w, &SerialTerminalWindow::closed, [&] { ++closed; });
    w.show();
    w.close();
    EXPECT_EQ(closed, 1);
}
