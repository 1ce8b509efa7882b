#pragma once
// TVideoCap: a control that shows a live camera picture in its rectangle and drives a capture service
// through the capture window the service creates inside it.
#include "base/ErrorReport.h"
#include "video/CaptureRequests.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// The control's typed failures; each carries only its fixed message.
class ENoDriverException : public Error {
public:
    ENoDriverException() : Error(QStringLiteral("No capture driver selected")) {}
};
class ENoCapWindowException : public Error {
public:
    ENoCapWindowException() : Error(QStringLiteral("Can not create capture window")) {}
};
class ENotConnectException : public Error {
public:
    ENotConnectException() : Error(QStringLiteral("Can not connect capture driver with capture window")) {}
};
class ENoOverlayException : public Error {
public:
    ENoOverlayException() : Error(QStringLiteral("Driver has no overlay mode")) {}
};
class EBufferFileError : public Error {
public:
    EBufferFileError() : Error(QStringLiteral("Could not create tmp file")) {}
};

class TVideoCap;

// Event types; an empty std::function is an unassigned event.
using TCapStatusProc = std::function<void(TVideoCap* Sender)>;
using TCapStatusCallback = std::function<void(TVideoCap* Sender, std::int32_t nID, const QString& status)>;
using TVideoStream = std::function<void(TVideoCap* sender, capture::PVIDEOHDR lpVhdr)>;
using TError = std::function<void(TVideoCap* sender, std::int32_t nID, const QString& errorstr)>;
using TMouseEvent = std::function<void(TVideoCap* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                       int X, int Y)>;
using TMouseMoveEvent = std::function<void(TVideoCap* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TNotifyEvent = std::function<void(TVideoCap* Sender)>;

class TVideoCap : public QWidget {
    Q_OBJECT
public:
    // The toolkit's generic alignment: the control keeps to an edge of its parent, or fills it.
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    Q_ENUM(TAlign)
private:
    Q_PROPERTY(TAlign align READ align WRITE setAlign)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(bool DriverOpen READ DriverOpen WRITE setDriverOpen)
    Q_PROPERTY(int DriverIndex READ DriverIndex WRITE setDriverIndex)
    Q_PROPERTY(QString DriverName READ DriverName WRITE setDriverName)
    Q_PROPERTY(bool VideoOverlay READ VideoOverlay WRITE setVideoOverlay)
    Q_PROPERTY(bool VideoPreview READ VideoPreview WRITE setVideoPreview)
    Q_PROPERTY(bool PreviewScaleToWindow READ PreviewScaleToWindow WRITE setPreviewScaleToWindow)
    Q_PROPERTY(bool PreviewScaleProportional READ PreviewScaleProportional WRITE setPreviewScaleProportional)
    Q_PROPERTY(int PreviewRate READ PreviewRate WRITE setPreviewRate)
    Q_PROPERTY(uint MicroSecPerFrame READ MicroSecPerFrame WRITE setMicroSecPerFrame)
    Q_PROPERTY(int FrameRate READ FrameRate WRITE setFrameRate)
    Q_PROPERTY(QString VideoFileName READ VideoFileName WRITE setVideoFileName)
    Q_PROPERTY(QString SingleImageFile READ SingleImageFile WRITE setSingleImageFile)
    Q_PROPERTY(int CapTimeLimit READ CapTimeLimit WRITE setCapTimeLimit)
    Q_PROPERTY(uint CapIndexSize READ CapIndexSize WRITE setCapIndexSize)
    Q_PROPERTY(bool CapToFile READ CapToFile WRITE setCapToFile)
    Q_PROPERTY(int BufferFileSize READ BufferFileSize WRITE setBufferFileSize)

public:
    // The service must outlive the control; nullptr means the program's GStreamer service.
    explicit TVideoCap(QWidget* parent = nullptr, capture::CaptureService* service = nullptr);
    ~TVideoCap() override;

    capture::CaptureService& service() const { return *service_; }

    // Published properties, in their declared order; `visible` is the widget's own.
    TAlign align() const { return fAlign; }
    void setAlign(TAlign a);
    QColor color() const;
    void setColor(const QColor& c);
    bool DriverOpen() const { return CaptureWindow != nullptr; }
    void setDriverOpen(bool b);
    int DriverIndex() const { return fDriverIndex; }
    void setDriverIndex(int v);
    QString DriverName() const { return fDriverName; }
    void setDriverName(const QString& s);
    bool VideoOverlay() const;
    void setVideoOverlay(bool b);
    bool VideoPreview() const;
    void setVideoPreview(bool b);
    bool PreviewScaleToWindow() const { return fScale; }
    void setPreviewScaleToWindow(bool b);
    bool PreviewScaleProportional() const { return fProportional; }
    void setPreviewScaleProportional(bool b);
    std::uint16_t PreviewRate() const { return fPreviewRate; }
    void setPreviewRate(std::uint16_t r);
    std::uint32_t MicroSecPerFrame() const { return fMicroSecPerFrame; }
    void setMicroSecPerFrame(std::uint32_t u);
    std::uint16_t FrameRate() const;
    void setFrameRate(std::uint16_t f);
    QString VideoFileName() const { return fVideoFileName; }
    void setVideoFileName(const QString& s) { fVideoFileName = s; }
    QString SingleImageFile() const { return fSingleImageFile; }
    void setSingleImageFile(const QString& s) { fSingleImageFile = s; }
    std::uint16_t CapTimeLimit() const { return fCapTimeLimit; }
    void setCapTimeLimit(std::uint16_t t) { fCapTimeLimit = t; }
    std::uint32_t CapIndexSize() const { return fCapIndexSize; }
    void setCapIndexSize(std::uint32_t n);
    bool CapToFile() const { return fCapToFile; }
    void setCapToFile(bool b) { fCapToFile = b; }
    std::uint16_t BufferFileSize() const { return fBufferFileSize; }
    void setBufferFileSize(std::uint16_t m);

    // Published events.
    const TCapStatusProc& OnStatus() const { return fOnStatus; }
    void setOnStatus(TCapStatusProc h) { fOnStatus = std::move(h); }
    const TCapStatusCallback& OnStatusCallback() const { return fOnStatusCallback; }
    void setOnStatusCallback(TCapStatusCallback h);
    const TVideoStream& OnVideoStream() const { return fOnVideoStream; }
    void setOnVideoStream(TVideoStream h);
    const TVideoStream& OnFrameCallback() const { return fOnFrameCallback; }
    void setOnFrameCallback(TVideoStream h);
    const TError& OnError() const { return fOnError; }
    void setOnError(TError h);
    void setOnMouseMove(TMouseMoveEvent h) { fOnMouseMove = std::move(h); }
    void setOnMouseUp(TMouseEvent h) { fOnMouseUp = std::move(h); }
    void setOnMouseDown(TMouseEvent h) { fOnMouseDown = std::move(h); }
    void setOnClick(TNotifyEvent h) { fOnClick = std::move(h); }
    void setOnDblClick(TNotifyEvent h) { fOnDblClick = std::move(h); }

    // Operations.
    bool OpenDriver();
    void CloseDriver();
    bool StartCapture();
    bool StopCapture();
    bool GrabFrame();
    bool SaveSingleImage();
    bool HasOverlay();
    bool RefreshStatus();
    bool ReadDriverCaps();
    void SizeCaptureWindow();
    void PrepareCaptureFile(bool allocate);
    void FreeInfoBuffers();
    std::uint16_t CapImageWidth() const;
    std::uint16_t CapImageHeight() const;
    // Beyond the classic control: whether the service reported a running recording at the last refresh,
    // so the video tab can notice a recording the service ended by itself.
    bool CapturingNow() const;

    // Read-only views of the private state, for the video tab's checks and for tests.
    capture::CapHwnd captureWindow() const { return CaptureWindow; }
    QString bufferFileName() const { return BufferFileName; }
    const capture::CAPSTATUS* statusCache() const { return StatusCache.get(); }
    const capture::CAPDRIVERCAPS* driverCapsCache() const { return DriverCapsCache.get(); }

    // Rounding of this control: nearest integer, halves to even, of a value computed in extended precision.
    static std::int64_t roundHalfEven(long double v);
    // The preview period sent to the service for a rate: (1 / rate) x 1000 ms, rounded.
    static std::uint32_t previewPeriodMs(std::uint16_t rate);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // CapWndProc: the capture window's mouse use is passed on to the control; answers true when taken.
    bool CapWndProc(QEvent* event);
    void subclassCaptureWindow();
    void unsubclassCaptureWindow();
    std::intptr_t send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    std::intptr_t sendPath(std::uint32_t message, const QString& path);
    void registerCallback(std::uint32_t message, bool assigned);
    void applyAlign();

    static std::intptr_t StatusCallbackProc(capture::CaptureService& s, capture::CapHwnd w, std::int32_t nID,
                                            const char* text);
    static std::intptr_t ErrorCallbackProc(capture::CaptureService& s, capture::CapHwnd w, std::int32_t nID,
                                           const char* text);
    static std::intptr_t FrameCallbackProc(capture::CaptureService& s, capture::CapHwnd w,
                                           capture::VIDEOHDR* header);
    static std::intptr_t VideoStreamCallbackProc(capture::CaptureService& s, capture::CapHwnd w,
                                                 capture::VIDEOHDR* header);
    static TVideoCap* controlOf(capture::CaptureService& s, capture::CapHwnd w);

    capture::CaptureService* service_;

    capture::CapHwnd CaptureWindow = nullptr;
    std::unique_ptr<capture::CAPDRIVERCAPS> DriverCapsCache;
    std::unique_ptr<capture::CAPSTATUS> StatusCache;
    QString BufferFileName;
    bool capturePropagationWas_ = false; // the capture window's own mouse-propagation setting before subclassing

    TAlign fAlign = alNone;
    QWidget* alignedIn_ = nullptr; // the parent watched for size changes
    int fDriverIndex = -1;
    QString fDriverName;
    bool fScale = false;
    bool fProportional = false;
    std::uint16_t fPreviewRate = 30;
    std::uint32_t fMicroSecPerFrame = 66667;
    QString fVideoFileName = QStringLiteral("Video.avi");
    QString fSingleImageFile = QStringLiteral("Capture.bmp");
    std::uint16_t fCapTimeLimit = 0;
    std::uint32_t fCapIndexSize = 0;
    bool fCapToFile = true;
    std::uint16_t fBufferFileSize = 0;

    TCapStatusProc fOnStatus;
    TCapStatusCallback fOnStatusCallback;
    TVideoStream fOnVideoStream;
    // The video-stream handler as the service's streaming thread calls it: a copy the user-interface thread
    // replaces under the lock, so a call in progress keeps the handler it started with.
    std::shared_ptr<const TVideoStream> streamHandler_;
    std::mutex streamMutex_;
    TVideoStream fOnFrameCallback;
    TError fOnError;
    TMouseMoveEvent fOnMouseMove;
    TMouseEvent fOnMouseUp;
    TMouseEvent fOnMouseDown;
    TNotifyEvent fOnClick;
    TNotifyEvent fOnDblClick;
    bool leftPressed_ = false; // a left press inside the control, for the click that its release makes
};
