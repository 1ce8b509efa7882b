#include "app/StepKeys.h"

#include "app/mainform.h"
#include "boards/BoardForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace app {

StepKeys::StepKeys(Tmainform& window) : QObject(&window), window_(window) {
    qApp->installEventFilter(this);
}

bool StepKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    const bool enter = k == Qt::Key_Return || k == Qt::Key_Enter;
    if (k != Qt::Key_PageDown && k != Qt::Key_PageUp && k != Qt::Key_Space && !enter)
        return false;
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    BoardForm* board = window_.DockedBoard;
    // Only for the main window's own controls (not an open list or menu, not a viewer), board tab in front.
    if (!widget || widget->window() != &window_ || QApplication::activePopupWidget() || !board ||
        !board->isVisible() || window_.PageControl1->currentWidget() != window_.TabSheet2)
        return false;
    // Space on a focused button is the button's own press (once, on release, as Qt's buttons do).
    if (k == Qt::Key_Space && qobject_cast<QAbstractButton*>(widget))
        return false;
    // Return presses a focused push or tool button; outside a dialog Qt's buttons would ignore it. Check
    // and radio buttons do not take Return (as in Qt's dialogs), nor does any other control here.
    QAbstractButton* pressed = nullptr;
    if (enter) {
        if (qobject_cast<QPushButton*>(widget) || qobject_cast<QToolButton*>(widget))
            pressed = static_cast<QAbstractButton*>(widget);
        if (!pressed)
            return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the key stays a key press, which is taken below
        return true;
    }
    if (pressed) {
        pressed->click();
        return true;
    }
    QPushButton* button = k == Qt::Key_PageUp ? board->BitBtn_prev() : board->BitBtn_next();
    if (button->isEnabled())
        button->click(); // the button's own handler, as a mouse click runs it
    return true;
}

} // namespace app
