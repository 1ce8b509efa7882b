#include "widgets/iLedMatrix.h"

#include "base/ErrorReport.h"
#include "widgets/iDrawing.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

const QString kIndexOutOfBounds = QStringLiteral("Index out of bounds");
const QString kExceedMaximum = QStringLiteral("Exceed Maximum Matrix Size");

idraw::Edge edgeOf(TiComponent::TiBevelStyle s) {
    return s == TiComponent::ibsRaised ? idraw::Edge::Raised
           : s == TiComponent::ibsLowered ? idraw::Edge::Lowered
                                          : idraw::Edge::None;
}

// Rounds half to even, as the stored layouts were computed.
int roundEven(double v) { return int(std::nearbyint(v)); }

} // namespace

const TLedCacheObject* TLedCache::Find(QRgb color) const {
    for (const auto& e : entries_)
        if (e.color == color)
            return &e;
    return nullptr;
}

const TLedCacheObject& TLedCache::Add(TLedCacheObject entry) {
    if (int(entries_.size()) >= kCapacity)
        entries_.pop_front();
    entries_.push_back(std::move(entry));
    return entries_.back();
}

TiLedMatrix::TiLedMatrix(QWidget* parent) : TiCustomComponent(parent) {
    captionInactiveFont_ = font();
    captionActiveFont_ = font();
    resizeGrid(colCount_, rowCount_);
    // The default size, without deriving indicator sizes from it.
    TiCustomComponent::SetBounds(0, 0, 150, 150);
    applyAutoSize();
}

void TiLedMatrix::checkIndex(int row, int col) const {
    if (row < 0 || row >= rowCount_ || col < 0 || col >= colCount_)
        throw Error(kIndexOutOfBounds);
}

void TiLedMatrix::resizeGrid(int cols, int rows) {
    const qint64 count = qint64(cols) * qint64(rows);
    if (count > kMaxIndicators)
        throw Error(kExceedMaximum);
    Indicator proto;
    proto.color = activeColor_.rgb();
    try {
        // Built aside and swapped in, so that a grid that cannot be had leaves the old one as it was.
        std::vector<Indicator> grid(size_t(count), proto);
        indicators_.swap(grid);
    } catch (const std::bad_alloc&) {
        throw Error(kExceedMaximum);
    }
    colCount_ = cols;
    rowCount_ = rows;
    captions_.clear();
    lastClicked_ = QPoint(-1, -1);
    fullRedraw();
}

