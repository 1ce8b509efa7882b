#include "handout/HandoutBoard.h"

#include "base/Gbk.h"
#include "boards/BoardArea.h"
#include "boards/BoardForm.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace handout {

namespace {

// The smallest block holding the terminal's centre: its caption and rectangle.
QString blockCaption(const BoardForm& form, int index, QRect* blockRect) {
    const QRect r = form.componentRect(index);
    const int block = boards::blockAround(form.components(), r);
    if (blockRect)
        *blockRect = block >= 0 ? form.componentRect(block) : r;
    return block >= 0 ? form.components()[block].caption.trimmed() : QString();
}

qint64 areaOf(const QRect& r) { return r.isEmpty() ? 0 : qint64(r.width()) * r.height(); }

// The blocks the wiring touches, and every block mostly inside their rectangle taken whole, so that the crop
// ends at block edges. Only once: taking in one block would bring in the next, up to the whole board.
QRect cropAtBlocks(const BoardForm& form, const QRect& touched) {
    QRect crop = touched;
    for (int i = 0; i < form.componentCount(); ++i) {
        if (form.components()[i].kind != boards::ComponentKind::Block)
            continue;
        const QRect r = form.componentRect(i);
        if (r.intersects(touched) && 3 * areaOf(r & touched) >= 2 * areaOf(r))
            crop |= r;
    }
    return crop;
}

// The instruments are rendered as pictures at four times their size: rendering them straight onto the page's
// painter leaves its clip behind (and a recorded QPicture draws some of them at the wrong scale).
constexpr int kWidgetScale = 4;

// The board area through its own painting code, so that lines and texts stay vectors. Only the elements the
// crop shows are painted (what lies outside would still be text in the file), and a block the crop cuts keeps
// its frame but not its caption.
void paintBoard(QPainter& p, BoardForm& form, const QRect& crop) {
    boards::BoardArea& area = *form.boardArea();
    if (area.beforePainting)
        area.beforePainting();
    p.fillRect(crop, boards::BoardArea::silver());
    QList<boards::Component> shown;
    for (const boards::Component& component : form.components()) {
        if (component.kind != boards::ComponentKind::LinkLayer && !component.rect.intersects(crop))
            continue;
        shown << component;
        if (component.kind == boards::ComponentKind::Block && !crop.contains(component.rect))
            shown.last().caption.clear();
    }
    area.setComponents(&shown);
    area.paintElements(p);
    area.setComponents(&form.components());
    for (QWidget* child : area.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden() || !child->geometry().intersects(crop))
            continue;
        QImage image(child->size() * kWidgetScale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(kWidgetScale);
        image.fill(Qt::transparent);
        child->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        p.drawImage(QRectF(child->geometry()), image);
    }
}

// The captions of the blocks wholly shown, fitted to their blocks.
QList<Caption> placeCaptions(const BoardForm& form, const QRect& crop) {
    QList<Caption> captions;
    QFont font = form.boardArea()->font();
    const int boardSize = font.pixelSize();
    for (int i = 0; i < form.componentCount(); ++i) {
        const boards::Component& b = form.components()[i];
        const QRect r = form.componentRect(i);
        if (b.kind != boards::ComponentKind::Block || b.caption.trimmed().isEmpty() || !crop.contains(r))
            continue;
        Caption c{b.caption, r, {}, boardSize};
        // Down to three fifths of the board's size where the block is narrower than its caption.
        for (; c.pixelSize > boardSize * 3 / 5; --c.pixelSize) {
            font.setPixelSize(c.pixelSize);
            if (QFontMetricsF(font).horizontalAdvance(c.text) + 4 <= r.width() - 4)
                break;
        }
        font.setPixelSize(c.pixelSize);
        const QFontMetricsF metrics(font);
        const QSizeF size(metrics.horizontalAdvance(c.text) + 4, metrics.height() + 2);
        c.ground = QRectF(QPointF(r.center()) + QPointF(0.5, 0.5) - QPointF(size.width() / 2, size.height() / 2), size) &
                   QRectF(r).adjusted(2, 2, -2, -2);
        captions << c;
    }
    return captions;
}

// The captions again above the wires on a light ground (over the board's own, which may be cut).
void paintCaptions(QPainter& p, const BoardForm& form, const QList<Caption>& captions) {
    QFont font = form.boardArea()->font();
    for (const Caption& c : captions) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE8, 0xE8, 0xE8, 225));
        p.drawRect(c.ground);
        font.setPixelSize(c.pixelSize);
        p.setFont(font);
        p.setPen(boards::BoardArea::boardTextColour());
        p.drawText(QRectF(c.block), Qt::AlignCenter | Qt::TextSingleLine, c.text);
    }
}

