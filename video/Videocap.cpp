#include "video/Videocap.h"

#include "base/Gbk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPalette>
#include <QTemporaryFile>

#include <cmath>
#include <limits>

using namespace capture;

namespace {

// Zero-terminated GBK text of a path, as the service expects; cut within the platform's limit.
QByteArray zeroTerminatedPath(const QString& path) {
    QByteArray bytes = gbk::encode(QDir::toNativeSeparators(path));
    bytes.truncate(gbk::safeCutLength(bytes, kMaxPath - 1));
    return bytes; // QByteArray keeps a terminating zero behind its data
}

template <class T> T clampTo(std::int64_t v) {
    if (v < 0)
        return 0;
    if (v > std::numeric_limits<T>::max())
        return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

constexpr std::uint32_t kIndexMin = 1800;
constexpr std::uint32_t kIndexMax = 324000;
constexpr std::uint32_t kIndexWithoutLimit = 100000;
constexpr std::uint32_t kMinMicroSecPerFrame = 33333;

std::uint32_t boundIndex(std::uint32_t n) { return n < kIndexMin ? kIndexMin : (n > kIndexMax ? kIndexMax : n); }

} // namespace

std::int64_t TVideoCap::roundHalfEven(long double v) {
    const long double lower = std::floor(v);
    const long double frac = v - lower;
    auto result = static_cast<std::int64_t>(lower);
    if (frac > 0.5L || (frac == 0.5L && (result % 2 != 0)))
        ++result;
    return result;
}

std::uint32_t TVideoCap::previewPeriodMs(std::uint16_t rate) {
    return clampTo<std::uint32_t>(roundHalfEven((1.0L / rate) * 1000.0L));
}

TVideoCap::TVideoCap(QWidget* parent, CaptureService* service)
    : QWidget(parent), service_(service ? service : &defaultCaptureService()) {
    resize(100, 100);
    setAutoFillBackground(true);
    setColor(Qt::black);
    setMouseTracking(true);
}

TVideoCap::~TVideoCap() {
    // Destruction closes the driver; nothing may escape a destructor.
    try {
        CloseDriver();
    } catch (...) {
    }
    FreeInfoBuffers();
}

void TVideoCap::setAlign(TAlign a) {
    fAlign = a;
    if (alignedIn_ != parentWidget()) {
        if (alignedIn_)
            alignedIn_->removeEventFilter(this);
        alignedIn_ = parentWidget();
        if (alignedIn_)
            alignedIn_->installEventFilter(this);
    }
    applyAlign();
}

void TVideoCap::applyAlign() {
    QWidget* p = parentWidget();
    if (!p || fAlign == alNone)
        return;
    const QRect r = p->rect();
    switch (fAlign) {
    case alTop:
        setGeometry(0, 0, r.width(), height());
        break;
    case alBottom:
        setGeometry(0, r.height() - height(), r.width(), height());
        break;
    case alLeft:
        setGeometry(0, 0, width(), r.height());
        break;
    case alRight:
        setGeometry(r.width() - width(), 0, width(), r.height());
        break;
    case alClient:
        setGeometry(r);
        break;
    case alNone:
        break;
    }
}

QColor TVideoCap::color() const { return palette().color(QPalette::Window); }

void TVideoCap::setColor(const QColor& c) {
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    setPalette(p);
}

std::intptr_t TVideoCap::send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return service_->sendRequest(CaptureWindow, message, wParam, lParam);
}

std::intptr_t TVideoCap::sendPath(std::uint32_t message, const QString& path) {
    const QByteArray bytes = zeroTerminatedPath(path);
    return send(message, 0, reinterpret_cast<std::intptr_t>(bytes.constData()));
}

// ---- Driver ------------------------------------------------------------------------------------------

