#include "video/GstCaptureWindow.h"

#include "base/Gbk.h"
#include "video/Bmp.h"
#include "video/FileCase.h"
#include "video/GstCaptureService.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QSaveFile>

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace capture {

namespace {

QString pathArgument(std::intptr_t lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    if (!text)
        return {};
    return gbk::decode(QByteArrayView(text, qstrnlen(text, kMaxPath)));
}

// A sample's pixels as an image that shares them (valid while `map` is mapped).
QImage wrap(GstSample* sample, GstMapInfo* map, bool* mapped) {
    *mapped = false;
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps))
        return {};
    if (!gst_buffer_map(buffer, map, GST_MAP_READ))
        return {};
    *mapped = true;
    return QImage(map->data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                  GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB32);
}

QImage copyOf(GstSample* sample) {
    GstMapInfo map;
    bool mapped = false;
    QImage image = wrap(sample, &map, &mapped).copy();
    if (mapped)
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    return image;
}

} // namespace

GstCaptureWindow::GstCaptureWindow(GstCaptureService& service, QWidget* parent) : QWidget(parent), service_(service) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAttribute(Qt::WA_OpaquePaintEvent);
    previewTimer_.setInterval(33);
    connect(&previewTimer_, &QTimer::timeout, this, [this] { previewTick(); });
    limitTimer_.setSingleShot(true);
    connect(&limitTimer_, &QTimer::timeout, this, [this] { endSequence(true); });
}

GstCaptureWindow::~GstCaptureWindow() {
    // A window destroyed while recording (the program closing) still leaves a complete file.
    disconnectSource();
}

// ---- Source -----------------------------------------------------------------------------------------------

bool GstCaptureWindow::connectSource(int slot) {
    disconnectSource();
    QString error;
    GstElement* source = service_.createSource(slot, &error);
    if (!source)
        return false;
    GstElement* pipeline = gst_pipeline_new("capture");
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!pipeline || !convert || !sink) {
        for (GstElement* e : {pipeline, convert, sink, source})
            if (e)
                gst_object_unref(e);
        return false;
    }
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
    // Only the newest frame matters to the picture; the recorder takes its frames as they pass.
    g_object_set(sink, "caps", caps, "sync", FALSE, "max-buffers", 1u, "drop", TRUE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &GstCaptureWindow::onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, convert, sink, nullptr);
    if (!gst_element_link_many(source, convert, sink, nullptr)) {
        gst_object_unref(pipeline);
        return false;
    }
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    gst_bus_set_sync_handler(bus, &GstCaptureWindow::onBusMessage, this, nullptr);
    gst_object_unref(bus);
    {
        std::lock_guard lock(mutex_);
        sourceFailed_ = false;
        failure_.clear();
        frameWidth_ = frameHeight_ = 0;
    }
    pipeline_ = pipeline;
    slot_ = slot;
    const GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PLAYING);
    sourceIsLive_ = change == GST_STATE_CHANGE_NO_PREROLL;
    bool delivered = false;
    if (change != GST_STATE_CHANGE_FAILURE) {
        // A source that delivered its picture connects, even one that has ended since.
        std::unique_lock lock(mutex_);
        delivered = frameArrived_.wait_for(lock, std::chrono::milliseconds(kFirstFrameTimeoutMs),
                                           [this] { return latest_ != nullptr || sourceFailed_; }) &&
                    latest_ != nullptr;
    }
    if (!delivered) {
        disconnectSource();
        return false;
    }
    return true;
}

void GstCaptureWindow::disconnectSource() {
    endSequence(true);
    if (pipeline_) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline_);
        pipeline_ = nullptr;
    }
    {
        std::lock_guard lock(mutex_);
        if (latest_)
            gst_sample_unref(latest_);
        latest_ = nullptr;
        frameWidth_ = frameHeight_ = 0;
    }
    slot_ = -1;
    live_ = false;
    previewTimer_.stop();
    held_ = QImage();
    update();
}

