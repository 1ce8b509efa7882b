#pragma once
// The capture requests the capture control sends, the records they carry and the service that answers them.
// Requests keep the numbers and argument conventions of the classic capture-window messages so that a
// recording fake can check them one by one; any back end (GStreamer in the program) answers them.
#include <QByteArray>
#include <QString>

#include <cstdint>

class QWidget;

namespace capture {

// The capture window a service creates as a child of the control; none is nullptr.
using CapHwnd = QWidget*;

constexpr std::uint32_t WM_USER = 0x0400;

// Requests sent to a capture window (message, first argument, second argument, reply).
enum Request : std::uint32_t {
    WM_CAP_SET_CALLBACK_ERRORA = WM_USER + 2,
    WM_CAP_SET_CALLBACK_STATUSA = WM_USER + 3,
    WM_CAP_SET_CALLBACK_FRAME = WM_USER + 5,
    WM_CAP_SET_CALLBACK_VIDEOSTREAM = WM_USER + 6,
    WM_CAP_GET_USER_DATA = WM_USER + 8,
    WM_CAP_SET_USER_DATA = WM_USER + 9,
    WM_CAP_DRIVER_CONNECT = WM_USER + 10,
    WM_CAP_DRIVER_DISCONNECT = WM_USER + 11,
    WM_CAP_DRIVER_GET_CAPS = WM_USER + 14,
    WM_CAP_FILE_SET_CAPTURE_FILEA = WM_USER + 20,
    WM_CAP_FILE_ALLOCATE = WM_USER + 22,
    WM_CAP_FILE_SAVEDIBA = WM_USER + 25,
    WM_CAP_SET_PREVIEW = WM_USER + 50,
    WM_CAP_SET_OVERLAY = WM_USER + 51,
    WM_CAP_SET_PREVIEWRATE = WM_USER + 52,
    WM_CAP_SET_SCALE = WM_USER + 53,
    WM_CAP_GET_STATUS = WM_USER + 54,
    WM_CAP_GRAB_FRAME = WM_USER + 60,
    WM_CAP_SEQUENCE = WM_USER + 62,
    WM_CAP_SEQUENCE_NOFILE = WM_USER + 63,
    WM_CAP_SET_SEQUENCE_SETUP = WM_USER + 64,
    WM_CAP_GET_SEQUENCE_SETUP = WM_USER + 65,
    WM_CAP_STOP = WM_USER + 68,
};

// A readable name of a request, for test messages and diagnostics ("" for an unknown number).
const char* requestName(std::uint32_t message);

// Style and identifier of the capture window the control asks for.
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr int kCaptureWindowId = 5001;

// Text sizes of capGetDriverDescriptionA.
constexpr int kDriverTextSize = 80;
// The platform's path limit for zero-terminated file names handed to the service.
constexpr int kMaxPath = 260;

// The records keep the platform's 32-bit layout (44, 76 and 96 bytes); the control touches only the fields
// it names and the service fills the rest as it can.
struct CAPDRIVERCAPS {
    std::uint32_t wDeviceIndex = 0;
    std::int32_t fHasOverlay = 0;
    std::int32_t fHasDlgVideoSource = 0;
    std::int32_t fHasDlgVideoFormat = 0;
    std::int32_t fHasDlgVideoDisplay = 0;
    std::int32_t fCaptureInitialized = 0;
    std::int32_t fDriverSuppliesPalettes = 0;
    std::uint32_t hVideoIn = 0;
    std::uint32_t hVideoOut = 0;
    std::uint32_t hVideoExtIn = 0;
    std::uint32_t hVideoExtOut = 0;
};
static_assert(sizeof(CAPDRIVERCAPS) == 44);

struct CAPSTATUS {
    std::uint32_t uiImageWidth = 0;
    std::uint32_t uiImageHeight = 0;
    std::int32_t fLiveWindow = 0;
    std::int32_t fOverlayWindow = 0;
    std::int32_t fScale = 0;
    std::int32_t ptScrollX = 0;
    std::int32_t ptScrollY = 0;
    std::int32_t fUsingDefaultPalette = 0;
    std::int32_t fAudioHardware = 0;
    std::int32_t fCapFileExists = 0;
    std::uint32_t dwCurrentVideoFrame = 0;
    std::uint32_t dwCurrentVideoFramesDropped = 0;
    std::uint32_t dwCurrentWaveSamples = 0;
    std::uint32_t dwCurrentTimeElapsedMS = 0;
    std::uint32_t hPalCurrent = 0;
    std::int32_t fCapturingNow = 0;
    std::uint32_t dwReturn = 0;
    std::uint32_t wNumVideoAllocated = 0;
    std::uint32_t wNumAudioAllocated = 0;
};
static_assert(sizeof(CAPSTATUS) == 76);

struct CAPTUREPARMS {
    std::uint32_t dwRequestMicroSecPerFrame = 66667;
    std::int32_t fMakeUserHitOKToCapture = 0;
    std::uint32_t wPercentDropForError = 10;
    std::int32_t fYield = 0;
    std::uint32_t dwIndexSize = 0;
    std::uint32_t wChunkGranularity = 0;
    std::int32_t fUsingDOSMemory = 0;
    std::uint32_t wNumVideoRequested = 0;
    std::int32_t fCaptureAudio = 0;
    std::uint32_t wNumAudioRequested = 0;
    std::uint32_t vKeyAbort = 27;
    std::int32_t fAbortLeftMouse = 1;
    std::int32_t fAbortRightMouse = 1;
    std::int32_t fLimitEnabled = 0;
    std::uint32_t wTimeLimit = 0;
    std::int32_t fMCIControl = 0;
    std::int32_t fStepMCIDevice = 0;
    std::uint32_t dwMCIStartTime = 0;
    std::uint32_t dwMCIStopTime = 0;
    std::int32_t fStepCaptureAt2x = 0;
    std::uint32_t wStepCaptureAverageFrames = 0;
    std::uint32_t dwAudioBufferSize = 0;
    std::int32_t fDisableWriteCache = 0;
    std::uint32_t AVStreamMaster = 0;
};
static_assert(sizeof(CAPTUREPARMS) == 96);

// One frame handed to the frame and video-stream callbacks; the control passes it through unread.
struct VIDEOHDR {
    std::uint8_t* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;
    std::uint32_t dwBytesUsed = 0;
    std::uint32_t dwTimeCaptured = 0; // milliseconds since the stream began
    std::uintptr_t dwUser = 0;
    std::uint32_t dwFlags = 0;
    std::uintptr_t dwReserved[4] = {};
    // Beyond the classic header: the picture's geometry, so that a handler can read lpData.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0; // bytes per row; pixels are 32-bit B, G, R, unused
};
using PVIDEOHDR = VIDEOHDR*;
constexpr std::uint32_t VHDR_DONE = 0x00000001;
constexpr std::uint32_t VHDR_KEYFRAME = 0x00000008;

class CaptureService;

// Callbacks the service calls; each replies 1. The service passes itself so the procedure can ask the
// window for its stored control.
using StatusCallbackProc = std::intptr_t (*)(CaptureService& service, CapHwnd window, std::int32_t nID,
                                             const char* text);
using ErrorCallbackProc = StatusCallbackProc;
using FrameCallbackProc = std::intptr_t (*)(CaptureService& service, CapHwnd window, VIDEOHDR* header);

// Status and error numbers the services report through the callbacks.
enum Notification : std::int32_t {
    IDS_CAP_BEGIN = 300,        // a recording starts
    IDS_CAP_END = 301,          // a recording has ended and its file is complete
    IDS_CAP_STAT_CAP_INIT = 501, // the picture source runs
    IDS_CAP_STAT_WARNING = 502,  // the picture source reported a problem it could go on with
    IDS_CAP_ERROR_SOURCE = 1000, // the picture source failed or disappeared
    IDS_CAP_ERROR_WRITE = 1001,  // the capture file could not be written
    IDS_CAP_ERROR_DISK_FULL = 1002, // the capture file's disk is full: the recording ended, its file complete
};

// The capture service (platform interface).
class CaptureService {
public:
    virtual ~CaptureService() = default;

    // capGetDriverDescriptionA: yes when the slot holds a driver; fills `name` (at most nameSize bytes,
    // zero-terminated, GBK) with its description. The version text may be left empty.
    virtual bool getDriverDescription(std::uint16_t slot, char* name, int nameSize, char* version,
                                      int versionSize) = 0;

    // capCreateCaptureWindowA: a new capture window as a child of `parent`, or nullptr.
    virtual CapHwnd createCaptureWindow(const QByteArray& title, std::uint32_t style, int x, int y, int width,
                                        int height, QWidget* parent, int id) = 0;

    // SendMessageA to a capture window: the request's reply.
    virtual std::intptr_t sendRequest(CapHwnd window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) = 0;
};

// The program's service (GStreamer, real cameras only); created on first use and kept for the process.
CaptureService& defaultCaptureService();

} // namespace capture