bool TVideoCap::OpenDriver() {
    if (CaptureWindow)
        return true;
    if (fDriverIndex == -1) {
        ENoDriverException e;
        RefreshStatus();
        throw e;
    }
    CaptureWindow = service_->createCaptureWindow(objectName().toLocal8Bit(), WS_CHILD | WS_VISIBLE, 0, 0, width(),
                                                  height(), this, kCaptureWindowId);
    if (!CaptureWindow) {
        ENoCapWindowException e;
        RefreshStatus();
        throw e;
    }
    send(WM_CAP_SET_USER_DATA, 0, reinterpret_cast<std::intptr_t>(this));
    subclassCaptureWindow();
    if (fOnStatusCallback)
        registerCallback(WM_CAP_SET_CALLBACK_STATUSA, true);
    if (fOnFrameCallback)
        registerCallback(WM_CAP_SET_CALLBACK_FRAME, true);
    if (fOnError)
        registerCallback(WM_CAP_SET_CALLBACK_ERRORA, true);
    if (fOnVideoStream)
        registerCallback(WM_CAP_SET_CALLBACK_VIDEOSTREAM, true);
    if (!send(WM_CAP_DRIVER_CONNECT, static_cast<std::uint16_t>(fDriverIndex), 0)) {
        ENotConnectException e;
        CloseDriver();
        RefreshStatus();
        throw e;
    }
    PrepareCaptureFile(true);
    send(WM_CAP_SET_SCALE, fScale ? 1 : 0, 0);
    send(WM_CAP_SET_PREVIEWRATE, previewPeriodMs(fPreviewRate), 0);
    RefreshStatus();
    SizeCaptureWindow();
    return true;
}

void TVideoCap::CloseDriver() {
    if (!CaptureWindow)
        return;
    PrepareCaptureFile(false);
    send(WM_CAP_DRIVER_DISCONNECT, 0, 0);
    unsubclassCaptureWindow();
    delete CaptureWindow;
    CaptureWindow = nullptr;
}

void TVideoCap::subclassCaptureWindow() {
    capturePropagationWas_ = CaptureWindow->testAttribute(Qt::WA_NoMousePropagation);
    // Mouse use over the live picture reaches the control only through CapWndProc.
    CaptureWindow->setAttribute(Qt::WA_NoMousePropagation, true);
    CaptureWindow->setMouseTracking(true);
    CaptureWindow->installEventFilter(this);
}

void TVideoCap::unsubclassCaptureWindow() {
    CaptureWindow->removeEventFilter(this);
    CaptureWindow->setAttribute(Qt::WA_NoMousePropagation, capturePropagationWas_);
}

bool TVideoCap::eventFilter(QObject* watched, QEvent* event) {
    if (CaptureWindow && watched == CaptureWindow)
        return CapWndProc(event);
    if (watched == alignedIn_ && event->type() == QEvent::Resize)
        applyAlign();
    return QWidget::eventFilter(watched, event);
}

bool TVideoCap::CapWndProc(QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto* me = static_cast<QMouseEvent*>(event);
    // Right and middle double clicks stay with the capture window, as every other message does.
    if (type == QEvent::MouseButtonDblClick && me->button() != Qt::LeftButton)
        return false;
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick) &&
        me->button() != Qt::LeftButton && me->button() != Qt::RightButton && me->button() != Qt::MiddleButton)
        return false;
    // The capture window sits at the control's origin, so its coordinates are the control's.
    QMouseEvent copy(type, me->position(), me->scenePosition(), me->globalPosition(), me->button(), me->buttons(),
                     me->modifiers());
    QCoreApplication::sendEvent(this, &copy);
    return true;
}

void TVideoCap::registerCallback(std::uint32_t message, bool assigned) {
    std::intptr_t proc = 0;
    if (assigned) {
        switch (message) {
        case WM_CAP_SET_CALLBACK_STATUSA:
            proc = reinterpret_cast<std::intptr_t>(&TVideoCap::StatusCallbackProc);
            break;
        case WM_CAP_SET_CALLBACK_ERRORA:
            proc = reinterpret_cast<std::intptr_t>(&TVideoCap::ErrorCallbackProc);
            break;
        case WM_CAP_SET_CALLBACK_FRAME:
            proc = reinterpret_cast<std::intptr_t>(&TVideoCap::FrameCallbackProc);
            break;
        case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
            proc = reinterpret_cast<std::intptr_t>(&TVideoCap::VideoStreamCallbackProc);
            break;
        default:
            break;
        }
    }
    send(message, 0, proc);
}

