// The GStreamer back end with a test picture source in place of a camera, and the program's service on a
// machine without cameras.
#include "app/VideoTab.h"
#include "tests/support/TestSupport.h"
#include "video/GstCaptureService.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

using namespace capture;
using ::testing::ElementsAre;

namespace {

const QString kLiveSource =
    QStringLiteral("videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=640,height=480,framerate=30/1");

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <class F> bool waitFor(F condition, int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition())
            return true;
        wait(20);
    }
    return condition();
}

struct Discovered {
    bool ok = false;
    int width = 0;
    int height = 0;
    double seconds = 0;
    QString codec;
};

Discovered discover(const QString& file) {
    QProcess p;
    p.start(QStringLiteral(GST_DISCOVERER), {QStringLiteral("-v"), QFileInfo(file).absoluteFilePath()});
    Discovered d;
    if (!p.waitForFinished(30000))
        return d;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    auto number = [&](const char* pattern) {
        const auto m = QRegularExpression(QString::fromLatin1(pattern)).match(out);
        return m.hasMatch() ? m.captured(1) : QString();
    };
    d.width = number(R"(Width: (\d+))").toInt();
    d.height = number(R"(Height: (\d+))").toInt();
    const auto m = QRegularExpression(R"(Duration: (\d+):(\d+):(\d+\.\d+))").match(out);
    if (m.hasMatch())
        d.seconds = m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toDouble();
    d.codec = number(R"(video codec: ([^\n]+))").trimmed();
    d.ok = p.exitCode() == 0 && d.width > 0;
    return d;
}

// The AVI main header's frame count and frame period.
bool aviHeader(const QString& file, std::uint32_t* frames, std::uint32_t* microSecPerFrame) {
    const QByteArray b = testsupport::readFile(file);
    const qsizetype at = b.indexOf("avih");
    if (!b.startsWith("RIFF") || at < 0 || at + 8 + 20 > b.size())
        return false;
    *microSecPerFrame = qFromLittleEndian<std::uint32_t>(b.constData() + at + 8);
    *frames = qFromLittleEndian<std::uint32_t>(b.constData() + at + 8 + 16);
    return true;
}

// What a player relies on: the main header's frame count and the index's video entries.
struct AviCounts {
    bool hasIndex = false;
    std::uint32_t headerFrames = 0;
    std::uint32_t indexedFrames = 0;
};

AviCounts aviCounts(const QString& file) {
    AviCounts c;
    std::uint32_t period = 0;
    if (!aviHeader(file, &c.headerFrames, &period))
        return c;
    const QByteArray b = testsupport::readFile(file);
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = qFromLittleEndian<std::uint32_t>(b.constData() + at + 4);
        if (b.mid(at, 4) == "idx1") {
            c.hasIndex = at + 8 + qsizetype(size) <= b.size();
            for (qsizetype e = at + 8; c.hasIndex && e + 16 <= at + 8 + qsizetype(size); e += 16)
                c.indexedFrames += b.mid(e, 3) == "00d" ? 1 : 0;
            break;
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return c;
}

// Plays a file through GStreamer's own demuxer and decoder, in this process: the frames decoded, or -1 when
// playing fails.
int playedFrames(const QString& file) {
    const QByteArray launch = "filesrc name=in ! decodebin ! fakesink name=out sync=false";
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch(launch.constData(), &err);
    g_clear_error(&err);
    if (!pipeline)
        return -1;
    GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    g_object_set(in, "location", QFile::encodeName(file).constData(), nullptr);
    gst_object_unref(in);
    std::atomic<int> frames = 0;
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    GstPad* pad = gst_element_get_static_pad(out, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer n) {
            ++*static_cast<std::atomic<int>*>(n);
            return GST_PAD_PROBE_OK;
        },
        &frames, nullptr);
    gst_object_unref(pad);
    gst_object_unref(out);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                               static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
    if (m)
        gst_message_unref(m);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ended ? frames.load() : -1;
}

class GstCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previousDir); }
    void makeTab(const QString& launch = kLiveSource) {
        service = std::make_unique<GstCaptureService>(QList<SourceSlot>{{QStringLiteral("Test camera"), launch}});
        window.resize(805, 644);
        page = new QWidget(&window);
        page->setGeometry(0, 0, 797, 620);
        tab = std::make_unique<VideoTab>(page, &window, service.get());
        tab->setMessageBox([this](const QString& text, const QString& caption, QMessageBox::Icon icon) {
            boxes << caption + "|" + text;
            icons << icon;
        });
        window.show();
    }

    QTemporaryDir dir;
    QString previousDir;
    std::unique_ptr<GstCaptureService> service;
    QWidget window;
    QWidget* page = nullptr;
    std::unique_ptr<VideoTab> tab;
    QStringList boxes;
    QList<QMessageBox::Icon> icons;
};