bool GstCaptureWindow::waitForFrame(int timeoutMs) {
    std::unique_lock lock(mutex_);
    frameArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return latest_ != nullptr || sourceFailed_; });
    // After the camera is gone its last frame is history, not the picture a grab or a photo asks for.
    return latest_ != nullptr && !sourceFailed_;
}

GstFlowReturn GstCaptureWindow::onNewSample(GstAppSink* sink, gpointer data) {
    auto* self = static_cast<GstCaptureWindow*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstClockTime runningTime = GST_CLOCK_TIME_NONE;
    if (buffer) {
        const GstSegment* segment = gst_sample_get_segment(sample);
        runningTime = segment ? gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer))
                              : GST_BUFFER_PTS(buffer);
    }
    bool kept = false;
    bool limitReached = false;
    std::shared_ptr<AviRecorder> recorder;
    std::uint64_t generation = 0;
    std::uint32_t limit = 0;
    {
        std::lock_guard lock(self->mutex_);
        // Read with the recorder it belongs to: a start sets the limit before it publishes the recorder.
        limit = self->indexLimit_.load();
        if (self->latest_)
            gst_sample_unref(self->latest_);
        self->latest_ = gst_sample_ref(sample);
        ++self->frameSeq_;
        if (self->frameWidth_ == 0) {
            GstVideoInfo info;
            if (GstCaps* caps = gst_sample_get_caps(sample); caps && gst_video_info_from_caps(&info, caps)) {
                self->frameWidth_ = GST_VIDEO_INFO_WIDTH(&info);
                self->frameHeight_ = GST_VIDEO_INFO_HEIGHT(&info);
            }
        }
        if (self->noFileCapture_) {
            kept = true;
            limitReached = limit != 0 && ++self->noFileFrames_ == limit;
        }
        recorder = self->recorder_;
        generation = self->captureGen_;
    }
    self->frameArrived_.notify_all();
    // Outside the lock: offering to a recorder of a non-live source may wait for the encoder.
    if (recorder && buffer) {
        kept = recorder->offer(buffer, runningTime);
        limitReached = kept && limit != 0 && recorder->framesKept() == limit;
    }
    if (kept)
        self->callFrameProc(self->streamProc_, sample, runningTime);
    if (limitReached) // the reserved index is full: the recording ends as at its time limit
        QMetaObject::invokeMethod(
            self, [self, generation] { self->endSequenceOf(generation); }, Qt::QueuedConnection);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstBusSyncReply GstCaptureWindow::onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    auto* self = static_cast<GstCaptureWindow*>(data);
    const auto type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
        QString text = QStringLiteral("The picture source has ended");
        if (type == GST_MESSAGE_ERROR) {
            GError* err = nullptr;
            gst_message_parse_error(message, &err, nullptr);
            if (err)
                text = QString::fromUtf8(err->message);
            g_clear_error(&err);
        }
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(self->mutex_);
            if (self->sourceFailed_)
                return GST_BUS_DROP;
            self->sourceFailed_ = true;
            self->failure_ = text;
            generation = self->captureGen_;
        }
        self->frameArrived_.notify_all();
        QMetaObject::invokeMethod(
            self, [self, generation, text] { self->sourceEnded(generation, text); }, Qt::QueuedConnection);
    } else if (type == GST_MESSAGE_WARNING) {
        GError* err = nullptr;
        gst_message_parse_warning(message, &err, nullptr);
        const QString text = QString::fromUtf8(err ? err->message : "warning");
        g_clear_error(&err);
        QMetaObject::invokeMethod(
            self, [self, text] { self->notifyStatus(IDS_CAP_STAT_WARNING, text); }, Qt::QueuedConnection);
    } else if (type == GST_MESSAGE_STATE_CHANGED && GST_IS_PIPELINE(GST_MESSAGE_SRC(message))) {
        GstState oldState, newState;
        gst_message_parse_state_changed(message, &oldState, &newState, nullptr);
        if (newState == GST_STATE_PLAYING && oldState != GST_STATE_PLAYING)
            QMetaObject::invokeMethod(
                self, [self] { self->notifyStatus(IDS_CAP_STAT_CAP_INIT, QStringLiteral("Video source running")); },
                Qt::QueuedConnection);
    }
    return GST_BUS_DROP;
}

