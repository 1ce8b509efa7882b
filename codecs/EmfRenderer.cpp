// Enhanced metafiles: the common drawing records are drawn by the shared metafile player; records we do
// not know are skipped.
#include "codecs/BmpInternal.h"
#include "codecs/ByteReader.h"
#include "codecs/Decoders.h"
#include "codecs/MetafilePainter.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"

namespace codecs {

namespace {

using metafile::ArcKind;
using metafile::Player;

[[noreturn]] void fail(const QString& why) { throw Error(QStringLiteral("EMF error: %1").arg(why)); }

enum Record : uint32_t {
    Header = 1, PolyBezier = 2, Polygon = 3, Polyline = 4, PolyBezierTo = 5, PolylineTo = 6, PolyPolyline = 7,
    PolyPolygon = 8, SetWindowExtEx = 9, SetWindowOrgEx = 10, SetViewportExtEx = 11, SetViewportOrgEx = 12,
    Eof = 14, SetPixelV = 15, SetMapMode = 17, SetBkMode = 18, SetPolyFillMode = 19, SetTextAlign = 22,
    SetTextColor = 24, SetBkColor = 25, MoveToEx = 27, IntersectClipRect = 30, SaveDc = 33, RestoreDc = 34,
    SetWorldTransform = 35, ModifyWorldTransform = 36, SelectObject = 37, CreatePen = 38,
    CreateBrushIndirect = 39, DeleteObject = 40, Ellipse = 42, Rectangle = 43, RoundRect = 44, Arc = 45,
    Chord = 46, Pie = 47, LineTo = 54, ArcTo = 55, BeginPath = 59, EndPath = 60, CloseFigure = 61,
    FillPath = 62, StrokeAndFillPath = 63, StrokePath = 64, AbortPath = 68, BitBlt = 76, StretchBlt = 77,
    SetDiBitsToDevice = 80, StretchDiBits = 81, ExtCreateFontIndirectW = 82, ExtTextOutA = 83,
    ExtTextOutW = 84, PolyBezier16 = 85, Polygon16 = 86, Polyline16 = 87, PolyBezierTo16 = 88,
    PolylineTo16 = 89, PolyPolyline16 = 90, PolyPolygon16 = 91, CreateDibPatternBrushPt = 94,
    ExtCreatePen = 95,
};

constexpr uint32_t kSignature = 0x464D4520; // " EMF"

QPointF point(ByteReader& r) {
    const double x = r.i32();
    const double y = r.i32();
    return {x, y};
}

QRectF rect(ByteReader& r) {
    const double l = r.i32(), t = r.i32(), rt = r.i32(), b = r.i32();
    return QRectF(QPointF(l, t), QPointF(rt, b));
}

QPolygonF points(ByteReader& r, qint64 count, bool small) {
    QPolygonF poly;
    if (count < 0 || !r.has(count * (small ? 4 : 8)))
        return poly;
    poly.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const double x = small ? r.i16() : r.i32();
        const double y = small ? r.i16() : r.i32();
        poly.append(QPointF(x, y));
    }
    return poly;
}

QTransform xform(ByteReader& r) {
    const double m11 = r.f32(), m12 = r.f32(), m21 = r.f32(), m22 = r.f32(), dx = r.f32(), dy = r.f32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

// A bitmap referred to by offsets from the record's start.
QImage dibAt(Player& p, QByteArrayView record, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits) {
    if (cbBmi < 12 || qint64(offBmi) + cbBmi > record.size() || qint64(offBits) + cbBits > record.size())
        return {};
    QByteArray dib(record.data() + offBmi, cbBmi);
    dib.append(record.data() + offBits, cbBits);
    try {
        return detail::decodeDib(dib, "EMF", p.bitmapPixelsLeft());
    } catch (const Error&) {
        return {}; // a damaged embedded bitmap leaves a gap, as the system's own player does
    }
}

void polyRecord(Player& p, ByteReader& r, uint32_t type) {
    const bool small = type >= PolyBezier16;
    rect(r); // bounds
    if (type == PolyPolyline || type == PolyPolygon || type == PolyPolyline16 || type == PolyPolygon16) {
        const uint32_t n = r.u32();
        r.u32();
        if (!r.has(qint64(n) * 4))
            return;
        std::vector<uint32_t> counts(n);
        for (auto& c : counts)
            c = r.u32();
        std::vector<QPolygonF> polys;
        for (uint32_t c : counts) {
            polys.push_back(points(r, c, small));
            if (!r.ok())
                return;
        }
        if (type == PolyPolygon || type == PolyPolygon16)
            p.polyPolygon(polys);
        else
            for (const auto& poly : polys)
                p.polyline(poly);
        return;
    }
    const QPolygonF poly = points(r, r.u32(), small);
    if (!r.ok())
        return;
    switch (small ? type - (PolyBezier16 - PolyBezier) : type) {
    case PolyBezier: p.polyBezier(poly); break;
    case Polygon: p.polygon(poly); break;
    case Polyline: p.polyline(poly); break;
    case PolyBezierTo: p.polyBezier(poly, true); break;
    case PolylineTo: p.polyline(poly, true); break;
    default: break;
    }
}

void text(Player& p, ByteReader& r, QByteArrayView record, bool wide) {
    rect(r);
    r.u32(); // graphics mode
    r.f32();
    r.f32();
    const QPointF at = point(r);
    const uint32_t chars = r.u32();
    const uint32_t offString = r.u32();
    const uint32_t options = r.u32();
    const QRectF clip = rect(r);
    if (!r.ok())
        return;
    const qint64 bytes = qint64(chars) * (wide ? 2 : 1);
    if (qint64(offString) + bytes > record.size())
        return;
    const QByteArrayView raw = record.sliced(offString, bytes);
    const QString s = wide ? QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.data()), chars)
                           : gbk::decode(raw);
    p.text(at, s, (options & 0x0002) ? &clip : nullptr);
}