TEST_F(GstCaptureTest, SlotsAreTheGivenSources) {
    makeTab();
    TVideoCap* cap = tab->videoCap();
    cap->setDriverIndex(1);
    EXPECT_EQ(cap->DriverIndex(), -1);
    cap->setDriverName(QStringLiteral("Test camera"));
    EXPECT_EQ(cap->DriverIndex(), 0);
    EXPECT_EQ(cap->DriverName(), "Test camera");
    EXPECT_FALSE(cap->HasOverlay());
    EXPECT_FALSE(cap->DriverOpen()); // reading the caps closed the driver it opened
    EXPECT_THROW(cap->setVideoOverlay(true), ENoOverlayException);
}

TEST_F(GstCaptureTest, RecordTwoSecondsThenStop) {
    makeTab();
    QElapsedTimer wall;
    tab->openButton()->click();
    wall.start();
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join(",").toStdString();
    ASSERT_TRUE(tab->recording());
    EXPECT_EQ(tab->videoCap()->CapImageWidth(), 640);
    EXPECT_EQ(tab->videoCap()->CapImageHeight(), 480);
    EXPECT_TRUE(tab->videoCap()->CapturingNow());
    wait(2000);
    tab->stopButton()->click();
    // A loaded machine may overrun the two seconds: the file must match the time really recorded.
    const double recorded = wall.elapsed() / 1000.0;
    EXPECT_FALSE(tab->recording());
    EXPECT_FALSE(tab->videoCap()->CapturingNow());
    const std::uint32_t counted = tab->videoCap()->statusCache()->dwCurrentVideoFrame;
    EXPECT_NEAR(counted, recorded * 15, 5);

    const Discovered d = discover("Video.avi");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 640);
    EXPECT_EQ(d.height, 480);
    EXPECT_NEAR(d.seconds, recorded, 0.35);
    EXPECT_EQ(d.codec, "Motion JPEG");
    std::uint32_t frames = 0, period = 0;
    ASSERT_TRUE(aviHeader("Video.avi", &frames, &period));
    EXPECT_EQ(period, 66666u); // 15 frames a second
    EXPECT_NEAR(frames, recorded * 15, 5);
    // The camera stays open and live after a stop.
    EXPECT_TRUE(tab->videoCap()->DriverOpen());
    EXPECT_TRUE(tab->videoCap()->VideoPreview());
}

TEST_F(GstCaptureTest, LivePictureIsPaintedScaledToTheControl) {
    makeTab();
    TVideoCap* cap = tab->videoCap();
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    cap->setVideoPreview(true);
    cap->setPreviewScaleToWindow(true);
    ASSERT_EQ(cap->captureWindow()->size(), QSize(320, 240));
    wait(300);
    const QImage shown = cap->captureWindow()->grab().toImage();
    // The test picture's colour bars: the leftmost bar is light grey, the third from the right magenta-ish;
    // a picture drawn unscaled would show only the left half of the bars.
    const QColor left = shown.pixelColor(10, 40);
    EXPECT_GT(left.red(), 150);
    EXPECT_GT(left.green(), 150);
    const QColor right = shown.pixelColor(315, 40); // the last bar: blue
    EXPECT_LT(right.red(), 60);
    EXPECT_GT(right.blue(), 150);
    // Unscaled, the window takes the picture's own size.
    cap->setPreviewScaleToWindow(false);
    EXPECT_EQ(cap->captureWindow()->size(), QSize(640, 480));
}

TEST_F(GstCaptureTest, SnapshotWritesA24BitBitmapAndShowsIt) {
    makeTab();
    ASSERT_TRUE(testsupport::writeFile("capture.bmp", "old photo"));
    tab->cameraButton()->click();
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join(",").toStdString();
    const QStringList files = QDir().entryList({"*.bmp", "*.BMP"}, QDir::Files);
    ASSERT_THAT(files, ElementsAre("capture.bmp")); // one file for both spellings
    const QByteArray b = testsupport::readFile("capture.bmp");
    ASSERT_GE(b.size(), 54);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(b.constData() + 18), 640);
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(b.constData() + 22), 480);
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(b.constData() + 28), 24);
    EXPECT_EQ(b.size(), 54 + 640 * 3 * 480);
    QImage fromFile;
    ASSERT_TRUE(fromFile.loadFromData(b, "BMP"));
    const QImage shown = tab->image()->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(640, 480));
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), fromFile.convertToFormat(QImage::Format_RGB32));
    EXPECT_FALSE(tab->videoCap()->CapToFile());
}

