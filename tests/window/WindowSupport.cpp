#include "tests/window/WindowSupport.h"

#include "tests/window/XWindows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace window {

QString screenshotDir() {
    const QString dir = QStringLiteral(LABGUIDE_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    return dir;
}

void settle(int ms) {
    QApplication::processEvents();
    QTest::qWait(ms);
    QApplication::processEvents();
}

QImage screenImage(QWidget* topLevel) {
    settle();
    QScreen* screen = topLevel->screen() ? topLevel->screen() : QGuiApplication::primaryScreen();
    return screen->grabWindow(topLevel->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

QString saveShot(const QImage& image, const QString& name) {
    const QString path = screenshotDir() + "/" + name + ".png";
    return image.save(path, "PNG") ? path : QString();
}

ModalSeen runModal(const std::function<void()>& act, const std::function<void(QWidget*)>& inspect, int timeoutMs) {
    ModalSeen seen;
    QTimer poll;
    QElapsedTimer clock;
    bool done = false;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || done)
            return;
        const bool exposed = modal->windowHandle() && modal->windowHandle()->isExposed();
        if (!exposed && clock.elapsed() < timeoutMs)
            return;
        done = true;
        poll.stop();
        seen.opened = true;
        seen.exposed = exposed;
        seen.title = modal->windowTitle();
        seen.barTitle = xwin::title(modal->winId());
        seen.className = QString::fromLatin1(modal->metaObject()->className());
        if (exposed) {
            // Give the first paint of the window time to reach the screen.
            settle(40);
            seen.shot = screenImage(modal);
        }
        if (inspect)
            inspect(modal);
        // The user closes the viewer with the window's close box.
        modal->close();
    });
    clock.start();
    poll.start();
    act();
    poll.stop();
    settle(10);
    return seen;
}

bool isRed(QRgb c) { return qRed(c) == 255 && qGreen(c) == 0 && qBlue(c) == 0; }
bool isBlue(QRgb c) { return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 255; }

int redPixelsAround(const QImage& image, QPoint centre, int r) {
    int n = 0;
    for (int y = centre.y() - r; y <= centre.y() + r; ++y)
        for (int x = centre.x() - r; x <= centre.x() + r; ++x)
            if (image.valid(x, y) && isRed(image.pixel(x, y)))
                ++n;
    return n;
}

bool blueNear(const QImage& image, QPoint p) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.valid(p.x() + dx, p.y() + dy) && isBlue(image.pixel(p.x() + dx, p.y() + dy)))
                return true;
    return false;
}

QList<QPoint> differingPixels(const QImage& a, const QImage& b) {
    QList<QPoint> out;
    if (a.size() != b.size())
        return out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                out.append(QPoint(x, y));
    return out;
}

double distanceToSegment(QPoint p, QPoint from, QPoint to) {
    const double dx = to.x() - from.x(), dy = to.y() - from.y();
    const double len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : ((p.x() - from.x()) * dx + (p.y() - from.y()) * dy) / len2;
    t = std::clamp(t, 0.0, 1.0);
    const double cx = from.x() + t * dx - p.x(), cy = from.y() + t * dy - p.y();
    return std::sqrt(cx * cx + cy * cy);
}

} // namespace window
