#include "codecs/MetafilePainter.h"

#include "codecs/BmpInternal.h"
#include "codecs/DrawingCost.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace codecs::metafile {

namespace {

constexpr uint32_t kTextUpdateCurrent = 1;
constexpr uint32_t kTextHorizontal = 6, kTextRight = 2, kTextCenter = 6;
constexpr uint32_t kTextVertical = 24, kTextBottom = 8, kTextBaseline = 24;
constexpr uint32_t kPatCopy = 0x00F00021, kBlackness = 0x00000042, kWhiteness = 0x00FF0062;

double safe(double v) { return std::abs(v) < 1e-9 ? 1.0 : v; }

// The parametric angle of a point on the ellipse inscribed in `box`, in degrees counter-clockwise.
double angleOf(const QRectF& box, QPointF p) {
    const QPointF c = box.center();
    const double rx = safe(box.width() / 2), ry = safe(box.height() / 2);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}

} // namespace

Player::Player(QPainter* painter, const QRectF& frame, const QSizeF& pictureSize)
    : painter_(painter), bitmapPixelsLeft_(detail::kMaxEmbeddedTotal), pictureSize_(pictureSize),
      paintLeft_(kMaxPaintedPixels) {
    deviceToPicture_ = QTransform::fromTranslate(-frame.left(), -frame.top()) *
                       QTransform::fromScale(pictureSize.width() / safe(frame.width()),
                                             pictureSize.height() / safe(frame.height()));
    dc_.font = makeFont(-12, 0, 400, false, false, false, 1, QString());
    painter_->setRenderHint(QPainter::Antialiasing);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform);
    applyTransform();
}

Player::~Player() {
    while (!saved_.empty()) {
        saved_.pop_back();
        painter_->restore();
    }
}

GdiObject Player::makePen(uint32_t style, double width, QColor color) {
    GdiObject o;
    o.kind = GdiObject::Pen;
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine,       Qt::DotLine,  Qt::DashDotLine,
                                          Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine};
    const uint32_t s = style & 0x0F;
    o.pen = QPen(color, width < 1 ? 0.0 : width, s < 7 ? styles[s] : Qt::SolidLine);
    // Geometric pens ending flat or square, joined bevel or mitre, as the style word asks.
    const uint32_t cap = style & 0x0F00, join = style & 0xF000;
    o.pen.setCapStyle(cap == 0x0100 ? Qt::SquareCap : cap == 0x0200 ? Qt::FlatCap : Qt::RoundCap);
    o.pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    return o;
}