// A source that stops after 1.5 seconds stands for a camera pulled out during a recording: once as the end
// of its stream, once as a failure of the pipeline.
class SourceLossTest : public GstCaptureTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SourceLossTest, MidRecordingLeavesAPlayableFile) {
    makeTab(QString::fromLatin1(GetParam()));
    QStringList errors;
    tab->videoCap()->setOnError([&](TVideoCap*, std::int32_t id, const QString&) { errors << QString::number(id); });
    tab->openButton()->click();
    ASSERT_TRUE(tab->recording());
    ASSERT_TRUE(waitFor([&] { tab->videoCap()->RefreshStatus(); return !tab->videoCap()->CapturingNow(); }, 4000));
    EXPECT_THAT(errors, ElementsAre(QString::number(IDS_CAP_ERROR_SOURCE)));
    const Discovered d = discover("Video.avi");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 320);
    EXPECT_NEAR(d.seconds, 1.5, 0.4);
    std::uint32_t frames = 0, period = 0;
    ASSERT_TRUE(aviHeader("Video.avi", &frames, &period));
    EXPECT_NEAR(frames, 22, 6); // the index was written
    // The next press shows the stopped state; recording again is refused (box A), not claimed.
    tab->openButton()->click();
    EXPECT_FALSE(tab->recording());
    EXPECT_EQ(tab->openButton()->text(), "视频录像");
    EXPECT_EQ(tab->statusText(), "录像停止");
    EXPECT_THAT(boxes, ElementsAre(QStringLiteral("提示|视频无法捕捉，检查是否正确安装视频!")));
}

INSTANTIATE_TEST_SUITE_P(
    EndOrError, SourceLossTest,
    ::testing::Values(
        "videotestsrc is-live=true num-buffers=45 ! capsfilter caps=video/x-raw,width=320,height=240,framerate=30/1",
        "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=320,height=240,framerate=30/1 ! identity error-after=45"));

TEST_F(GstCaptureTest, TimeLimitAndEscEndARecording) {
    makeTab(QStringLiteral("videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1"));
    TVideoCap* cap = tab->videoCap();
    QStringList status;
    cap->setOnStatusCallback([&](TVideoCap*, std::int32_t id, const QString&) { status << QString::number(id); });
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    cap->setCapTimeLimit(1);
    ASSERT_TRUE(cap->StartCapture());
    ASSERT_TRUE(waitFor([&] { cap->RefreshStatus(); return !cap->CapturingNow(); }, 3000));
    // The pipeline's bus reports the running source; the recording reports its start and end.
    EXPECT_TRUE(status.contains("501"));
    status.removeAll("501");
    EXPECT_THAT(status, ElementsAre("300", "301"));
    EXPECT_NEAR(discover("Video.avi").seconds, 1.0, 0.3);

    cap->setCapTimeLimit(0);
    cap->setVideoFileName(QStringLiteral("second.avi"));
    ASSERT_TRUE(cap->StartCapture());
    wait(300);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(tab->openButton(), &esc);
    ASSERT_TRUE(waitFor([&] { cap->RefreshStatus(); return !cap->CapturingNow(); }, 2000));
    EXPECT_TRUE(discover("second.avi").ok);
}

TEST_F(GstCaptureTest, UnwritableVideoFileRefusesTheStart) {
    makeTab();
    TVideoCap* cap = tab->videoCap();
    QStringList errors;
    cap->setOnError([&](TVideoCap*, std::int32_t id, const QString&) { errors << QString::number(id); });
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    cap->setVideoFileName(QStringLiteral("no such folder/Video.avi"));
    EXPECT_FALSE(cap->StartCapture());
    EXPECT_FALSE(cap->CapturingNow());
    EXPECT_THAT(errors, ElementsAre(QString::number(IDS_CAP_ERROR_WRITE)));
    cap->setVideoFileName(QStringLiteral("Video.avi")); // the camera is still usable
    EXPECT_TRUE(cap->StartCapture());
    EXPECT_TRUE(cap->StopCapture());
    EXPECT_TRUE(discover("Video.avi").ok);
}

TEST_F(GstCaptureTest, ClosingTheProgramMidRecordingFinishesTheFile) {
    makeTab(QStringLiteral("videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1"));
    tab->openButton()->click();
    ASSERT_TRUE(tab->recording());
    wait(700);
    delete page; // destroys VideoCap1 with the recording running, as closing the main window does
    page = nullptr;
    tab.reset(); // outliving its widgets is harmless
    const Discovered d = discover("Video.avi");
    EXPECT_TRUE(d.ok);
    EXPECT_GT(d.seconds, 0.3);
}

