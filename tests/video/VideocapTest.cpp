// The capture control against a recording fake service: requests, their order and arguments, rounding,
// bounds, sizing, exceptions, callbacks and mouse forwarding.
#include "base/Gbk.h"
#include "tests/support/TestSupport.h"
#include "tests/video/FakeCaptureService.h"
#include "video/Videocap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPointer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace capture;
using testvideo::FakeCaptureService;
using ::testing::ElementsAre;

namespace {

class VideocapTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.drivers = {QStringLiteral("USB Camera"), QStringLiteral("Second"), QStringLiteral("Third")};
        cap = std::make_unique<TVideoCap>(nullptr, &fake);
        cap->setObjectName(QStringLiteral("VideoCap1"));
        cap->resize(320, 240);
    }
    void openSlot0() {
        cap->setDriverIndex(0);
        cap->setDriverOpen(true);
        fake.clear();
    }
    FakeCaptureService fake;
    std::unique_ptr<TVideoCap> cap;
};

TEST_F(VideocapTest, ConstructionValues) {
    TVideoCap fresh(nullptr, &fake);
    EXPECT_FALSE(fresh.DriverOpen());
    EXPECT_EQ(fresh.DriverIndex(), -1);
    EXPECT_TRUE(fresh.DriverName().isEmpty());
    EXPECT_FALSE(fresh.VideoOverlay());
    EXPECT_FALSE(fresh.VideoPreview());
    EXPECT_FALSE(fresh.PreviewScaleToWindow());
    EXPECT_FALSE(fresh.PreviewScaleProportional());
    EXPECT_EQ(fresh.PreviewRate(), 30);
    EXPECT_EQ(fresh.MicroSecPerFrame(), 66667u);
    EXPECT_EQ(fresh.FrameRate(), 15);
    EXPECT_EQ(fresh.VideoFileName(), "Video.avi");
    EXPECT_EQ(fresh.SingleImageFile(), "Capture.bmp");
    EXPECT_EQ(fresh.CapTimeLimit(), 0);
    EXPECT_EQ(fresh.CapIndexSize(), 0u);
    EXPECT_TRUE(fresh.CapToFile());
    EXPECT_EQ(fresh.BufferFileSize(), 0);
    EXPECT_EQ(fresh.color(), QColor(Qt::black));
    EXPECT_EQ(fresh.size(), QSize(100, 100));
    EXPECT_EQ(fresh.CapImageWidth(), 0);
    EXPECT_FALSE(fresh.OnStatus());
    EXPECT_FALSE(fresh.OnError());
    EXPECT_TRUE(fake.requests.empty());
}

TEST_F(VideocapTest, AlignmentFollowsTheParent) {
    QWidget parent;
    parent.resize(400, 300);
    TVideoCap inside(&parent, &fake);
    EXPECT_EQ(inside.align(), TVideoCap::alNone);
    inside.resize(50, 40);
    inside.setAlign(TVideoCap::alClient);
    EXPECT_EQ(inside.geometry(), QRect(0, 0, 400, 300));
    parent.show();
    parent.resize(500, 200);
    EXPECT_EQ(inside.geometry(), QRect(0, 0, 500, 200));
    inside.setAlign(TVideoCap::alNone);
    inside.setGeometry(10, 10, 60, 30);
    inside.setAlign(TVideoCap::alBottom);
    EXPECT_EQ(inside.geometry(), QRect(0, 170, 500, 30));
    inside.setAlign(TVideoCap::alNone);
    inside.setGeometry(10, 10, 60, 30);
    inside.setAlign(TVideoCap::alRight);
    EXPECT_EQ(inside.geometry(), QRect(440, 0, 60, 200));
    inside.setAlign(TVideoCap::alNone); // stays where it is
    parent.resize(300, 100);
    EXPECT_EQ(inside.geometry(), QRect(440, 0, 60, 200));
}

