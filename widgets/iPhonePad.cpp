#include "widgets/iPhonePad.h"

#include "widgets/iDrawing.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The key in each place of the 4 x 3 block, row by row from the top.
constexpr int kPlaces[4][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {TiPhonePad::kStar, 0, TiPhonePad::kPound}};

int roundEven(double v) { return int(std::nearbyint(v)); }

bool validIndex(int index) { return index >= 0 && index < TiPhonePad::kKeyCount; }

} // namespace

TiPhonePad::TiPhonePad(QWidget* parent) : TiCustomComponent(parent) {
    for (int i = 0; i < kKeyCount; ++i) {
        captions_[size_t(i)] = QString(KeyCharacter(i));
        visible_[size_t(i)] = true;
    }
    SetBounds(0, 0, 115, 140);
    Layout();
}

QChar TiPhonePad::KeyCharacter(int index) {
    if (index == kStar)
        return QLatin1Char('*');
    if (index == kPound)
        return QLatin1Char('#');
    return validIndex(index) ? QChar(QLatin1Char('0').unicode() + index) : QChar();
}

QString TiPhonePad::ButtonCaption(int index) const { return validIndex(index) ? captions_[size_t(index)] : QString(); }

void TiPhonePad::setButtonCaption(int index, const QString& caption) {
    if (validIndex(index) && store(captions_[size_t(index)], caption))
        RequestRepaint();
}

bool TiPhonePad::ButtonVisible(int index) const { return validIndex(index) && visible_[size_t(index)]; }

void TiPhonePad::setButtonVisible(int index, bool on) {
    if (validIndex(index) && store(visible_[size_t(index)], on))
        RequestRepaint();
}

void TiPhonePad::setOuterMargin(double m) {
    if (store(outerMargin_, std::max(0.0, m))) {
        Layout();
        RequestRepaint();
    }
}

void TiPhonePad::setButtonSpacing(double s) {
    if (store(buttonSpacing_, std::max(0.0, s))) {
        Layout();
        RequestRepaint();
    }
}

void TiPhonePad::setShowFocusRect(bool on) {
    if (store(showFocusRect_, on))
        RequestRepaint();
}

void TiPhonePad::Layout() {
    const double qx = Width() / (2 * outerMargin_ + 3 + 2 * buttonSpacing_);
    const double qy = Height() / (2 * outerMargin_ + 4 + 3 * buttonSpacing_);
    const int w = roundEven(qx), g = roundEven(buttonSpacing_ * qx);
    const int h = roundEven(qy), v = roundEven(buttonSpacing_ * qy);
    const int x0 = (Width() - 3 * w - 2 * g) / 2, y0 = (Height() - 4 * h - 3 * v) / 2;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col)
            keys_[size_t(kPlaces[row][col])].rect = QRect(x0 + col * (w + g), y0 + row * (h + v), w, h);
}

int TiPhonePad::KeyIndexAt(const QPoint& p) const {
    for (int i = 0; i < kKeyCount; ++i)
        if (visible_[size_t(i)] && keys_[size_t(i)].rect.contains(p))
            return i;
    return -1;
}

void TiPhonePad::HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (button != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    Layout();
    const int i = KeyIndexAt(QPoint(x, y));
    if (i < 0)
        return;
    keys_[size_t(i)].pressed = true;
    pressedKey_ = i;
    RequestRepaint();
}

void TiPhonePad::HandleMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    const int i = pressedKey_;
    pressedKey_ = -1;
    bool any = false;
    for (auto& k : keys_) {
        any |= k.pressed;
        k.pressed = false;
    }
    if (any)
        RequestRepaint();
    if (i >= 0 && keys_[size_t(i)].rect.contains(QPoint(x, y)))
        emit keyClick(i, KeyCharacter(i));
}

void TiPhonePad::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        RequestRepaint();
    TiCustomComponent::changeEvent(event);
}

void TiPhonePad::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    Layout();
    canvas.setFont(font());
    for (int i = 0; i < kKeyCount; ++i) {
        if (!visible_[size_t(i)])
            continue;
        const Key& k = keys_[size_t(i)];
        const QRect& r = k.rect;
        idraw::rectangleLTRB(canvas, r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), BackGroundColor(),
                             Qt::black);
        idraw::edge3D(canvas, r.adjusted(1, 1, -1, -1), k.pressed ? idraw::Edge::Lowered : idraw::Edge::Raised);
        canvas.setPen(palette().color(QPalette::WindowText));
        canvas.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, captions_[size_t(i)]);
    }
    if (HasFocus() && showFocusRect_) {
        canvas.setPen(QPen(Qt::black, 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(QRect(1, 1, Width() - 3, Height() - 3));
    }
}
