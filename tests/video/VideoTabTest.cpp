// The video tab against a recording fake service: layout, handlers, texts, boxes and the snapshot file.
#include "app/VideoTab.h"
#include "tests/support/TestSupport.h"
#include "tests/video/FakeCaptureService.h"
#include "video/Bmp.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace capture;
using testvideo::FakeCaptureService;
using ::testing::ElementsAre;

namespace {

class VideoTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        fake.drivers = {QStringLiteral("USB Camera")};
        fake.frame = pattern(640, 480);
        window.resize(805, 644);
        page = new QWidget(&window);
        page->setGeometry(0, 20, 797, 600);
        tab = std::make_unique<VideoTab>(page, &window, &fake);
        tab->setMessageBox(
            [this](const QString& text, const QString& caption, QMessageBox::Icon) { boxes << caption + "|" + text; });
        window.show();
    }
    void TearDown() override {
        tab.reset();
        QDir::setCurrent(previousDir);
    }
    static QImage pattern(int w, int h) {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 80 + (y / 256) * 40));
        return img;
    }
    QString caption() const { return tab->openButton()->text(); }
    QString status() const { return tab->statusText(); }

    QTemporaryDir dir;
    QString previousDir;
    FakeCaptureService fake;
    QWidget window;
    QWidget* page = nullptr;
    std::unique_ptr<VideoTab> tab;
    QStringList boxes;
};

const QString kBoxA = QStringLiteral("提示|视频无法捕捉，检查是否正确安装视频!");
const QString kBoxB = QStringLiteral("提示|视频打开失败，检查是否已经安装视频!");
const QString kBoxC = QStringLiteral("出错!|无法打开视频，请检查视频是否正确安装!");

TEST_F(VideoTabTest, LayoutNamesAndCaptions) {
    struct Expect {
        const char* name;
        QString text;
        QRect geometry;
        const char* parent;
    };
    const Expect widgets[] = {
        {"GroupBox1", "视频区", {40, 32, 353, 273}, nullptr},   {"GroupBox2", "照片区", {408, 32, 353, 273}, nullptr},
        {"bbtnopenvid", "视频录像", {48, 345, 105, 32}, nullptr}, {"bbtstop", "停止录像", {232, 345, 105, 32}, nullptr},
        {"bbtnclosevid", "关闭视频", {408, 346, 105, 29}, nullptr}, {"bbtncamera", "拍照", {584, 344, 97, 32}, nullptr},
        {"VideoCap1", "", {17, 17, 320, 240}, "GroupBox1"},     {"Image1", "", {16, 16, 320, 240}, "GroupBox2"},
    };
    for (const Expect& e : widgets) {
        auto* w = page->findChild<QWidget*>(QString::fromLatin1(e.name));
        ASSERT_NE(w, nullptr) << e.name;
        EXPECT_EQ(w->geometry(), e.geometry) << e.name;
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(b->text(), e.text);
        }
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            EXPECT_EQ(g->title(), e.text);
        }
        EXPECT_EQ(w->parentWidget()->objectName(), e.parent ? QString::fromLatin1(e.parent) : page->objectName());
    }
    EXPECT_EQ(tab->videoCap()->objectName(), "VideoCap1");
    EXPECT_EQ(tab->image()->objectName(), "Image1");
    EXPECT_EQ(tab->videoCap()->color(), QColor(Qt::black));
    EXPECT_EQ(tab->image()->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_FALSE(tab->image()->hasScaledContents());
    QStatusBar* bar = tab->statusBar();
    EXPECT_EQ(bar->objectName(), "StatusBar1");
    EXPECT_EQ(bar->geometry(), QRect(0, 600 - 24, 797, 24));
    auto* panel = bar->findChild<QLabel*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->width(), 200);
    EXPECT_EQ(status(), "录像停止");
    page->resize(700, 500); // the bar stays at the bottom
    EXPECT_EQ(bar->geometry(), QRect(0, 500 - 24, 700, 24));
    // Loading the tab opens nothing.
    EXPECT_FALSE(tab->videoCap()->DriverOpen());
    EXPECT_EQ(tab->videoCap()->DriverIndex(), -1);
    EXPECT_TRUE(fake.requests.empty());
    EXPECT_FALSE(tab->recording());
}

TEST_F(VideoTabTest, KeyboardOrder) {
    // The group boxes take no focus themselves, so Tab walks the buttons in the designed order.
    QWidget* w = tab->openButton();
    QStringList order;
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != tab->openButton());
    EXPECT_THAT(order, ElementsAre("bbtnopenvid", "bbtnclosevid", "bbtncamera", "bbtstop"));
}

TEST_F(VideoTabTest, NoCameraRecordShowsBoxB) {
    fake.drivers.clear();
    tab->openButton()->click();
    EXPECT_THAT(boxes, ElementsAre(kBoxB));
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
    EXPECT_FALSE(tab->recording());
    EXPECT_FALSE(tab->videoCap()->DriverOpen());
}

