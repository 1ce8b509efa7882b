#include "tests/boards/BoardsTestSupport.h"

#include "boards/BoardInfo.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace boardtest {

ViewerRecorder::ViewerRecorder() {
    boards::ViewerHooks h;
    h.showText = [this](const QString& title, const QString& text) { calls << "text|" + title + "|" + text; };
    h.showPicture = [this](const QString& path, const QString& title) { calls << "picture|" + path + "|" + title; };
    h.showReferencePicture = [this](const QString& file, const QString& caption) {
        calls << "reference|" + file + "|" + caption;
    };
    previous_ = boards::setViewerHooks(h);
}

ViewerRecorder::~ViewerRecorder() { boards::setViewerHooks(previous_); }

std::unique_ptr<BoardForm> makeForm(const QString& board) {
    return std::unique_ptr<BoardForm>(boards::createBoardForm(board));
}

const boards::Component& component(const BoardForm& form, const QString& name) {
    const int i = form.indexOf(name);
    if (i < 0) {
        ADD_FAILURE() << "no component " << name.toStdString() << " on " << form.board().toStdString();
        static const boards::Component none;
        return none;
    }
    return form.components()[i];
}

static void mouse(QWidget* w, QEvent::Type type, const QPoint& at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void press(QWidget* w, const QPoint& at) { mouse(w, QEvent::MouseButtonPress, at); }
void release(QWidget* w, const QPoint& at) { mouse(w, QEvent::MouseButtonRelease, at); }
void click(QWidget* w, const QPoint& at) {
    press(w, at);
    release(w, at);
}

QImage grabArea(const BoardForm& form) { return form.boardArea()->grab().toImage(); }

} // namespace boardtest