void GstCaptureWindow::sourceEnded(std::uint64_t generation, const QString& text) {
    // A camera that disappears mid-recording must not cost the recording: finish the file with what it has.
    endSequenceOf(generation);
    notifyError(IDS_CAP_ERROR_SOURCE, text);
}

// ---- Notifications ------------------------------------------------------------------------------------------

void GstCaptureWindow::notifyStatus(std::int32_t id, const QString& text) {
    if (StatusCallbackProc proc = statusProc_.load()) {
        const QByteArray bytes = gbk::encode(text);
        proc(service_, this, id, bytes.constData());
    }
}

void GstCaptureWindow::notifyError(std::int32_t id, const QString& text) {
    if (ErrorCallbackProc proc = errorProc_.load()) {
        const QByteArray bytes = gbk::encode(text);
        proc(service_, this, id, bytes.constData());
    }
}

void GstCaptureWindow::callFrameProc(std::atomic<FrameCallbackProc>& slot, GstSample* sample,
                                     GstClockTime runningTime) {
    FrameCallbackProc proc = slot.load();
    if (!proc || !sample)
        return;
    GstMapInfo map;
    bool mapped = false;
    const QImage image = wrap(sample, &map, &mapped);
    if (!mapped)
        return;
    VIDEOHDR header;
    header.lpData = map.data;
    header.dwBufferLength = static_cast<std::uint32_t>(map.size);
    header.dwBytesUsed = static_cast<std::uint32_t>(map.size);
    header.dwTimeCaptured =
        GST_CLOCK_TIME_IS_VALID(runningTime) ? static_cast<std::uint32_t>(runningTime / GST_MSECOND) : 0;
    header.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
    header.width = static_cast<std::uint32_t>(image.width());
    header.height = static_cast<std::uint32_t>(image.height());
    header.stride = static_cast<std::uint32_t>(image.bytesPerLine());
    proc(service_, this, &header);
    gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
}

// ---- Preview ------------------------------------------------------------------------------------------------

void GstCaptureWindow::previewTick() {
    if (!live_)
        return;
    GstSample* sample = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (frameSeq_ == paintedSeq_ || !latest_)
            return;
        paintedSeq_ = frameSeq_;
        if (frameProc_.load())
            sample = gst_sample_ref(latest_);
    }
    update();
    if (sample) {
        callFrameProc(frameProc_, sample, GST_BUFFER_PTS(gst_sample_get_buffer(sample)));
        gst_sample_unref(sample);
    }
}

void GstCaptureWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!live_) {
        if (!held_.isNull())
            painter.drawImage(scale_ ? rect() : QRect(QPoint(0, 0), held_.size()), held_);
        return;
    }
    GstSample* sample = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (latest_)
            sample = gst_sample_ref(latest_);
    }
    if (!sample)
        return;
    GstMapInfo map;
    bool mapped = false;
    const QImage image = wrap(sample, &map, &mapped);
    if (!image.isNull())
        painter.drawImage(scale_ ? rect() : QRect(QPoint(0, 0), image.size()), image);
    if (mapped)
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    gst_sample_unref(sample);
}

// ---- Recording ----------------------------------------------------------------------------------------------

