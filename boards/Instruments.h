#pragma once
// The front-panel instruments of the board drawings: creating and configuring each widget component of a
// layout from its stored settings, and wiring the clicks of the widgets whose click opens a picture.
#include "boards/BoardLayout.h"

#include <QColor>
#include <QRadioButton>

#include <functional>

class BoardForm;

namespace boards {

// The reset key: a radio button with press and release hooks that run after the button's own handling.
// A click only ever checks it, as on the original boards (a checked key is not unchecked by clicking again).
class TRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit TRadioButton(QWidget* parent = nullptr);
    std::function<void()> onMouseDown;
    std::function<void()> onMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void nextCheckState() override;
};

// The widget of a layout component of kind "widget", configured from its stored settings and placed at
// its rectangle. Raises Error for an unknown class, property or value (the layouts are built in, so this
// is a fault of the program's data).
QWidget* createInstrument(const Component& component, QWidget* parent);

// A stored colour: "#rrggbb" or the name of a system colour ("clBtnFace", ...). Raises Error otherwise.
QColor storedColour(const QString& text);

// Whether a stored setting names an event handler ("OnClick", "OnMouseDown", ...) rather than a property.
bool isHandlerSetting(const QString& key);

// Connects the click of every widget whose click is wired to the form's block click handler.
void wireInstrumentClicks(BoardForm& form);

} // namespace boards
