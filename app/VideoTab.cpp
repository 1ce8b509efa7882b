#include "app/VideoTab.h"

#include "base/ErrorReport.h"
#include "base/StyleIcon.h"
#include "video/FileCase.h"

#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>

namespace {

// The texts the tab shows.
namespace text {
const char* const openCaption = "视频录像";
const char* const recordingCaption = "正在录像";
const char* const recordingStatus = "正在录像...";
const char* const stoppedStatus = "录像停止";
const char* const boxA = "视频无法捕捉，检查是否正确安装视频!";
const char* const boxB = "视频打开失败，检查是否已经安装视频!";
const char* const boxC = "无法打开视频，请检查视频是否正确安装!";
const char* const diskFull = "磁盘空间不足，录像已停止";
const char* const hintCaption = "提示";
const char* const errorCaption = "出错!";
} // namespace text

// The tab's widgets as designed: name, caption, geometry in the container.
struct Placement {
    const char* name;
    const char* caption;
    QRect geometry;
};
const Placement kGroupBox1{"GroupBox1", "视频区", {40, 32, 353, 273}};
const Placement kVideoCap1{"VideoCap1", "", {17, 17, 320, 240}};
const Placement kGroupBox2{"GroupBox2", "照片区", {408, 32, 353, 273}};
const Placement kImage1{"Image1", "", {16, 16, 320, 240}};
const Placement kOpen{"bbtnopenvid", "视频录像", {48, 345, 105, 32}};
const Placement kStop{"bbtstop", "停止录像", {232, 345, 105, 32}};
const Placement kClose{"bbtnclosevid", "关闭视频", {408, 346, 105, 29}};
const Placement kCamera{"bbtncamera", "拍照", {584, 344, 97, 32}};
constexpr int kStatusHeight = 24;
constexpr int kStatusPanelWidth = 200;
constexpr int kDriverSlot = 0;
const char* const kSnapshotFile = ".\\capture.bmp";

QString u(const char* s) { return QString::fromUtf8(s); }

template <class W> W* place(W* w, const Placement& p) {
    w->setObjectName(QString::fromLatin1(p.name));
    w->setGeometry(p.geometry);
    return w;
}

QPushButton* button(QWidget* parent, const Placement& p, QStyle::StandardPixmap glyph) {
    auto* b = place(new QPushButton(u(p.caption), parent), p);
    b->setIcon(styleicon::standard(glyph));
    return b;
}

} // namespace

VideoTab::VideoTab(QWidget* page, QWidget* mainWindow, capture::CaptureService* service)
    : page_(page), mainWindow_(mainWindow) {
    messageBox_ = [this](const QString& body, const QString& caption, QMessageBox::Icon icon) {
        QMessageBox box(icon, caption, body, QMessageBox::Ok, mainWindow_);
        box.exec();
    };

    GroupBox1 = place(new QGroupBox(u(kGroupBox1.caption), page), kGroupBox1);
    VideoCap1 = place(new TVideoCap(GroupBox1, service), kVideoCap1);
    VideoCap1->setColor(Qt::black);
    // The one failure the tab reports as it happens: a recording that the full disk ended. The control
    // may outlive the tab object.
    VideoCap1->setOnError([tab = QPointer<VideoTab>(this)](TVideoCap*, std::int32_t id, const QString&) {
        if (tab)
            tab->captureError(id);
    });

    GroupBox2 = place(new QGroupBox(u(kGroupBox2.caption), page), kGroupBox2);
    // The system's caption-text colour, white in the classic scheme.
    QPalette photoPalette = GroupBox2->palette();
    photoPalette.setColor(QPalette::Window, Qt::white);
    GroupBox2->setPalette(photoPalette);
    GroupBox2->setAutoFillBackground(true);
    Image1 = place(new QLabel(GroupBox2), kImage1);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop); // natural size from the top-left, cut at the edges
    Image1->setScaledContents(false);

    bbtnopenvid = button(page, kOpen, QStyle::SP_MediaPlay);
    bbtstop = button(page, kStop, QStyle::SP_MediaStop);
    bbtnclosevid = button(page, kClose, QStyle::SP_DialogCancelButton);
    bbtncamera = button(page, kCamera, QStyle::SP_DialogSaveButton);
    bbtnopenvid->setDefault(true);
    bbtstop->setDefault(true);

    StatusBar1 = new QStatusBar(page);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    statusPanel_ = new QLabel(u(text::stoppedStatus), StatusBar1);
    statusPanel_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    statusPanel_->setFixedWidth(kStatusPanelWidth);
    StatusBar1->addWidget(statusPanel_);
    placeStatusBar();
    page->installEventFilter(this);

    QWidget::setTabOrder(bbtnopenvid, bbtnclosevid);
    QWidget::setTabOrder(bbtnclosevid, bbtncamera);
    QWidget::setTabOrder(bbtncamera, GroupBox1);
    QWidget::setTabOrder(GroupBox1, GroupBox2);
    QWidget::setTabOrder(GroupBox2, bbtstop);

    connect(bbtnopenvid, &QPushButton::clicked, this, [this] { bbtnopenvidClick(); });
    connect(bbtstop, &QPushButton::clicked, this, [this] { bbtstopClick(); });
    connect(bbtnclosevid, &QPushButton::clicked, this, [this] { bbtnclosevidClick(); });
    connect(bbtncamera, &QPushButton::clicked, this, [this] { bbtncameraClick(); });
}