bool TVideoCap::RefreshStatus() {
    bool result = false;
    if (CaptureWindow) {
        if (!StatusCache)
            StatusCache = std::make_unique<CAPSTATUS>();
        result = send(WM_CAP_GET_STATUS, sizeof(CAPSTATUS), reinterpret_cast<std::intptr_t>(StatusCache.get())) != 0;
    }
    if (fOnStatus)
        fOnStatus(this);
    return result;
}

bool TVideoCap::ReadDriverCaps() {
    if (DriverCapsCache)
        return true;
    if (fDriverIndex == -1)
        return false;
    const bool wasOpen = CaptureWindow != nullptr;
    if (!wasOpen)
        OpenDriver();
    bool result = false;
    if (CaptureWindow) {
        DriverCapsCache = std::make_unique<CAPDRIVERCAPS>();
        if (send(WM_CAP_DRIVER_GET_CAPS, sizeof(CAPDRIVERCAPS), reinterpret_cast<std::intptr_t>(DriverCapsCache.get())))
            result = true;
        else
            DriverCapsCache.reset();
    }
    if (!wasOpen)
        CloseDriver();
    return result;
}

bool TVideoCap::HasOverlay() { return ReadDriverCaps() && DriverCapsCache->fHasOverlay != 0; }

void TVideoCap::FreeInfoBuffers() {
    DriverCapsCache.reset();
    StatusCache.reset();
}

std::uint16_t TVideoCap::CapImageWidth() const {
    return StatusCache ? static_cast<std::uint16_t>(StatusCache->uiImageWidth) : 0;
}

std::uint16_t TVideoCap::CapImageHeight() const {
    return StatusCache ? static_cast<std::uint16_t>(StatusCache->uiImageHeight) : 0;
}

bool TVideoCap::CapturingNow() const { return CaptureWindow && StatusCache && StatusCache->fCapturingNow != 0; }

void TVideoCap::SizeCaptureWindow() {
    if (!CaptureWindow)
        return;
    int w = CapImageWidth();
    int h = CapImageHeight();
    if (fScale) {
        const int cw = width();
        const int ch = height();
        // Without a known picture size (or with an empty control) the aspect is undefined: fill the control.
        if (!fProportional || w == 0 || h == 0 || ch == 0) {
            w = cw;
            h = ch;
        } else {
            const float controlAspect = static_cast<float>(cw) / static_cast<float>(ch);
            const float pictureAspect = static_cast<float>(w) / static_cast<float>(h);
            if (controlAspect > pictureAspect) {
                h = ch;
                w = static_cast<int>(roundHalfEven(static_cast<long double>(ch) * pictureAspect));
            } else {
                w = cw;
                h = static_cast<int>(roundHalfEven(static_cast<long double>(cw) / pictureAspect));
            }
        }
    }
    // MoveWindow with repaint.
    CaptureWindow->setGeometry(0, 0, w, h);
    CaptureWindow->update();
}

// ---- Capture -----------------------------------------------------------------------------------------

