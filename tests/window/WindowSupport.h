#pragma once
// Helpers for the tests that drive the program's real windows on an X server (Xvfb): screenshots of what
// is on the screen, modal viewers closed from a timer, and the pixel checks of a drawn connection.
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

#include <functional>

class QWidget;

namespace window {

// Where screenshots are kept: <build>/test-output/screenshots/ (created on first use).
QString screenshotDir();
// What the X server shows of a top-level window (its client area), after pending painting is done.
QImage screenImage(QWidget* topLevel);
// Saves an image under screenshotDir(); returns the path written (empty when it failed).
QString saveShot(const QImage& image, const QString& name);

// Lets the event loop run until pending paints and timers of the moment are done.
void settle(int ms = 30);

// What a modal window showed while it was open.
struct ModalSeen {
    bool opened = false;
    QString title;   // the window's title
    QString barTitle; // what the X server holds for a title bar to show
    QString className;
    QImage shot;     // the screen's picture of it
    bool exposed = false;
};

// Runs `act` (which may open a modal window and block in its loop); when a modal window appears it is
// inspected (title, screenshot, `inspect`), then closed as a user closes it. A modal window that does not
// show within `timeoutMs` is closed anyway (exposed stays false).
ModalSeen runModal(const std::function<void()>& act, const std::function<void(QWidget* modal)>& inspect = {},
                   int timeoutMs = 5000);

// Pixel checks.
bool isRed(QRgb c);
bool isBlue(QRgb c);
// Number of pure-red pixels within the square of half-size `r` around a point.
int redPixelsAround(const QImage& image, QPoint centre, int r = 5);
// Whether a pure-blue pixel lies within distance 1 of a point.
bool blueNear(const QImage& image, QPoint p);
// The pixels that differ between two images of the same size.
QList<QPoint> differingPixels(const QImage& a, const QImage& b);
// Distance from a point to the segment from-to.
double distanceToSegment(QPoint p, QPoint from, QPoint to);

} // namespace window
