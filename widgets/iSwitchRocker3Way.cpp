#include "widgets/iSwitchRocker3Way.h"

#include "widgets/iDrawing.h"

#include <QPainter>

TiSwitchRocker3Way::TiSwitchRocker3Way(QWidget* parent) : TiCustomComponent(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetBounds(0, 0, 25, 50);
}

void TiSwitchRocker3Way::setValue(double v) {
    if (!store(value_, v))
        return;
    RequestRepaint();
    emit valueChange();
    if (UserAction())
        emit valueChangeUser();
}

void TiSwitchRocker3Way::setBorderMargin(int m) {
    if (store(borderMargin_, m))
        RequestRepaint();
}

void TiSwitchRocker3Way::setShowFocusRect(bool on) {
    if (store(showFocusRect_, on))
        RequestRepaint();
}

void TiSwitchRocker3Way::step() {
    if (position_ == PositionUp) {
        setValue(value_ + increment_);
        emit upClick();
    } else if (position_ == PositionDown) {
        setValue(value_ - increment_);
        emit downClick();
    }
}

void TiSwitchRocker3Way::press(Position p) {
    // A key held down repeats its key-down; the timer already repeats the step.
    if (position_ == p && TimerRunning())
        return;
    TimerStop();
    position_ = p;
    pressedByUser_ = UserAction();
    RequestRepaint();
    step();
    TimerStart(repeatInitialDelay_, repeatInterval_);
}

void TiSwitchRocker3Way::release() {
    TimerStop();
    if (position_ == PositionCentre)
        return;
    position_ = PositionCentre;
    RequestRepaint();
}

void TiSwitchRocker3Way::OnInternalTimer() {
    // A repeated step belongs to the user's press that started it.
    const bool previous = UserAction();
    setUserAction(pressedByUser_);
    step();
    setUserAction(previous);
}

void TiSwitchRocker3Way::HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int, int y) {
    if (button != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    press(y <= Height() / 2 ? PositionUp : PositionDown);
}

void TiSwitchRocker3Way::HandleMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) { release(); }

void TiSwitchRocker3Way::HandleKeyDown(int key, Qt::KeyboardModifiers) {
    if (!useArrowKeys_)
        return;
    if (key == Qt::Key_Up)
        press(PositionUp);
    else if (key == Qt::Key_Down)
        press(PositionDown);
    else
        release();
}

void TiSwitchRocker3Way::HandleKeyUp(int, Qt::KeyboardModifiers) {
    if (useArrowKeys_)
        release();
}

void TiSwitchRocker3Way::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const int W = Width(), H = Height(), BM = borderMargin_;
    idraw::fillLTRB(canvas, 2, 2, W - 2, H - 2, Qt::black);
    const QColor F = idraw::buttonFace(), L = idraw::shifted(F, 16);
    const QColor D1 = idraw::shifted(F, -32), D2 = idraw::shifted(F, -64);
    const int l = BM + 2, r = W - (BM + 2), top = BM + 2, bottom = H - (BM + 2), half = H / 2;
    // Upper band, a split line at the middle, lower band; the pressed half is the darker one.
    const QColor upper = position_ == PositionUp ? D1 : position_ == PositionDown ? L : F;
    const QColor lower = position_ == PositionDown ? D1 : position_ == PositionUp ? L : F;
    idraw::fillLTRB(canvas, l, top, r, half - 1, upper);
    idraw::fillLTRB(canvas, l, half - 1, r, half + 1, D2);
    idraw::fillLTRB(canvas, l, half + 1, r, bottom, lower);
    if (HasFocus() && showFocusRect_) {
        canvas.setPen(QPen(Qt::white, 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(QRect(l - 1, top - 1, r - l + 1, bottom - top + 1));
    }
}
