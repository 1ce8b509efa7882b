#pragma once
// The drawing state machine shared by the WMF and EMF renderers: a device context in the manner of the
// metafile records (objects, window and viewport mapping, current position, saved states, paths) drawn
// onto a QPainter. The renderers only parse records and call it.
#include "codecs/ObjectSlots.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <map>
#include <vector>

namespace codecs::metafile {

// The record's 0x00BBGGRR colour value.
inline QColor colorRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

struct GdiObject {
    enum Kind { None, Pen, Brush, Font, Other } kind = None;
    QPen pen;
    QBrush brush;
    QFont font;
    int fontHeight = 0;      // logical units; negative: character height, positive: cell height
    double escapement = 0;   // degrees, counter-clockwise
    int charset = 1;
};

enum class ArcKind { Arc, Chord, Pie };

class Player {
public:
    // Draws into `painter`, whose device space is the picture; `frame` is the rectangle of the reference
    // device space that covers the picture (logical units map onto it through window and viewport).
    Player(QPainter* painter, const QRectF& frame, const QSizeF& pictureSize);
    ~Player();

    // Objects. The table has the size the file's header declares (none until it is set); objects created
    // beyond it are not kept, as the system's own player does not keep them.
    void setObjectTableSize(uint32_t count);
    void createObject(uint32_t index, const GdiObject& object);
    void createObjectInFreeSlot(const GdiObject& object); // WMF: the lowest free slot
    void selectObject(uint32_t index);
    void selectStockObject(uint32_t stock);
    void deleteObject(uint32_t index);
    static GdiObject makePen(uint32_t style, double width, QColor color);
    static GdiObject makeBrush(uint32_t style, QColor color, uint32_t hatch);
    static GdiObject makeFont(int height, int escapement, int weight, bool italic, bool underline, bool strike,
                              int charset, const QString& face);
    static GdiObject makePatternBrush(const QImage& pattern);

    // Mapping and state.
    void setMapMode(int mode);
    void setWindowOrg(QPointF p);
    void setWindowExt(QSizeF s);
    void setViewportOrg(QPointF p);
    void setViewportExt(QSizeF s);
    void setWorldTransform(const QTransform& t);
    void modifyWorldTransform(const QTransform& t, int mode);
    void setTextColor(QColor c) { dc_.textColor = c; }
    void setBkColor(QColor c) { dc_.bkColor = c; }
    void setBkMode(int mode) { dc_.opaqueBackground = mode == 2; }
    void setTextAlign(uint32_t align) { dc_.textAlign = align; }
    void setPolyFillMode(int mode) { dc_.fillRule = mode == 2 ? Qt::WindingFill : Qt::OddEvenFill; }
    void saveDC();
    void restoreDC(int relative);
    void intersectClipRect(const QRectF& r);
    // A device-space millimetre in reference device units (for the metric mapping modes).
    void setDeviceUnitsPerMm(QSizeF perMm) { unitsPerMm_ = perMm; }

    // Drawing.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points, bool fromCurrent = false);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyBezier(const QPolygonF& points, bool fromCurrent = false);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    void arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind, bool lineFromCurrent = false);
    void setPixel(QPointF p, QColor c);
    void fillRect(const QRectF& r, const QBrush& brush);
    void patternBlt(const QRectF& r, uint32_t rop);
    void text(QPointF reference, const QString& text, const QRectF* opaqueRect);
    void bitmap(const QRectF& dest, const QImage& image, const QRectF& source);
    const GdiObject& font() const { return dc_.font; }
    // Drawing is charged by what it costs the raster engine (the area of the picture it covers, and for
    // paths see pathCost): a file of small records that each cover the whole picture would otherwise
    // take minutes. Once kMaxPaintedPixels are spent nothing more is drawn, and the renderer gives up.
    bool paintingSpent() const { return paintLeft_ < 0; }
    // The pixels the metafile's embedded bitmaps may still decode (see decodeDib).
    qint64* bitmapPixelsLeft() { return &bitmapPixelsLeft_; }

    // Paths.
    void beginPath();
    void endPath() { dc_.inPath = false; }
    void closeFigure() { path_.closeSubpath(); }
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void abortPath();

private:
    struct DcState {
        QPen pen{Qt::black, 0};
        QBrush brush{Qt::white};
        GdiObject font;
        QColor textColor{Qt::black};
        QColor bkColor{Qt::white};
        bool opaqueBackground = true;
        uint32_t textAlign = 0;
        Qt::FillRule fillRule = Qt::OddEvenFill;
        int mapMode = 1;
        QPointF windowOrg, viewportOrg;
        QSizeF windowExt{1, 1}, viewportExt{1, 1};
        QTransform world;
        QPointF current;
        bool inPath = false;
    };

    void applyTransform();
    QTransform logicalToDevice() const;
    void drawPath(const QPainterPath& path, bool fill, bool stroke);
    bool charge(const QRectF& logical, double margin);
    bool chargePicture(const QRectF& picture);
    bool chargePath(const QPainterPath& path, bool fill, bool stroke);

    QPainter* painter_;
    QTransform deviceToPicture_;
    QSizeF unitsPerMm_{3.78, 3.78};
    DcState dc_;
    std::vector<DcState> saved_;
    std::map<uint32_t, GdiObject> objects_;
    ObjectSlots slots_;
    qint64 bitmapPixelsLeft_;
    QSizeF pictureSize_;
    double paintLeft_;
    QPainterPath path_;
};

} // namespace codecs::metafile

namespace codecs::metafile {

// The pixel size a metafile is drawn at: its natural size, shrunk (aspect kept) to at most kMaxMetafileSide
// on the longer side so that a hostile header cannot ask for a huge canvas.
inline constexpr int kMaxMetafileSide = 4096;
// What a metafile's records may paint in all: eight times the largest picture (a hatched fill of it takes
// some 30 ms here).
inline constexpr double kMaxPaintedPixels = 8.0 * kMaxMetafileSide * kMaxMetafileSide;
QSize canvasSize(QSizeF natural);

// A fresh opaque white canvas.
QImage makeCanvas(QSize size);

} // namespace codecs::metafile
