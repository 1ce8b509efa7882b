#pragma once
// The board's zoom: drawings keep their designed coordinates and are painted scaled, widgets sit at their
// scaled rectangles, and pointer positions are taken back to designed coordinates. At 1 everything is the
// identity, so the designed drawing stays pixel for pixel.
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <cmath>

namespace zoom {

constexpr double kMin = 0.5;
constexpr double kMax = 3.0;

// Edges are rounded rather than sizes, so that neighbouring rectangles stay neighbours at every zoom.
inline QRect scaled(const QRect& r, double z) {
    if (z == 1.0)
        return r;
    const int l = int(std::lround(r.x() * z)), t = int(std::lround(r.y() * z));
    return QRect(l, t, int(std::lround((r.x() + r.width()) * z)) - l,
                 int(std::lround((r.y() + r.height()) * z)) - t);
}
inline QSize scaled(const QSize& s, double z) {
    return z == 1.0 ? s : QSize(int(std::lround(s.width() * z)), int(std::lround(s.height() * z)));
}
inline QRect unscaled(const QRect& r, double z) {
    if (z == 1.0)
        return r;
    const int l = int(std::lround(r.x() / z)), t = int(std::lround(r.y() / z));
    return QRect(l, t, int(std::lround((r.x() + r.width()) / z)) - l,
                 int(std::lround((r.y() + r.height()) / z)) - t);
}
inline QSize unscaled(const QSize& s, double z) {
    return z == 1.0 ? s : QSize(int(std::lround(s.width() / z)), int(std::lround(s.height() / z)));
}
// The designed point a screen pixel shows: the one its area covers, so a hit test at any zoom finds what
// is drawn under the pointer.
inline QPoint toDesign(const QPointF& p, double z) {
    if (z == 1.0)
        return p.toPoint();
    return QPoint(int(std::floor(p.x() / z)), int(std::floor(p.y() / z)));
}

} // namespace zoom
