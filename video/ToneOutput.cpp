#include "video/ToneOutput.h"

#include <QtGlobal>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>

namespace sound {

namespace {

// Each pushed block goes out in buffers of at most this many samples, so that the source's queue, which
// drops whole buffers, overshoots its bound by little.
constexpr std::size_t kBufferSamples = 1024;

const QString kNoDevice = QStringLiteral("没有可用的声音设备");
const QString kNoStart = QStringLiteral("声音输出无法启动");

QString errorText(GstMessage* message) {
    GError* err = nullptr;
    gst_message_parse_error(message, &err, nullptr);
    const QString text = err ? QString::fromUtf8(err->message) : QString();
    g_clear_error(&err);
    return text;
}

// The first error waiting on the bus, or an empty text; the other messages are dropped (nobody else reads
// this bus, and an unread bus only grows).
QString takeError(GstElement* pipeline) {
    GstBus* bus = gst_element_get_bus(pipeline);
    QString error;
    while (GstMessage* message = gst_bus_pop(bus)) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && error.isEmpty())
            error = errorText(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return error;
}

// autoaudiosink falls back to a silent fakesink when no sound device answers; that is "no device" to us.
bool fellBackToFakeSink(GstElement* sink) {
    if (!GST_IS_BIN(sink))
        return false;
    bool fake = false;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(element);
        if (factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fakesink"))
            fake = true;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return fake;
}

GstPadProbeReturn countSamples(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* delivered = static_cast<std::atomic<std::uint64_t>*>(data);
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info))
        delivered->fetch_add(gst_buffer_get_size(buffer) / sizeof(std::int16_t));
    return GST_PAD_PROBE_OK;
}

} // namespace

ToneOutput::ToneOutput(QString sink) : sinkName_(std::move(sink)) {}

ToneOutput::~ToneOutput() { close(); }

bool ToneOutput::fail(const QString& reason, QString* why) {
    lastError_ = reason;
    if (why)
        *why = reason;
    close();
    return false;
}

bool ToneOutput::open(QString* why) {
    close();
    lastError_.clear();
    delivered_ = 0;
    GError* err = nullptr;
    if (!gst_init_check(nullptr, nullptr, &err)) {
        g_clear_error(&err);
        return fail(kNoStart, why);
    }

    GstElement* sink = nullptr;
    const bool description = sinkName_.contains(QLatin1Char('!')) || sinkName_.contains(QLatin1Char(' '));
    if (description) {
        sink = gst_parse_bin_from_description(sinkName_.toUtf8().constData(), TRUE, &err);
        if (err) {
            g_clear_error(&err);
            if (sink)
                gst_object_unref(sink);
            sink = nullptr;
        }
    } else {
        sink = gst_element_factory_make(sinkName_.toUtf8().constData(), nullptr);
    }
    if (!sink)
        return fail(kNoDevice, why);

    pipeline_ = gst_pipeline_new("speaker");
    source_ = gst_element_factory_make("appsrc", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    // A device that does not take 44,100 Hz is still served.
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    if (!source_ || !convert || !resample) {
        for (GstElement* e : {source_, convert, resample, sink})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        source_ = nullptr;
        return fail(kNoStart, why);
    }
    gst_bin_add_many(GST_BIN(pipeline_), source_, convert, resample, sink, nullptr);

    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING,
                                        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "S16LE" : "S16BE", "layout",
                                        G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT, kRate, "channels",
                                        G_TYPE_INT, 1, nullptr);
    // Live and untimed: each buffer plays right after the one before, as soon as it arrives; the queue
    // drops its oldest buffers beyond 200 ms, so a pushing side that runs ahead never builds up a lag.
    g_object_set(source_, "caps", caps, "format", GST_FORMAT_TIME, "is-live", TRUE, "block", FALSE, "max-bytes",
                 guint64(kMaxQueuedSamples * sizeof(std::int16_t)), "leaky-type", GST_APP_LEAKY_TYPE_DOWNSTREAM,
                 nullptr);
    gst_caps_unref(caps);
    if (!gst_element_link_many(source_, convert, resample, sink, nullptr))
        return fail(kNoStart, why);

    GstPad* pad = gst_element_get_static_pad(source_, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, countSamples, &delivered_, nullptr);
    gst_object_unref(pad);

    // The automatic sink picks its device on the way to READY.
    if (gst_element_set_state(pipeline_, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return fail(kNoDevice, why);
    if (!description && fellBackToFakeSink(sink))
        return fail(kNoDevice, why);
    // The sink completes PLAYING only with its first buffer (ASYNC until then); a device that refuses
    // fails here or posts an error, which push() notices.
    const GstStateChangeReturn ret = gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    const QString detail = takeError(pipeline_); // also drops start-up warnings and state messages
    if (ret == GST_STATE_CHANGE_FAILURE || !detail.isEmpty())
        return fail(detail.isEmpty() ? kNoStart : kNoStart + QStringLiteral("：") + detail, why);
    return true;
}

void ToneOutput::checkBus() {
    const QString error = takeError(pipeline_);
    if (!error.isEmpty()) {
        lastError_ = kNoStart + QStringLiteral("：") + error;
        close();
    }
}

void ToneOutput::push(const std::vector<std::int16_t>& samples) {
    if (!pipeline_)
        return;
    checkBus();
    if (!pipeline_ || muted_ || samples.empty())
        return;
    // Of a block longer than the queue holds only its end can be heard in time.
    std::size_t at = samples.size() > std::size_t(kMaxQueuedSamples) ? samples.size() - kMaxQueuedSamples : 0;
    while (at < samples.size()) {
        const std::size_t n = std::min(kBufferSamples, samples.size() - at);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, n * sizeof(std::int16_t), nullptr);
        gst_buffer_fill(buffer, 0, samples.data() + at, n * sizeof(std::int16_t));
        gst_app_src_push_buffer(GST_APP_SRC(source_), buffer); // takes the buffer
        at += n;
    }
}

int ToneOutput::queuedSamples() const {
    if (!source_)
        return 0;
    guint64 bytes = 0;
    g_object_get(source_, "current-level-bytes", &bytes, nullptr);
    return int(bytes / sizeof(std::int16_t));
}

void ToneOutput::close() {
    if (!pipeline_)
        return;
    // Going to NULL stops and joins the streaming threads; queued buffers are dropped.
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    source_ = nullptr;
}

} // namespace sound