TEST_F(GstCaptureTest, BufferFileIsPreallocatedAndDeletedOnClose) {
    makeTab();
    TVideoCap* cap = tab->videoCap();
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    cap->setBufferFileSize(10);
    const QString name = cap->bufferFileName();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith("cap"));
    EXPECT_EQ(QFileInfo(name).size(), 10 * 1048576);
    cap->setDriverOpen(false);
    EXPECT_FALSE(QFileInfo::exists(name));
}

TEST_F(GstCaptureTest, GrabbedFrameIsTheOneSaved) {
    makeTab(QStringLiteral("videotestsrc is-live=true pattern=ball ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1"));
    TVideoCap* cap = tab->videoCap();
    cap->setDriverIndex(0);
    cap->setVideoPreview(true);
    ASSERT_TRUE(cap->GrabFrame());
    EXPECT_FALSE(cap->VideoPreview()); // a grab freezes the picture
    wait(200);
    ASSERT_TRUE(cap->SaveSingleImage());
    const QByteArray first = testsupport::readFile("Capture.bmp");
    wait(200);
    ASSERT_TRUE(cap->SaveSingleImage());
    EXPECT_EQ(testsupport::readFile("Capture.bmp"), first); // the moving ball did not move in the saved frame
}

TEST(GstCaptureProgram, WithoutACameraRecordAndSnapshotShowTheirBoxes) {
    GstCaptureService& real = static_cast<GstCaptureService&>(defaultCaptureService());
    char name[kDriverTextSize] = {};
    if (real.getDriverDescription(0, name, sizeof name, nullptr, 0))
        GTEST_SKIP() << "a camera is attached";
    QWidget window;
    auto* page = new QWidget(&window);
    page->resize(797, 620);
    VideoTab tab(page, &window); // the program's own service
    QStringList boxes;
    tab.setMessageBox([&](const QString& text, const QString& caption, QMessageBox::Icon) { boxes << caption + "|" + text; });
    tab.openButton()->click();
    tab.cameraButton()->click();
    EXPECT_THAT(boxes, ElementsAre(QStringLiteral("提示|视频打开失败，检查是否已经安装视频!"),
                                   QStringLiteral("出错!|无法打开视频，请检查视频是否正确安装!")));
    EXPECT_EQ(tab.openButton()->text(), "视频录像");
    EXPECT_EQ(tab.statusText(), "录像停止");
    EXPECT_FALSE(tab.videoCap()->DriverOpen());
}

// A late end notice: Esc queues the end of the first recording, which is stopped and followed by a second
// before the notice is delivered; the notice must not end the second.
TEST_F(GstCaptureTest, ALateEndNoticeDoesNotEndTheNextRecording) {
    makeTab(QStringLiteral("videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1"));
    TVideoCap* cap = tab->videoCap();
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    ASSERT_TRUE(cap->StartCapture());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(tab->openButton(), &esc);
    ASSERT_TRUE(cap->StopCapture());
    cap->setVideoFileName(QStringLiteral("second.avi"));
    ASSERT_TRUE(cap->StartCapture());
    wait(300); // the first recording's notice is delivered here
    cap->RefreshStatus();
    EXPECT_TRUE(cap->CapturingNow());
    EXPECT_TRUE(cap->StopCapture());
}

TEST_F(GstCaptureTest, SnapshotAfterTheCameraIsGoneShowsBoxCNotItsLastFrame) {
    makeTab(QStringLiteral(
        "videotestsrc is-live=true num-buffers=30 ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1"));
    bool gone = false;
    tab->videoCap()->setOnError([&](TVideoCap*, std::int32_t id, const QString&) { gone = id == IDS_CAP_ERROR_SOURCE; });
    tab->cameraButton()->click();
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join(",").toStdString();
    const qint64 photo = tab->image()->pixmap().cacheKey();
    const QByteArray file = testsupport::readFile(VideoTab::snapshotPath());
    ASSERT_TRUE(waitFor([&] { return gone; }, 4000));
    tab->cameraButton()->click();
    EXPECT_THAT(boxes, ElementsAre(QStringLiteral("出错!|无法打开视频，请检查视频是否正确安装!")));
    EXPECT_EQ(tab->image()->pixmap().cacheKey(), photo);
    EXPECT_EQ(testsupport::readFile(VideoTab::snapshotPath()), file);
    EXPECT_FALSE(tab->videoCap()->GrabFrame());
}