bool TVideoCap::StartCapture() {
    if (!CaptureWindow)
        return false;
    CAPTUREPARMS parms;
    send(WM_CAP_GET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS), reinterpret_cast<std::intptr_t>(&parms));
    if (BufferFileName.isEmpty())
        sendPath(WM_CAP_FILE_SET_CAPTURE_FILEA, fVideoFileName);
    parms.dwRequestMicroSecPerFrame = fMicroSecPerFrame;
    parms.fLimitEnabled = fCapTimeLimit;
    parms.wTimeLimit = fCapTimeLimit;
    parms.fMCIControl = 0;
    parms.fYield = -1;
    parms.vKeyAbort = 27;
    parms.fAbortLeftMouse = 0;
    parms.fAbortRightMouse = 0;
    std::uint32_t index = 0;
    if (fCapTimeLimit != 0)
        index = static_cast<std::uint32_t>(FrameRate()) * fCapTimeLimit;
    else
        // Without a time limit an index size of 0 always means the generous default, so a later recording
        // on the same connection is not cut to the smallest index.
        index = fCapIndexSize == 0 ? kIndexWithoutLimit : fCapIndexSize;
    parms.dwIndexSize = boundIndex(index);
    send(WM_CAP_SET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS), reinterpret_cast<std::intptr_t>(&parms));
    const bool started = send(fCapToFile ? WM_CAP_SEQUENCE : WM_CAP_SEQUENCE_NOFILE, 0, 0) != 0;
    RefreshStatus();
    return started;
}

bool TVideoCap::StopCapture() {
    if (!CaptureWindow)
        return false;
    const bool reply = send(WM_CAP_STOP, 0, 0) != 0;
    RefreshStatus();
    return reply;
}

bool TVideoCap::GrabFrame() {
    if (!CaptureWindow)
        return false;
    const bool reply = send(WM_CAP_GRAB_FRAME, 0, 0) != 0;
    if (reply)
        RefreshStatus();
    return reply;
}

bool TVideoCap::SaveSingleImage() {
    if (!CaptureWindow)
        return false;
    return sendPath(WM_CAP_FILE_SAVEDIBA, fSingleImageFile) != 0;
}

void TVideoCap::PrepareCaptureFile(bool allocate) {
    if (BufferFileName.isEmpty() && fBufferFileSize == 0)
        return;
    const std::uint16_t wanted = allocate ? fBufferFileSize : 0;
    if (BufferFileName.isEmpty()) {
        QTemporaryFile tmp(QDir::tempPath() + QStringLiteral("/capXXXXXX.tmp"));
        tmp.setAutoRemove(false);
        if (tmp.open())
            BufferFileName = QFileInfo(tmp.fileName()).absoluteFilePath();
        else if (wanted != 0)
            throw EBufferFileError(); // no temporary folder to preallocate in
    }
    if (wanted != 0) {
        sendPath(WM_CAP_FILE_SET_CAPTURE_FILEA, BufferFileName);
        // The byte count travels in 32 bits.
        const std::uint32_t bytes = static_cast<std::uint32_t>(fBufferFileSize) * 1048576u;
        if (!send(WM_CAP_FILE_ALLOCATE, 0, static_cast<std::intptr_t>(bytes)))
            throw EBufferFileError();
    } else {
        sendPath(WM_CAP_FILE_SET_CAPTURE_FILEA, fVideoFileName);
        QFile::remove(BufferFileName);
        BufferFileName.clear();
    }
}

// ---- Property writes -----------------------------------------------------------------------------------

void TVideoCap::setDriverOpen(bool b) {
    if (b == DriverOpen())
        return;
    if (b)
        OpenDriver();
    else
        CloseDriver();
}

void TVideoCap::setDriverIndex(int v) {
    if (v == fDriverIndex)
        return;
    CloseDriver();
    FreeInfoBuffers();
    if (v < 0)
        v = -1; // only -1 means "none"
    if (v >= 0) {
        char name[kDriverTextSize] = {};
        char version[kDriverTextSize] = {};
        if (v <= 0xFFFF && service_->getDriverDescription(static_cast<std::uint16_t>(v), name, sizeof name, version,
                                                          sizeof version)) {
            name[kDriverTextSize - 1] = 0;
            fDriverName = gbk::decode(QByteArrayView(name, qstrnlen(name, kDriverTextSize)));
        } else {
            v = -1;
        }
    }
    if (v == -1)
        fDriverName.clear();
    fDriverIndex = v;
}

