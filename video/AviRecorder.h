#pragma once
// One recording: raw frames in, an MJPEG-in-AVI file out, written by its own GStreamer pipeline so that the
// live picture never waits for the encoder and a failing source cannot leave the file unfinished.
#include <QString>

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace capture {

class AviRecorder {
public:
    // Called on a GStreamer thread when the recording pipeline fails (for example a full disk).
    using FailureHandler = std::function<void(const QString& text)>;

    // Starts writing `path`; frames are 32-bit BGRx of the given size, the file's frame period is
    // `microSecPerFrame`. A live source (a camera) never waits for the encoder: frames it cannot take in
    // time are dropped; a source that is not live (a test picture) is held back instead, so no frame is
    // lost. Null with `error` set when the pipeline cannot start.
    static std::unique_ptr<AviRecorder> start(const QString& path, int width, int height,
                                              std::uint32_t microSecPerFrame, bool liveSource,
                                              FailureHandler onFailure, QString* error);
    ~AviRecorder();

    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Offers one source frame with its running time; only frames that reach the next frame slot are kept
    // (the rest would be dropped by the file's rate anyway). Thread-safe. True when the frame was kept.
    bool offer(GstBuffer* frame, GstClockTime runningTime);

    // Ends the file: end of stream through the recording branch, waited for at most timeoutMs, so the
    // index and header are written. True when the file was completed.
    bool finish(int timeoutMs = 5000);

    std::uint32_t framesKept() const { return kept_.load(); }
    bool failed() const { return failed_.load(); }

private:
    AviRecorder() = default;
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);

    GstElement* pipeline_ = nullptr;
    GstElement* appsrc_ = nullptr;
    FailureHandler onFailure_;
    gsize frameBytes_ = 0; // the least a frame of the recording's size holds
    GstClockTime period_ = 0;
    GstClockTime first_ = GST_CLOCK_TIME_NONE;
    GstClockTime nextSlot_ = 0;
    std::atomic<std::uint32_t> kept_{0};
    std::atomic<bool> failed_{false};
    std::atomic<bool> finished_{false};
};

} // namespace capture