TEST_F(VideocapTest, OpeningSendsTheRequestsInOrder) {
    fake.status.uiImageWidth = 160;
    fake.status.uiImageHeight = 120;
    cap->setDriverIndex(0);
    EXPECT_EQ(cap->DriverName(), "USB Camera");
    EXPECT_FALSE(cap->DriverOpen()); // selecting never opens
    fake.clear();
    cap->setDriverOpen(true);
    ASSERT_TRUE(cap->DriverOpen());
    ASSERT_EQ(fake.created.size(), 1u);
    const auto& c = fake.created[0];
    EXPECT_EQ(c.title, "VideoCap1");
    EXPECT_EQ(c.style, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(QRect(c.x, c.y, c.width, c.height), QRect(0, 0, 320, 240));
    EXPECT_EQ(c.parent, cap.get());
    EXPECT_EQ(c.id, 5001);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_USER_DATA 0 *", "WM_CAP_DRIVER_CONNECT 0 0",
                                        "WM_CAP_SET_SCALE 0 0", "WM_CAP_SET_PREVIEWRATE 33 0",
                                        "WM_CAP_GET_STATUS 76 *"));
    EXPECT_EQ(fake.sent(WM_CAP_SET_USER_DATA)[0].lParam, reinterpret_cast<std::intptr_t>(cap.get()));
    // Unscaled, the capture window takes the picture's own size.
    EXPECT_EQ(cap->captureWindow()->geometry(), QRect(0, 0, 160, 120));
    // Opening again does nothing.
    fake.clear();
    EXPECT_TRUE(cap->OpenDriver());
    EXPECT_TRUE(fake.requests.empty());
}

TEST_F(VideocapTest, ConnectCarriesTheSlotAndClosingSendsNoStop) {
    cap->setDriverIndex(2);
    cap->setDriverOpen(true);
    EXPECT_EQ(fake.sent(WM_CAP_DRIVER_CONNECT)[0].wParam, 2u);
    fake.clear();
    QPointer<QWidget> window = cap->captureWindow();
    cap->setDriverOpen(false);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_DRIVER_DISCONNECT 0 0"));
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(cap->DriverOpen());
    EXPECT_NE(cap->statusCache(), nullptr); // closing keeps the caches
    fake.clear();
    cap->CloseDriver();
    EXPECT_TRUE(fake.requests.empty());
}

TEST_F(VideocapTest, OpenFailuresNotifyThenRaise) {
    QStringList order;
    cap->setOnStatus([&](TVideoCap*) { order << "status"; });
    try {
        cap->setDriverOpen(true);
        FAIL() << "no exception";
    } catch (const ENoDriverException& e) {
        order << "raised";
        EXPECT_EQ(e.message(), "No capture driver selected");
    }
    EXPECT_THAT(order, ElementsAre("status", "raised"));
    EXPECT_TRUE(fake.created.empty());

    cap->setDriverIndex(0);
    fake.createFails = true;
    order.clear();
    try {
        cap->OpenDriver();
        FAIL();
    } catch (const ENoCapWindowException& e) {
        order << "raised";
        EXPECT_EQ(e.message(), "Can not create capture window");
    }
    EXPECT_THAT(order, ElementsAre("status", "raised"));
    EXPECT_FALSE(cap->DriverOpen());

    fake.createFails = false;
    fake.connectReply = false;
    fake.clear();
    order.clear();
    try {
        cap->OpenDriver();
        FAIL();
    } catch (const ENotConnectException& e) {
        order << "raised";
        EXPECT_EQ(e.message(), "Can not connect capture driver with capture window");
    }
    EXPECT_THAT(order, ElementsAre("status", "raised"));
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_USER_DATA 0 *", "WM_CAP_DRIVER_CONNECT 0 0",
                                        "WM_CAP_DRIVER_DISCONNECT 0 0"));
    EXPECT_FALSE(cap->DriverOpen());
    EXPECT_EQ(fake.lastWindow(), nullptr); // destroyed
}

TEST_F(VideocapTest, ExceptionsReachTheDefaultReport) {
    testsupport::ErrorRecorder errors;
    errorreport::guarded([&] { cap->setDriverOpen(true); });
    errorreport::guarded([] { throw ENoOverlayException(); });
    errorreport::guarded([] { throw EBufferFileError(); });
    EXPECT_THAT(errors.texts(), ElementsAre("No capture driver selected", "Driver has no overlay mode",
                                            "Could not create tmp file"));
}

