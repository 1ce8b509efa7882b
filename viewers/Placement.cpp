#include "viewers/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace viewers {

void centreWindow(QWidget* window, const QWidget* over) {
    QRect target;
    if (over) {
        target = over->window()->frameGeometry();
    } else {
        const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        target = screen->availableGeometry();
    }
    window->winId(); // a created window knows its frame, so the frame (not just the client) is centred
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(target.center());
    // move() also tells the dialog not to place itself again, so later openings keep the last position.
    window->move(frame.topLeft());
}

} // namespace viewers