bool GstCaptureWindow::startSequence(bool toFile) {
    if (!pipeline_ || capturing_ || !waitForFrame(kFirstFrameTimeoutMs))
        return false;
    int width = 0, height = 0;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        width = frameWidth_;
        height = frameHeight_;
        // Every start takes a new number, also one that fails below, so no notice of an earlier
        // recording can match the one that starts now.
        generation = ++captureGen_;
    }
    std::shared_ptr<AviRecorder> recorder;
    if (toFile) {
        if (captureFile_.isEmpty())
            return false;
        QString error;
        // The recorder calls this on a GStreamer thread; the window outlives its recorder's threads
        // (endSequence stops them before the window goes).
        recorder = AviRecorder::start(
            filecase::resolve(captureFile_), width, height, parms_.dwRequestMicroSecPerFrame, sourceIsLive_,
            [this, generation](AviRecorder::Stop why, const QString& text) {
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, why, text] {
                        if (endSequenceOf(generation))
                            notifyError(why == AviRecorder::Stop::DiskFull ? IDS_CAP_ERROR_DISK_FULL
                                                                            : IDS_CAP_ERROR_WRITE,
                                        text);
                    },
                    Qt::QueuedConnection);
            },
            &error);
        if (!recorder) {
            notifyError(IDS_CAP_ERROR_WRITE, error);
            return false;
        }
    }
    indexLimit_ = parms_.dwIndexSize;
    {
        std::lock_guard lock(mutex_);
        // The picture on screen opens the file, so even a recording stopped at once holds a frame.
        if (recorder && latest_) {
            GstBuffer* buffer = gst_sample_get_buffer(latest_);
            const GstSegment* segment = gst_sample_get_segment(latest_);
            if (buffer)
                recorder->offer(buffer, segment ? gst_segment_to_running_time(segment, GST_FORMAT_TIME,
                                                                              GST_BUFFER_PTS(buffer))
                                                : GST_BUFFER_PTS(buffer));
        }
        recorder_ = std::move(recorder);
        noFileCapture_ = !toFile;
        noFileFrames_ = 0;
    }
    capturing_ = true;
    lastFrames_ = 0;
    lastElapsedMs_ = 0;
    captureClock_.start();
    if (parms_.fLimitEnabled && parms_.wTimeLimit > 0)
        limitTimer_.start(static_cast<int>(parms_.wTimeLimit) * 1000);
    abortKey_ = static_cast<int>(parms_.vKeyAbort);
    if (abortKey_ != 0)
        qApp->installEventFilter(this);
    notifyStatus(IDS_CAP_BEGIN, QStringLiteral("Capture Start"));
    return true;
}

void GstCaptureWindow::endSequence(bool notify) {
    if (!capturing_)
        return;
    capturing_ = false;
    limitTimer_.stop();
    if (abortKey_ != 0)
        qApp->removeEventFilter(this);
    std::shared_ptr<AviRecorder> recorder;
    {
        std::lock_guard lock(mutex_);
        recorder = std::move(recorder_);
        lastFrames_ = recorder ? recorder->framesKept() : noFileFrames_;
        noFileCapture_ = false;
    }
    lastElapsedMs_ = static_cast<std::uint32_t>(captureClock_.elapsed());
    if (recorder)
        recorder->finish();
    if (notify)
        notifyStatus(IDS_CAP_END, QStringLiteral("Capture End"));
}

bool GstCaptureWindow::endSequenceOf(std::uint64_t generation) {
    if (!capturing_ || generation != captureGen_)
        return false;
    endSequence(true);
    return true;
}