GdiObject Player::makeBrush(uint32_t style, QColor color, uint32_t hatch) {
    GdiObject o;
    o.kind = GdiObject::Brush;
    static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                             Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    switch (style) {
    case 1: // null
        o.brush = Qt::NoBrush;
        break;
    case 2: // hatched
        o.brush = QBrush(color, hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
        break;
    case 0:
        o.brush = QBrush(color);
        break;
    default: // pattern brushes without their pattern: a neutral grey
        o.brush = QBrush(QColor(128, 128, 128));
        break;
    }
    return o;
}

GdiObject Player::makePatternBrush(const QImage& pattern) {
    GdiObject o;
    o.kind = GdiObject::Brush;
    o.brush = pattern.isNull() ? QBrush(QColor(128, 128, 128)) : QBrush(pattern);
    return o;
}

GdiObject Player::makeFont(int height, int escapement, int weight, bool italic, bool underline, bool strike,
                           int charset, const QString& face) {
    GdiObject o;
    o.kind = GdiObject::Font;
    o.font = QFont(face.isEmpty() ? QStringLiteral("MS Sans Serif") : face);
    o.font.setWeight(weight <= 0 ? QFont::Normal : QFont::Weight(std::clamp(weight, 100, 900)));
    o.font.setItalic(italic);
    o.font.setUnderline(underline);
    o.font.setStrikeOut(strike);
    o.fontHeight = height == 0 ? -12 : height;
    o.escapement = escapement / 10.0;
    o.charset = charset;
    return o;
}

void Player::setObjectTableSize(uint32_t count) {
    objects_.clear();
    slots_ = ObjectSlots(count);
}

void Player::createObject(uint32_t index, const GdiObject& object) {
    if (index < slots_.count())
        objects_[index] = object;
}

void Player::createObjectInFreeSlot(const GdiObject& object) {
    const int64_t slot = slots_.takeLowest();
    if (slot >= 0)
        objects_[uint32_t(slot)] = object;
}

void Player::selectObject(uint32_t index) {
    if (index & 0x80000000u) {
        selectStockObject(index & 0x7FFFFFFFu);
        return;
    }
    const auto it = objects_.find(index);
    if (it == objects_.end())
        return;
    switch (it->second.kind) {
    case GdiObject::Pen:
        dc_.pen = it->second.pen;
        break;
    case GdiObject::Brush:
        dc_.brush = it->second.brush;
        break;
    case GdiObject::Font:
        dc_.font = it->second;
        break;
    default:
        break;
    }
}

void Player::selectStockObject(uint32_t stock) {
    static const int greys[] = {255, 192, 128, 64, 0};
    if (stock <= 4)
        dc_.brush = QBrush(QColor(greys[stock], greys[stock], greys[stock]));
    else if (stock == 5)
        dc_.brush = Qt::NoBrush;
    else if (stock == 6)
        dc_.pen = QPen(Qt::white, 0);
    else if (stock == 7)
        dc_.pen = QPen(Qt::black, 0);
    else if (stock == 8)
        dc_.pen = Qt::NoPen;
    else if (stock >= 10 && stock <= 17)
        dc_.font = makeFont(-12, 0, 400, false, false, false, 1, QString());
    else if (stock == 18)
        dc_.brush = QBrush(Qt::white);
    else if (stock == 19)
        dc_.pen = QPen(Qt::black, 0);
}

void Player::deleteObject(uint32_t index) {
    if (objects_.erase(index))
        slots_.release(index);
}

QTransform Player::logicalToDevice() const {
    double sx = 1, sy = 1;
    switch (dc_.mapMode) {
    case 2: sx = sy = 0.1; break;         // LOMETRIC, y up
    case 3: sx = sy = 0.01; break;        // HIMETRIC
    case 4: sx = sy = 0.254; break;       // LOENGLISH
    case 5: sx = sy = 0.0254; break;      // HIENGLISH
    case 6: sx = sy = 25.4 / 1440; break; // TWIPS
    case 7:
    case 8:
        sx = dc_.viewportExt.width() / safe(dc_.windowExt.width());
        sy = dc_.viewportExt.height() / safe(dc_.windowExt.height());
        if (dc_.mapMode == 7) { // isotropic: the smaller scale on both axes, signs kept
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        break;
    default:
        break;
    }
    if (dc_.mapMode >= 2 && dc_.mapMode <= 6) {
        sx *= unitsPerMm_.width();
        sy *= -unitsPerMm_.height();
    }
    return QTransform::fromTranslate(-dc_.windowOrg.x(), -dc_.windowOrg.y()) * QTransform::fromScale(sx, sy) *
           QTransform::fromTranslate(dc_.viewportOrg.x(), dc_.viewportOrg.y());
}

void Player::applyTransform() { painter_->setTransform(dc_.world * logicalToDevice() * deviceToPicture_); }

void Player::setMapMode(int mode) {
    dc_.mapMode = mode >= 1 && mode <= 8 ? mode : 1;
    applyTransform();
}
void Player::setWindowOrg(QPointF p) {
    dc_.windowOrg = p;
    applyTransform();
}
void Player::setWindowExt(QSizeF s) {
    dc_.windowExt = s;
    applyTransform();
}
void Player::setViewportOrg(QPointF p) {
    dc_.viewportOrg = p;
    applyTransform();
}
void Player::setViewportExt(QSizeF s) {
    dc_.viewportExt = s;
    applyTransform();
}
void Player::setWorldTransform(const QTransform& t) {
    dc_.world = t;
    applyTransform();
}

void Player::modifyWorldTransform(const QTransform& t, int mode) {
    switch (mode) {
    case 1: dc_.world = QTransform(); break;
    case 2: dc_.world = t * dc_.world; break;
    case 3: dc_.world = dc_.world * t; break;
    case 4: dc_.world = t; break;
    default: return;
    }
    applyTransform();
}

void Player::saveDC() {
    if (saved_.size() >= 1024) // a hostile file cannot grow the stack without bound
        return;
    saved_.push_back(dc_);
    painter_->save();
}

void Player::restoreDC(int relative) {
    qint64 count = relative < 0 ? -qint64(relative) : qint64(saved_.size()) - relative + 1;
    if (count <= 0 || count > qint64(saved_.size()))
        return;
    while (count-- > 0) {
        dc_ = saved_.back();
        saved_.pop_back();
        painter_->restore();
    }
    applyTransform();
}

void Player::intersectClipRect(const QRectF& r) { painter_->setClipRect(r.normalized(), Qt::IntersectClip); }

bool Player::charge(const QRectF& logical, double margin) {
    return chargePicture(
        painter_->transform().mapRect(logical.normalized().adjusted(-margin, -margin, margin, margin)));
}

bool Player::chargePicture(const QRectF& picture) {
    if (paintLeft_ < 0)
        return false;
    const QRectF covered = picture.normalized() & QRectF(QPointF(0, 0), pictureSize_);
    const double area = covered.isValid() ? covered.width() * covered.height() : 0.0;
    // Coordinates beyond any number are charged as the whole picture.
    paintLeft_ -= 1 + (std::isfinite(area) ? area : pictureSize_.width() * pictureSize_.height());
    return paintLeft_ >= 0;
}

bool Player::chargePath(const QPainterPath& path, bool fill, bool stroke) {
    if (paintLeft_ < 0)
        return false;
    const QTransform& t = painter_->transform();
    // A pen's width is in logical units; a width of 0 is one pixel whatever the mapping.
    const double scale = std::sqrt(std::abs(t.determinant()));
    double width = stroke ? std::max(dc_.pen.widthF() * scale, 1.0) : 0.0;
    if (!std::isfinite(width))
        width = std::hypot(pictureSize_.width(), pictureSize_.height());
    paintLeft_ -= pathCost(t.map(path), pictureSize_, fill, width);
    return paintLeft_ >= 0;
}

void Player::drawPath(const QPainterPath& path, bool fill, bool stroke) {
    const bool filled = fill && dc_.brush.style() != Qt::NoBrush;
    const bool stroked = stroke && dc_.pen.style() != Qt::NoPen;
    if ((filled || stroked) && !chargePath(path, filled, stroked))
        return;
    if (fill && dc_.brush.style() != Qt::NoBrush) {
        QPainterPath p = path;
        p.setFillRule(dc_.fillRule);
        painter_->fillPath(p, dc_.brush);
    }
    if (stroke && dc_.pen.style() != Qt::NoPen)
        painter_->strokePath(path, dc_.pen);
}

void Player::moveTo(QPointF p) {
    dc_.current = p;
    if (dc_.inPath)
        path_.moveTo(p);
}

void Player::lineTo(QPointF p) {
    if (dc_.inPath) {
        if (path_.elementCount() == 0)
            path_.moveTo(dc_.current);
        path_.lineTo(p);
    } else if (dc_.pen.style() != Qt::NoPen) {
        QPainterPath line(dc_.current);
        line.lineTo(p);
        if (!chargePath(line, false, true)) {
            dc_.current = p;
            return;
        }
        painter_->setPen(dc_.pen);
        painter_->drawLine(dc_.current, p);
    }
    dc_.current = p;
}

void Player::polyline(const QPolygonF& points, bool fromCurrent) {
    if (points.isEmpty())
        return;
    QPainterPath path;
    path.moveTo(fromCurrent ? dc_.current : points.front());
    for (qsizetype i = fromCurrent ? 0 : 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    if (fromCurrent)
        dc_.current = points.back();
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, false, true);
}

void Player::polygon(const QPolygonF& points) { polyPolygon({points}); }

void Player::polyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    for (const QPolygonF& p : polygons)
        if (p.size() >= 2)
            path.addPolygon(p), path.closeSubpath();
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, true, true);
}

