#include "widgets/iLed.h"

#include "widgets/iDrawing.h"

#include <QPainter>

TiLed::TiLed(QWidget* parent) : TiCustomComponent(parent) { SetBounds(0, 0, 20, 20); }

void TiLed::setActive(bool on) {
    if (active_ == on || !ChangeRequest(on))
        return;
    active_ = on;
    RequestBackgroundRepaint();
    emit change();
}

void TiLed::setActiveColor(const QColor& c) {
    if (storeColor(activeColor_, c))
        RequestBackgroundRepaint();
}

void TiLed::setInactiveColor(const QColor& c) {
    if (storeColor(inactiveColor_, c))
        RequestBackgroundRepaint();
}

void TiLed::setAutoInactiveColor(bool on) {
    if (store(autoInactiveColor_, on))
        RequestBackgroundRepaint();
}

void TiLed::setBevelStyle(TiBevelStyle s) {
    if (store(bevelStyle_, s))
        RequestBackgroundRepaint();
}

QColor TiLed::UnlitColor() const { return autoInactiveColor_ ? idraw::dimmed(activeColor_) : inactiveColor_; }

QColor TiLed::CurrentColor() const { return active_ ? activeColor_ : UnlitColor(); }

void TiLed::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const int inset = bevelStyle_ == ibsNone ? 0 : 2;
    idraw::fillLTRB(canvas, inset, inset, Width() - inset, Height() - inset, CurrentColor());
    idraw::edge3D(canvas, ClientRect(),
                  bevelStyle_ == ibsRaised    ? idraw::Edge::Raised
                  : bevelStyle_ == ibsLowered ? idraw::Edge::Lowered
                                              : idraw::Edge::None);
}