TEST_F(VideoTabTest, NoCameraSnapshotShowsBoxC) {
    fake.drivers.clear();
    tab->cameraButton()->click();
    EXPECT_THAT(boxes, ElementsAre(kBoxC));
    EXPECT_EQ(status(), "录像停止");
    EXPECT_FALSE(QFileInfo::exists("Capture.bmp"));
}

TEST_F(VideoTabTest, ConnectionFailureShowsBoxBAndClosesAgain) {
    fake.connectReply = false;
    tab->openButton()->click();
    EXPECT_THAT(boxes, ElementsAre(kBoxB));
    EXPECT_FALSE(tab->videoCap()->DriverOpen());
    EXPECT_EQ(caption(), "视频录像");
}

TEST_F(VideoTabTest, RecordRunsTheOpeningSequenceThenStarts) {
    tab->openButton()->click();
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_THAT(fake.descriptionQueries, ElementsAre(0));
    EXPECT_THAT(fake.log(), ElementsAre(
        // DriverIndex := 0 asks only; DriverOpen := true, with the tab's error handler
        "WM_CAP_SET_USER_DATA 0 *", "WM_CAP_SET_CALLBACK_ERRORA 0 *", "WM_CAP_DRIVER_CONNECT 0 0", "WM_CAP_SET_SCALE 0 0", "WM_CAP_SET_PREVIEWRATE 33 0",
        "WM_CAP_GET_STATUS 76 *",
        // VideoPreview := true
        "WM_CAP_SET_PREVIEW 1 0", "WM_CAP_GET_STATUS 76 *",
        // PreviewScaleToWindow := true
        "WM_CAP_SET_SCALE 1 0",
        // StartCapture
        "WM_CAP_GET_SEQUENCE_SETUP 96 *", "WM_CAP_FILE_SET_CAPTURE_FILEA 0 Video.avi", "WM_CAP_SET_SEQUENCE_SETUP 96 *",
        "WM_CAP_SEQUENCE 0 0", "WM_CAP_GET_STATUS 76 *"));
    const CAPTUREPARMS p = fake.sent(WM_CAP_SET_SEQUENCE_SETUP)[0].parms;
    EXPECT_EQ(p.fLimitEnabled, 0); // no time limit
    EXPECT_TRUE(tab->recording());
    EXPECT_EQ(caption(), "正在录像");
    EXPECT_EQ(status(), "正在录像...");
    EXPECT_TRUE(tab->videoCap()->CapToFile());
    EXPECT_EQ(tab->videoCap()->captureWindow()->size(), QSize(320, 240)); // stretched to the control
}

TEST_F(VideoTabTest, RecordTwiceAsksAgainAndShowsBoxAOnRefusal) {
    tab->openButton()->click();
    fake.clear();
    fake.sequenceReply = false;
    tab->openButton()->click();
    EXPECT_EQ(fake.sent(WM_CAP_SEQUENCE).size(), 1u);
    EXPECT_TRUE(fake.sent(WM_CAP_DRIVER_CONNECT).empty()); // already open: the sequence writes nothing
    EXPECT_THAT(boxes, ElementsAre(kBoxA));
    EXPECT_TRUE(tab->recording());
    EXPECT_EQ(caption(), "正在录像");
    EXPECT_EQ(status(), "正在录像...");
}

TEST_F(VideoTabTest, RefusedStartShowsBoxAAndKeepsThePreview) {
    fake.sequenceReply = false;
    tab->openButton()->click();
    EXPECT_THAT(boxes, ElementsAre(kBoxA));
    EXPECT_FALSE(tab->recording());
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
    EXPECT_TRUE(tab->videoCap()->VideoPreview());
}