TEST_F(VideocapTest, DriverSelection) {
    cap->setDriverIndex(3); // no driver in slot 3
    EXPECT_EQ(cap->DriverIndex(), -1);
    EXPECT_TRUE(cap->DriverName().isEmpty());

    openSlot0();
    cap->setDriverIndex(0); // the current index again closes nothing
    EXPECT_TRUE(cap->DriverOpen());
    EXPECT_TRUE(fake.requests.empty());

    cap->setDriverIndex(1); // another slot closes and forgets the caches
    EXPECT_FALSE(cap->DriverOpen());
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_DRIVER_DISCONNECT 0 0"));
    EXPECT_EQ(cap->statusCache(), nullptr);
    EXPECT_EQ(cap->DriverName(), "Second");

    cap->setDriverIndex(-7); // any negative slot means none
    EXPECT_EQ(cap->DriverIndex(), -1);
    EXPECT_TRUE(cap->DriverName().isEmpty());
}

TEST_F(VideocapTest, DriverNameSelectsTheFirstMatchingSlot) {
    fake.drivers = {QStringLiteral("A"), QStringLiteral("摄像头"), QStringLiteral("摄像头")};
    cap->setDriverName(QStringLiteral("摄像头"));
    EXPECT_EQ(cap->DriverIndex(), 1);
    EXPECT_EQ(cap->DriverName(), "摄像头");
    fake.clear();
    cap->setDriverName(QStringLiteral("摄像头")); // unchanged: nothing asked
    EXPECT_TRUE(fake.descriptionQueries.empty());
    cap->setDriverName(QStringLiteral("a")); // exact, case-sensitive
    EXPECT_EQ(cap->DriverIndex(), -1);
    EXPECT_TRUE(cap->DriverName().isEmpty());
    EXPECT_THAT(fake.descriptionQueries, ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
}

TEST_F(VideocapTest, RoundingIsHalfToEven) {
    EXPECT_EQ(TVideoCap::roundHalfEven(62.5L), 62);
    EXPECT_EQ(TVideoCap::roundHalfEven(63.5L), 64);
    EXPECT_EQ(TVideoCap::roundHalfEven(0.5L), 0);
    EXPECT_EQ(TVideoCap::roundHalfEven(66666.67L), 66667);
    EXPECT_EQ(TVideoCap::previewPeriodMs(30), 33u);
    EXPECT_EQ(TVideoCap::previewPeriodMs(15), 67u);
    EXPECT_EQ(TVideoCap::previewPeriodMs(16), 62u);
    EXPECT_EQ(TVideoCap::previewPeriodMs(1), 1000u);
}

TEST_F(VideocapTest, PreviewRateBoundsAndRequest) {
    cap->setPreviewRate(0);
    EXPECT_EQ(cap->PreviewRate(), 1);
    cap->setPreviewRate(45);
    EXPECT_EQ(cap->PreviewRate(), 30);
    EXPECT_TRUE(fake.requests.empty()); // closed: nothing sent
    openSlot0();
    cap->setPreviewRate(16);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_PREVIEWRATE 62 0"));
    fake.clear();
    cap->setPreviewRate(16);
    EXPECT_TRUE(fake.requests.empty());
    cap->setPreviewRate(15);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_PREVIEWRATE 67 0"));
}

TEST_F(VideocapTest, FramePeriodAndRate) {
    cap->setMicroSecPerFrame(20000);
    EXPECT_EQ(cap->MicroSecPerFrame(), 33333u);
    EXPECT_EQ(cap->FrameRate(), 30);
    cap->setFrameRate(60); // no lower bound here
    EXPECT_EQ(cap->MicroSecPerFrame(), 16667u);
    EXPECT_EQ(cap->FrameRate(), 60);
    cap->setFrameRate(15);
    EXPECT_EQ(cap->MicroSecPerFrame(), 66667u);
    cap->setFrameRate(0); // ignored
    EXPECT_EQ(cap->MicroSecPerFrame(), 66667u);
    cap->setMicroSecPerFrame(100000);
    EXPECT_EQ(cap->FrameRate(), 10);
}

TEST_F(VideocapTest, IndexSizeBounds) {
    cap->setCapIndexSize(1);
    EXPECT_EQ(cap->CapIndexSize(), 1800u);
    cap->setCapIndexSize(400000);
    EXPECT_EQ(cap->CapIndexSize(), 324000u);
    cap->setCapIndexSize(5000);
    EXPECT_EQ(cap->CapIndexSize(), 5000u);
    cap->setCapIndexSize(0);
    EXPECT_EQ(cap->CapIndexSize(), 0u);
}

TEST_F(VideocapTest, StartCaptureSetsUpTheSequence) {
    fake.parms.wPercentDropForError = 7; // fields the control does not name keep the service's values
    fake.parms.fCaptureAudio = 1;
    fake.parms.fMCIControl = 1;
    fake.parms.fAbortLeftMouse = 1;
    openSlot0();
    cap->setCapTimeLimit(60);
    EXPECT_TRUE(cap->StartCapture());
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_GET_SEQUENCE_SETUP 96 *", "WM_CAP_FILE_SET_CAPTURE_FILEA 0 Video.avi",
                                        "WM_CAP_SET_SEQUENCE_SETUP 96 *", "WM_CAP_SEQUENCE 0 0",
                                        "WM_CAP_GET_STATUS 76 *"));
    const CAPTUREPARMS p = fake.sent(WM_CAP_SET_SEQUENCE_SETUP)[0].parms;
    EXPECT_EQ(p.dwRequestMicroSecPerFrame, 66667u);
    EXPECT_EQ(p.fLimitEnabled, 60);
    EXPECT_EQ(p.wTimeLimit, 60u);
    EXPECT_EQ(p.fMCIControl, 0);
    EXPECT_EQ(p.fYield, -1);
    EXPECT_EQ(p.vKeyAbort, 27u);
    EXPECT_EQ(p.fAbortLeftMouse, 0);
    EXPECT_EQ(p.fAbortRightMouse, 0);
    EXPECT_EQ(p.dwIndexSize, 1800u); // 15 x 60 = 900, raised to the floor
    EXPECT_EQ(p.wPercentDropForError, 7u);
    EXPECT_EQ(p.fCaptureAudio, 1);
    EXPECT_TRUE(cap->CapturingNow());
}