// The video-stream handler runs on the service's streaming thread while the user-interface thread replaces it (a
// data race that ThreadSanitizer reports when the handler is read unguarded).
TEST_F(GstCaptureTest, VideoStreamHandlerIsReplacedWhileFramesArrive) {
    makeTab(QStringLiteral("videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=30/1"));
    TVideoCap* cap = tab->videoCap();
    std::atomic<int> calls[2] = {0, 0};
    std::atomic<bool> wrongHeader = false;
    auto handler = [&](int which) {
        return [&, which](TVideoCap* sender, PVIDEOHDR h) {
            wrongHeader = wrongHeader || sender != cap || h->width != 160 || h->height != 120 || !h->lpData;
            ++calls[which];
        };
    };
    cap->setOnVideoStream(handler(0));
    cap->setDriverIndex(0);
    cap->setDriverOpen(true);
    cap->setCapToFile(false);
    ASSERT_TRUE(cap->StartCapture());
    for (int i = 0; i < 20; ++i) {
        cap->setOnVideoStream(handler(i % 2));
        wait(30);
    }
    cap->setOnVideoStream(handler(1));
    const int before = calls[1];
    wait(300);
    EXPECT_GT(calls[1] - before, 2); // the last handler set receives the frames
    cap->setOnVideoStream(nullptr);
    wait(100); // a call in progress may finish with the handler it started with
    const int total = calls[0] + calls[1];
    wait(200);
    EXPECT_EQ(calls[0] + calls[1], total);
    EXPECT_FALSE(wrongHeader);
    EXPECT_TRUE(cap->StopCapture());
}

// Recordings into a 2 MB file system of their own. A busy picture (noise) makes large frames, so the disk
// fills within a few seconds.
class SmallDiskTest : public GstCaptureTest {
protected:
    void SetUp() override {
        GstCaptureTest::SetUp();
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system needs root";
        mountPoint = dir.filePath(QStringLiteral("small"));
        ASSERT_TRUE(QDir().mkpath(mountPoint));
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=2m") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
        mounted = true;
        QDir::setCurrent(mountPoint);
    }
    void TearDown() override {
        tab.reset();
        GstCaptureTest::TearDown();
        if (mounted)
            ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
    }
    void startRecording() {
        makeTab(QStringLiteral("videotestsrc is-live=true pattern=snow ! "
                               "capsfilter caps=video/x-raw,width=320,height=240,framerate=30/1"));
        tab->openButton()->click();
        ASSERT_TRUE(tab->recording()) << boxes.join(",").toStdString();
    }
    // The tab shows the stopped state with the one box, and the file is whole: header and index agree and
    // GStreamer plays it.
    void expectStoppedWithAFinishedFile() {
        ASSERT_TRUE(waitFor([&] { return !tab->recording(); }, 15000));
        EXPECT_THAT(boxes, ElementsAre(QStringLiteral("提示|磁盘空间不足，录像已停止")));
        EXPECT_THAT(icons, ElementsAre(QMessageBox::Warning));
        EXPECT_EQ(tab->openButton()->text(), "视频录像");
        EXPECT_EQ(tab->statusText(), "录像停止");
        tab->videoCap()->RefreshStatus();
        EXPECT_FALSE(tab->videoCap()->CapturingNow());
        const AviCounts counts = aviCounts(QStringLiteral("Video.avi"));
        ASSERT_TRUE(counts.hasIndex);
        EXPECT_GT(counts.indexedFrames, 5u);
        EXPECT_EQ(counts.headerFrames, counts.indexedFrames);
        EXPECT_EQ(playedFrames(QStringLiteral("Video.avi")), int(counts.indexedFrames));
    }

    QString mountPoint;
    bool mounted = false;
};

TEST_F(SmallDiskTest, RecordingEndsWhileTheIndexStillFits) {
    startRecording();
    expectStoppedWithAFinishedFile();
    // Ended in time, not by a failed write: every frame the recording took is in the file.
    EXPECT_EQ(aviCounts(QStringLiteral("Video.avi")).indexedFrames, tab->videoCap()->statusCache()->dwCurrentVideoFrame);
}

// Another program takes the last free byte mid-recording: the file's writer fails, and the frames that
// reached the disk are indexed in the room the cut leaves.
TEST_F(SmallDiskTest, RecordingWhoseDiskAnotherProgramFillsIsFinishedAfterTheFailedWrite) {
    startRecording();
    wait(400);
    QFile filler(QStringLiteral("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    expectStoppedWithAFinishedFile();
}

} // namespace