void TVideoCap::setDriverName(const QString& s) {
    if (s == fDriverName)
        return;
    for (std::uint16_t slot = 0; slot <= 9; ++slot) {
        char name[kDriverTextSize] = {};
        char version[kDriverTextSize] = {};
        if (!service_->getDriverDescription(slot, name, sizeof name, version, sizeof version))
            continue;
        name[kDriverTextSize - 1] = 0;
        if (gbk::decode(QByteArrayView(name, qstrnlen(name, kDriverTextSize))) == s) {
            fDriverName = s;
            setDriverIndex(slot);
            return;
        }
    }
    fDriverName.clear();
    setDriverIndex(-1);
}

bool TVideoCap::VideoOverlay() const { return CaptureWindow && StatusCache && StatusCache->fOverlayWindow != 0; }

bool TVideoCap::VideoPreview() const { return CaptureWindow && StatusCache && StatusCache->fLiveWindow != 0; }

void TVideoCap::setVideoPreview(bool b) {
    if (b == VideoPreview())
        return;
    if (b && !CaptureWindow)
        OpenDriver();
    send(WM_CAP_SET_PREVIEW, b ? 1 : 0, 0);
    RefreshStatus();
    update();
}

void TVideoCap::setVideoOverlay(bool b) {
    if (b == VideoOverlay())
        return;
    if (!HasOverlay())
        throw ENoOverlayException();
    if (b) {
        if (!CaptureWindow)
            OpenDriver();
        GrabFrame();
    }
    send(WM_CAP_SET_OVERLAY, b ? 1 : 0, 0);
    RefreshStatus();
    update();
}

void TVideoCap::setPreviewScaleToWindow(bool b) {
    if (b == fScale)
        return;
    fScale = b;
    if (CaptureWindow) {
        send(WM_CAP_SET_SCALE, b ? 1 : 0, 0);
        SizeCaptureWindow();
    }
    repaint();
}

void TVideoCap::setPreviewScaleProportional(bool b) {
    if (b == fProportional)
        return;
    fProportional = b;
    if (CaptureWindow)
        SizeCaptureWindow();
    repaint();
}

void TVideoCap::setPreviewRate(std::uint16_t r) {
    if (r == fPreviewRate)
        return;
    if (r == 0)
        r = 1;
    if (r > 30)
        r = 30;
    fPreviewRate = r;
    if (CaptureWindow)
        send(WM_CAP_SET_PREVIEWRATE, previewPeriodMs(fPreviewRate), 0);
}

void TVideoCap::setMicroSecPerFrame(std::uint32_t u) {
    if (u == fMicroSecPerFrame)
        return;
    fMicroSecPerFrame = u < kMinMicroSecPerFrame ? kMinMicroSecPerFrame : u;
}

std::uint16_t TVideoCap::FrameRate() const {
    if (fMicroSecPerFrame == 0)
        return 0;
    return clampTo<std::uint16_t>(roundHalfEven((1.0L / fMicroSecPerFrame) * 1000000.0L));
}

void TVideoCap::setFrameRate(std::uint16_t f) {
    if (f == 0)
        return;
    fMicroSecPerFrame = clampTo<std::uint32_t>(roundHalfEven((1.0L / f) * 1000000.0L));
}

void TVideoCap::setCapIndexSize(std::uint32_t n) { fCapIndexSize = n == 0 ? 0 : boundIndex(n); }

void TVideoCap::setBufferFileSize(std::uint16_t m) {
    if (m == fBufferFileSize)
        return;
    fBufferFileSize = m;
    if (CaptureWindow)
        PrepareCaptureFile(true);
}

// ---- Events and callbacks --------------------------------------------------------------------------------

void TVideoCap::setOnStatusCallback(TCapStatusCallback h) {
    fOnStatusCallback = std::move(h);
    if (CaptureWindow)
        registerCallback(WM_CAP_SET_CALLBACK_STATUSA, bool(fOnStatusCallback));
}

void TVideoCap::setOnFrameCallback(TVideoStream h) {
    fOnFrameCallback = std::move(h);
    if (CaptureWindow)
        registerCallback(WM_CAP_SET_CALLBACK_FRAME, bool(fOnFrameCallback));
}