QString VideoTab::statusText() const { return statusPanel_->text(); }

QString VideoTab::snapshotPath() { return filecase::resolve(u(kSnapshotFile)); }

bool VideoTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == page_ && event->type() == QEvent::Resize)
        placeStatusBar();
    return QObject::eventFilter(watched, event);
}

void VideoTab::placeStatusBar() { StatusBar1->setGeometry(0, page_->height() - kStatusHeight, page_->width(), kStatusHeight); }

void VideoTab::showStopped() {
    bbtnopenvid->setText(u(text::openCaption));
    statusPanel_->setText(u(text::stoppedStatus));
}

void VideoTab::showRecording() {
    bbtnopenvid->setText(u(text::recordingCaption));
    statusPanel_->setText(u(text::recordingStatus));
}

void VideoTab::openingSequence() {
    VideoCap1->setDriverIndex(kDriverSlot);
    VideoCap1->setDriverOpen(true);
    VideoCap1->setVideoPreview(true);
    VideoCap1->setPreviewScaleToWindow(true);
}

// A recording the service ended by itself (Esc, a lost camera, a failed file) shows as stopped at the
// next press instead of claiming to record.
void VideoTab::noticeEndedRecording() {
    if (!Recording)
        return;
    if (VideoCap1->DriverOpen()) {
        VideoCap1->RefreshStatus();
        if (VideoCap1->CapturingNow())
            return;
    }
    Recording = false;
    showStopped();
}

// The service has already ended the recording and completed its file when it reports a full disk.
void VideoTab::captureError(std::int32_t id) {
    if (id != capture::IDS_CAP_ERROR_DISK_FULL || !Recording)
        return;
    Recording = false;
    showStopped();
    messageBox_(u(text::diskFull), u(text::hintCaption), QMessageBox::Warning);
}

void VideoTab::bbtnopenvidClick() {
    errorreport::guarded([this] { noticeEndedRecording(); });
    VideoCap1->setCapToFile(true);
    try {
        openingSequence();
        if (VideoCap1->StartCapture()) {
            Recording = true;
            showRecording();
        } else {
            messageBox_(u(text::boxA), u(text::hintCaption), QMessageBox::Critical);
        }
    } catch (...) {
        messageBox_(u(text::boxB), u(text::hintCaption), QMessageBox::Critical);
    }
}

void VideoTab::bbtstopClick() {
    errorreport::guarded([this] {
        VideoCap1->StopCapture();
        Recording = false;
        showStopped();
    });
}

void VideoTab::bbtnclosevidClick() {
    errorreport::guarded([this] {
        VideoCap1->StopCapture();
        VideoCap1->setCapToFile(false);
        VideoCap1->setDriverOpen(false);
        Recording = false;
        showStopped();
    });
}

void VideoTab::bbtncameraClick() {
    errorreport::guarded([this] { noticeEndedRecording(); });
    if (Recording) {
        errorreport::guarded([this] { VideoCap1->StopCapture(); });
        Recording = false;
        showStopped();
    }
    VideoCap1->setCapToFile(false);
    try {
        openingSequence();
        if (VideoCap1->DriverOpen()) {
            // The service replaces the file only once the new frame is written, so a failed snapshot keeps
            // the previous file and photo; its answer therefore decides.
            if (!VideoCap1->SaveSingleImage())
                throw Error(QStringLiteral("the frame could not be written"));
            QImage photo;
            if (!photo.load(snapshotPath(), "BMP"))
                throw Error(QStringLiteral("the frame could not be read back"));
            Image1->setPixmap(QPixmap::fromImage(photo));
        }
    } catch (...) {
        messageBox_(u(text::boxC), u(text::errorCaption), QMessageBox::Critical);
    }
}
