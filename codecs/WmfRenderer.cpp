// Windows metafiles (optionally with the "placeable" header): the common drawing records are drawn by the
// shared metafile player; records we do not know are skipped.
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

[[noreturn]] void fail(const QString& why) { throw Error(QStringLiteral("WMF error: %1").arg(why)); }

enum Record : uint16_t {
    Eof = 0x0000, SaveDc = 0x001E, RealizePalette = 0x0035, SetBkMode = 0x0102, SetMapMode = 0x0103,
    SetRop2 = 0x0104, SetPolyFillMode = 0x0106, SetStretchBltMode = 0x0107, RestoreDc = 0x0127,
    SelectObject = 0x012D, SetTextAlign = 0x012E, DibCreatePatternBrush = 0x0142, DeleteObject = 0x01F0,
    CreatePalette = 0x00F7, CreatePatternBrush = 0x01F9, SetBkColor = 0x0201, SetTextColor = 0x0209,
    SetWindowOrg = 0x020B, SetWindowExt = 0x020C, SetViewportOrg = 0x020D, SetViewportExt = 0x020E,
    CreatePenIndirect = 0x02FA, CreateFontIndirect = 0x02FB, CreateBrushIndirect = 0x02FC, LineTo = 0x0213,
    MoveTo = 0x0214, Polygon = 0x0324, Polyline = 0x0325, IntersectClipRect = 0x0416, Ellipse = 0x0418,
    Rectangle = 0x041B, SetPixel = 0x041F, TextOut = 0x0521, PolyPolygon = 0x0538, PatBlt = 0x061D,
    RoundRect = 0x061C, CreateRegion = 0x06FF, Arc = 0x0817, Pie = 0x081A, Chord = 0x0830, DibBitBlt = 0x0940,
    ExtTextOut = 0x0A32, DibStretchBlt = 0x0B41, StretchDib = 0x0F43,
};

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

QString decodeText(QByteArrayView bytes, int charset) {
    // The lab machines' code page is GBK; fonts asking for the system's default set or GB2312 use it.
    if (charset == 1 || charset == 134)
        return gbk::decode(bytes);
    return QString::fromLatin1(bytes);
}

QPointF point(ByteReader& r) { // stored y first
    const double y = r.i16();
    const double x = r.i16();
    return {x, y};
}

QRectF rect(ByteReader& r) { // stored bottom, right, top, left
    const double b = r.i16(), rt = r.i16(), t = r.i16(), l = r.i16();
    return QRectF(QPointF(l, t), QPointF(rt, b));
}

QPolygonF points(ByteReader& r, qsizetype count) {
    QPolygonF poly;
    if (count < 0 || !r.has(count * 4))
        return poly;
    poly.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const double x = r.i16();
        const double y = r.i16();
        poly.append(QPointF(x, y));
    }
    return poly;
}

struct Header {
    bool placeable = false;
    QRectF bounds;
    double unitsPerInch = 1440;
    qsizetype firstRecord = 0;
    uint16_t objects = 0; // entries of the object table
};

Header readHeader(QByteArrayView bytes) {
    Header h;
    ByteReader r(bytes);
    if (r.u32() == kPlaceableKey) {
        r.u16();
        const double l = r.i16(), t = r.i16(), rt = r.i16(), b = r.i16();
        h.unitsPerInch = r.u16();
        r.skip(6);
        h.placeable = true;
        h.bounds = QRectF(QPointF(l, t), QPointF(rt, b));
        if (h.unitsPerInch <= 0)
            h.unitsPerInch = 1440;
    } else {
        r.seek(0);
    }
    const qsizetype start = r.pos();
    const uint16_t type = r.u16();
    const uint16_t headerWords = r.u16();
    r.skip(6); // version, size
    h.objects = r.u16();
    r.skip(6); // longest record, unused
    if (!r.ok())
        fail(QStringLiteral("the file is truncated"));
    if ((type != 1 && type != 2) || headerWords != 9)
        fail(QStringLiteral("not a Windows metafile"));
    h.firstRecord = start + 18;
    return h;
}

// Without a placeable header the picture's frame is the window the records set first.
QRectF firstWindow(QByteArrayView bytes, qsizetype pos) {
    QPointF org;
    QSizeF ext;
    bool haveExt = false;
    while (pos + 6 <= bytes.size()) {
        ByteReader r(bytes, pos);
        const qint64 words = r.u32();
        const uint16_t fn = r.u16();
        if (words < 3 || fn == Eof || pos + words * 2 > bytes.size())
            break;
        if (fn == SetWindowOrg)
            org = point(r);
        else if (fn == SetWindowExt && !haveExt) {
            const QPointF e = point(r);
            ext = QSizeF(e.x(), e.y());
            haveExt = true;
        }
        pos += words * 2;
    }
    if (!haveExt || ext.width() == 0 || ext.height() == 0)
        fail(QStringLiteral("the picture has no size"));
    return QRectF(org, ext);
}