TEST_F(VideocapTest, IndexSizeOfARecording) {
    openSlot0();
    auto indexOf = [&] {
        fake.clear();
        cap->StartCapture();
        return fake.sent(WM_CAP_SET_SEQUENCE_SETUP).at(0).parms.dwIndexSize;
    };
    cap->setFrameRate(30);
    cap->setCapTimeLimit(3600);
    EXPECT_EQ(indexOf(), 3600u * 30u);
    cap->setCapTimeLimit(20000); // 600000 lowered to the ceiling
    EXPECT_EQ(indexOf(), 324000u);
    cap->setCapTimeLimit(0);
    EXPECT_EQ(indexOf(), 100000u);
    EXPECT_EQ(indexOf(), 100000u); // a later recording on the same connection is not cut short
    cap->setCapIndexSize(5000);
    EXPECT_EQ(indexOf(), 5000u);
}

TEST_F(VideocapTest, StreamingWithoutFileAndRefusals) {
    openSlot0();
    cap->setCapToFile(false);
    fake.sequenceReply = false;
    EXPECT_FALSE(cap->StartCapture());
    EXPECT_EQ(fake.sent(WM_CAP_SEQUENCE_NOFILE).size(), 1u);
    EXPECT_TRUE(fake.sent(WM_CAP_SEQUENCE).empty());

    fake.clear();
    fake.stopReply = fake.grabReply = fake.saveReply = false;
    EXPECT_FALSE(cap->StopCapture());
    EXPECT_FALSE(cap->GrabFrame());
    EXPECT_FALSE(cap->SaveSingleImage());
    // A refused grab does not refresh; a save never does.
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_STOP 0 0", "WM_CAP_GET_STATUS 76 *", "WM_CAP_GRAB_FRAME 0 0",
                                        "WM_CAP_FILE_SAVEDIBA 0 Capture.bmp"));
    fake.clear();
    fake.grabReply = true;
    EXPECT_TRUE(cap->GrabFrame());
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_GRAB_FRAME 0 0", "WM_CAP_GET_STATUS 76 *"));
}

TEST_F(VideocapTest, OperationsWhileClosedSendNothing) {
    int statusEvents = 0;
    cap->setOnStatus([&](TVideoCap*) { ++statusEvents; });
    EXPECT_FALSE(cap->StartCapture());
    EXPECT_FALSE(cap->StopCapture());
    EXPECT_FALSE(cap->GrabFrame());
    EXPECT_FALSE(cap->SaveSingleImage());
    EXPECT_TRUE(fake.requests.empty());
    EXPECT_EQ(statusEvents, 0);
    EXPECT_FALSE(cap->RefreshStatus()); // without a window: false, but it notifies
    EXPECT_EQ(statusEvents, 1);
}

