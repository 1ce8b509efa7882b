#include "video/CaptureRequests.h"

namespace capture {

const char* requestName(std::uint32_t message) {
    switch (message) {
#define LG_REQ(n)                                                                                                   \
    case n:                                                                                                         \
        return #n;
        LG_REQ(WM_CAP_SET_CALLBACK_ERRORA)
        LG_REQ(WM_CAP_SET_CALLBACK_STATUSA)
        LG_REQ(WM_CAP_SET_CALLBACK_FRAME)
        LG_REQ(WM_CAP_SET_CALLBACK_VIDEOSTREAM)
        LG_REQ(WM_CAP_GET_USER_DATA)
        LG_REQ(WM_CAP_SET_USER_DATA)
        LG_REQ(WM_CAP_DRIVER_CONNECT)
        LG_REQ(WM_CAP_DRIVER_DISCONNECT)
        LG_REQ(WM_CAP_DRIVER_GET_CAPS)
        LG_REQ(WM_CAP_FILE_SET_CAPTURE_FILEA)
        LG_REQ(WM_CAP_FILE_ALLOCATE)
        LG_REQ(WM_CAP_FILE_SAVEDIBA)
        LG_REQ(WM_CAP_SET_PREVIEW)
        LG_REQ(WM_CAP_SET_OVERLAY)
        LG_REQ(WM_CAP_SET_PREVIEWRATE)
        LG_REQ(WM_CAP_SET_SCALE)
        LG_REQ(WM_CAP_GET_STATUS)
        LG_REQ(WM_CAP_GRAB_FRAME)
        LG_REQ(WM_CAP_SEQUENCE)
        LG_REQ(WM_CAP_SEQUENCE_NOFILE)
        LG_REQ(WM_CAP_SET_SEQUENCE_SETUP)
        LG_REQ(WM_CAP_GET_SEQUENCE_SETUP)
        LG_REQ(WM_CAP_STOP)
#undef LG_REQ
    default:
        return "";
    }
}

} // namespace capture
