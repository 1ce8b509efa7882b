// The picture viewer: its window, the picture box's fit, ShowPicture and ShowReferencePicture, and every
// bad picture leaving the previous one in place.
#include "tests/codecs/Samples.h"
#include "tests/support/TestSupport.h"
#include "tests/viewers/ModalCloser.h"

#include "viewers/PictureBox.h"
#include "viewers/U_sch.h"

#include "base/ErrorReport.h"
#include "base/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <QScreen>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace {

class PictureViewer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        programfolder::setOverride(folder.path());
        QDir(folder.path()).mkpath("pic");
        mainWindow = std::make_unique<QWidget>();
        mainWindow->setGeometry(10, 10, 805, 644);
        mainWindow->show();
        viewer = new Tfrmsch(mainWindow.get());
    }
    void TearDown() override {
        mainWindow.reset();
        programfolder::setOverride(QString());
    }

    QString pic(const QString& name) const { return folder.path() + "/pic/" + name; }
    void put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(testsupport::writeFile(pic(name), bytes)); }

    struct Seen {
        int openings = 0;
        QString title;
        QSize picture;
        QRect drawn, image1, frame;
    };
    // ShowPicture with a stand-in user who looks and closes; errors are returned, not raised.
    Seen show(const QString& path, const QString& title, QString* error = nullptr) {
        Seen seen;
        ModalCloser closer([&](QWidget* w) {
            EXPECT_EQ(w, viewer);
            EXPECT_TRUE(w->isModal());
            seen.title = w->windowTitle();
            seen.picture = viewer->Image1->picture().size();
            seen.drawn = viewer->Image1->drawnRect();
            seen.image1 = viewer->Image1->geometry();
            seen.frame = w->frameGeometry();
        });
        try {
            ShowPicture(path, title);
        } catch (const Error& e) {
            if (error)
                *error = e.message();
            else
                ADD_FAILURE() << e.message().toStdString();
        }
        seen.openings = closer.openings();
        return seen;
    }

    QTemporaryDir folder;
    std::unique_ptr<QWidget> mainWindow;
    Tfrmsch* viewer = nullptr;
};

} // namespace

TEST_F(PictureViewer, OpensTheFileWithItsTitleDrawnByTheFitRule) {
    EXPECT_EQ(frmsch, viewer);
    EXPECT_EQ(viewer->size(), QSize(481, 311));
    put("big.jpg", samples::jpeg(1600, 1200));
    const Seen seen = show(pic("big.jpg"), QStringLiteral("电路图: 交通灯"));
    EXPECT_EQ(seen.openings, 1);
    EXPECT_EQ(seen.title, QStringLiteral("电路图: 交通灯"));
    EXPECT_EQ(seen.picture, QSize(1600, 1200));
    EXPECT_EQ(seen.image1, QRect(0, 0, 481, 311));
    EXPECT_EQ(seen.drawn, QRect(33, 0, 414, 311));
    EXPECT_FALSE(viewer->isVisible());
    // The picture stays while the viewer is hidden.
    EXPECT_EQ(viewer->Image1->picture().size(), QSize(1600, 1200));

    put("small.png", samples::png(samples::halves(200, 100)));
    EXPECT_EQ(show(pic("small.png"), "s").drawn, QRect(140, 105, 200, 100));
}

TEST_F(PictureViewer, ResizingReFitsAtOnceAndDrawsThePicture) {
    put("wide.bmp", samples::bmp(samples::halves(800, 200)));
    QRect afterResize, image1;
    QImage shot;
    ModalCloser closer([&](QWidget*) {
        viewer->resize(400, 300);
        afterResize = viewer->Image1->drawnRect(); // no event loop turn in between
        image1 = viewer->Image1->geometry();
        shot = viewer->Image1->grab().toImage();
    });
    ShowPicture(pic("wide.bmp"), "w");
    EXPECT_EQ(image1, QRect(0, 0, 400, 300));
    EXPECT_EQ(afterResize, QRect(0, 100, 400, 100));
    ASSERT_EQ(shot.size(), QSize(400, 300));
    const QColor left = shot.pixelColor(100, 150), right = shot.pixelColor(300, 150);
    EXPECT_GT(left.red(), 200);
    EXPECT_LT(left.blue(), 50);
    EXPECT_GT(right.blue(), 200);
    EXPECT_LT(right.red(), 50);
    EXPECT_EQ(viewer->Image1->fittedPicture().size(), QSize(400, 100));
}

