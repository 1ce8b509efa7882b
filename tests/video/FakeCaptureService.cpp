#include "tests/video/FakeCaptureService.h"

#include "base/Gbk.h"
#include "video/Bmp.h"
#include "video/FileCase.h"

#include <QSaveFile>

#include <cstring>

using namespace capture;

namespace testvideo {

bool FakeCaptureService::getDriverDescription(std::uint16_t slot, char* name, int nameSize, char*, int) {
    descriptionQueries.push_back(slot);
    if (slot >= drivers.size() || drivers[slot].isEmpty())
        return false;
    const QByteArray bytes = gbk::encode(drivers[slot]);
    const qsizetype n = gbk::safeCutLength(bytes, nameSize - 1);
    std::memcpy(name, bytes.constData(), static_cast<size_t>(n));
    name[n] = 0;
    return true;
}

CapHwnd FakeCaptureService::createCaptureWindow(const QByteArray& title, std::uint32_t style, int x, int y,
                                                int width, int height, QWidget* parent, int id) {
    created.push_back({title, style, x, y, width, height, parent, id});
    if (createFails)
        return nullptr;
    auto* w = new QWidget(parent);
    w->setGeometry(x, y, width, height);
    if (style & WS_VISIBLE)
        w->show();
    lastWindow_ = w;
    QObject::connect(w, &QObject::destroyed, [this, w] {
        if (lastWindow_ == w)
            lastWindow_ = nullptr;
        userData_.erase(w);
    });
    return w;
}

std::intptr_t FakeCaptureService::sendRequest(CapHwnd window, std::uint32_t message, std::uintptr_t wParam,
                                              std::intptr_t lParam) {
    SentRequest r{window, message, wParam, lParam, {}, {}};
    if (message == WM_CAP_FILE_SET_CAPTURE_FILEA || message == WM_CAP_FILE_SAVEDIBA)
        r.path = gbk::decode(reinterpret_cast<const char*>(lParam));
    if (message == WM_CAP_SET_SEQUENCE_SETUP)
        std::memcpy(&r.parms, reinterpret_cast<const void*>(lParam), sizeof r.parms);
    requests.push_back(r);
    switch (message) {
    case WM_CAP_SET_USER_DATA:
        userData_[window] = lParam;
        return 1;
    case WM_CAP_GET_USER_DATA: {
        auto it = userData_.find(window);
        return it == userData_.end() ? 0 : it->second;
    }
    case WM_CAP_SET_CALLBACK_ERRORA:
    case WM_CAP_SET_CALLBACK_STATUSA:
    case WM_CAP_SET_CALLBACK_FRAME:
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
        procs_[message] = lParam;
        return 1;
    case WM_CAP_DRIVER_CONNECT:
        return connectReply;
    case WM_CAP_DRIVER_GET_CAPS: {
        if (!capsReply)
            return 0;
        CAPDRIVERCAPS caps;
        caps.fHasOverlay = hasOverlay;
        std::memcpy(reinterpret_cast<void*>(lParam), &caps, sizeof caps);
        return 1;
    }
    case WM_CAP_GET_STATUS:
        std::memcpy(reinterpret_cast<void*>(lParam), &status, sizeof status);
        return 1;
    case WM_CAP_GET_SEQUENCE_SETUP:
        std::memcpy(reinterpret_cast<void*>(lParam), &parms, sizeof parms);
        return 1;
    case WM_CAP_SET_SEQUENCE_SETUP:
        parms = r.parms;
        return 1;
    case WM_CAP_SEQUENCE:
    case WM_CAP_SEQUENCE_NOFILE:
        if (sequenceReply)
            status.fCapturingNow = 1;
        return sequenceReply;
    case WM_CAP_STOP:
        status.fCapturingNow = 0;
        return stopReply;
    case WM_CAP_GRAB_FRAME:
        return grabReply;
    case WM_CAP_FILE_ALLOCATE:
        return allocateReply;
    case WM_CAP_FILE_SAVEDIBA: {
        if (!saveReply)
            return 0;
        if (!writeInstead.isEmpty()) {
            QSaveFile f(filecase::resolve(r.path));
            return f.open(QIODevice::WriteOnly) && f.write(writeInstead) == writeInstead.size() && f.commit();
        }
        if (frame.isNull())
            return 0;
        const QImage img = frame.convertToFormat(QImage::Format_RGB32);
        QSaveFile f(filecase::resolve(r.path));
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(bmp::fromBgrx(img.constBits(), img.width(), img.height(), int(img.bytesPerLine())));
        return f.commit();
    }
    case WM_CAP_SET_PREVIEW:
        status.fLiveWindow = wParam != 0;
        return 1;
    case WM_CAP_SET_OVERLAY:
        status.fOverlayWindow = wParam != 0;
        return 1;
    case WM_CAP_DRIVER_DISCONNECT:
        status.fLiveWindow = 0;
        status.fCapturingNow = 0;
        return 1;
    default:
        return 1;
    }
}

QStringList FakeCaptureService::log(bool withUserData) const {
    QStringList out;
    for (const SentRequest& r : requests) {
        if (r.message == WM_CAP_GET_USER_DATA && !withUserData)
            continue;
        QString l;
        switch (r.message) {
        case WM_CAP_FILE_SET_CAPTURE_FILEA:
        case WM_CAP_FILE_SAVEDIBA:
            l = r.path;
            break;
        case WM_CAP_FILE_ALLOCATE:
        case WM_CAP_GET_USER_DATA:
            l = QString::number(r.lParam);
            break;
        default:
            l = r.lParam ? QStringLiteral("*") : QStringLiteral("0");
        }
        out << QStringLiteral("%1 %2 %3").arg(QString::fromLatin1(requestName(r.message))).arg(r.wParam).arg(l);
    }
    return out;
}

std::vector<SentRequest> FakeCaptureService::sent(std::uint32_t message) const {
    std::vector<SentRequest> out;
    for (const auto& r : requests)
        if (r.message == message)
            out.push_back(r);
    return out;
}

std::intptr_t FakeCaptureService::callStatus(std::uint32_t message, std::int32_t id, const char* text) {
    auto proc = reinterpret_cast<StatusCallbackProc>(procs_[message]);
    return proc ? proc(*this, lastWindow_, id, text) : 0;
}

std::intptr_t FakeCaptureService::callFrame(std::uint32_t message, VIDEOHDR* header) {
    auto proc = reinterpret_cast<FrameCallbackProc>(procs_[message]);
    return proc ? proc(*this, lastWindow_, header) : 0;
}

} // namespace testvideo