int countHits(const QRectF& r, const QList<QRectF>& list) {
    int n = 0;
    for (const QRectF& x : list)
        n += x.intersects(r) ? 1 : 0;
    return n;
}

// Whether the segment a-b passes through the rectangle (sampled: the rectangles are small).
bool crosses(QPointF a, QPointF b, const QRectF& r) {
    const double len = std::hypot(b.x() - a.x(), b.y() - a.y());
    const int n = std::max(2, int(len / 3));
    for (int k = 0; k <= n; ++k)
        if (r.contains(a + (b - a) * (double(k) / n)))
            return true;
    return false;
}

// One terminal name to place: where its circle is and where the connection goes.
struct End {
    QPointF at;
    QPointF other;
    double reach; // the circle's radius with its outline
    QString text;
};

// The names of every connection's two terminals beside their circles: away from the connection first, off
// the other names, circles, numbers and captions where there is room, with a leader when placed farther out.
void paintNames(QPainter& p, const BoardDrawing& d, const boards::NumberPlaces& numbers, double scale) {
    const BoardForm& form = *d.form;
    QList<End> ends;
    QList<int> named;
    for (const StepPlan& plan : d.scene.steps) {
        if (!plan.drawable())
            continue;
        const int indices[2] = {plan.firstIndex, plan.secondIndex};
        const QByteArray names[2] = {plan.first, plan.second};
        const QPoint points[2] = {plan.from, plan.to};
        for (int side = 0; side < 2; ++side) {
            if (named.contains(indices[side]))
                continue;
            named << indices[side];
            const QRect t = form.componentRect(indices[side]);
            ends.append({QPointF(points[side]) + QPointF(0.5, 0.5), QPointF(points[1 - side]) + QPointF(0.5, 0.5),
                         std::max(t.width(), t.height()) / 2.0 + 2, gbk::decode(names[side])});
        }
    }
    if (ends.isEmpty())
        return;
    QFont font = p.font();
    font.setFamily(QStringLiteral("WenQuanYi Zen Hei"));
    font.setBold(true);
    font.setPixelSize(std::max(9, int(std::ceil(kNamePrintSize / scale))));
    const QFontMetricsF metrics(font);
    QList<QRectF> circles, terminals, taken;
    for (const End& e : ends)
        circles << QRectF(e.at - QPointF(e.reach, e.reach), QSizeF(2 * e.reach, 2 * e.reach));
    const QRectF bounds(d.crop);
    for (int i = 0; i < form.componentCount(); ++i)
        if (form.components()[i].kind == boards::ComponentKind::Terminal && bounds.intersects(form.componentRect(i)))
            terminals << QRectF(form.componentRect(i));
    QList<QRectF> fixed;
    for (const Caption& c : d.captions)
        fixed << c.ground;
    for (const QRect& r : numbers.places)
        if (!r.isNull())
            fixed << QRectF(r);

    struct Placed {
        QRectF rect;
        QPointF circle;
        double reach;
        bool leader;
    };
    QList<Placed> placed;
    for (const End& e : ends) {
        const QSizeF size(metrics.horizontalAdvance(e.text) + 4, metrics.height());
        const QPointF away = e.at - e.other;
        const QRectF own(e.at - QPointF(e.reach, e.reach), QSizeF(2 * e.reach, 2 * e.reach));
        QRectF best;
        double bestScore = -1e18;
        for (double gap : {1.0, 4.0, 9.0, 16.0, 26.0}) {
            const double r = e.reach + gap;
            for (int k = 0; k < 8; ++k) {
                const int dx[] = {1, -1, 0, 0, 1, -1, 1, -1};
                const int dy[] = {0, 0, -1, 1, -1, -1, 1, 1};
                const double x = dx[k] > 0 ? e.at.x() + r : dx[k] < 0 ? e.at.x() - r - size.width() : e.at.x() - size.width() / 2;
                const double y = dy[k] > 0 ? e.at.y() + r : dy[k] < 0 ? e.at.y() - r - size.height() : e.at.y() - size.height() / 2;
                const QRectF c(QPointF(x, y), size);
                if (!bounds.contains(c))
                    continue;
                double score = -8 * gap - (dx[k] && dy[k] ? 3 : 0);
                if (away.x() * dx[k] + away.y() * dy[k] > 0)
                    score += 30;
                score -= 2000 * countHits(c, taken);
                score -= 1500 * countHits(c, circles);
                score -= 600 * countHits(c, fixed);
                score -= 120 * countHits(c, terminals);
                if (crosses(e.at, e.other, c))
                    score -= 200;
                if (score > bestScore) {
                    bestScore = score;
                    best = c;
                }
            }
        }
        if (best.isNull()) // the crop is too small for the name: over the circle's right side
            best = QRectF(e.at + QPointF(e.reach, -size.height() / 2), size);
        taken << best;
        const double distance = std::hypot(std::clamp(e.at.x(), best.left(), best.right()) - e.at.x(),
                                           std::clamp(e.at.y(), best.top(), best.bottom()) - e.at.y());
        placed.append({best, e.at, e.reach, distance > e.reach + 5 || own.intersects(best)});
    }
    p.setFont(font);
    for (const Placed& n : placed) {
        if (!n.leader)
            continue;
        const QPointF to(std::clamp(n.circle.x(), n.rect.left(), n.rect.right()),
                         std::clamp(n.circle.y(), n.rect.top(), n.rect.bottom()));
        const QPointF v = to - n.circle;
        const double len = std::hypot(v.x(), v.y());
        if (len > n.reach + 1) {
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 0.8));
            p.drawLine(n.circle + v * (n.reach / len), to);
        }
    }
    int i = 0;
    for (const Placed& n : placed) {
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 0.6));
        p.setBrush(QColor(0xFF, 0xFF, 0xF4));
        p.drawRect(n.rect);
        p.setPen(Qt::black);
        p.drawText(n.rect, Qt::AlignCenter | Qt::TextSingleLine, ends[i++].text);
    }
}

} // namespace

