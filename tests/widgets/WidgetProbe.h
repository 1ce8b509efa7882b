#pragma once
// Helpers for the widget tests: a probe subclass that counts issued repaints and can step the clock and the
// private timer, input events sent straight to a widget, and pixel reading of rendered frames.
#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>

#include <functional>

template <class W> class Probe : public W {
public:
    using W::W;
    int repaints = 0;
    bool steppedClock = false;
    qint64 now = 0;

    using W::InternalTimerTick;
    using W::TimerInterval;
    using W::TimerRunning;
    using W::TimerStart;
    using W::TimerStop;

protected:
    void InvalidateWindow() override {
        ++repaints;
        W::InvalidateWindow();
    }
    qint64 NowMs() const override { return steppedClock ? now : W::NowMs(); }
};

namespace wt {

inline QRgb rgb(int r, int g, int b) { return qRgb(r, g, b); }

inline QRgb pixel(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

inline void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), type == QEvent::MouseMove ? Qt::NoButton : b, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) { mouse(w, QEvent::MouseButtonPress, p, b); }
inline void release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonRelease, p, b);
}
inline void click(QWidget* w, QPoint p) {
    press(w, p);
    release(w, p);
}

inline void key(QWidget* w, QEvent::Type type, int k, const QString& text = {}, bool autoRepeat = false) {
    QKeyEvent e(type, k, Qt::NoModifier, text, autoRepeat);
    QApplication::sendEvent(w, &e);
}

inline void loseFocus(QWidget* w) {
    QFocusEvent e(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(w, &e);
}

// Runs the event loop until the condition holds or the time runs out (for timer-driven behaviour).
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace wt