struct Frame {
    QRectF device; // the picture in reference device units
    QSizeF natural;
    QSizeF unitsPerMm;
    uint16_t handles = 0; // entries of the object table
};

Frame readHeader(QByteArrayView bytes) {
    ByteReader r(bytes);
    const uint32_t type = r.u32();
    const uint32_t size = r.u32();
    const QRectF bounds = rect(r);
    const QRectF frame = rect(r); // hundredths of a millimetre
    const uint32_t signature = r.u32();
    r.skip(12); // version, size, record count
    const uint16_t handles = r.u16();
    r.skip(14); // reserved, description, palette
    const double devW = r.i32(), devH = r.i32(), mmW = r.i32(), mmH = r.i32();
    if (!r.ok())
        fail(QStringLiteral("the file is truncated"));
    if (type != Header || signature != kSignature || size < 88 || size > uint32_t(bytes.size()))
        fail(QStringLiteral("not an enhanced metafile"));
    Frame f;
    f.handles = handles;
    f.unitsPerMm = QSizeF(mmW > 0 && devW > 0 ? devW / mmW : 96 / 25.4, mmH > 0 && devH > 0 ? devH / mmH : 96 / 25.4);
    if (frame.width() > 0 && frame.height() > 0) {
        f.device = QRectF(frame.left() / 100 * f.unitsPerMm.width(), frame.top() / 100 * f.unitsPerMm.height(),
                          frame.width() / 100 * f.unitsPerMm.width(), frame.height() / 100 * f.unitsPerMm.height());
        f.natural = QSizeF(frame.width() / 100 * 96 / 25.4, frame.height() / 100 * 96 / 25.4);
    } else if (bounds.width() >= 0 && bounds.height() >= 0) {
        f.device = bounds.adjusted(0, 0, 1, 1); // bounds are inclusive
        f.natural = f.device.size();
    } else {
        fail(QStringLiteral("the picture has no size"));
    }
    return f;
}

