#include "widgets/iLedRound.h"

#include "widgets/iDrawing.h"

#include <QPainter>

#include <algorithm>

TiLedRound::TiLedRound(QWidget* parent) : TiLed(parent) {}

void TiLedRound::setShowReflection(bool on) {
    if (store(showReflection_, on))
        RequestBackgroundRepaint();
}

void TiLedRound::SetBounds(int left, int top, int w, int h) {
    if (!IsLoading()) {
        // Compared with the size last handled: an outside resize has already changed width() and height().
        const QSize old = lastHandledSize();
        if (w != old.width())
            h = w;
        else if (h != old.height())
            w = h;
    }
    TiLed::SetBounds(left, top, w, h);
}

void TiLedRound::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const int side = std::min(Width(), Height());
    const QRect square(0, 0, side, side);
    const QColor c = CurrentColor();
    const int inset = BevelStyle() == ibsNone ? 0 : 2;
    idraw::ellipseLTRB(canvas, inset, inset, side - inset, side - inset, c, c);
    if (showReflection_)
        idraw::reflection(canvas, square, Qt::white);
    idraw::bevelRing(canvas, square,
                     BevelStyle() == ibsRaised    ? idraw::Edge::Raised
                     : BevelStyle() == ibsLowered ? idraw::Edge::Lowered
                                                  : idraw::Edge::None);
}
