#include "video/AviRecorder.h"

#include "video/AviFinish.h"

#include <QFile>

#include <gst/app/gstappsrc.h>

#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>

namespace capture {

namespace {

// The file's frame rate as a fraction; whole rates stay whole so players show e.g. 15 fps, not 14.99998.
void rateFraction(std::uint32_t microSecPerFrame, int* num, int* den) {
    const double fps = 1e6 / microSecPerFrame;
    const double whole = std::round(fps);
    if (whole >= 1 && std::fabs(fps - whole) < 0.01) {
        *num = static_cast<int>(whole);
        *den = 1;
    } else {
        *num = 1000000;
        *den = static_cast<int>(microSecPerFrame);
    }
}

} // namespace

std::unique_ptr<AviRecorder> AviRecorder::start(const QString& path, int width, int height,
                                                std::uint32_t microSecPerFrame, bool liveSource,
                                                StopHandler onStop, QString* error) {
    if (width <= 0 || height <= 0) {
        *error = QStringLiteral("no picture to record");
        return nullptr;
    }
    if (microSecPerFrame == 0)
        microSecPerFrame = 66667;
    int num = 0, den = 1;
    rateFraction(microSecPerFrame, &num, &den);
    std::unique_ptr<AviRecorder> r(new AviRecorder);
    r->onStop_ = std::move(onStop);
    r->path_ = path;
    r->nativePath_ = QFile::encodeName(path);
    r->period_ = gst_util_uint64_scale_int(GST_SECOND, den, num);
    r->frameBytes_ = static_cast<gsize>(width) * static_cast<gsize>(height) * 4;
    r->rawFrameBytes_ = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3 / 2;

    GstElement* pipeline = gst_pipeline_new("recording");
    GstElement* src = gst_element_factory_make("appsrc", "frames");
    GstElement* rate = gst_element_factory_make("videorate", nullptr);
    GstElement* rateCaps = gst_element_factory_make("capsfilter", nullptr);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* yuvCaps = gst_element_factory_make("capsfilter", nullptr);
    GstElement* encoder = gst_element_factory_make("jpegenc", nullptr);
    GstElement* mux = gst_element_factory_make("avimux", nullptr);
    GstElement* sink = gst_element_factory_make("filesink", nullptr);
    if (!pipeline || !src || !rate || !rateCaps || !convert || !yuvCaps || !encoder || !mux || !sink) {
        for (GstElement* e : {pipeline, src, rate, rateCaps, convert, yuvCaps, encoder, mux, sink})
            if (e)
                gst_object_unref(e);
        *error = QStringLiteral("GStreamer elements for recording are missing");
        return nullptr;
    }
    GstCaps* in = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, width,
                                      "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
    // A bounded queue: a camera's new frames are dropped when the encoder falls behind, a non-live source
    // waits for room.
    g_object_set(src, "caps", in, "is-live", liveSource ? TRUE : FALSE, "format", GST_FORMAT_TIME, "max-bytes",
                 static_cast<guint64>(width) * height * 4 * 8, "block", liveSource ? FALSE : TRUE, nullptr);
    if (liveSource)
        gst_util_set_object_arg(G_OBJECT(src), "leaky-type", "upstream");
    gst_caps_unref(in);
    GstCaps* out = gst_caps_new_simple("video/x-raw", "framerate", GST_TYPE_FRACTION, num, den, nullptr);
    g_object_set(rateCaps, "caps", out, nullptr);
    gst_caps_unref(out);
    GstCaps* yuv = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", nullptr);
    g_object_set(yuvCaps, "caps", yuv, nullptr);
    gst_caps_unref(yuv);
    g_object_set(sink, "location", QFile::encodeName(path).constData(), "sync", FALSE, "async", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), src, rate, rateCaps, convert, yuvCaps, encoder, mux, sink, nullptr);
    if (!gst_element_link_many(src, rate, rateCaps, convert, yuvCaps, encoder, mux, sink, nullptr)) {
        gst_object_unref(pipeline);
        *error = QStringLiteral("the recording pipeline cannot be linked");
        return nullptr;
    }
    r->pipeline_ = pipeline;
    r->appsrc_ = src;
    // The encoded frames' sizes tell how much room the frames still on their way will take.
    GstPad* encoded = gst_element_get_static_pad(encoder, "src");
    gst_pad_add_probe(encoded, GST_PAD_PROBE_TYPE_BUFFER, &AviRecorder::onEncoded, r.get(), nullptr);
    gst_object_unref(encoded);
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    gst_bus_set_sync_handler(bus, &AviRecorder::onBusMessage, r.get(), nullptr);
    gst_object_unref(bus);
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE || r->failed_) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return nullptr; // the destructor stops the pipeline
    }
    return r;
}