void Player::polyBezier(const QPolygonF& points, bool fromCurrent) {
    qsizetype i = 0;
    QPainterPath path;
    if (fromCurrent) {
        path.moveTo(dc_.current);
    } else {
        if (points.isEmpty())
            return;
        path.moveTo(points[0]);
        i = 1;
    }
    for (; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (fromCurrent)
        dc_.current = path.currentPosition();
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, false, true);
}

void Player::rectangle(const QRectF& r) {
    QPainterPath path;
    path.addRect(r.normalized());
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, true, true);
}

void Player::roundRect(const QRectF& r, QSizeF corner) {
    QPainterPath path;
    path.addRoundedRect(r.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, true, true);
}

void Player::ellipse(const QRectF& r) {
    QPainterPath path;
    path.addEllipse(r.normalized());
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, true, true);
}

void Player::arc(const QRectF& boxIn, QPointF start, QPointF end, ArcKind kind, bool lineFromCurrent) {
    const QRectF box = boxIn.normalized();
    const double a0 = angleOf(box, start), a1 = angleOf(box, end);
    double sweep = std::fmod(a1 - a0 + 720.0, 360.0);
    if (sweep <= 1e-9)
        sweep = 360.0;
    // Arcs run counter-clockwise on the picture; a mirroring mapping turns that round in logical space.
    if (painter_->transform().determinant() < 0)
        sweep -= 360.0;
    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(box.center());
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, a0);
        if (lineFromCurrent) {
            const QPointF first = path.currentPosition();
            path = QPainterPath();
            path.moveTo(dc_.current);
            path.lineTo(first);
        }
        path.arcTo(box, a0, sweep);
        if (kind == ArcKind::Chord)
            path.closeSubpath();
    }
    if (lineFromCurrent)
        dc_.current = path.currentPosition();
    if (dc_.inPath)
        path_.addPath(path);
    else
        drawPath(path, kind != ArcKind::Arc, true);
}

