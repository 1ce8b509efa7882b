#include "widgets/iSwitchRocker.h"

#include "widgets/iDrawing.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

TiSwitchRocker::TiSwitchRocker(QWidget* parent) : TiCustomComponent(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetBounds(0, 0, 25, 50);
}

void TiSwitchRocker::setActive(bool on) {
    if (!store(active_, on))
        return;
    RequestRepaint();
    emit change();
    if (UserAction())
        emit changeUser();
}

void TiSwitchRocker::setIndicatorActiveColor(const QColor& c) {
    if (storeColor(indicatorActiveColor_, c))
        RequestRepaint();
}

void TiSwitchRocker::setIndicatorMargin(int m) {
    if (store(indicatorMargin_, m))
        RequestRepaint();
}

void TiSwitchRocker::setBorderMargin(int m) {
    if (store(borderMargin_, m))
        RequestRepaint();
}

void TiSwitchRocker::setShowFocusRect(bool on) {
    if (store(showFocusRect_, on))
        RequestRepaint();
}

void TiSwitchRocker::HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int, int y) {
    if (button != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    // The indicator shows in the upper half when off and in the lower half when on.
    const bool inIndicatorHalf = active_ ? y >= Height() / 2 : y < Height() / 2;
    if (mouseControlStyle_ == imcsClickAnyWhere || inIndicatorHalf)
        mouseArmed_ = true;
}

void TiSwitchRocker::HandleMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    if (!mouseArmed_)
        return;
    mouseArmed_ = false;
    keyArmed_ = false;
    if (ClientRect().contains(x, y))
        setActive(!active_);
}

void TiSwitchRocker::HandleKeyDown(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Space)
        keyArmed_ = true;
}

void TiSwitchRocker::HandleKeyUp(int key, Qt::KeyboardModifiers) {
    if (key != Qt::Key_Space || !keyArmed_)
        return;
    keyArmed_ = false;
    setActive(!active_);
}

void TiSwitchRocker::focusOutEvent(QFocusEvent* event) {
    // Losing the focus disarms both ways: a space released later, elsewhere, must not switch this rocker.
    keyArmed_ = false;
    TiCustomComponent::focusOutEvent(event);
}

QRect TiSwitchRocker::IndicatorRect() const {
    const int BM = borderMargin_, IM = indicatorMargin_;
    const int left = BM + IM + (active_ ? 2 : 3);
    const int top = BM + IM + (active_ ? 2 : 5);
    const int right = Width() - BM - IM - 2;
    const int h = std::max(5, int(std::nearbyint(Height() * 0.1)));
    return QRect(QPoint(left, top), QPoint(right - 1, top + h - 1));
}

void TiSwitchRocker::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const int W = Width(), H = Height(), BM = borderMargin_;
    idraw::fillLTRB(canvas, 2, 2, W - 2, H - 2, Qt::black);
    const QColor F = idraw::buttonFace(), L = idraw::shifted(F, 16);
    const QColor D1 = idraw::shifted(F, -32), D2 = idraw::shifted(F, -64);
    const int l = BM + 2, r = W - (BM + 2), top = BM + 2, bottom = H - (BM + 2), half = H / 2;
    if (active_) {
        idraw::fillLTRB(canvas, l, top, r, half, F);
        idraw::fillLTRB(canvas, l, half, r, bottom - 3, L);
        idraw::fillLTRB(canvas, l, bottom - 3, r, bottom, D2);
    } else {
        idraw::fillLTRB(canvas, l, top, r, top + 3, L);
        idraw::fillLTRB(canvas, l, top + 3, r, half, D1);
        idraw::fillLTRB(canvas, l, half, r, bottom, F);
    }
    const QRect ind = IndicatorRect();
    if (ind.width() > 0 && ind.height() > 0) {
        const QColor fill = active_ ? indicatorActiveColor_ : idraw::dimmed(indicatorActiveColor_);
        idraw::rectangleLTRB(canvas, ind.left(), ind.top(), ind.right() + 1, ind.bottom() + 1, fill, Qt::black);
        canvas.setPen(QPen(Qt::white, 1));
        canvas.drawLine(ind.left() + 1, ind.bottom(), ind.right(), ind.bottom());
        canvas.drawLine(ind.right(), ind.top() + 1, ind.right(), ind.bottom());
    }
    if (HasFocus() && showFocusRect_) {
        canvas.setPen(QPen(Qt::white, 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(QRect(l - 1, top - 1, r - l + 1, bottom - top + 1));
    }
}