BoardDrawing planBoardDrawing(BoardForm& form, const QList<StepPlan>& steps) {
    BoardDrawing d;
    d.form = &form;
    boards::BoardArea* area = form.boardArea();
    const QSize size = area->size(); // the handout's own form, never zoomed
    d.scene.area = size;
    d.scene.plateSpace = boards::plateSpace(form.components(), size);
    for (int i = 0; i < form.componentCount(); ++i)
        if (form.components()[i].kind == boards::ComponentKind::Terminal)
            d.scene.terminals << form.componentRect(i);
    d.scene.names = true;
    d.scene.overview = true;
    d.scene.steps = steps;
    QRect crop;
    for (const StepPlan& plan : steps) {
        QRect block;
        d.firstBlock << (plan.firstIndex >= 0 ? blockCaption(form, plan.firstIndex, &block) : QString());
        if (plan.drawable())
            crop |= block;
        d.secondBlock << (plan.secondIndex >= 0 ? blockCaption(form, plan.secondIndex, &block) : QString());
        if (plan.drawable())
            crop |= block;
    }
    const QRect whole(QPoint(0, 0), size);
    // A hair around the blocks, for their outer bevel.
    d.crop = crop.isEmpty() ? whole : cropAtBlocks(form, crop).adjusted(-1, -1, 1, 1).intersected(whole);
    d.captions = placeCaptions(form, d.crop);
    for (const Caption& c : d.captions)
        d.scene.terminals << c.ground.toAlignedRect();
    return d;
}

void paintBoardDrawing(QPainter& p, const BoardDrawing& d, double scale) {
    p.save();
    p.setClipRect(d.crop);
    paintBoard(p, *d.form, d.crop);
    const boards::NumberPlaces numbers = boards::placeNumbers(d.scene);
    boards::GuideScene lines = d.scene;
    lines.names = false; // numbers after the captions, names last
    boards::paintGuide(p, lines);
    paintCaptions(p, *d.form, d.captions);
    // paintGuide draws lines and numbers together; the numbers are painted over the captions here.
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = boards::labelFont();
    p.setFont(font);
    for (int i = 0; i < numbers.places.size(); ++i) {
        const QRect& r = numbers.places[i];
        if (r.isNull())
            continue;
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(boards::wiringColour(i));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, QString::number(i + 1));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    paintNames(p, d, numbers, scale);
    p.restore();
}

} // namespace handout
