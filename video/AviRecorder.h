#pragma once
// One recording: raw frames in, an MJPEG-in-AVI file out, written by its own GStreamer pipeline so that the
// live picture never waits for the encoder and a failing source cannot leave the file unfinished. The
// recording watches the free space of its file system and stops taking frames while the index still fits.
#include <QString>

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace capture {

class AviRecorder {
public:
    enum class Stop {
        DiskFull,    // the file system is (nearly) full: no further frames are taken
        WriteFailed, // the pipeline failed for another reason
    };
    // Called once, on a GStreamer thread, when the recording cannot go on; finish() then completes the file.
    using StopHandler = std::function<void(Stop why, const QString& text)>;

    // Room kept free on the file system beyond the index and the frames still on their way to the file:
    // the file writer's buffer and the header.
    static constexpr std::uint64_t kSpareBytes = 128 * 1024;
    // Index bytes reserved per frame: the classic index entry (16) and room for an extended one (8).
    static constexpr std::uint64_t kIndexBytesPerFrame = 32;

    // Starts writing `path`; frames are 32-bit BGRx of the given size, the file's frame period is
    // `microSecPerFrame`. A live source (a camera) never waits for the encoder: frames it cannot take in
    // time are dropped; a source that is not live (a test picture) is held back instead, so no frame is
    // lost. Null with `error` set when the pipeline cannot start.
    static std::unique_ptr<AviRecorder> start(const QString& path, int width, int height,
                                              std::uint32_t microSecPerFrame, bool liveSource,
                                              StopHandler onStop, QString* error);
    ~AviRecorder();

    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Offers one source frame with its running time; only frames that reach the next frame slot are kept
    // (the rest would be dropped by the file's rate anyway). A frame that would leave too little room for
    // the index is refused and ends the recording (Stop::DiskFull). Called from one thread at a time.
    // True when the frame was kept.
    bool offer(GstBuffer* frame, GstClockTime runningTime);

    // Ends the file: end of stream through the recording branch, waited for at most timeoutMs, so the
    // index and header are written. After a failed write the frames that reached the file are indexed
    // instead, as many as the disk leaves room for. True when the file was completed.
    bool finish(int timeoutMs = 5000);

    std::uint32_t framesKept() const { return kept_.load(); }
    bool failed() const { return failed_.load(); }
    bool spaceLow() const { return spaceLow_.load(); }

private:
    AviRecorder() = default;
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    static GstPadProbeReturn onEncoded(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    bool roomForAFrame() const;
    void stop(Stop why, const QString& text);

    GstElement* pipeline_ = nullptr;
    GstElement* appsrc_ = nullptr;
    QString path_;
    QByteArray nativePath_;
    StopHandler onStop_;
    std::uint64_t rawFrameBytes_ = 0; // an encoded frame's size before any is known
    gsize frameBytes_ = 0; // the least a frame of the recording's size holds
    GstClockTime period_ = 0;
    GstClockTime first_ = GST_CLOCK_TIME_NONE;
    GstClockTime nextSlot_ = 0;
    std::atomic<std::uint32_t> kept_{0};
    std::atomic<bool> failed_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> spaceLow_{false};
    std::atomic<bool> stopNoticed_{false};
    // Written by the encoder's thread, read where frames are offered.
    std::atomic<std::uint32_t> encoded_{0};
    std::atomic<std::uint64_t> largestEncoded_{0};
};

} // namespace capture
