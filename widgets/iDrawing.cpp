#include "widgets/iDrawing.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>

namespace idraw {

QColor dimmed(const QColor& c) { return QColor(c.red() / 3, c.green() / 3, c.blue() / 3); }

QColor shifted(const QColor& c, int delta) {
    auto ch = [delta](int v) { return std::clamp(v + delta, 0, 255); };
    return QColor(ch(c.red()), ch(c.green()), ch(c.blue()));
}

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }
QColor buttonHighlight() { return QApplication::palette().color(QPalette::Light); }
QColor buttonShadow() { return QApplication::palette().color(QPalette::Dark); }
QColor highlightText() { return QApplication::palette().color(QPalette::HighlightedText); }
QColor windowText() { return QApplication::palette().color(QPalette::WindowText); }

void fillLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& colour) {
    if (right > left && bottom > top)
        p.fillRect(QRect(left, top, right - left, bottom - top), colour);
}

void rectangleLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& fill, const QColor& outline) {
    if (right <= left || bottom <= top)
        return;
    p.fillRect(QRect(left, top, right - left, bottom - top), outline);
    fillLTRB(p, left + 1, top + 1, right - 1, bottom - 1, fill);
}

void ellipseLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& fill, const QColor& outline) {
    if (right <= left || bottom <= top)
        return;
    p.save();
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    // An aliased ellipse of w x h with a one-pixel pen covers w + 1 x h + 1 pixels.
    p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    p.restore();
}

void arcLTRB(QPainter& p, int left, int top, int right, int bottom, int startDeg, int spanDeg, const QColor& colour) {
    if (right - left < 2 || bottom - top < 2)
        return;
    p.save();
    p.setPen(QPen(colour, 1));
    p.setBrush(Qt::NoBrush);
    // Aliased outlines land on the pixel below a coordinate, so an arc through the box's far edge would run
    // one pixel inside it. Through the pixel centres, the arc reaches the last column and row like the first.
    p.drawArc(QRectF(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1), startDeg * 16, spanDeg * 16);
    p.restore();
}

void polygon(QPainter& p, const QPoint* points, int count, const QColor& colour) {
    p.save();
    p.setPen(QPen(colour, 0));
    p.setBrush(colour);
    p.drawPolygon(points, count);
    // The toolkit's line rule may leave out the pixel where two edges meet; the outline covers every corner.
    p.drawPoints(points, count);
    p.restore();
}

static void frame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void edge3D(QPainter& p, const QRect& r, Edge style) {
    if (style == Edge::None)
        return;
    const QPalette pal = QApplication::palette();
    const QColor light = pal.color(QPalette::Light), mid = pal.color(QPalette::Midlight);
    const QColor dark = pal.color(QPalette::Dark), shadow = pal.color(QPalette::Shadow);
    if (style == Edge::Raised) {
        frame(p, r, light, shadow);
        frame(p, r.adjusted(1, 1, -1, -1), mid, dark);
    } else {
        frame(p, r, dark, light);
        frame(p, r.adjusted(1, 1, -1, -1), shadow, mid);
    }
}

void bevelRing(QPainter& p, const QRect& square, Edge style) {
    if (style == Edge::None)
        return;
    const QColor shadow = buttonShadow(), light = buttonHighlight();
    const QColor upperLeft = style == Edge::Lowered ? shadow : light;
    const QColor lowerRight = style == Edge::Lowered ? light : shadow;
    for (int inset = 0; inset < 2; ++inset) {
        const int l = square.left() + inset, t = square.top() + inset;
        const int r = square.left() + square.width() - inset, b = square.top() + square.height() - inset;
        arcLTRB(p, l, t, r, b, 45, 180, upperLeft);
        arcLTRB(p, l, t, r, b, 225, 180, lowerRight);
    }
}

void reflection(QPainter& p, const QRect& square, const QColor& colour) {
    const int q = square.width() / 4;
    for (int extra = 0; extra < 2; ++extra) {
        const int in = q + extra;
        arcLTRB(p, square.left() + in, square.top() + in, square.left() + square.width() - in,
                square.top() + square.height() - in, 100, 70, colour);
    }
}

} // namespace idraw
