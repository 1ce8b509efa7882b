#include "boards/BoardArea.h"

#include "base/Zoom.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace boards {

namespace {
const QColor kFace(240, 240, 240);
const QColor kHighlight(255, 255, 255);
const QColor kShadow(160, 160, 160);
const QColor kDarkShadow(105, 105, 105);

bool mouseTarget(const Component& c) { return c.kind == ComponentKind::Block || c.kind == ComponentKind::Terminal; }

// A two-pixel bevel: outer and inner lines, light on the top-left, dark on the bottom-right (or the reverse).
void bevel(QPainter& p, const QRect& r, const QColor& outerTL, const QColor& outerBR, const QColor& innerTL,
           const QColor& innerBR) {
    const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    p.setPen(outerTL);
    p.drawLine(l, t, rt - 1, t);
    p.drawLine(l, t, l, b - 1);
    p.setPen(outerBR);
    p.drawLine(l, b, rt, b);
    p.drawLine(rt, t, rt, b);
    if (r.width() > 2 && r.height() > 2) {
        p.setPen(innerTL);
        p.drawLine(l + 1, t + 1, rt - 2, t + 1);
        p.drawLine(l + 1, t + 1, l + 1, b - 2);
        p.setPen(innerBR);
        p.drawLine(l + 1, b - 1, rt - 1, b - 1);
        p.drawLine(rt - 1, t + 1, rt - 1, b - 1);
    }
}
} // namespace

BoardArea::BoardArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnl_dock"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f(QStringLiteral("黑体"));
    f.setPixelSize(13);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, silver());
    pal.setColor(QPalette::WindowText, boardTextColour());
    setPalette(pal);
    setAutoFillBackground(false);
}

void BoardArea::setComponents(const QList<Component>* components) {
    components_ = components;
    pressed_ = -1;
    down_ = false;
    elementsChanged();
}

void BoardArea::elementsChanged() {
    cacheValid_ = false;
    update();
}

void BoardArea::Refresh() {
    connection_.reset();
    update();
}

void BoardArea::showConnection(const LinkConnection& connection) {
    connection_ = connection;
    update();
}

void BoardArea::setZoom(double zoom) {
    if (zoom <= 0 || zoom == zoom_)
        return;
    zoom_ = zoom;
    cacheValid_ = false;
    update();
}

QPoint BoardArea::toDesign(const QPointF& pos) const { return zoom::toDesign(pos, zoom_); }

QSize BoardArea::designedSize() const { return zoom::unscaled(size(), zoom_); }

int BoardArea::elementAt(const QPoint& pos) const {
    if (!components_)
        return -1;
    for (int i = static_cast<int>(components_->size()) - 1; i >= 0; --i) {
        const Component& c = (*components_)[i];
        if (mouseTarget(c) && c.rect.contains(pos))
            return i;
    }
    return -1;
}

QString BoardArea::hintAt(const QPoint& pos) const {
    const int i = elementAt(pos);
    if (i < 0)
        return {};
    const Component& c = (*components_)[i];
    return c.showHint && c.hasHint ? c.hint : QString();
}

QSize BoardArea::labelSize(const QString& caption) const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(caption), fm.height());
}

void BoardArea::setCaching(bool on) {
    caching_ = on;
    cacheValid_ = false;
    cache_ = QPixmap();
}

void BoardArea::paintBlock(QPainter& p, const Component& c, bool down) const {
    const QRect& r = c.rect;
    if (r.isEmpty())
        return;
    p.fillRect(r, kFace);
    if (down)
        bevel(p, r, kDarkShadow, kHighlight, kShadow, kFace);
    else
        bevel(p, r, kHighlight, kDarkShadow, kFace, kShadow);
    if (!c.caption.isEmpty()) {
        p.setPen(boardTextColour());
        // A held button shows its face one pixel down and right.
        p.drawText(down ? r.translated(1, 1) : r, Qt::AlignCenter | Qt::TextSingleLine, c.caption);
    }
}

void BoardArea::paintTerminal(QPainter& p, const Component& c) const {
    const QRect& r = c.rect;
    if (r.width() < 1 || r.height() < 1)
        return;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(c.brush.isValid() ? QBrush(c.brush) : QBrush(Qt::NoBrush));
    // The outline is drawn on the rectangle's outermost pixels.
    const QRect inner(r.left(), r.top(), r.width() - 1, r.height() - 1);
    if (c.shape == TerminalShape::Circle)
        p.drawEllipse(inner);
    else
        p.drawRect(inner);
}

void BoardArea::paintLabel(QPainter& p, const Component& c) const {
    p.fillRect(c.rect, silver());
    p.setPen(boardTextColour());
    p.drawText(c.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, c.caption);
}

void BoardArea::paintElements(QPainter& p) const {
    if (!components_)
        return;
    if (beforePainting)
        beforePainting();
    p.setFont(font());
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < components_->size(); ++i) {
        const Component& c = (*components_)[i];
        switch (c.kind) {
        case ComponentKind::Block: paintBlock(p, c, down_ && i == pressed_); break;
        case ComponentKind::Terminal: paintTerminal(p, c); break;
        case ComponentKind::Label: paintLabel(p, c); break;
        case ComponentKind::LinkLayer: // no content of its own
        case ComponentKind::Widget:    // child widgets paint themselves
            break;
        }
    }
}

void BoardArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (caching_) {
        const qreal dpr = devicePixelRatioF();
        const QSize want = size() * dpr;
        if (!cacheValid_ || cache_.size() != want) {
            cache_ = QPixmap(want);
            cache_.setDevicePixelRatio(dpr);
            cache_.fill(silver());
            QPainter cp(&cache_);
            cp.scale(zoom_, zoom_);
            paintElements(cp);
            cacheValid_ = true;
        }
        p.drawPixmap(0, 0, cache_);
        p.scale(zoom_, zoom_);
    } else {
        p.fillRect(rect(), silver());
        p.scale(zoom_, zoom_);
        paintElements(p);
    }
    // The connection lies over every drawn element and under the instrument widgets.
    if (connection_)
        paintConnection(p, *connection_);
}

void BoardArea::setDown(bool down) {
    if (down == down_)
        return;
    down_ = down;
    cacheValid_ = false;
    update();
}

void BoardArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int i = elementAt(toDesign(event->position()));
    if (i >= 0 && (*components_)[i].kind == ComponentKind::Block) {
        pressed_ = i;
        down_ = false;
        setDown(true);
    }
}

void BoardArea::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ >= 0 && components_)
        setDown((*components_)[pressed_].rect.contains(toDesign(event->position())));
    QWidget::mouseMoveEvent(event);
}

void BoardArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || pressed_ < 0) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const int index = pressed_;
    const bool clicked = components_ && (*components_)[index].rect.contains(toDesign(event->position()));
    setDown(false);
    pressed_ = -1;
    if (clicked && onBlockClick)
        onBlockClick(index);
}

bool BoardArea::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint at = toDesign(help->pos());
        const int i = elementAt(at);
        const QString hint = hintAt(at);
        if (!hint.isEmpty())
            QToolTip::showText(help->globalPos(), hint, this, zoom::scaled((*components_)[i].rect, zoom_));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void BoardArea::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        cacheValid_ = false;
    QWidget::changeEvent(event);
}

void BoardArea::resizeEvent(QResizeEvent* event) {
    cacheValid_ = false;
    QWidget::resizeEvent(event);
}

} // namespace boards