void play(Player& p, ByteReader& r, QByteArrayView record, uint32_t type) {
    switch (type) {
    case PolyBezier: case Polygon: case Polyline: case PolyBezierTo: case PolylineTo: case PolyPolyline:
    case PolyPolygon: case PolyBezier16: case Polygon16: case Polyline16: case PolyBezierTo16: case PolylineTo16:
    case PolyPolyline16: case PolyPolygon16:
        polyRecord(p, r, type);
        break;
    case SetWindowExtEx: {
        const QPointF e = point(r);
        p.setWindowExt(QSizeF(e.x(), e.y()));
        break;
    }
    case SetViewportExtEx: {
        const QPointF e = point(r);
        p.setViewportExt(QSizeF(e.x(), e.y()));
        break;
    }
    case SetWindowOrgEx: p.setWindowOrg(point(r)); break;
    case SetViewportOrgEx: p.setViewportOrg(point(r)); break;
    case SetPixelV: {
        const QPointF at = point(r);
        p.setPixel(at, metafile::colorRef(r.u32()));
        break;
    }
    case SetMapMode: p.setMapMode(int(r.u32())); break;
    case SetBkMode: p.setBkMode(int(r.u32())); break;
    case SetPolyFillMode: p.setPolyFillMode(int(r.u32())); break;
    case SetTextAlign: p.setTextAlign(r.u32()); break;
    case SetTextColor: p.setTextColor(metafile::colorRef(r.u32())); break;
    case SetBkColor: p.setBkColor(metafile::colorRef(r.u32())); break;
    case MoveToEx: p.moveTo(point(r)); break;
    case LineTo: p.lineTo(point(r)); break;
    case IntersectClipRect: p.intersectClipRect(rect(r)); break;
    case SaveDc: p.saveDC(); break;
    case RestoreDc: p.restoreDC(r.i32()); break;
    case SetWorldTransform: {
        const QTransform t = xform(r);
        if (r.ok())
            p.setWorldTransform(t);
        break;
    }
    case ModifyWorldTransform: {
        const QTransform t = xform(r);
        const int mode = int(r.u32());
        if (r.ok())
            p.modifyWorldTransform(t, mode);
        break;
    }
    case SelectObject: p.selectObject(r.u32()); break;
    case DeleteObject: p.deleteObject(r.u32()); break;
    case CreatePen: {
        const uint32_t ih = r.u32(), style = r.u32();
        const double width = r.i32();
        r.i32();
        p.createObject(ih, Player::makePen(style, width, metafile::colorRef(r.u32())));
        break;
    }
    case ExtCreatePen: {
        const uint32_t ih = r.u32();
        r.skip(16);
        const uint32_t style = r.u32();
        const double width = r.u32();
        const uint32_t brushStyle = r.u32();
        const QColor c = metafile::colorRef(r.u32());
        p.createObject(ih, Player::makePen(brushStyle == 1 ? 5 : style, (style & 0x00010000) ? width : 0, c));
        break;
    }
    case CreateBrushIndirect: {
        const uint32_t ih = r.u32(), style = r.u32();
        const QColor c = metafile::colorRef(r.u32());
        p.createObject(ih, Player::makeBrush(style, c, r.u32()));
        break;
    }
    case CreateDibPatternBrushPt: {
        const uint32_t ih = r.u32();
        r.u32();
        const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
        p.createObject(ih, Player::makePatternBrush(dibAt(p, record, offBmi, cbBmi, offBits, cbBits)));
        break;
    }
    case ExtCreateFontIndirectW: {
        const uint32_t ih = r.u32();
        const int height = r.i32();
        r.i32();
        const int escapement = r.i32();
        r.i32();
        const int weight = r.i32();
        const bool italic = r.u8(), underline = r.u8(), strike = r.u8();
        const int charset = r.u8();
        r.skip(4);
        const QByteArrayView face = r.bytes(qMin<qsizetype>(64, r.remaining()));
        QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(face.data()), face.size() / 2);
        const qsizetype nul = name.indexOf(QChar(0));
        if (nul >= 0)
            name.truncate(nul);
        p.createObject(ih, Player::makeFont(height, escapement, weight, italic, underline, strike, charset, name));
        break;
    }
    case Ellipse: p.ellipse(rect(r)); break;
    case Rectangle: p.rectangle(rect(r)); break;
    case RoundRect: {
        const QRectF box = rect(r);
        const QPointF corner = point(r);
        p.roundRect(box, QSizeF(corner.x(), corner.y()));
        break;
    }
    case Arc: case Chord: case Pie: case ArcTo: {
        const QRectF box = rect(r);
        const QPointF start = point(r), end = point(r);
        p.arc(box, start, end, type == Chord ? ArcKind::Chord : type == Pie ? ArcKind::Pie : ArcKind::Arc,
              type == ArcTo);
        break;
    }
    case BeginPath: p.beginPath(); break;
    case EndPath: p.endPath(); break;
    case CloseFigure: p.closeFigure(); break;
    case FillPath: p.fillPath(); break;
    case StrokeAndFillPath: p.strokeAndFillPath(); break;
    case StrokePath: p.strokePath(); break;
    case AbortPath: p.abortPath(); break;
    case ExtTextOutA: text(p, r, record, false); break;
    case ExtTextOutW: text(p, r, record, true); break;
    case BitBlt:
    case StretchBlt: {
        rect(r);
        const QPointF dst = point(r);
        const double dw = r.i32(), dh = r.i32();
        const uint32_t rop = r.u32();
        const QPointF src = point(r);
        r.skip(24 + 4 + 4); // source transform, background colour, colour usage
        const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
        QSizeF srcSize(dw, dh);
        if (type == StretchBlt) {
            const double sw = r.i32(), sh = r.i32();
            srcSize = QSizeF(sw, sh);
        }
        if (!r.ok())
            break;
        if (cbBmi == 0) {
            p.patternBlt(QRectF(dst, QSizeF(dw, dh)), rop);
            break;
        }
        const QImage image = dibAt(p, record, offBmi, cbBmi, offBits, cbBits);
        p.bitmap(QRectF(dst, QSizeF(dw, dh)), image, QRectF(src, srcSize));
        break;
    }
    case StretchDiBits:
    case SetDiBitsToDevice: {
        rect(r);
        const QPointF dst = point(r);
        const QPointF src = point(r);
        const double sw = r.i32(), sh = r.i32();
        const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
        r.u32(); // colour usage
        QSizeF dstSize(sw, sh);
        if (type == StretchDiBits) {
            r.u32(); // raster operation
            const double dw = r.i32(), dh = r.i32();
            dstSize = QSizeF(dw, dh);
        }
        if (!r.ok())
            break;
        const QImage image = dibAt(p, record, offBmi, cbBmi, offBits, cbBits);
        if (!image.isNull()) // source y counts from the bottom of the stored rows
            p.bitmap(QRectF(dst, dstSize), image, QRectF(src.x(), image.height() - src.y() - sh, sw, sh));
        break;
    }
    default:
        break; // other records do not change the picture we draw
    }
}

} // namespace