QImage dibFromRecord(Player& p, ByteReader& r) {
    const QByteArrayView dib = r.bytes(r.remaining());
    return dib.size() >= 12 ? detail::decodeDib(dib, "WMF", p.bitmapPixelsLeft()) : QImage();
}

void play(Player& p, ByteReader& r, uint16_t fn, qint64 words) {
    switch (fn) {
    case SaveDc: p.saveDC(); break;
    case RestoreDc: p.restoreDC(r.i16()); break;
    case SetBkMode: p.setBkMode(r.u16()); break;
    case SetPolyFillMode: p.setPolyFillMode(r.u16()); break;
    case SetTextAlign: p.setTextAlign(r.u16()); break;
    case SetBkColor: p.setBkColor(metafile::colorRef(r.u32())); break;
    case SetTextColor: p.setTextColor(metafile::colorRef(r.u32())); break;
    case SetWindowOrg: p.setWindowOrg(point(r)); break;
    case SetWindowExt: {
        const QPointF e = point(r);
        p.setWindowExt(QSizeF(e.x(), e.y()));
        break;
    }
    case SelectObject: p.selectObject(r.u16()); break;
    case DeleteObject: p.deleteObject(r.u16()); break;
    case CreatePenIndirect: {
        const uint16_t style = r.u16();
        const double width = r.i16();
        r.i16();
        p.createObjectInFreeSlot(Player::makePen(style, width, metafile::colorRef(r.u32())));
        break;
    }
    case CreateBrushIndirect: {
        const uint16_t style = r.u16();
        const QColor c = metafile::colorRef(r.u32());
        p.createObjectInFreeSlot(Player::makeBrush(style, c, r.u16()));
        break;
    }
    case CreateFontIndirect: {
        const int height = r.i16();
        r.i16();
        const int escapement = r.i16();
        r.i16();
        const int weight = r.i16();
        const bool italic = r.u8(), underline = r.u8(), strike = r.u8();
        const int cs = r.u8();
        r.skip(4);
        QByteArrayView face = r.bytes(qMin<qsizetype>(32, r.remaining()));
        const qsizetype nul = face.indexOf('\0');
        if (nul >= 0)
            face = face.first(nul);
        p.createObjectInFreeSlot(
            Player::makeFont(height, escapement, weight, italic, underline, strike, cs, decodeText(face, cs)));
        break;
    }
    case CreatePalette:
    case CreatePatternBrush:
    case CreateRegion: { // they take a slot that later records count on
        metafile::GdiObject other;
        other.kind = metafile::GdiObject::Other;
        p.createObjectInFreeSlot(fn == CreatePatternBrush ? Player::makeBrush(3, Qt::gray, 0) : other);
        break;
    }
    case DibCreatePatternBrush: {
        r.u16();
        r.u16();
        QImage pattern;
        try {
            pattern = dibFromRecord(p, r);
        } catch (const Error&) {
        }
        p.createObjectInFreeSlot(Player::makePatternBrush(pattern));
        break;
    }
    case MoveTo: p.moveTo(point(r)); break;
    case LineTo: p.lineTo(point(r)); break;
    case Polygon:
    case Polyline: {
        const QPolygonF poly = points(r, r.i16());
        if (fn == Polygon)
            p.polygon(poly);
        else
            p.polyline(poly);
        break;
    }
    case PolyPolygon: {
        const int n = r.u16();
        std::vector<int> counts;
        for (int i = 0; i < n && r.ok(); ++i)
            counts.push_back(r.u16());
        std::vector<QPolygonF> polys;
        for (int c : counts)
            polys.push_back(points(r, c));
        if (r.ok())
            p.polyPolygon(polys);
        break;
    }
    case Rectangle: p.rectangle(rect(r)); break;
    case Ellipse: p.ellipse(rect(r)); break;
    case IntersectClipRect: p.intersectClipRect(rect(r)); break;
    case RoundRect: {
        const double h = r.i16(), w = r.i16();
        p.roundRect(rect(r), QSizeF(w, h));
        break;
    }
    case Arc:
    case Pie:
    case Chord: {
        const QPointF end = point(r), start = point(r);
        const QRectF box = rect(r);
        p.arc(box, start, end, fn == Arc ? ArcKind::Arc : fn == Pie ? ArcKind::Pie : ArcKind::Chord);
        break;
    }
    case SetPixel: {
        const QColor c = metafile::colorRef(r.u32());
        p.setPixel(point(r), c);
        break;
    }
    case PatBlt: {
        const uint32_t rop = r.u32();
        const double h = r.i16(), w = r.i16();
        const QPointF at = point(r);
        p.patternBlt(QRectF(at, QSizeF(w, h)), rop);
        break;
    }
    case TextOut: {
        const int count = r.i16();
        const QByteArrayView s = r.bytes(qMax(0, count));
        r.skip(count & 1);
        const QPointF at = point(r);
        if (r.ok())
            p.text(at, decodeText(s, p.font().charset), nullptr);
        break;
    }
    case ExtTextOut: {
        const QPointF at = point(r);
        const int count = r.i16();
        const uint16_t options = r.u16();
        QRectF clip;
        const bool hasRect = options & 0x0006;
        if (hasRect) { // stored left, top, right, bottom here
            const double l = r.i16(), t = r.i16(), rt = r.i16(), b = r.i16();
            clip = QRectF(QPointF(l, t), QPointF(rt, b));
        }
        const QByteArrayView s = r.bytes(qMax(0, count));
        if (r.ok())
            p.text(at, decodeText(s, p.font().charset), (options & 0x0002) ? &clip : nullptr);
        break;
    }
    case DibBitBlt:
    case DibStretchBlt:
    case StretchDib: {
        // Without a bitmap the record is a pattern fill.
        const bool withBitmap = fn == StretchDib || words > qint64(fn >> 8) + 3;
        const uint32_t rop = r.u32();
        if (fn == StretchDib)
            r.u16();
        QSizeF srcSize;
        if (fn != DibBitBlt) {
            const double sh = r.i16(), sw = r.i16();
            srcSize = QSizeF(sw, sh);
        }
        const QPointF src = point(r);
        if (!withBitmap)
            r.i16(); // the reserved word of the short form
        const double dh = r.i16(), dw = r.i16();
        const QPointF dst = point(r);
        if (fn == DibBitBlt)
            srcSize = QSizeF(dw, dh);
        if (!withBitmap) {
            p.patternBlt(QRectF(dst, QSizeF(dw, dh)), rop);
            break;
        }
        const QImage image = dibFromRecord(p, r);
        if (!image.isNull()) {
            // Source y counts from the bottom of a bottom-up bitmap, as the stored rows are.
            const QRectF source(src.x(), image.height() - src.y() - srcSize.height(), srcSize.width(),
                                srcSize.height());
            p.bitmap(QRectF(dst, QSizeF(dw, dh)), image, source);
        }
        break;
    }
    default:
        break; // other records do not change the picture we draw
    }
}

} // namespace