TEST_F(VideocapTest, ProportionalScaling) {
    cap->show(); // size changes reach a shown control at once
    openSlot0();
    cap->setPreviewScaleToWindow(true);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_SCALE 1 0"));
    EXPECT_EQ(cap->captureWindow()->size(), QSize(320, 240));
    struct Case {
        int w, h;
        QSize expected;
    };
    const Case cases[] = {{640, 360, {320, 180}}, {352, 288, {293, 240}}, {320, 480, {160, 240}},
                          {640, 480, {320, 240}}, {0, 0, {320, 240}}};
    cap->setPreviewScaleProportional(true);
    for (const Case& c : cases) {
        fake.status.uiImageWidth = c.w;
        fake.status.uiImageHeight = c.h;
        cap->RefreshStatus();
        cap->SizeCaptureWindow();
        EXPECT_EQ(cap->captureWindow()->geometry(), QRect(QPoint(0, 0), c.expected)) << c.w << "x" << c.h;
    }
    // A new control size re-sizes a scaled capture window.
    fake.status.uiImageWidth = 640;
    fake.status.uiImageHeight = 480;
    cap->RefreshStatus();
    cap->setPreviewScaleProportional(false);
    cap->resize(200, 100);
    EXPECT_EQ(cap->captureWindow()->size(), QSize(200, 100));
    cap->setPreviewScaleToWindow(false);
    EXPECT_EQ(cap->captureWindow()->size(), QSize(640, 480));
    cap->resize(300, 300); // unscaled: a resize leaves it alone
    EXPECT_EQ(cap->captureWindow()->size(), QSize(640, 480));
}

TEST_F(VideocapTest, PreviewAndOverlay) {
    cap->setDriverIndex(0);
    fake.clear();
    cap->setVideoPreview(true); // opens on the way
    EXPECT_TRUE(cap->DriverOpen());
    EXPECT_TRUE(cap->VideoPreview());
    QStringList log = fake.log();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.mid(log.size() - 2), QStringList({"WM_CAP_SET_PREVIEW 1 0", "WM_CAP_GET_STATUS 76 *"}));
    fake.clear();
    cap->setVideoPreview(true);
    EXPECT_TRUE(fake.requests.empty());

    // No overlay: a new value raises and nothing else is sent.
    fake.clear();
    EXPECT_THROW(cap->setVideoOverlay(true), ENoOverlayException);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_DRIVER_GET_CAPS 44 *"));
    EXPECT_FALSE(cap->HasOverlay());
    fake.clear();
    cap->setVideoOverlay(false); // equal: nothing
    EXPECT_TRUE(fake.requests.empty());
}

TEST_F(VideocapTest, OverlayWhenTheDriverHasIt) {
    fake.hasOverlay = true;
    cap->setDriverIndex(0);
    fake.clear();
    EXPECT_TRUE(cap->HasOverlay()); // reads the caps on a driver it opens and closes again
    QStringList log = fake.log();
    EXPECT_TRUE(log.contains("WM_CAP_DRIVER_GET_CAPS 44 *"));
    EXPECT_EQ(log.last(), "WM_CAP_DRIVER_DISCONNECT 0 0");
    EXPECT_FALSE(cap->DriverOpen());
    fake.clear();
    cap->setVideoOverlay(true);
    log = fake.log();
    EXPECT_EQ(log.mid(log.size() - 4), QStringList({"WM_CAP_GRAB_FRAME 0 0", "WM_CAP_GET_STATUS 76 *",
                                                    "WM_CAP_SET_OVERLAY 1 0", "WM_CAP_GET_STATUS 76 *"}));
    EXPECT_TRUE(cap->VideoOverlay());
}

TEST_F(VideocapTest, UnreadableCapsMeanNoOverlay) {
    fake.capsReply = false;
    fake.hasOverlay = true;
    cap->setDriverIndex(0);
    EXPECT_FALSE(cap->HasOverlay());
    EXPECT_EQ(cap->driverCapsCache(), nullptr);
    EXPECT_FALSE(cap->DriverOpen());
    TVideoCap none(nullptr, &fake);
    EXPECT_FALSE(none.HasOverlay()); // no driver selected: no open attempted
}

