#include "video/GstCaptureService.h"

#include "base/Gbk.h"
#include "video/GstCaptureWindow.h"

#include <cstring>
#include <mutex>

namespace capture {

namespace {

bool initGstreamer() {
    static bool ok = false;
    static std::once_flag once;
    std::call_once(once, [] {
        GError* err = nullptr;
        ok = gst_init_check(nullptr, nullptr, &err);
        g_clear_error(&err);
    });
    return ok;
}

// The video sources the device monitor lists now, in its order (each a new reference).
GList* listCameras() {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    gst_object_unref(monitor);
    return devices;
}

// Copies a text into a zero-terminated buffer without cutting a double-byte character in half.
void copyText(const QByteArray& text, char* dest, int size) {
    if (!dest || size <= 0)
        return;
    const qsizetype n = gbk::safeCutLength(text, size - 1);
    std::memcpy(dest, text.constData(), static_cast<size_t>(n));
    dest[n] = 0;
}

// A camera that offers compressed pictures only (many USB cameras at high resolutions) needs a decoder
// before the raw frames the preview and the recorder take.
bool deliversOnlyJpeg(GstDevice* device) {
    GstCaps* caps = gst_device_get_caps(device);
    if (!caps)
        return false;
    bool raw = false, jpeg = false;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps, i));
        raw = raw || g_str_equal(name, "video/x-raw");
        jpeg = jpeg || g_str_equal(name, "image/jpeg");
    }
    gst_caps_unref(caps);
    return jpeg && !raw;
}

GstElement* withJpegDecoder(GstElement* source) {
    GstElement* decoder = gst_element_factory_make("jpegdec", nullptr);
    if (!decoder)
        return source;
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), source, decoder, nullptr);
    gst_element_link(source, decoder);
    GstPad* pad = gst_element_get_static_pad(decoder, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
    gst_object_unref(pad);
    return bin;
}

} // namespace

// GStreamer starts with the first call that needs it: reading its plugin registry is a large part of
// the program's start-up, and most sessions never open the camera.
GstCaptureService::GstCaptureService() = default;

GstCaptureService::GstCaptureService(QList<SourceSlot> sources) : fixed_(true), sources_(std::move(sources)) {
    if (sources_.size() > kSlots)
        sources_.resize(kSlots);
}

bool GstCaptureService::getDriverDescription(std::uint16_t slot, char* name, int nameSize, char* version,
                                             int versionSize) {
    if (slot >= kSlots || !initGstreamer())
        return false;
    QString description;
    if (fixed_) {
        if (slot >= sources_.size())
            return false;
        description = sources_[slot].description;
    } else {
        GList* devices = listCameras();
        GList* item = g_list_nth(devices, slot);
        if (item) {
            gchar* display = gst_device_get_display_name(GST_DEVICE(item->data));
            description = QString::fromUtf8(display ? display : "");
            g_free(display);
        }
        g_list_free_full(devices, gst_object_unref);
        if (!item)
            return false;
    }
    copyText(gbk::encode(description), name, nameSize);
    gchar* v = gst_version_string();
    copyText(QByteArray(v), version, versionSize);
    g_free(v);
    return true;
}

GstElement* GstCaptureService::createSource(int slot, QString* error) {
    if (slot < 0 || slot >= kSlots || !initGstreamer()) {
        *error = QStringLiteral("no such capture driver");
        return nullptr;
    }
    if (fixed_) {
        if (slot >= sources_.size()) {
            *error = QStringLiteral("no such capture driver");
            return nullptr;
        }
        GError* err = nullptr;
        GstElement* bin = gst_parse_bin_from_description(sources_[slot].launch.toUtf8().constData(), TRUE, &err);
        if (err) {
            *error = QString::fromUtf8(err->message);
            g_clear_error(&err);
            if (bin)
                gst_object_unref(bin);
            return nullptr;
        }
        return bin;
    }
    GList* devices = listCameras();
    GList* item = g_list_nth(devices, slot);
    GstElement* element = item ? gst_device_create_element(GST_DEVICE(item->data), nullptr) : nullptr;
    if (element && deliversOnlyJpeg(GST_DEVICE(item->data)))
        element = withJpegDecoder(element);
    g_list_free_full(devices, gst_object_unref);
    if (!element)
        *error = item ? QStringLiteral("the camera cannot be opened") : QStringLiteral("no such capture driver");
    return element;
}

CapHwnd GstCaptureService::createCaptureWindow(const QByteArray& title, std::uint32_t style, int x, int y, int width,
                                               int height, QWidget* parent, int) {
    if (!initGstreamer())
        return nullptr;
    auto* window = new GstCaptureWindow(*this, parent);
    window->setObjectName(QString::fromLocal8Bit(title));
    window->setGeometry(x, y, width, height);
    if (style & WS_VISIBLE)
        window->show();
    return window;
}

std::intptr_t GstCaptureService::sendRequest(CapHwnd window, std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
    auto* w = qobject_cast<GstCaptureWindow*>(window);
    return w ? w->request(message, wParam, lParam) : 0;
}

CaptureService& defaultCaptureService() {
    // Kept for the whole process: controls may be destroyed late in shutdown.
    static auto* service = new GstCaptureService();
    return *service;
}

} // namespace capture
