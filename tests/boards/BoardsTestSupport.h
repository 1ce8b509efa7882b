#pragma once
// Helpers for the board tests: forms by board name, recorded viewer calls, synthetic mouse input.
#include "boards/BoardForm.h"
#include "boards/ViewerHooks.h"

#include <QImage>
#include <QStringList>

#include <memory>

namespace boardtest {

// Records what the boards ask of the viewers while alive.
class ViewerRecorder {
public:
    ViewerRecorder();
    ~ViewerRecorder();
    QStringList calls; // "text|title|text", "picture|path|title", "reference|file|caption"

private:
    boards::ViewerHooks previous_;
};

std::unique_ptr<BoardForm> makeForm(const QString& board);

// The component of that name (any case); fails the test when missing.
const boards::Component& component(const BoardForm& form, const QString& name);

// Press and release the left button at a point of the board area (with an optional move between).
void press(QWidget* w, const QPoint& at);
void release(QWidget* w, const QPoint& at);
void click(QWidget* w, const QPoint& at);

// The board area as painted now.
QImage grabArea(const BoardForm& form);

} // namespace boardtest
