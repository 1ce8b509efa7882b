#pragma once
// A capture service that records every request and answers as a test tells it.
#include "video/CaptureRequests.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <map>
#include <vector>

namespace testvideo {

struct SentRequest {
    capture::CapHwnd window = nullptr;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    QString path;                  // zero-terminated path requests, decoded
    capture::CAPTUREPARMS parms{}; // WM_CAP_SET_SEQUENCE_SETUP's record
};

struct CreatedWindow {
    QByteArray title;
    std::uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    QWidget* parent = nullptr;
    int id = 0;
};

class FakeCaptureService : public capture::CaptureService {
public:
    // Slot i holds a driver when drivers[i] is not empty.
    QStringList drivers;
    bool createFails = false;
    bool connectReply = true;
    bool capsReply = true;
    bool hasOverlay = false;
    bool sequenceReply = true;
    bool stopReply = true;
    bool grabReply = true;
    bool allocateReply = true;
    bool saveReply = true;
    // What WM_CAP_SAVEDIBA writes (nothing when null); written as a 24-bit bitmap.
    QImage frame;
    // When set, WM_CAP_SAVEDIBA writes these bytes instead and answers yes.
    QByteArray writeInstead;
    // What WM_CAP_GET_STATUS reports and WM_CAP_GET_SEQUENCE_SETUP returns (updated by the SET request).
    capture::CAPSTATUS status{};
    capture::CAPTUREPARMS parms{};

    std::vector<SentRequest> requests;
    std::vector<CreatedWindow> created;
    std::vector<int> descriptionQueries;

    bool getDriverDescription(std::uint16_t slot, char* name, int nameSize, char* version, int versionSize) override;
    capture::CapHwnd createCaptureWindow(const QByteArray& title, std::uint32_t style, int x, int y, int width,
                                         int height, QWidget* parent, int id) override;
    std::intptr_t sendRequest(capture::CapHwnd window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;

    // The requests as "NAME wParam lParam" lines: paths as text, records and procedures as "*", none as 0.
    // Requests the callback procedures make (WM_CAP_GET_USER_DATA) are left out unless asked for.
    QStringList log(bool withUserData = false) const;
    std::vector<SentRequest> sent(std::uint32_t message) const;
    void clear() {
        requests.clear();
        created.clear();
        descriptionQueries.clear();
    }
    // The last capture window created and still alive.
    QWidget* lastWindow() const { return lastWindow_; }
    // Calls the procedure registered with `message` as the service would.
    std::intptr_t callStatus(std::uint32_t message, std::int32_t id, const char* text);
    std::intptr_t callFrame(std::uint32_t message, capture::VIDEOHDR* header);

private:
    QWidget* lastWindow_ = nullptr;
    std::map<QWidget*, std::intptr_t> userData_;
    std::map<std::uint32_t, std::intptr_t> procs_;
};

} // namespace testvideo