QImage renderEmf(QByteArrayView bytes) {
    const Frame frame = readHeader(bytes);
    QImage canvas = metafile::makeCanvas(metafile::canvasSize(frame.natural));
    {
        QPainter painter(&canvas);
        Player p(&painter, frame.device, canvas.size());
        p.setDeviceUnitsPerMm(frame.unitsPerMm);
        p.setObjectTableSize(frame.handles);
        qsizetype pos = 0;
        bool ended = false;
        while (pos + 8 <= bytes.size()) {
            ByteReader head(bytes, pos);
            const uint32_t type = head.u32();
            const qint64 size = head.u32();
            if (size < 8 || size % 4 != 0)
                fail(QStringLiteral("corrupt record at byte %1").arg(pos));
            if (size > bytes.size() - pos)
                fail(QStringLiteral("the file is truncated"));
            if (type == Eof) {
                ended = true;
                break;
            }
            const QByteArrayView record = bytes.sliced(pos, size);
            if (type != Header) {
                ByteReader r(record, 8);
                play(p, r, record, type);
            }
            pos += size;
        }
        if (!ended)
            fail(QStringLiteral("the file is truncated"));
        // Past the budget nothing more was drawn; the records were still read, so that a damaged file
        // keeps its own error.
        if (p.paintingSpent())
            fail(QStringLiteral("too much drawing (the records paint more than %1 pixels in all)")
                     .arg(qint64(metafile::kMaxPaintedPixels)));
    }
    return canvas;
}

} // namespace codecs