void Player::setPixel(QPointF p, QColor c) {
    const QPointF d = painter_->transform().map(p);
    if (!chargePicture(QRectF(d, QSizeF(1, 1))))
        return;
    painter_->save();
    painter_->resetTransform();
    painter_->fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), c);
    painter_->restore();
}

void Player::fillRect(const QRectF& r, const QBrush& brush) {
    if (charge(r, 0))
        painter_->fillRect(r.normalized(), brush);
}

void Player::patternBlt(const QRectF& r, uint32_t rop) {
    if (rop == kPatCopy)
        fillRect(r, dc_.brush);
    else if (rop == kBlackness)
        fillRect(r, Qt::black);
    else if (rop == kWhiteness)
        fillRect(r, Qt::white);
}

void Player::text(QPointF reference, const QString& s, const QRectF* opaqueRect) {
    if (opaqueRect)
        fillRect(*opaqueRect, dc_.bkColor);
    if (s.isEmpty())
        return;
    if (dc_.textAlign & kTextUpdateCurrent)
        reference = dc_.current;
    const QTransform t = painter_->transform();
    const double scaleX = std::hypot(t.m11(), t.m12()), scaleY = std::hypot(t.m21(), t.m22());
    // A negative height is the character's height, a positive one the cell's (internal leading included).
    const int h = dc_.font.fontHeight;
    const double logicalEm = h < 0 ? -double(h) : h * 0.8;
    QFont f = dc_.font.font;
    f.setPixelSize(int(std::clamp(std::lround(logicalEm * scaleY), 1L, 2000L)));
    const QFontMetricsF fm(f);
    const double width = fm.horizontalAdvance(s);
    double dx = 0, dy = 0;
    const uint32_t ha = dc_.textAlign & kTextHorizontal, va = dc_.textAlign & kTextVertical;
    if (ha == kTextCenter)
        dx = -width / 2;
    else if (ha == kTextRight)
        dx = -width;
    if (va == kTextBaseline)
        dy = 0;
    else if (va == kTextBottom)
        dy = -fm.descent();
    else
        dy = fm.ascent();
    // Text is laid out in picture pixels so that tiny logical units still give a readable size.
    painter_->save();
    painter_->resetTransform();
    painter_->translate(t.map(reference));
    painter_->rotate(std::atan2(t.m12(), t.m11()) * 180.0 / M_PI - dc_.font.escapement);
    if (!chargePicture(painter_->transform().mapRect(QRectF(dx, dy - fm.ascent(), width, fm.height())))) {
        painter_->restore();
        return;
    }
    if (dc_.opaqueBackground && !opaqueRect)
        painter_->fillRect(QRectF(dx, dy - fm.ascent(), width, fm.height()), dc_.bkColor);
    painter_->setFont(f);
    painter_->setPen(dc_.textColor);
    painter_->drawText(QPointF(dx, dy), s);
    painter_->restore();
    if (dc_.textAlign & kTextUpdateCurrent)
        dc_.current.rx() += width / safe(scaleX);
}

void Player::bitmap(const QRectF& dest, const QImage& image, const QRectF& source) {
    if (image.isNull() || dest.isNull() || !charge(dest, 0))
        return;
    QImage img = image.mirrored(dest.width() < 0, dest.height() < 0);
    painter_->drawImage(dest.normalized(), img, source.isNull() ? QRectF(img.rect()) : source.normalized());
}

void Player::beginPath() {
    path_ = QPainterPath();
    path_.moveTo(dc_.current);
    dc_.inPath = true;
}

void Player::fillPath() {
    dc_.inPath = false;
    drawPath(path_, true, false);
    path_ = QPainterPath();
}

void Player::strokePath() {
    dc_.inPath = false;
    drawPath(path_, false, true);
    path_ = QPainterPath();
}

void Player::strokeAndFillPath() {
    dc_.inPath = false;
    drawPath(path_, true, true);
    path_ = QPainterPath();
}

void Player::abortPath() {
    dc_.inPath = false;
    path_ = QPainterPath();
}

} // namespace codecs::metafile

namespace codecs::metafile {

QSize canvasSize(QSizeF natural) {
    double w = std::abs(natural.width()), h = std::abs(natural.height());
    if (!(w >= 1)) // also catches NaN
        w = 1;
    if (!(h >= 1))
        h = 1;
    const double longer = std::max(w, h);
    if (longer > kMaxMetafileSide) {
        w = w * kMaxMetafileSide / longer;
        h = h * kMaxMetafileSide / longer;
    }
    return QSize(std::max(1, int(std::lround(w))), std::max(1, int(std::lround(h))));
}

QImage makeCanvas(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace codecs::metafile