QImage renderWmf(QByteArrayView bytes) {
    const Header header = readHeader(bytes);
    QRectF frame = header.placeable ? header.bounds : firstWindow(bytes, header.firstRecord);
    QSizeF natural = frame.size();
    if (header.placeable)
        natural = QSizeF(std::abs(frame.width()), std::abs(frame.height())) * 96.0 / header.unitsPerInch;
    if (frame.width() == 0 || frame.height() == 0)
        fail(QStringLiteral("the picture has no size"));
    QImage canvas = metafile::makeCanvas(metafile::canvasSize(natural));
    {
        QPainter painter(&canvas);
        // Logical units map onto the frame through the window the records set (anisotropically).
        Player p(&painter, QRectF(0, 0, canvas.width(), canvas.height()), canvas.size());
        p.setMapMode(8);
        p.setViewportExt(canvas.size());
        p.setWindowOrg(frame.topLeft());
        p.setWindowExt(frame.size());
        p.setObjectTableSize(header.objects);
        qsizetype pos = header.firstRecord;
        bool ended = false;
        while (pos + 6 <= bytes.size()) {
            ByteReader head(bytes, pos);
            const qint64 words = head.u32();
            const uint16_t fn = head.u16();
            if (fn == Eof) {
                ended = true;
                break;
            }
            if (words < 3)
                fail(QStringLiteral("corrupt record at byte %1").arg(pos));
            if (words * 2 > bytes.size() - pos)
                fail(QStringLiteral("the file is truncated"));
            ByteReader r(bytes.sliced(pos + 6, words * 2 - 6));
            play(p, r, fn, words);
            pos += words * 2;
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