TEST_F(PictureViewer, MissingFileFolderOrEmptyNameDoNothing) {
    testsupport::ErrorRecorder errors;
    EXPECT_EQ(show(pic("nothere.jpg"), "x").openings, 0);
    EXPECT_EQ(show(folder.path() + "/pic/", "x").openings, 0);      // an empty catalogue name
    EXPECT_EQ(show(folder.path() + "\\pic\\", "x").openings, 0);
    ShowReferencePicture(QString(".jpg"), QString("lcd"));            // the widget cz4's key is empty
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(PictureViewer, StoredSeparatorsAndLetterCaseAreResolved) {
    put("ic8255.jpg", samples::jpeg(30, 20));
    const Seen seen = show(folder.path() + "\\pic\\IC8255.jpg", "8255");
    EXPECT_EQ(seen.openings, 1);
    EXPECT_EQ(seen.picture, QSize(30, 20));

    put(QStringLiteral("流程图.PNG"), samples::png(samples::halves(21, 13)));
    EXPECT_EQ(show(pic(QStringLiteral("流程图.PNG")), "c").picture, QSize(21, 13));
    put("UPPER.EMF", []() {
        samples::Emf e(QSize(40, 30));
        return e.finish();
    }());
    EXPECT_EQ(show(pic("upper.emf"), "e").picture, QSize(40, 30));
}

TEST_F(PictureViewer, ReferencePictureTitleLosesTheHotKeyMarking) {
    put("JK485.jpg", samples::jpeg(50, 40));
    Seen seen;
    ModalCloser closer([&](QWidget* w) { seen.title = w->windowTitle(); });
    ShowReferencePicture(QStringLiteral("JK485.jpg"), QStringLiteral("485接口(&4)"));
    EXPECT_EQ(closer.openings(), 1);
    EXPECT_EQ(seen.title, QStringLiteral("485接口"));
    ShowReferencePicture(QStringLiteral("JK485.jpg"), QStringLiteral(" 8253"));
    EXPECT_EQ(seen.title, QStringLiteral(" 8253"));
    ShowReferencePicture(QStringLiteral("JK485.jpg"), QString());
    EXPECT_EQ(seen.title, QString());
}

TEST_F(PictureViewer, EveryBadPictureGivesItsErrorAndKeepsThePreviousPicture) {
    put("good.jpg", samples::jpeg(64, 48));
    ASSERT_EQ(show(pic("good.jpg"), "good").openings, 1);
    const qint64 before = viewer->Image1->picture().cacheKey();

    const struct {
        const char* name;
        QByteArray bytes;
        const char* error;
    } bad[] = {
        {"cut.jpg", samples::truncated(samples::jpeg(64, 64)), "JPEG error #"},
        {"corrupt.jpg", QByteArray("\xFF\xD8\xFF\xE0garbage-garbage-garbage"), "JPEG error #"},
        {"cut.png", samples::truncated(samples::png(samples::halves(64, 64))), "PNG error: "},
        {"corrupt.png", samples::patched(samples::png(samples::halves(8, 8)), 1, {'X'}), "PNG error: "},
        {"cut.bmp", samples::truncated(samples::bmp(samples::halves(64, 64))), "BMP error: the file is truncated"},
        {"corrupt.bmp", samples::patched(samples::bmp(samples::halves(8, 8)), 14, {5}), "BMP error: unknown bitmap header size 5"},
        {"cut.ico", samples::truncated(samples::icoWithBitmap(32, 24)), "ICO error: the file is truncated"},
        {"corrupt.ico", samples::patched(samples::icoWithBitmap(16, 24), 2, {7}), "ICO error: not an icon file"},
        {"cut.wmf", samples::truncated([] { samples::Wmf w; w.record(0x041B, {9, 9, 0, 0}); return w.finish(QRect(0, 0, 9, 9), 96); }(), 0.8),
         "WMF error: the file is truncated"},
        {"corrupt.wmf", QByteArray(40, 'x'), "WMF error: not a Windows metafile"},
        {"cut.emf", samples::Emf(QSize(5, 5)).finish().left(60), "EMF error: the file is truncated"},
        {"corrupt.emf", QByteArray(100, 'x'), "EMF error: not an enhanced metafile"},
        {"empty.jpg", QByteArray(), "JPEG error #"},
        {"empty.png", QByteArray(), "PNG error: "},
        {"huge.jpg", samples::jpegClaiming(60000, 60000), "JPEG error: picture too large"},
        {"huge.png", samples::pngClaiming(60000, 60000), "PNG error: picture too large"},
        {"huge.bmp", samples::bmpClaiming(60000, 60000), "BMP error: picture too large"},
        {"huge.ico", samples::icoClaiming(60000, 60000), "ICO error: picture too large"},
        {"a.gif", samples::jpeg(8, 8), "Unknown picture file extension (.gif)"},
    };
    for (const auto& b : bad) {
        put(b.name, b.bytes);
        QString error;
        const Seen seen = show(pic(b.name), "bad", &error);
        EXPECT_EQ(seen.openings, 0) << b.name;
        EXPECT_THAT(error.toStdString(), ::testing::StartsWith(b.error)) << b.name;
        EXPECT_EQ(viewer->Image1->picture().cacheKey(), before) << b.name;
        EXPECT_EQ(viewer->windowTitle(), "good") << b.name;
    }
}

TEST_F(PictureViewer, UnreadableFileGivesAnErrorAndNoViewer) {
    const QString path = pic("locked.jpg");
    if (geteuid() != 0) {
        put("locked.jpg", samples::jpeg(8, 8));
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    } else {
        // Root reads any file regardless of permissions; reads of this one fail with an I/O error.
        if (!QFileInfo::exists("/proc/self/mem"))
            GTEST_SKIP() << "running as root without /proc/self/mem: no way to make a file unreadable";
        ASSERT_TRUE(QFile::link("/proc/self/mem", path));
    }
    QString error;
    EXPECT_EQ(show(path, "x", &error).openings, 0);
    EXPECT_THAT(error.toStdString(), ::testing::StartsWith("Cannot read picture file "));
}

TEST_F(PictureViewer, FirstOpeningCentredOnTheScreenLaterOnesKeepTheirPlace) {
    put("p.jpg", samples::jpeg(10, 10));
    QRect first;
    {
        ModalCloser closer([&](QWidget* w) {
            first = w->frameGeometry();
            w->setGeometry(5, 6, 320, 240);
        });
        ShowPicture(pic("p.jpg"), "a");
    }
    const QPoint offset = first.center() - viewer->screen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    const Seen again = show(pic("p.jpg"), "b");
    EXPECT_EQ(again.image1.size(), QSize(320, 240));
    EXPECT_EQ(viewer->geometry(), QRect(5, 6, 320, 240));
}

TEST_F(PictureViewer, ModalLoopKeepsTimersRunningAndIgnoresEscape) {
    put("p.jpg", samples::jpeg(10, 10));
    int ticks = 0;
    QTimer blink;
    QObject::connect(&blink, &QTimer::timeout, [&] { ++ticks; });
    blink.start(10);
    bool openAfterEscape = false;
    ModalCloser closer(
        [&](QWidget* w) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(w, &escape);
            openAfterEscape = w->isVisible();
        });
    closer.closeWhen([&] { return ticks >= 5; }); // the blink timer runs on while the viewer is open
    ShowPicture(pic("p.jpg"), "t");
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(openAfterEscape);
}