TEST_F(VideocapTest, BufferFileIsMadePreallocatedAndDeleted) {
    openSlot0();
    cap->setBufferFileSize(10);
    const QString name = cap->bufferFileName();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith("cap"));
    EXPECT_EQ(QFileInfo(name).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(name));
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_FILE_SET_CAPTURE_FILEA 0 " + QDir::toNativeSeparators(name),
                                        "WM_CAP_FILE_ALLOCATE 0 10485760"));
    // A recording goes into the buffer file: no capture file request.
    fake.clear();
    cap->StartCapture();
    EXPECT_TRUE(fake.sent(WM_CAP_FILE_SET_CAPTURE_FILEA).empty());
    fake.clear();
    cap->setDriverOpen(false);
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_FILE_SET_CAPTURE_FILEA 0 Video.avi", "WM_CAP_DRIVER_DISCONNECT 0 0"));
    EXPECT_FALSE(QFileInfo::exists(name));
    EXPECT_TRUE(cap->bufferFileName().isEmpty());
}

TEST_F(VideocapTest, BufferFileFailures) {
    openSlot0();
    fake.allocateReply = false;
    try {
        cap->setBufferFileSize(5);
        FAIL();
    } catch (const EBufferFileError& e) {
        EXPECT_EQ(e.message(), "Could not create tmp file");
    }
    EXPECT_FALSE(cap->bufferFileName().isEmpty()); // stays set
    EXPECT_TRUE(cap->DriverOpen());
    const QString name = cap->bufferFileName();
    fake.allocateReply = true;
    cap->setBufferFileSize(0); // releases at once
    EXPECT_TRUE(cap->bufferFileName().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(name));

    // Raised from opening, the driver stays open and connected.
    cap->setDriverOpen(false);
    cap->setBufferFileSize(3);
    fake.allocateReply = false;
    EXPECT_THROW(cap->setDriverOpen(true), EBufferFileError);
    EXPECT_TRUE(cap->DriverOpen());
    fake.allocateReply = true;
    cap->setDriverOpen(false);
    EXPECT_TRUE(cap->bufferFileName().isEmpty());
}