void TiLedMatrix::setColCount(int n) {
    if (n <= 0 || n == colCount_)
        return;
    resizeGrid(n, rowCount_);
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setRowCount(int n) {
    if (n <= 0 || n == rowCount_)
        return;
    resizeGrid(colCount_, n);
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setIndicatorStyle(TiLedMatrixIndicatorStyle s) {
    if (s != ilmisRound && s != ilmisRectangle)
        return;
    if (!store(style_, s))
        return;
    if (style_ == ilmisRound)
        indicatorHeight_ = indicatorWidth_;
    fullRedraw();
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setIndicatorWidth(int w) {
    bool changed = store(indicatorWidth_, w);
    if (style_ == ilmisRound)
        changed = store(indicatorHeight_, w) || changed; // round indicators stay square
    if (!changed)
        return;
    fullRedraw();
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setIndicatorHeight(int h) {
    bool changed = store(indicatorHeight_, h);
    if (style_ == ilmisRound)
        changed = store(indicatorWidth_, h) || changed; // round indicators stay square
    if (!changed)
        return;
    fullRedraw();
    RequestBackgroundRepaint();
    applyAutoSize();
}

// Negative gaps and margins would overlap the indicators; they count as 0.
void TiLedMatrix::setSpacingHorizontal(int s) {
    if (!store(spacingH_, std::max(0, s)))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setSpacingVertical(int s) {
    if (!store(spacingV_, std::max(0, s)))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setOuterMargin(int m) {
    if (!store(outerMargin_, std::max(0, m)))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
    applyAutoSize();
}

void TiLedMatrix::setIndicatorActiveColor(const QColor& c) {
    if (!storeColor(activeColor_, c))
        return;
    const QRgb rgb = activeColor_.rgb();
    for (auto& ind : indicators_)
        ind.color = rgb;
    fullRedraw();
    RequestBackgroundRepaint();
}

void TiLedMatrix::setIndicatorBevelStyle(TiBevelStyle s) {
    if (!store(bevelStyle_, s))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
}

void TiLedMatrix::setIndicatorShowReflection(bool on) {
    if (!store(showReflection_, on))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
}

void TiLedMatrix::setIndicatorCaptionActiveFont(const QFont& f) {
    if (!store(captionActiveFont_, f))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
}

void TiLedMatrix::setIndicatorCaptionInactiveFont(const QFont& f) {
    if (!store(captionInactiveFont_, f))
        return;
    fullRedraw();
    RequestBackgroundRepaint();
}

void TiLedMatrix::setAutoSize(bool on) {
    if (store(autoSize_, on))
        applyAutoSize();
}

void TiLedMatrix::SetIndicatorActive(int row, int col, bool active) {
    checkIndex(row, col);
    Indicator& ind = indicators_[size_t(row) * size_t(colCount_) + size_t(col)];
    if (ind.active == active)
        return;
    ind.active = active;
    ind.dirty = true;
    RequestBackgroundRepaint();
}

bool TiLedMatrix::IndicatorActive(int row, int col) const {
    checkIndex(row, col);
    return indicators_[size_t(row) * size_t(colCount_) + size_t(col)].active;
}

QColor TiLedMatrix::IndicatorColor(int row, int col) const {
    checkIndex(row, col);
    return QColor(indicators_[size_t(row) * size_t(colCount_) + size_t(col)].color);
}

void TiLedMatrix::SetIndicatorColor(int row, int col, const QColor& c) {
    checkIndex(row, col);
    Indicator& ind = indicators_[size_t(row) * size_t(colCount_) + size_t(col)];
    if (ind.color == c.rgb())
        return;
    ind.color = c.rgb();
    ind.dirty = true;
    RequestBackgroundRepaint();
}

QString TiLedMatrix::IndicatorCaption(int row, int col) const {
    checkIndex(row, col);
    const auto it = captions_.find(row * colCount_ + col);
    return it == captions_.end() ? QString() : it->second;
}

void TiLedMatrix::SetIndicatorCaption(int row, int col, const QString& caption) {
    checkIndex(row, col);
    const int i = row * colCount_ + col;
    if (caption.isEmpty())
        captions_.erase(i);
    else
        captions_[i] = caption;
    indicators_[size_t(i)].dirty = true;
    RequestBackgroundRepaint();
}

QRect TiLedMatrix::IndicatorRect(int row, int col) const {
    checkIndex(row, col);
    return indicators_[size_t(row) * size_t(colCount_) + size_t(col)].rect;
}

void TiLedMatrix::InvalidateAll() {
    fullRedraw();
    RequestBackgroundRepaint();
}

void TiLedMatrix::fullRedraw() {
    for (auto& ind : indicators_)
        ind.dirty = true;
    cache_.Clear();
    fullRedrawPending_ = true;
}

void TiLedMatrix::BackgroundChange() {
    fullRedraw();
    TiCustomComponent::BackgroundChange();
}

void TiLedMatrix::CachedDrawingChanged() {
    if (!CachedDrawing())
        cached_ = QImage();
    fullRedraw();
}

void TiLedMatrix::Loaded() { applyAutoSize(); }

void TiLedMatrix::applyAutoSize() {
    if (!autoSize_ || inAutoSize_ || IsLoading())
        return;
    inAutoSize_ = true;
    const qint64 w = 2LL * outerMargin_ + qint64(indicatorWidth_ + spacingH_) * colCount_;
    const qint64 h = 2LL * outerMargin_ + qint64(indicatorHeight_ + spacingV_) * rowCount_;
    SetBounds(Left(), Top(), int(std::clamp<qint64>(w, 0, kMaxWidth)), int(std::clamp<qint64>(h, 0, kMaxHeight)));
    inAutoSize_ = false;
}

void TiLedMatrix::SetBounds(int left, int top, int w, int h) {
    // Compared with the size last handled: a resize through Qt (resize, a layout) has already changed size().
    const QSize before = lastHandledSize();
    TiCustomComponent::SetBounds(left, top, w, h);
    if (QSize(Width(), Height()) != before && autoSize_ && !inAutoSize_ && !IsLoading())
        indicatorsFromSize();
}

// A size given from outside: the indicators take the room it leaves.
void TiLedMatrix::indicatorsFromSize() {
    inAutoSize_ = true;
    const int w = roundEven(double(Width() - 2 * outerMargin_) / colCount_) - spacingH_;
    const int h = roundEven(double(Height() - 2 * outerMargin_) / rowCount_) - spacingV_;
    setIndicatorWidth(w);
    if (style_ != ilmisRound)
        setIndicatorHeight(h);
    inAutoSize_ = false;
}

int TiLedMatrix::indexAt(int x, int y) const {
    if (indicatorWidth_ <= 0 || indicatorHeight_ <= 0 || indicators_.empty())
        return -1;
    // The rectangles are those of the last paint; before any paint, the layout it would use.
    const Indicator& first = indicators_.front();
    QPoint origin = first.rect.topLeft();
    if (first.rect.isNull())
        origin = QPoint((Width() - (indicatorWidth_ + spacingH_) * colCount_) / 2 + 1,
                        (Height() - (indicatorHeight_ + spacingV_) * rowCount_) / 2 + 1);
    const int dx = x - origin.x(), dy = y - origin.y();
    if (dx < 0 || dy < 0)
        return -1;
    const int col = dx / (indicatorWidth_ + spacingH_), row = dy / (indicatorHeight_ + spacingV_);
    if (col >= colCount_ || row >= rowCount_)
        return -1;
    if (dx % (indicatorWidth_ + spacingH_) >= indicatorWidth_ || dy % (indicatorHeight_ + spacingV_) >= indicatorHeight_)
        return -1; // in the gap between indicators
    return row * colCount_ + col;
}

void TiLedMatrix::HandleMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    const int i = indexAt(x, y);
    if (i < 0)
        return;
    indicators_[size_t(i)].mouseDown = true;
    emit mouseDownIndicator(i / colCount_, i % colCount_);
}

void TiLedMatrix::HandleMouseMove(Qt::KeyboardModifiers, int x, int y) {
    const int i = indexAt(x, y);
    if (i >= 0)
        emit mouseMoveIndicator(i / colCount_, i % colCount_);
}

void TiLedMatrix::HandleMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    const int i = indexAt(x, y);
    if (i >= 0 && indicators_[size_t(i)].mouseDown) {
        lastClicked_ = QPoint(i % colCount_, i / colCount_);
        emit mouseUpIndicator(i / colCount_, i % colCount_);
        emit clickIndicator(i / colCount_, i % colCount_);
        RequestRepaint();
    } else {
        lastClicked_ = QPoint(-1, -1);
    }
    for (auto& ind : indicators_)
        ind.mouseDown = false;
}

void TiLedMatrix::HandleDblClick() {
    if (lastClicked_.x() >= 0)
        emit dblClickIndicator(lastClicked_.y(), lastClicked_.x());
}

const TLedCacheObject& TiLedMatrix::cachedPictures(QRgb color) {
    if (const TLedCacheObject* hit = cache_.Find(color))
        return *hit;
    TLedCacheObject entry;
    entry.color = color;
    const QRect r(0, 0, indicatorWidth_, indicatorHeight_);
    for (bool active : {true, false}) {
        QImage pic(r.size(), QImage::Format_RGB32);
        QPainter p(&pic);
        Indicator ind;
        ind.color = color;
        ind.active = active;
        paintRectangleIndicator(p, ind, r);
        p.end();
        (active ? entry.active : entry.inactive) = pic;
    }
    return cache_.Add(std::move(entry));
}

void TiLedMatrix::paintRoundIndicator(QPainter& canvas, const Indicator& ind, const QRect& r) const {
    const QColor c(ind.color);
    const QColor fill = ind.active ? c : idraw::dimmed(c);
    idraw::ellipseLTRB(canvas, r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), fill, fill);
    if (showReflection_)
        idraw::reflection(canvas, r, ind.active ? QColor(Qt::white) : c);
    idraw::bevelRing(canvas, r, edgeOf(bevelStyle_));
}

void TiLedMatrix::paintRectangleIndicator(QPainter& canvas, const Indicator& ind, const QRect& r) const {
    const QColor c(ind.color);
    canvas.fillRect(r, ind.active ? c : idraw::dimmed(c));
    idraw::edge3D(canvas, r, edgeOf(bevelStyle_));
    if (showReflection_) {
        canvas.save();
        canvas.setPen(QPen(ind.active ? QColor(Qt::white) : c, 1));
        canvas.drawLine(r.left() + 3, r.top() + 3, r.left() + 5, r.top() + 3);
        canvas.restore();
    }
}

void TiLedMatrix::paintIndicator(QPainter& canvas, const Indicator& ind, const QRect& r) {
    if (style_ == ilmisRound) {
        paintRoundIndicator(canvas, ind, r);
    } else {
        const TLedCacheObject& pics = cachedPictures(ind.color);
        canvas.drawImage(r.topLeft(), ind.active ? pics.active : pics.inactive);
    }
}

void TiLedMatrix::paintIndicators(QPainter& canvas, bool onlyDirty) {
    const int stepX = indicatorWidth_ + spacingH_, stepY = indicatorHeight_ + spacingV_;
    const int x0 = (Width() - stepX * colCount_) / 2 + 1;
    const int y0 = (Height() - stepY * rowCount_) / 2 + 1;
    for (int col = 0; col < colCount_; ++col) {
        for (int row = 0; row < rowCount_; ++row) {
            const int i = row * colCount_ + col;
            Indicator& ind = indicators_[size_t(i)];
            ind.rect = QRect(x0 + col * stepX, y0 + row * stepY, indicatorWidth_, indicatorHeight_);
            if (onlyDirty && !ind.dirty)
                continue;
            paintIndicator(canvas, ind, ind.rect);
            const auto cap = captions_.find(i);
            if (cap != captions_.end()) {
                canvas.save();
                canvas.setFont(ind.active ? captionActiveFont_ : captionInactiveFont_);
                canvas.setPen(ind.active ? QColor(Qt::black) : QColor(Qt::white));
                canvas.drawText(ind.rect, Qt::AlignCenter, cap->second);
                canvas.restore();
            }
            ind.dirty = false;
        }
    }
}

void TiLedMatrix::PaintTo(QPainter& canvas) {
    if (indicatorWidth_ <= 0 || indicatorHeight_ <= 0) {
        // Nothing can be drawn: the face stays plain background rather than an old frame.
        PaintBackground(canvas, BackGroundColor());
        clearBackgroundDirty();
        return;
    }
    // Zoomed, every indicator is drawn onto the scaled canvas: the kept picture holds the designed pixels, and
    // is made anew when the zoom is back at 1.
    if (!CachedDrawing() || Zoom() != 1.0) {
        cached_ = QImage();
        PaintBackground(canvas, BackGroundColor());
        paintIndicators(canvas, false);
        clearBackgroundDirty();
        return;
    }
    if (cached_.size() != size()) {
        cached_ = QImage(size(), QImage::Format_RGB32);
        fullRedraw();
    }
    QPainter cp(&cached_);
    if (fullRedrawPending_) {
        PaintBackground(cp, BackGroundColor());
        fullRedrawPending_ = false;
    }
    paintIndicators(cp, true);
    cp.end();
    clearBackgroundDirty();
    canvas.drawImage(0, 0, cached_);
}
