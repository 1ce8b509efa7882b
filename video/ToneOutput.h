#pragma once
// The board's speaker: plays mono signed 16-bit samples at 44,100 Hz through GStreamer
// (appsrc → audioconvert → a sink). Pushing never blocks: GStreamer's own threads play, and what waits
// to be played is kept short so that the sound never lags behind the picture.
#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

typedef struct _GstElement GstElement;

namespace sound {

class ToneOutput {
public:
    static constexpr int kRate = 44100;
    // At most this many samples wait in the source's queue; older ones are dropped first.
    static constexpr int kMaxQueuedSamples = kRate / 5; // 200 ms

    // `sink` is an element name ("autoaudiosink", "fakesink") or a gst-launch description of a sink bin
    // ("identity sleep-time=1000 ! fakesink").
    explicit ToneOutput(QString sink = QStringLiteral("autoaudiosink"));
    ~ToneOutput();
    ToneOutput(const ToneOutput&) = delete;
    ToneOutput& operator=(const ToneOutput&) = delete;

    // Builds and starts the pipeline; false with a reason in Chinese when there is no sound device or the
    // pipeline does not start. Opening an open output reopens it.
    bool open(QString* why = nullptr);
    bool isOpen() const { return pipeline_ != nullptr; }
    // Queues samples for playing; harmless while closed or muted (the samples are dropped then). A
    // pipeline that failed while playing is closed here, and lastError() says why.
    void push(const std::vector<std::int16_t>& samples);
    void setMuted(bool muted) { muted_ = muted; }
    bool muted() const { return muted_; }
    // Stops at once: what is queued is dropped, no GStreamer thread is left running.
    void close();

    QString lastError() const { return lastError_; }
    // Samples waiting in the source's queue now.
    int queuedSamples() const;
    // Samples that left the source for the sink since open().
    std::uint64_t deliveredSamples() const { return delivered_.load(); }

private:
    bool fail(const QString& reason, QString* why);
    void checkBus();

    QString sinkName_;
    GstElement* pipeline_ = nullptr;
    GstElement* source_ = nullptr;
    bool muted_ = false;
    QString lastError_;
    // Counted on GStreamer's streaming thread, which close() stops before this object goes.
    std::atomic<std::uint64_t> delivered_{0};
};

} // namespace sound