void TVideoCap::setOnError(TError h) {
    fOnError = std::move(h);
    if (CaptureWindow)
        registerCallback(WM_CAP_SET_CALLBACK_ERRORA, bool(fOnError));
}

void TVideoCap::setOnVideoStream(TVideoStream h) {
    fOnVideoStream = std::move(h);
    {
        std::lock_guard lock(streamMutex_);
        streamHandler_ = fOnVideoStream ? std::make_shared<const TVideoStream>(fOnVideoStream) : nullptr;
    }
    if (CaptureWindow)
        registerCallback(WM_CAP_SET_CALLBACK_VIDEOSTREAM, bool(fOnVideoStream));
}

TVideoCap* TVideoCap::controlOf(CaptureService& s, CapHwnd w) {
    return reinterpret_cast<TVideoCap*>(s.sendRequest(w, WM_CAP_GET_USER_DATA, 0, 0));
}

static QString textOf(const char* text) { return text ? gbk::decode(QByteArrayView(text, qstrlen(text))) : QString(); }

std::intptr_t TVideoCap::StatusCallbackProc(CaptureService& s, CapHwnd w, std::int32_t nID, const char* text) {
    if (TVideoCap* c = controlOf(s, w); c && c->fOnStatusCallback)
        c->fOnStatusCallback(c, nID, textOf(text));
    return 1;
}

std::intptr_t TVideoCap::ErrorCallbackProc(CaptureService& s, CapHwnd w, std::int32_t nID, const char* text) {
    if (TVideoCap* c = controlOf(s, w); c && c->fOnError)
        c->fOnError(c, nID, textOf(text));
    return 1;
}

std::intptr_t TVideoCap::FrameCallbackProc(CaptureService& s, CapHwnd w, VIDEOHDR* header) {
    if (TVideoCap* c = controlOf(s, w); c && c->fOnFrameCallback)
        c->fOnFrameCallback(c, header);
    return 1;
}

// Runs on the service's streaming thread, while the user-interface thread may be assigning the handler.
std::intptr_t TVideoCap::VideoStreamCallbackProc(CaptureService& s, CapHwnd w, VIDEOHDR* header) {
    TVideoCap* c = controlOf(s, w);
    if (!c)
        return 1;
    std::shared_ptr<const TVideoStream> handler;
    {
        std::lock_guard lock(c->streamMutex_);
        handler = c->streamHandler_;
    }
    if (handler)
        (*handler)(c, header);
    return 1;
}

// ---- Size and mouse --------------------------------------------------------------------------------------

void TVideoCap::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (CaptureWindow && fScale)
        SizeCaptureWindow();
}

void TVideoCap::mousePressEvent(QMouseEvent* e) {
    const int x = qRound(e->position().x());
    const int y = qRound(e->position().y());
    if (e->button() == Qt::LeftButton)
        leftPressed_ = true;
    if (fOnMouseDown)
        fOnMouseDown(this, e->button(), e->modifiers(), x, y);
    e->accept();
}

void TVideoCap::mouseReleaseEvent(QMouseEvent* e) {
    const int x = qRound(e->position().x());
    const int y = qRound(e->position().y());
    // A click is a left press and release inside the control.
    if (e->button() == Qt::LeftButton && leftPressed_) {
        leftPressed_ = false;
        if (rect().contains(x, y) && fOnClick)
            fOnClick(this);
    }
    if (fOnMouseUp)
        fOnMouseUp(this, e->button(), e->modifiers(), x, y);
    e->accept();
}

void TVideoCap::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && fOnDblClick)
        fOnDblClick(this);
    // The second press of a double click is still a press.
    mousePressEvent(e);
}

void TVideoCap::mouseMoveEvent(QMouseEvent* e) {
    if (fOnMouseMove)
        fOnMouseMove(this, e->modifiers(), qRound(e->position().x()), qRound(e->position().y()));
    e->accept();
}