TEST_F(VideocapTest, CallbacksAreRegisteredAndRaiseEvents) {
    QStringList events;
    cap->setOnVideoStream([&](TVideoCap* s, PVIDEOHDR h) {
        events << QStringLiteral("stream %1").arg(h->dwBytesUsed);
        EXPECT_EQ(s, cap.get());
    });
    cap->setOnError([&](TVideoCap*, std::int32_t id, const QString& t) { events << QStringLiteral("error %1 %2").arg(id).arg(t); });
    cap->setOnFrameCallback([&](TVideoCap*, PVIDEOHDR h) { events << QStringLiteral("frame %1").arg(h->dwBytesUsed); });
    cap->setOnStatusCallback([&](TVideoCap*, std::int32_t id, const QString& t) { events << QStringLiteral("status %1 %2").arg(id).arg(t); });
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    QStringList log = fake.log();
    EXPECT_EQ(log.mid(1, 4), QStringList({"WM_CAP_SET_CALLBACK_STATUSA 0 *", "WM_CAP_SET_CALLBACK_FRAME 0 *",
                                          "WM_CAP_SET_CALLBACK_ERRORA 0 *", "WM_CAP_SET_CALLBACK_VIDEOSTREAM 0 *"}));
    EXPECT_EQ(log[5], "WM_CAP_DRIVER_CONNECT 0 0");

    const QByteArray text = gbk::encode(QStringLiteral("正在录像"));
    EXPECT_EQ(fake.callStatus(WM_CAP_SET_CALLBACK_STATUSA, 300, text.constData()), 1);
    EXPECT_EQ(fake.callStatus(WM_CAP_SET_CALLBACK_ERRORA, 1000, "lost"), 1);
    VIDEOHDR h;
    h.dwBytesUsed = 42;
    EXPECT_EQ(fake.callFrame(WM_CAP_SET_CALLBACK_FRAME, &h), 1);
    EXPECT_EQ(fake.callFrame(WM_CAP_SET_CALLBACK_VIDEOSTREAM, &h), 1);
    EXPECT_THAT(events, ElementsAre("status 300 正在录像", "error 1000 lost", "frame 42", "stream 42"));
    EXPECT_EQ(fake.sent(WM_CAP_GET_USER_DATA).size(), 4u);

    // Clearing a handler while open unregisters it; the procedure then raises nothing.
    fake.clear();
    cap->setOnError({});
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_CALLBACK_ERRORA 0 0"));
    events.clear();
    cap->setOnStatusCallback({});
    EXPECT_EQ(fake.callStatus(WM_CAP_SET_CALLBACK_STATUSA, 1, "x"), 0);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(VideocapTest, UnassignedEventsAreNotRegistered) {
    openSlot0();
    EXPECT_TRUE(fake.sent(WM_CAP_SET_CALLBACK_STATUSA).empty());
    cap->setOnFrameCallback([](TVideoCap*, PVIDEOHDR) {});
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_SET_CALLBACK_FRAME 0 *"));
}

TEST_F(VideocapTest, ProcedureWithoutAControlRaisesNothing) {
    int events = 0;
    cap->setOnStatusCallback([&](TVideoCap*, std::int32_t, const QString&) { ++events; });
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    fake.sendRequest(fake.lastWindow(), WM_CAP_SET_USER_DATA, 0, 0); // the window forgot its control
    EXPECT_EQ(fake.callStatus(WM_CAP_SET_CALLBACK_STATUSA, 1, "x"), 1);
    EXPECT_EQ(events, 0);
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(VideocapTest, MouseUseOverTheLivePictureReachesTheControl) {
    QStringList events;
    cap->setOnMouseDown([&](TVideoCap*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        events << QStringLiteral("down %1 %2,%3").arg(int(b)).arg(x).arg(y);
    });
    cap->setOnMouseUp([&](TVideoCap*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        events << QStringLiteral("up %1 %2,%3").arg(int(b)).arg(x).arg(y);
    });
    cap->setOnClick([&](TVideoCap*) { events << "click"; });
    cap->setOnDblClick([&](TVideoCap*) { events << "dblclick"; });
    cap->setOnMouseMove([&](TVideoCap*, Qt::KeyboardModifiers, int x, int y) { events << QStringLiteral("move %1,%2").arg(x).arg(y); });
    cap->setDriverIndex(0);
    cap->setPreviewScaleToWindow(true);
    cap->setDriverOpen(true);
    QWidget* live = cap->captureWindow();
    ASSERT_NE(live, nullptr);

    sendMouse(live, QEvent::MouseButtonPress, Qt::LeftButton, {10, 20});
    sendMouse(live, QEvent::MouseButtonRelease, Qt::LeftButton, {10, 20});
    EXPECT_THAT(events, ElementsAre("down 1 10,20", "click", "up 1 10,20"));

    events.clear();
    sendMouse(live, QEvent::MouseButtonDblClick, Qt::RightButton, {5, 5});
    sendMouse(live, QEvent::MouseButtonDblClick, Qt::MiddleButton, {5, 5});
    EXPECT_TRUE(events.isEmpty());

    sendMouse(live, QEvent::MouseButtonPress, Qt::RightButton, {7, 8});
    sendMouse(live, QEvent::MouseButtonRelease, Qt::RightButton, {7, 8});
    sendMouse(live, QEvent::MouseMove, Qt::NoButton, {30, 40});
    EXPECT_THAT(events, ElementsAre("down 2 7,8", "up 2 7,8", "move 30,40"));

    events.clear();
    sendMouse(live, QEvent::MouseButtonDblClick, Qt::LeftButton, {1, 2});
    EXPECT_THAT(events, ElementsAre("dblclick", "down 1 1,2"));

    // Closed again, the window's filter is gone with it and the control takes its own mouse use.
    cap->setDriverOpen(false);
    events.clear();
    sendMouse(cap.get(), QEvent::MouseButtonPress, Qt::LeftButton, {3, 3});
    EXPECT_THAT(events, ElementsAre("down 1 3,3"));
}

TEST_F(VideocapTest, DestructionClosesTheDriver) {
    openSlot0();
    cap.reset();
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_DRIVER_DISCONNECT 0 0"));
}

TEST_F(VideocapTest, LongAndChinesePathsTravelAsZeroTerminatedGbk) {
    openSlot0();
    cap->setSingleImageFile(QStringLiteral("照片.bmp"));
    cap->SaveSingleImage();
    EXPECT_EQ(fake.sent(WM_CAP_FILE_SAVEDIBA).at(0).path, QStringLiteral("照片.bmp"));
    cap->setSingleImageFile(QString(400, QLatin1Char('x')));
    cap->SaveSingleImage();
    EXPECT_EQ(fake.sent(WM_CAP_FILE_SAVEDIBA).at(1).path.size(), kMaxPath - 1);
}

} // namespace
