// The speaker's sound output on GStreamer, with sinks that need no sound device.
#include "video/ToneOutput.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

using sound::ToneOutput;

namespace {

template <class F> bool waitFor(F condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms)
        QThread::msleep(5);
    return condition();
}

std::vector<std::int16_t> tone(std::size_t n) {
    std::vector<std::int16_t> samples(n);
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = (i / 50) % 2 ? 8000 : -8000;
    return samples;
}

} // namespace

TEST(ToneOutput, PlaysWhatIsPushedUnlessMutedAndClosesCleanly) {
    ToneOutput out(QStringLiteral("fakesink"));
    QString why;
    ASSERT_TRUE(out.open(&why)) << why.toStdString();
    out.push(tone(3000)); // more than one buffer
    EXPECT_TRUE(waitFor([&] { return out.deliveredSamples() == 3000; }, 5000)) << out.deliveredSamples();

    out.setMuted(true);
    EXPECT_TRUE(out.muted());
    out.push(tone(500));
    QThread::msleep(100);
    EXPECT_EQ(out.deliveredSamples(), 3000u);
    out.setMuted(false);
    out.push(tone(500));
    EXPECT_TRUE(waitFor([&] { return out.deliveredSamples() == 3500; }, 5000)) << out.deliveredSamples();

    out.close();
    EXPECT_FALSE(out.isOpen());
    out.push(tone(100)); // harmless once closed
    // Reopening gives a fresh pipeline.
    ASSERT_TRUE(out.open(&why)) << why.toStdString();
    out.push(tone(100));
    EXPECT_TRUE(waitFor([&] { return out.deliveredSamples() == 100; }, 5000));
}

TEST(ToneOutput, KeepsAtMost200msQueuedWhenTheSinkFallsBehind) {
    // The sink takes one buffer every 50 ms (about 20,000 samples a second), slower than the pushing side.
    ToneOutput out(QStringLiteral("identity sleep-time=50000 ! fakesink"));
    QString why;
    ASSERT_TRUE(out.open(&why)) << why.toStdString();
    for (int frame = 0; frame < 120; ++frame) // two seconds of sound in frames of 1/60 s
        out.push(tone(735));
    out.push(tone(ToneOutput::kRate)); // one block of a whole second
    EXPECT_LE(out.queuedSamples(), ToneOutput::kMaxQueuedSamples + 1024);
    EXPECT_GE(out.queuedSamples(), ToneOutput::kMaxQueuedSamples - 1024); // the sink did fall behind
    QElapsedTimer timer;
    timer.start();
    out.close(); // drains nothing
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(out.queuedSamples(), 0);
}

TEST(ToneOutput, SinkThatCannotBeMadeFailsWithAReason) {
    for (const char* sink : {"nosuchaudiosink", "nosuchelement ! fakesink"}) {
        ToneOutput out(QString::fromLatin1(sink));
        QString why;
        EXPECT_FALSE(out.open(&why)) << sink;
        EXPECT_EQ(why, QStringLiteral("没有可用的声音设备")) << sink;
        EXPECT_EQ(out.lastError(), why);
        EXPECT_FALSE(out.isOpen());
        out.push(tone(1000)); // harmless
        out.setMuted(true);
        out.close();
        EXPECT_EQ(out.deliveredSamples(), 0u);
    }
}