TEST(PictureBox, ShrunkCopiesAverageTheirSourcePixelsInOrder) {
    // Red grows by one every 4 columns, green by one every 4 rows; 1024 x 512 into 128 x 64 is three
    // halvings, so each drawn pixel is the mean of an 8 x 8 block.
    QImage gradient(1024, 512, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixel(x, y, qRgb(x / 4, y / 4, 77));
    TImage box;
    box.resize(128, 64);
    box.setPicture(gradient);
    ASSERT_EQ(box.drawnRect(), QRect(0, 0, 128, 64));
    const QImage& fitted = box.fittedPicture();
    ASSERT_EQ(fitted.size(), QSize(128, 64));
    for (int y = 0; y < 64; y += 9)
        for (int x = 0; x < 128; x += 7) {
            const QRgb p = fitted.pixel(x, y);
            EXPECT_NEAR(qRed(p), 2 * x + 0.875, 1.5) << x << "," << y;
            EXPECT_NEAR(qGreen(p), 2 * y + 0.875, 1.5) << x << "," << y;
            EXPECT_NEAR(qBlue(p), 77, 1) << x << "," << y;
        }
    // A picture smaller than the box is drawn as it is.
    TImage large;
    large.resize(2000, 1000);
    large.setPicture(gradient);
    EXPECT_EQ(large.drawnRect(), QRect(488, 244, 1024, 512));
    EXPECT_EQ(large.fittedPicture().cacheKey(), large.picture().cacheKey());
}
