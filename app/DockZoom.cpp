#include "app/DockZoom.h"

#include "app/mainform.h"
#include "base/Zoom.h"
#include "boards/BoardForm.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

#include <cmath>

namespace app {

DockZoom::DockZoom(Tmainform& window, QScrollArea& scroller, QMenu& menu)
    : QObject(&window), window_(window), scroller_(scroller) {
    setObjectName(QStringLiteral("DockZoom"));
    auto add = [&](const QString& text, const char* name, const QList<QKeySequence>& keys) {
        QAction* a = menu.addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcuts(keys);
        // The keys work on every tab of the window, as the other view keys do.
        a->setShortcutContext(Qt::WindowShortcut);
        return a;
    };
    in_ = add(QStringLiteral("放大(&I)"), "N_zoomIn",
              {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    out_ = add(QStringLiteral("缩小(&O)"), "N_zoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    fitAction_ = add(QStringLiteral("适合窗口(&Z)"), "N_zoomFit", {QKeySequence(Qt::CTRL | Qt::Key_0)});
    fitAction_->setCheckable(true);
    actual_ = add(QStringLiteral("原始大小(&A)"), "N_zoomActual", {QKeySequence(Qt::CTRL | Qt::Key_1)});
    connect(in_, &QAction::triggered, this, [this] {
        if (const BoardForm* b = window_.DockedBoard)
            choose(nextLevel(b->zoom(), true));
    });
    connect(out_, &QAction::triggered, this, [this] {
        if (const BoardForm* b = window_.DockedBoard)
            choose(nextLevel(b->zoom(), false));
    });
    connect(fitAction_, &QAction::triggered, this, &DockZoom::setFit);
    connect(actual_, &QAction::triggered, this, [this] { choose(1.0); });
    viewport_ = scroller_.viewport();
    viewport_->installEventFilter(this);
    // The keys are the board tab's: on the source tab Ctrl+0 to Ctrl+9 stay the editor's bookmarks.
    connect(window_.PageControl1, &QTabWidget::currentChanged, this, &DockZoom::updateActions);
    updateActions();
}

const QList<double>& DockZoom::levels() {
    static const QList<double> all{0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
    return all;
}

double DockZoom::nextLevel(double zoom, bool up) {
    // A fitted zoom lies between levels: the step goes to the next level beyond it, never back to it.
    const double eps = 1e-3;
    if (up) {
        for (double l : levels())
            if (l > zoom + eps)
                return l;
        return levels().last();
    }
    for (auto it = levels().rbegin(); it != levels().rend(); ++it)
        if (*it < zoom - eps)
            return *it;
    return levels().first();
}

double DockZoom::fittedZoom(const BoardForm& board, const QSize& room) {
    const double z = board.zoomToFit(room);
    return z >= 1.0 && z < 1.03 ? 1.0 : z;
}

double DockZoom::startZoom(const BoardForm& board, const QSize& room) const {
    const double z = fittedZoom(board, room);
    const bool windowAtMost = window_.isMaximized() || window_.isFullScreen() || window_.OpenedFitted;
    return z >= 1.0 || windowAtMost ? z : 1.0;
}

void DockZoom::choose(double zoom) {
    fit_ = false;
    chosenFit_ = false;
    chosen_ = std::clamp(zoom, zoom::kMin, zoom::kMax);
    apply();
}

void DockZoom::setFit() {
    fit_ = true;
    chosenFit_ = true;
    apply();
}

void DockZoom::apply() {
    if (applying_)
        return;
    applying_ = true;
    QWidget* dock = scroller_.widget();
    if (BoardForm* board = window_.DockedBoard) {
        if (fit_) {
            // Fitted, the board tab never scrolls: the room is the whole tab.
            dock->setMinimumSize(0, 0);
            const QSize room = scroller_.maximumViewportSize();
            board->setZoom(chosenFit_ ? fittedZoom(*board, room) : startZoom(*board, room));
        } else {
            board->setZoom(chosen_);
            dock->setMinimumSize(board->size());
        }
    } else {
        dock->setMinimumSize(0, 0);
    }
    applying_ = false;
    updateActions();
}

void DockZoom::updateActions() {
    const BoardForm* board =
        window_.PageControl1->currentWidget() == window_.TabSheet2 ? window_.DockedBoard : nullptr;
    const double z = board ? board->zoom() : 1.0;
    fitAction_->setChecked(fit_);
    in_->setEnabled(board && z < zoom::kMax - 1e-3);
    out_->setEnabled(board && z > zoom::kMin + 1e-3);
    fitAction_->setEnabled(board);
    actual_->setEnabled(board);
}

DockZoom* DockZoom::of(const Tmainform& window) {
    return window.findChild<DockZoom*>(QStringLiteral("DockZoom"));
}

bool DockZoom::eventFilter(QObject* watched, QEvent* event) {
    // Only the kept pointer is compared: while the window is destroyed the scroll area may be half gone.
    if (event->type() == QEvent::Resize && watched == viewport_ && fit_)
        apply();
    return QObject::eventFilter(watched, event);
}

} // namespace app