bool GstCaptureWindow::eventFilter(QObject* watched, QEvent* event) {
    // The abort key ends a recording wherever the keyboard focus is, as the capture key did.
    if (capturing_ && event->type() == QEvent::KeyPress && abortKey_ != 0) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool matches = (abortKey_ == 27 && key->key() == Qt::Key_Escape) ||
                             (abortKey_ >= 0x30 && abortKey_ <= 0x5A && key->key() == abortKey_);
        if (matches && !key->isAutoRepeat())
            QMetaObject::invokeMethod(
                this, [this, generation = captureGen_] { endSequenceOf(generation); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Files ----------------------------------------------------------------------------------------------------

bool GstCaptureWindow::saveFrame(const QString& path) {
    QImage image;
    if (!live_ && !held_.isNull()) {
        image = held_;
    } else {
        if (!pipeline_ || !waitForFrame(kFirstFrameTimeoutMs))
            return false;
        GstSample* sample = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (latest_)
                sample = gst_sample_ref(latest_);
        }
        if (!sample)
            return false;
        image = copyOf(sample);
        gst_sample_unref(sample);
    }
    if (image.isNull() || path.isEmpty())
        return false;
    const QByteArray bytes = bmp::fromBgrx(image.constBits(), image.width(), image.height(),
                                           static_cast<int>(image.bytesPerLine()));
    // Written beside the target and renamed over it, so a failed write leaves the previous file whole.
    QSaveFile file(filecase::resolve(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

bool GstCaptureWindow::allocateFile(std::uint32_t bytes) {
    if (captureFile_.isEmpty())
        return false;
    QFile file(filecase::resolve(captureFile_));
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const int fd = file.handle();
    if (::ftruncate(fd, 0) != 0)
        return false;
    if (bytes == 0)
        return true;
    // Real blocks, not a sparse file, so the recording does not meet a full disk halfway.
    if (::posix_fallocate(fd, 0, static_cast<off_t>(bytes)) == 0)
        return true;
    return ::ftruncate(fd, static_cast<off_t>(bytes)) == 0;
}

void GstCaptureWindow::fillStatus(CAPSTATUS* status) {
    *status = CAPSTATUS{};
    {
        std::lock_guard lock(mutex_);
        status->uiImageWidth = static_cast<std::uint32_t>(frameWidth_);
        status->uiImageHeight = static_cast<std::uint32_t>(frameHeight_);
        if (capturing_)
            status->dwCurrentVideoFrame = recorder_ ? recorder_->framesKept() : noFileFrames_;
    }
    status->fLiveWindow = live_ ? 1 : 0;
    status->fOverlayWindow = 0;
    status->fScale = scale_ ? 1 : 0;
    status->fCapFileExists = !captureFile_.isEmpty() && QFile::exists(filecase::resolve(captureFile_)) ? 1 : 0;
    status->fCapturingNow = capturing_ ? 1 : 0;
    if (!capturing_)
        status->dwCurrentVideoFrame = lastFrames_;
    status->dwCurrentTimeElapsedMS =
        capturing_ ? static_cast<std::uint32_t>(captureClock_.elapsed()) : lastElapsedMs_;
    status->wNumVideoAllocated = pipeline_ ? 1 : 0;
}

// ---- Requests ---------------------------------------------------------------------------------------------------

std::intptr_t GstCaptureWindow::request(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case WM_CAP_GET_USER_DATA:
        return userData_.load();
    case WM_CAP_SET_USER_DATA:
        userData_.store(lParam);
        return 1;
    case WM_CAP_SET_CALLBACK_STATUSA:
        statusProc_.store(reinterpret_cast<StatusCallbackProc>(lParam));
        return 1;
    case WM_CAP_SET_CALLBACK_ERRORA:
        errorProc_.store(reinterpret_cast<ErrorCallbackProc>(lParam));
        return 1;
    case WM_CAP_SET_CALLBACK_FRAME:
        frameProc_.store(reinterpret_cast<FrameCallbackProc>(lParam));
        return 1;
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
        streamProc_.store(reinterpret_cast<FrameCallbackProc>(lParam));
        return 1;
    case WM_CAP_DRIVER_CONNECT:
        return connectSource(static_cast<int>(wParam & 0xFFFF)) ? 1 : 0;
    case WM_CAP_DRIVER_DISCONNECT:
        disconnectSource();
        return 1;
    case WM_CAP_DRIVER_GET_CAPS: {
        if (!pipeline_ || !lParam || wParam < sizeof(CAPDRIVERCAPS))
            return 0;
        CAPDRIVERCAPS caps;
        caps.wDeviceIndex = static_cast<std::uint32_t>(slot_);
        caps.fHasOverlay = 0;
        caps.fCaptureInitialized = 1;
        std::memcpy(reinterpret_cast<void*>(lParam), &caps, sizeof caps);
        return 1;
    }
    case WM_CAP_GET_STATUS: {
        if (!lParam || wParam < sizeof(CAPSTATUS))
            return 0;
        CAPSTATUS status;
        fillStatus(&status);
        std::memcpy(reinterpret_cast<void*>(lParam), &status, sizeof status);
        return 1;
    }
    case WM_CAP_FILE_SET_CAPTURE_FILEA:
        captureFile_ = pathArgument(lParam);
        return captureFile_.isEmpty() ? 0 : 1;
    case WM_CAP_FILE_ALLOCATE:
        return allocateFile(static_cast<std::uint32_t>(lParam)) ? 1 : 0;
    case WM_CAP_FILE_SAVEDIBA:
        return saveFrame(pathArgument(lParam)) ? 1 : 0;
    case WM_CAP_SET_PREVIEW: {
        if (!pipeline_)
            return 0;
        const bool on = wParam != 0;
        if (on == live_)
            return 1;
        if (on) {
            held_ = QImage();
            live_ = true;
            previewTimer_.start();
        } else {
            // The picture stays as it was when the preview stopped.
            GstSample* sample = nullptr;
            {
                std::lock_guard lock(mutex_);
                if (latest_)
                    sample = gst_sample_ref(latest_);
            }
            if (sample) {
                held_ = copyOf(sample);
                gst_sample_unref(sample);
            }
            live_ = false;
            previewTimer_.stop();
        }
        update();
        return 1;
    }
    case WM_CAP_SET_OVERLAY:
        return 0; // no overlay hardware
    case WM_CAP_SET_PREVIEWRATE:
        previewTimer_.setInterval(wParam == 0 ? 1 : static_cast<int>(qMin<std::uintptr_t>(wParam, 60000)));
        return 1;
    case WM_CAP_SET_SCALE:
        scale_ = wParam != 0;
        update();
        return 1;
    case WM_CAP_GRAB_FRAME: {
        if (!pipeline_ || !waitForFrame(kFirstFrameTimeoutMs))
            return 0;
        GstSample* sample = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (latest_)
                sample = gst_sample_ref(latest_);
        }
        if (!sample)
            return 0;
        held_ = copyOf(sample);
        live_ = false; // a grabbed frame replaces the live picture
        previewTimer_.stop();
        update();
        callFrameProc(frameProc_, sample, GST_BUFFER_PTS(gst_sample_get_buffer(sample)));
        gst_sample_unref(sample);
        return held_.isNull() ? 0 : 1;
    }
    case WM_CAP_SEQUENCE:
        return startSequence(true) ? 1 : 0;
    case WM_CAP_SEQUENCE_NOFILE:
        return startSequence(false) ? 1 : 0;
    case WM_CAP_SET_SEQUENCE_SETUP:
        if (!lParam || wParam < sizeof(CAPTUREPARMS))
            return 0;
        std::memcpy(&parms_, reinterpret_cast<const void*>(lParam), sizeof parms_);
        return 1;
    case WM_CAP_GET_SEQUENCE_SETUP:
        if (!lParam || wParam < sizeof(CAPTUREPARMS))
            return 0;
        std::memcpy(reinterpret_cast<void*>(lParam), &parms_, sizeof parms_);
        return 1;
    case WM_CAP_STOP:
        if (!pipeline_ && !capturing_)
            return 0;
        endSequence(true);
        return 1;
    default:
        return 0;
    }
}

} // namespace capture
