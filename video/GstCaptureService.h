#pragma once
// The capture service on GStreamer: driver slots 0..9 are video sources, each capture window runs one
// live pipeline and paints its picture; recordings go to MJPEG-in-AVI files.
#include "video/CaptureRequests.h"

#include <QList>
#include <QString>

#include <gst/gst.h>

namespace capture {

// A fixed picture source in place of the cameras: its description and a gst-launch description of a
// source bin (for example "videotestsrc is-live=true ! video/x-raw,width=640,height=480").
struct SourceSlot {
    QString description;
    QString launch;
};

class GstCaptureService : public CaptureService {
public:
    // The program's service: the slots are the cameras GStreamer's device monitor lists (class Video/Source).
    GstCaptureService();
    // A service over fixed sources, slot i being sources[i] (tests and benchmarks).
    explicit GstCaptureService(QList<SourceSlot> sources);

    bool getDriverDescription(std::uint16_t slot, char* name, int nameSize, char* version,
                              int versionSize) override;
    CapHwnd createCaptureWindow(const QByteArray& title, std::uint32_t style, int x, int y, int width, int height,
                                QWidget* parent, int id) override;
    std::intptr_t sendRequest(CapHwnd window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;

    // The source element of a slot (floating reference), or nullptr with `error` set.
    GstElement* createSource(int slot, QString* error);

    static constexpr int kSlots = 10;

private:
    bool fixed_ = false;
    QList<SourceSlot> sources_;
};

} // namespace capture