AviRecorder::~AviRecorder() {
    if (!pipeline_)
        return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(pipeline_);
}

GstBusSyncReply AviRecorder::onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    auto* self = static_cast<AviRecorder*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* err = nullptr;
        gst_message_parse_error(message, &err, nullptr);
        const QString text = QString::fromUtf8(err ? err->message : "recording failed");
        const bool noSpace = err && err->domain == GST_RESOURCE_ERROR && err->code == GST_RESOURCE_ERROR_NO_SPACE_LEFT;
        g_clear_error(&err);
        self->failed_ = true;
        if (!self->finished_)
            self->stop(noSpace ? Stop::DiskFull : Stop::WriteFailed, text);
        return GST_BUS_PASS; // finish() waits for it too
    }
    return GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS ? GST_BUS_PASS : GST_BUS_DROP;
}

GstPadProbeReturn AviRecorder::onEncoded(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* self = static_cast<AviRecorder*>(data);
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) {
        const std::uint64_t size = gst_buffer_get_size(buffer);
        if (size > self->largestEncoded_.load())
            self->largestEncoded_ = size; // the encoder's one thread is the only writer
        ++self->encoded_;
    }
    return GST_PAD_PROBE_OK;
}

void AviRecorder::stop(Stop why, const QString& text) {
    if (!stopNoticed_.exchange(true) && onStop_)
        onStop_(why, text);
}

// Whether the file system holds one more frame and still has room for everything the finished file needs:
// the index of every frame, the frames queued before the encoder, and the writer's buffer. One statvfs a
// kept frame, a few microseconds.
bool AviRecorder::roomForAFrame() const {
    struct statvfs fs {};
    // Cannot tell (no answer, or a file system that reports no size, as some network ones do): go on; a
    // failing write is still caught and the file finished after it.
    if (::statvfs(nativePath_.constData(), &fs) != 0 || fs.f_blocks == 0)
        return true;
    const std::uint64_t freeBytes = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    const std::uint64_t kept = kept_.load();
    const std::uint64_t encoded = encoded_.load();
    const std::uint64_t largest = largestEncoded_.load();
    // A busier picture makes larger frames than those so far: twice the largest, and never less than a
    // quarter of the raw picture; before the first one is encoded, the raw picture itself.
    const std::uint64_t frame = largest == 0 ? rawFrameBytes_ : std::max(2 * largest, rawFrameBytes_ / 4);
    const std::uint64_t onTheirWay = (kept > encoded ? kept - encoded : 0) + 1;
    const std::uint64_t needed = kSpareBytes + kIndexBytesPerFrame * (kept + 1) + onTheirWay * frame;
    return freeBytes >= needed;
}

bool AviRecorder::offer(GstBuffer* frame, GstClockTime runningTime) {
    if (finished_ || failed_ || spaceLow_ || !GST_CLOCK_TIME_IS_VALID(runningTime))
        return false;
    // A source that changed its picture size mid-recording: such frames do not fit the file.
    if (gst_buffer_get_size(frame) < frameBytes_)
        return false;
    if (!GST_CLOCK_TIME_IS_VALID(first_))
        first_ = runningTime;
    if (runningTime < first_)
        return false;
    const GstClockTime rel = runningTime - first_;
    // Half a period of slack, so a source at exactly the file's rate keeps every frame despite jitter.
    if (rel + period_ / 2 < nextSlot_)
        return false;
    if (!roomForAFrame()) {
        spaceLow_ = true;
        stop(Stop::DiskFull, QStringLiteral("not enough free space for %1").arg(path_));
        return false;
    }
    while (nextSlot_ <= rel + period_ / 2)
        nextSlot_ += period_;
    GstBuffer* copy = gst_buffer_copy(frame); // shares the pixels, own timestamps
    GST_BUFFER_PTS(copy) = rel;
    GST_BUFFER_DTS(copy) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(copy) = period_;
    if (gst_app_src_push_buffer(GST_APP_SRC(appsrc_), copy) != GST_FLOW_OK)
        return false;
    ++kept_;
    return true;
}

bool AviRecorder::finish(int timeoutMs) {
    if (!pipeline_ || finished_.exchange(true))
        return !failed_;
    bool complete = false;
    if (!failed_ && gst_app_src_end_of_stream(GST_APP_SRC(appsrc_)) == GST_FLOW_OK) {
        GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
        GstMessage* m = gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(timeoutMs) * GST_MSECOND,
                                                   static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        complete = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
        if (m)
            gst_message_unref(m);
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    // The writer failed (a full disk, a write error): the frames that reached the file are indexed now,
    // so the file plays as far as it got instead of counting no frames.
    if (!complete && failed_)
        complete = finishAvi(path_).finished;
    return complete;
}

} // namespace capture