TEST_F(VideoTabTest, StopKeepsTheCameraOpen) {
    tab->openButton()->click();
    fake.clear();
    tab->stopButton()->click();
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_STOP 0 0", "WM_CAP_GET_STATUS 76 *"));
    EXPECT_FALSE(tab->recording());
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
    EXPECT_TRUE(tab->videoCap()->DriverOpen());
    EXPECT_TRUE(tab->videoCap()->VideoPreview());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(VideoTabTest, StopAndCloseWithTheCameraClosedOnlyResetTexts) {
    tab->stopButton()->click();
    tab->closeButton()->click();
    EXPECT_TRUE(fake.requests.empty());
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
    EXPECT_FALSE(tab->videoCap()->CapToFile());
}

TEST_F(VideoTabTest, CloseWhileRecording) {
    tab->openButton()->click();
    QPointer<QWidget> live = tab->videoCap()->captureWindow();
    fake.clear();
    tab->closeButton()->click();
    EXPECT_THAT(fake.log(), ElementsAre("WM_CAP_STOP 0 0", "WM_CAP_GET_STATUS 76 *", "WM_CAP_DRIVER_DISCONNECT 0 0"));
    EXPECT_TRUE(live.isNull());
    EXPECT_FALSE(tab->videoCap()->DriverOpen());
    EXPECT_FALSE(tab->videoCap()->CapToFile());
    EXPECT_FALSE(tab->recording());
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
}

TEST_F(VideoTabTest, SnapshotStopsARecordingOnceAndShowsThePhoto) {
    tab->openButton()->click();
    fake.clear();
    tab->cameraButton()->click();
    EXPECT_EQ(fake.sent(WM_CAP_STOP).size(), 1u);
    EXPECT_EQ(fake.sent(WM_CAP_FILE_SAVEDIBA).at(0).path, "Capture.bmp");
    EXPECT_FALSE(tab->recording());
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
    EXPECT_FALSE(tab->videoCap()->CapToFile());
    ASSERT_FALSE(tab->image()->pixmap().isNull());
    EXPECT_TRUE(boxes.isEmpty());
    fake.clear();
    tab->cameraButton()->click();
    EXPECT_TRUE(fake.sent(WM_CAP_STOP).empty());
    EXPECT_EQ(fake.sent(WM_CAP_FILE_SAVEDIBA).size(), 1u);
}

TEST_F(VideoTabTest, PhotoIsTheFrameAtNaturalSizeFromTheTopLeft) {
    tab->cameraButton()->click();
    ASSERT_TRUE(boxes.isEmpty());
    const QImage shown = tab->image()->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(640, 480));
    EXPECT_EQ(shown.pixel(639, 479), fake.frame.pixel(639, 479)); // exactly the captured frame
    const QImage drawn = tab->image()->grab().toImage();
    EXPECT_EQ(drawn.size(), QSize(320, 240));
    EXPECT_EQ(drawn.pixel(0, 0), fake.frame.pixel(0, 0));
    EXPECT_EQ(drawn.pixel(319, 239), fake.frame.pixel(319, 239)); // the top-left quarter only
    // A smaller frame leaves the rest of the box empty.
    fake.frame = pattern(160, 120);
    tab->cameraButton()->click();
    EXPECT_EQ(tab->image()->pixmap().size(), QSize(160, 120));
}

TEST_F(VideoTabTest, FailedSnapshotKeepsTheEarlierPhotoAndFile) {
    tab->cameraButton()->click();
    const qint64 photoKey = tab->image()->pixmap().cacheKey();
    const QByteArray before = testsupport::readFile(VideoTab::snapshotPath());
    ASSERT_FALSE(before.isEmpty());
    fake.saveReply = false;
    fake.frame = pattern(100, 100);
    tab->cameraButton()->click();
    EXPECT_THAT(boxes, ElementsAre(kBoxC));
    EXPECT_EQ(tab->image()->pixmap().cacheKey(), photoKey);
    EXPECT_EQ(testsupport::readFile(VideoTab::snapshotPath()), before);
}

TEST_F(VideoTabTest, UnreadableSnapshotShowsBoxC) {
    fake.writeInstead = "not a bitmap"; // the service says yes but the file cannot be read back
    tab->cameraButton()->click();
    EXPECT_THAT(boxes, ElementsAre(kBoxC));
    EXPECT_TRUE(tab->image()->pixmap().isNull());
}

TEST_F(VideoTabTest, BothSpellingsNameOneFile) {
    ASSERT_TRUE(testsupport::writeFile("capture.bmp", "old"));
    tab->cameraButton()->click();
    EXPECT_TRUE(boxes.isEmpty());
    const QStringList files = QDir().entryList({"*.bmp", "*.BMP"}, QDir::Files, QDir::Name);
    EXPECT_THAT(files, ElementsAre("capture.bmp")); // replaced in place, no second spelling
    EXPECT_TRUE(testsupport::readFile("capture.bmp").startsWith("BM"));
    EXPECT_EQ(QFileInfo(VideoTab::snapshotPath()).fileName(), "capture.bmp");
}

TEST_F(VideoTabTest, RecordingTheServiceEndedShowsStoppedAtTheNextPress) {
    tab->openButton()->click();
    ASSERT_TRUE(tab->recording());
    fake.status.fCapturingNow = 0; // Esc, a lost camera: the service ended it
    fake.clear();
    tab->cameraButton()->click();
    EXPECT_TRUE(fake.sent(WM_CAP_STOP).empty());
    EXPECT_FALSE(tab->recording());
    EXPECT_EQ(caption(), "视频录像");
    EXPECT_EQ(status(), "录像停止");
    // Still recording per the service: record again is asked and refused as a second start.
    tab->openButton()->click();
    EXPECT_TRUE(tab->recording());
    EXPECT_EQ(caption(), "正在录像");
}

} // namespace
