#pragma once
// A capture window of the GStreamer service: one live pipeline (source -> BGRx frames), the picture painted
// at the preview rate, and the recording started from it.
#include "video/AviRecorder.h"
#include "video/CaptureRequests.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace capture {

class GstCaptureService;

class GstCaptureWindow : public QWidget {
    Q_OBJECT
public:
    GstCaptureWindow(GstCaptureService& service, QWidget* parent);
    ~GstCaptureWindow() override;

    std::intptr_t request(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // How long connecting waits for the first frame, and other requests for a frame to exist.
    static constexpr int kFirstFrameTimeoutMs = 5000;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool connectSource(int slot);
    void disconnectSource();
    // True when the running source has a picture; a source that has failed has none.
    bool waitForFrame(int timeoutMs);
    bool startSequence(bool toFile);
    void endSequence(bool notify);
    // Ends the recording of that generation only: a notice that arrives after its recording ended (a
    // queued index limit, abort key or write failure) must not end the next one. True when it ended one.
    bool endSequenceOf(std::uint64_t generation);
    void fillStatus(CAPSTATUS* status);
    bool saveFrame(const QString& path);
    bool allocateFile(std::uint32_t bytes);
    void previewTick();
    void sourceEnded(std::uint64_t generation, const QString& text); // UI thread
    void notifyStatus(std::int32_t id, const QString& text);
    void notifyError(std::int32_t id, const QString& text);
    void callFrameProc(std::atomic<FrameCallbackProc>& proc, GstSample* sample, GstClockTime runningTime);

    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self);
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);

    GstCaptureService& service_;
    std::atomic<std::intptr_t> userData_{0};
    std::atomic<StatusCallbackProc> statusProc_{nullptr};
    std::atomic<ErrorCallbackProc> errorProc_{nullptr};
    std::atomic<FrameCallbackProc> frameProc_{nullptr};
    std::atomic<FrameCallbackProc> streamProc_{nullptr};

    int slot_ = -1;
    GstElement* pipeline_ = nullptr;

    // Shared with the streaming thread.
    std::mutex mutex_;
    std::condition_variable frameArrived_;
    GstSample* latest_ = nullptr;
    std::uint64_t frameSeq_ = 0;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    bool sourceFailed_ = false;
    QString failure_;
    std::shared_ptr<AviRecorder> recorder_; // the streaming thread offers through its own copy
    bool sourceIsLive_ = true;
    bool noFileCapture_ = false;
    std::uint32_t noFileFrames_ = 0;
    std::uint64_t captureGen_ = 0; // the current recording's number; written on the UI thread only
    std::atomic<std::uint32_t> indexLimit_{0};

    // UI thread only.
    bool live_ = false;
    bool scale_ = false;
    QImage held_; // the grabbed frame shown while the live picture is off
    std::uint64_t paintedSeq_ = 0;
    QTimer previewTimer_;
    QTimer limitTimer_;
    QElapsedTimer captureClock_;
    std::uint32_t lastElapsedMs_ = 0;
    std::uint32_t lastFrames_ = 0;
    bool capturing_ = false;
    QString captureFile_;
    CAPTUREPARMS parms_;
    int abortKey_ = 0;
};

} // namespace capture
