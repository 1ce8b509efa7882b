#pragma once
// The video tab: the camera control VideoCap1, the photo box Image1, the four buttons with their handlers,
// the status bar and the main window's Recording flag.
#include "video/Videocap.h"

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QStatusBar;

class VideoTab : public QObject {
    Q_OBJECT
public:
    // Shows one modal box with an OK button and the given icon, owned by the main window; tests record instead.
    using MessageBox = std::function<void(const QString& text, const QString& caption, QMessageBox::Icon icon)>;

    // Builds the tab's widgets inside `page` (TabSheet3); boxes belong to `mainWindow`. `service` nullptr
    // means the program's camera service. The creator owns the tab object (it has no QObject parent); the
    // widgets belong to `page`.
    VideoTab(QWidget* page, QWidget* mainWindow, capture::CaptureService* service = nullptr);

    TVideoCap* videoCap() const { return VideoCap1; }
    QLabel* image() const { return Image1; }
    QPushButton* openButton() const { return bbtnopenvid; }
    QPushButton* stopButton() const { return bbtstop; }
    QPushButton* closeButton() const { return bbtnclosevid; }
    QPushButton* cameraButton() const { return bbtncamera; }
    QStatusBar* statusBar() const { return StatusBar1; }
    QString statusText() const; // the first status panel
    bool recording() const { return Recording; }

    void setMessageBox(MessageBox box) { messageBox_ = std::move(box); }

    // The click handlers.
    void bbtnopenvidClick();
    void bbtstopClick();
    void bbtnclosevidClick();
    void bbtncameraClick();

    // The snapshot file as the handlers name it, resolved in the working folder.
    static QString snapshotPath();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openingSequence();
    void showStopped();
    void showRecording();
    void noticeEndedRecording();
    void captureError(std::int32_t id);
    void placeStatusBar();

    QWidget* page_;
    QWidget* mainWindow_;
    MessageBox messageBox_;
    bool Recording = false;

    QGroupBox* GroupBox1 = nullptr;
    TVideoCap* VideoCap1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* bbtnopenvid = nullptr;
    QPushButton* bbtstop = nullptr;
    QPushButton* bbtnclosevid = nullptr;
    QPushButton* bbtncamera = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanel_ = nullptr;
};
