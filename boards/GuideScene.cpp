#include "boards/GuideScene.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>

#include <cmath>

namespace boards {

namespace {

const QColor kPlateFill(0, 0, 128);
const QColor kPlateWarningFill(170, 0, 0);
const QColor kLabelFill(255, 255, 255, 235);
const QColor kLabelEdge(40, 40, 40);
const QColor kFoundRing(230, 0, 230);
const QColor kHoverRing(0, 100, 255);
constexpr int kPlatePadding = 6;
constexpr int kCircleReach = 6; // the link layer's circle lies within centre ± 5

// Colours that read on silver (192,192,192) and next to yellow terminals, dark enough for white digits.
// 24 colours, each dark enough for a white number on it and far from the silver board, the yellow terminals and
// one another (CIE76 distance at least 25 between any two, 35 from the board's colours). The last twelve were
// chosen to keep the first twelve's spacing.
const QColor kWiringColours[] = {
    {0, 90, 230},    {215, 30, 30},  {0, 135, 0},    {150, 0, 210},  {225, 95, 0},   {0, 125, 125},
    {200, 0, 140},   {125, 70, 20},  {0, 0, 130},    {105, 115, 0},  {20, 20, 20},   {165, 0, 60},
    {150, 135, 195}, {75, 15, 75},   {0, 60, 15},    {0, 0, 255},    {195, 105, 225}, {195, 120, 135},
    {0, 60, 105},    {255, 15, 225}, {75, 0, 15},    {105, 105, 75}, {75, 150, 90},  {0, 150, 210},
};

QString shownName(const QByteArray& name) {
    return name.isEmpty() ? QStringLiteral("？") : QString::fromLatin1(name);
}

QRect circleBox(QPoint c) {
    return QRect(c.x() - kCircleReach, c.y() - kCircleReach, 2 * kCircleReach + 1, 2 * kCircleReach + 1);
}

// Whether the segment passes through the rectangle (clipped against it, Liang-Barsky).
bool segmentCrosses(QPoint a, QPoint b, const QRect& r) {
    const double x0 = a.x(), y0 = a.y(), dx = b.x() - a.x(), dy = b.y() - a.y();
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - (r.left() - 1), (r.right() + 1) - x0, y0 - (r.top() - 1),
                         (r.bottom() + 1) - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

const QFontMetrics& plateMetrics() {
    static const QFontMetrics fm(plateFont());
    return fm;
}
const QFontMetrics& labelMetrics() {
    static const QFontMetrics fm(labelFont());
    return fm;
}

// Laid-out texts, kept: the same names, numbers and plate are drawn at every paint.
void drawText(QPainter& p, const QRect& r, const QString& text, bool centred) {
    static QHash<QString, QStaticText> cache;
    const QString key = QString::number(p.font().pixelSize()) + QChar(0) + text;
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() > 512)
            cache.clear();
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        st.prepare(QTransform(), p.font());
        it = cache.insert(key, st);
    }
    const QSizeF size = it->size();
    const qreal x = centred ? r.left() + (r.width() - size.width()) / 2 : r.left();
    const qreal y = r.top() + (r.height() - size.height()) / 2;
    p.drawStaticText(QPointF(x, y), *it);
}

bool hitsAny(const QRect& r, const QList<QRect>& taken) {
    for (const QRect& t : taken)
        if (t.intersects(r))
            return true;
    return false;
}

QRect plateRect(const GuideScene& s) {
    if (!s.names || s.plate.isEmpty() || s.plateSpace.isEmpty())
        return {};
    const int w =
        std::min(s.plateSpace.width(), plateMetrics().horizontalAdvance(s.plate) + 2 * kPlatePadding + 4);
    return QRect(s.plateSpace.left(), s.plateSpace.top(), w, s.plateSpace.height());
}

QSize labelSize(const QFontMetrics& fm, const QString& text) {
    return QSize(fm.horizontalAdvance(text) + 6, fm.height() + 2);
}

// How far a circle's centre is from a rectangle (0 inside it).
double distanceTo(const QRect& r, QPoint c) {
    const int dx = std::max({r.left() - c.x(), 0, c.x() - r.right()});
    const int dy = std::max({r.top() - c.y(), 0, c.y() - r.bottom()});
    return std::hypot(double(dx), double(dy));
}

// A name beside a circle: on the side away from the connection first, never over either circle or the line,
// and never where another terminal's circle would be nearer to it than its own (a student reads a name as
// the nearest circle's). Where the close places are taken it stands farther out, with a leader to its circle.
LabelPlace placeLabel(QPoint at, QPoint other, QSize size, const QList<QRect>& taken, const QList<QRect>& avoid,
                      const QList<QPoint>& otherCircles, const QRect& bounds) {
    struct Candidate {
        QRect rect;
        QPoint direction;
        int distance;
        bool slid;
    };
    // Beside the circle in eight directions, each also slid along its side, close first, then farther out
    // where the close ones are taken or would stand nearer to another circle.
    QList<Candidate> candidates;
    const int w = size.width(), h = size.height();
    for (int gap : {2, 6, 10, 14, 20, 26, 34, 42, 52, 64}) {
        gap += kCircleReach;
        const int dx[] = {1, -1, 0, 0, 1, -1, 1, -1};
        const int dy[] = {0, 0, -1, 1, -1, -1, 1, 1};
        for (int k = 0; k < 8; ++k) {
            const int x = dx[k] > 0 ? at.x() + gap : dx[k] < 0 ? at.x() - gap - w : at.x() - w / 2;
            const int y = dy[k] > 0   ? at.y() + gap - (dx[k] ? h / 2 : 0)
                          : dy[k] < 0 ? at.y() - gap - h + (dx[k] ? h / 2 : 0)
                                      : at.y() - h / 2;
            candidates.append({QRect(QPoint(x, y), size), QPoint(dx[k], dy[k]), gap, false});
            // Slid along the side it stands on, the circle still within its reach.
            for (int slide : {-1, 1}) {
                if (dx[k] && !dy[k])
                    candidates.append({QRect(QPoint(x, y + slide * (h / 2 - 2)), size), QPoint(dx[k], dy[k]), gap, true});
                else if (dy[k] && !dx[k])
                    candidates.append({QRect(QPoint(x + slide * (w / 2 - 3), y), size), QPoint(dx[k], dy[k]), gap, true});
            }
        }
    }
    const QPoint away = at - other;
    const Candidate* best = nullptr;
    long bestScore = 0;
    for (const Candidate& c : candidates) {
        if (!bounds.contains(c.rect) || c.rect.intersects(circleBox(at)) ||
            c.rect.intersects(circleBox(other)))
            continue;
        long score = (long(away.x()) * c.direction.x() + long(away.y()) * c.direction.y() > 0 ? 500 : 0) -
                     40L * c.distance - (c.slid ? 20 : 0);
        if (at != other && segmentCrosses(at, other, c.rect))
            score -= 100000;
        if (hitsAny(c.rect, taken))
            score -= 50000;
        for (const QRect& a : avoid) // each terminal covered counts
            if (a.intersects(c.rect))
                score -= 20000;
        // Another circle nearer to the name misleads; a leader line (drawn for every place off the circle's
        // side) tells the name's own circle, so out there it only counts against the place.
        const double own = distanceTo(c.rect, at);
        for (const QPoint& o : otherCircles)
            if (distanceTo(c.rect, o) <= own) {
                score -= c.distance > kCircleReach + 2 ? 5000 : 60000;
                break;
            }
        if (!best || score > bestScore) {
            best = &c;
            bestScore = score;
        }
    }
    if (best)
        return {best->rect, best->distance > kCircleReach + 2};
    // At the board's edge: right of the circle, kept inside.
    QRect r(QPoint(at.x() + kCircleReach + 2, at.y() - size.height() / 2), size);
    r.moveLeft(std::clamp(r.left(), bounds.left(), bounds.right() - size.width()));
    r.moveTop(std::clamp(r.top(), bounds.top(), bounds.bottom() - size.height()));
    return {r, false};
}

void paintLabel(QPainter& p, const QRect& r, const QString& text) {
    // Square boxes without smoothing: a rounded, smoothed outline costs more than the rest of the label.
    const bool smooth = p.testRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kLabelEdge, 1));
    p.setBrush(kLabelFill);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setPen(Qt::black);
    drawText(p, r, text, true);
}

void paintRing(QPainter& p, QPoint centre, qreal radius, const QColor& colour, qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, width + 2));
    p.drawEllipse(QPointF(centre) + QPointF(0.5, 0.5), radius, radius);
    p.setPen(QPen(colour, width));
    p.drawEllipse(QPointF(centre) + QPointF(0.5, 0.5), radius, radius);
}

QPoint centreOf(const QRect& r) {
    return {r.left() + r.width() / 2, r.top() + r.height() / 2};
}

} // namespace

QString terminalCaption(const QString& name, const QString& hint) {
    const QString printed = hint.trimmed();
    // Names are upper-cased for wiring; a hint that differs only in case names nothing new.
    if (printed.isEmpty() || printed.compare(name, Qt::CaseInsensitive) == 0)
        return name;
    return name + QStringLiteral("（") + printed + QStringLiteral("）");
}

namespace platetext {

QString chooseExperiment() {
    return QStringLiteral("请选择实验");
}

QString beforeFirstStep(const QString& experimentName, int stepCount) {
    const QString count =
        stepCount > 0 ? QStringLiteral("共%1步").arg(stepCount) : QStringLiteral("没有接线步骤");
    return experimentName.isEmpty() ? count : QStringLiteral("实验：%1  %2").arg(experimentName, count);
}

QString step(int index, int stepCount, const StepPlan& plan, const QString& firstHint,
             const QString& secondHint) {
    const QString head = QStringLiteral("第%1步/共%2步  ").arg(index + 1).arg(stepCount);
    // Only a terminal found on the board has a hint to show.
    const QString from = terminalCaption(shownName(plan.first), plan.firstIndex >= 0 ? firstHint : QString());
    const QString to = terminalCaption(shownName(plan.second), plan.secondIndex >= 0 ? secondHint : QString());
    const QString names = from + QStringLiteral(" → ") + to;
    switch (plan.problem) {
    case StepProblem::None:
        return head + names;
    case StepProblem::SameTerminal:
        return head + names + QStringLiteral("（两端是同一个端子）");
    case StepProblem::Empty:
        return head + QStringLiteral("（这一步是空的）");
    case StepProblem::MissingName:
        return head + names + QStringLiteral("（这一步缺少端子名）");
    case StepProblem::Unknown: {
        QStringList missing;
        if (plan.firstIndex < 0)
            missing << QString::fromLatin1(plan.first);
        if (plan.secondIndex < 0 && plan.second != plan.first)
            missing << QString::fromLatin1(plan.second);
        return head + names + QStringLiteral("（本板没有端子 %1）").arg(missing.join(QStringLiteral("、")));
    }
    }
    return head + names;
}

QString someNumbersHidden() {
    return QStringLiteral("（只显示部分序号）");
}

} // namespace platetext

QFont plateFont() {
    QFont f(QStringLiteral("黑体"));
    f.setPixelSize(14);
    f.setBold(true);
    return f;
}

QFont labelFont() {
    QFont f(QStringLiteral("黑体"));
    f.setPixelSize(12);
    f.setBold(true);
    return f;
}

QRect plateSpace(const QList<Component>& components, const QSize& areaSize) {
    int topTerminal = areaSize.height();
    int left = areaSize.width();
    for (const Component& c : components) {
        if (c.kind == ComponentKind::Terminal)
            topTerminal = std::min(topTerminal, c.rect.top());
        else if (c.kind == ComponentKind::Block)
            left = std::min(left, c.rect.left());
    }
    if (left >= areaSize.width())
        left = 0;
    const int height = std::clamp(topTerminal - 2, 0, 20);
    return QRect(left + 2, 0, std::max(0, areaSize.width() - left - 4), height);
}

QColor wiringColour(int index) {
    constexpr int n = int(std::size(kWiringColours));
    return kWiringColours[((index % n) + n) % n];
}

int wiringColourCount() { return int(std::size(kWiringColours)); }

Qt::PenStyle wiringPattern(int index) {
    // Past the palette a colour comes again, drawn dashed (then dotted) so the two still differ.
    static constexpr Qt::PenStyle patterns[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    const int round = std::max(0, index) / wiringColourCount();
    return patterns[round % 3];
}

bool GuideScene::empty() const {
    const bool stepThings = names && (!plate.isEmpty() || shown.has_value());
    const bool wiring = overview && !steps.isEmpty();
    return !stepThings && !wiring && !found && !hovered;
}

LabelPlaces placeLabels(const GuideScene& s) {
    LabelPlaces out;
    if (!s.names || !s.shown)
        return out;
    const QRect bounds(QPoint(0, 0), s.area);
    const QFontMetrics& fm = labelMetrics();
    QList<QRect> taken;
    if (const QRect plate = plateRect(s); !plate.isNull())
        taken << plate;
    const QPoint a = s.shown->from, b = s.shown->to;
    // Other terminals, and in the whole wiring the other connections' ends, stay uncovered where they can;
    // every other circle nearby is one a name must not stand nearer to.
    QList<QRect> avoid;
    QList<QPoint> others;
    const QRect nearA = circleBox(a).adjusted(-90, -60, 90, 60), nearB = circleBox(b).adjusted(-90, -60, 90, 60);
    for (const QRect& t : s.terminals)
        if (!t.contains(a) && !t.contains(b) && (t.intersects(nearA) || t.intersects(nearB))) {
            avoid << t;
            others << t.center();
        }
    if (s.overview)
        for (const StepPlan& st : s.steps)
            if (st.drawable())
                for (const QRect& e : {circleBox(st.from), circleBox(st.to)})
                    if (e.intersects(nearA) || e.intersects(nearB))
                        avoid << e;
    QList<QPoint> othersOfA = others, othersOfB = others;
    if (a != b) {
        othersOfA << b;
        othersOfB << a;
    }
    out.first = placeLabel(a, b, labelSize(fm, s.shownFrom), taken, avoid, othersOfA, bounds);
    out.hasSecond = a != b || s.shownTo != s.shownFrom;
    if (out.hasSecond) {
        taken << out.first.rect;
        out.second = placeLabel(b, a, labelSize(fm, s.shownTo), taken, avoid, othersOfB, bounds);
    }
    return out;
}

NumberPlaces placeNumbers(const GuideScene& s) {
    NumberPlaces out;
    out.places.resize(s.steps.size());
    if (!s.overview || !s.names)
        return out;
    const QFontMetrics& fm = labelMetrics();
    const QRect bounds(QPoint(0, 0), s.area);
    QList<QRect> taken;
    for (const StepPlan& p : s.steps)
        if (p.drawable())
            taken << circleBox(p.from) << circleBox(p.to);
    if (const QRect plate = plateRect(s); !plate.isNull())
        taken << plate;
    // The names of the shown connection are never covered by a number.
    if (const LabelPlaces labels = placeLabels(s); labels.shown()) {
        taken << labels.first.rect;
        if (labels.hasSecond)
            taken << labels.second.rect;
    }
    // In step order, whichever step is current, so that each number keeps its place while the steps move.
    QList<int> order;
    for (int i = 0; i < s.steps.size(); ++i)
        order << i;
    static constexpr qreal kAlong[] = {0.5, 0.4, 0.6, 0.3, 0.7, 0.2, 0.8};
    static constexpr int kAcross[] = {0, 9, -9, 18, -18};
    for (int i : order) {
        const StepPlan& p = s.steps[i];
        if (!p.drawable())
            continue;
        const QString text = QString::number(i + 1);
        const QSize size(fm.horizontalAdvance(text) + 6, fm.height());
        const QPointF a(p.from), b(p.to);
        const QPointF d = b - a;
        const qreal len = std::hypot(d.x(), d.y());
        const QPointF normal = len > 0 ? QPointF(-d.y() / len, d.x() / len) : QPointF(0, -1);
        // Only the terminals near the connection can be in the way.
        const QRect reach = QRect(p.from, p.to).normalized().adjusted(-30, -30, 30, 30);
        QList<QRect> nearby;
        for (const QRect& t : s.terminals)
            if (t.intersects(reach))
                nearby << t;
        QRect chosen;
        // First a place that also leaves the board's terminals uncovered, then any free place.
        for (int pass = 0; pass < 2 && chosen.isNull(); ++pass) {
            for (qreal t : kAlong) {
                for (int across : kAcross) {
                    QPointF c = a + d * t + normal * across;
                    if (len == 0) // one terminal: beside it
                        c = a + QPointF(0, -(kCircleReach + size.height() / 2 + 2)) + QPointF(across, 0);
                    const QRect r(QPoint(int(c.x()) - size.width() / 2, int(c.y()) - size.height() / 2),
                                  size);
                    if (bounds.contains(r) && !hitsAny(r, taken) && (pass == 1 || !hitsAny(r, nearby))) {
                        chosen = r;
                        break;
                    }
                }
                if (!chosen.isNull() || len == 0)
                    break;
            }
        }
        if (chosen.isNull()) {
            ++out.hidden;
            continue;
        }
        out.places[i] = chosen;
        taken << chosen;
    }
    return out;
}

void paintGuide(QPainter& p, const GuideScene& s, const NumberPlaces* numbers) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRect bounds(QPoint(0, 0), s.area);
    const QRect plate = plateRect(s);

    if (s.overview && !s.steps.isEmpty()) {
        // Wide lines without smoothing: much cheaper to fill, and crisp on the board's pixels.
        auto line = [&](const StepPlan& st, const QColor& colour, int width, Qt::PenStyle style = Qt::SolidLine) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(colour, width, style, Qt::RoundCap));
            p.drawLine(st.from, st.to);
            p.setRenderHint(QPainter::Antialiasing, true);
        };
        auto ends = [&](const StepPlan& st, const QColor& colour, qreal r) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(colour);
            p.drawEllipse(QPointF(st.from) + QPointF(0.5, 0.5), r, r);
            p.drawEllipse(QPointF(st.to) + QPointF(0.5, 0.5), r, r);
        };
        for (int i = 0; i < s.steps.size(); ++i)
            if (s.steps[i].drawable() && i != s.current)
                line(s.steps[i], wiringColour(i), 3, wiringPattern(i));
        for (int i = 0; i < s.steps.size(); ++i)
            if (s.steps[i].drawable() && i != s.current)
                ends(s.steps[i], wiringColour(i), 3.5);
        if (s.current >= 0 && s.current < s.steps.size() && s.steps[s.current].drawable()) {
            const StepPlan& cur = s.steps[s.current];
            line(cur, Qt::black, 8);
            line(cur, wiringColour(s.current), 4);
            p.setRenderHint(QPainter::Antialiasing, false);
            paintConnection(p, cur.connection()); // the link layer's circles and line on top
            p.setRenderHint(QPainter::Antialiasing, true);
        }
        if (s.names) {
            NumberPlaces own;
            if (!numbers) {
                own = placeNumbers(s);
                numbers = &own;
            }
            p.setFont(labelFont());
            for (int i = 0; i < s.steps.size() && i < numbers->places.size(); ++i) {
                const QRect& r = numbers->places[i];
                if (r.isNull())
                    continue;
                const bool current = i == s.current;
                p.setPen(QPen(current ? Qt::white : Qt::black, current ? 2 : 1));
                p.setBrush(wiringColour(i));
                p.setRenderHint(QPainter::Antialiasing, false);
                p.drawRect(r.adjusted(0, 0, -1, -1));
                p.setRenderHint(QPainter::Antialiasing, true);
                p.setPen(Qt::white);
                drawText(p, r, QString::number(i + 1), true);
            }
        }
    }

    if (s.names && s.shown) {
        if (!s.overview) {
            // The same connection the link layer shows, again above the instrument widgets.
            p.setRenderHint(QPainter::Antialiasing, false);
            paintConnection(p, *s.shown);
            p.setRenderHint(QPainter::Antialiasing, true);
        }
        p.setFont(labelFont());
        const LabelPlaces labels = placeLabels(s);
        auto paintPlaced = [&](const LabelPlace& place, QPoint circle, const QString& text) {
            if (place.leader) {
                // A short line from the name's nearest edge to the circle's rim.
                const QPoint from(std::clamp(circle.x(), place.rect.left(), place.rect.right()),
                                  std::clamp(circle.y(), place.rect.top(), place.rect.bottom()));
                const QPointF d = QPointF(from - circle);
                const qreal len = std::hypot(d.x(), d.y());
                // It starts clear of the circle (whose square of reach it never enters), so the circle stays as drawn.
                const qreal start = kCircleReach * std::sqrt(2.0) + 1;
                if (len > start + 2) {
                    p.setPen(QPen(kLabelEdge, 1));
                    p.drawLine(QPointF(circle) + d * (start / len), QPointF(from));
                }
            }
            paintLabel(p, place.rect, text);
        };
        paintPlaced(labels.first, s.shown->from, s.shownFrom);
        if (labels.hasSecond)
            paintPlaced(labels.second, s.shown->to, s.shownTo);
    }

    if (!plate.isNull()) {
        p.fillRect(plate.adjusted(0, 1, 0, -1), s.plateWarning ? kPlateWarningFill : kPlateFill);
        p.setFont(plateFont());
        p.setPen(Qt::white);
        const QRect text = plate.adjusted(kPlatePadding, 0, -kPlatePadding, 0);
        const bool fits = plateMetrics().horizontalAdvance(s.plate) <= text.width();
        drawText(p, text, fits ? s.plate : plateMetrics().elidedText(s.plate, Qt::ElideRight, text.width()),
                 false);
    }

    if (s.hovered)
        paintRing(p, centreOf(*s.hovered), std::max(s.hovered->width(), s.hovered->height()) / 2.0 + 5,
                  kHoverRing, 2);
    if (s.found) {
        const QPoint c = centreOf(*s.found);
        const qreal base = std::max(s.found->width(), s.found->height()) / 2.0 + 6;
        paintRing(p, c, base + 5 * std::sin(s.foundPhase * M_PI), kFoundRing, 3);
        if (!s.foundLabel.isEmpty()) {
            p.setFont(labelFont());
            const QSize size = labelSize(labelMetrics(), s.foundLabel);
            QRect r(QPoint(c.x() + int(base) + 8, c.y() - size.height() / 2), size);
            if (!bounds.contains(r))
                r.moveRight(c.x() - int(base) - 8);
            r.moveTop(std::clamp(r.top(), 0, std::max(0, s.area.height() - size.height())));
            paintLabel(p, r, s.foundLabel);
        }
    }
    p.restore();
}

} // namespace boards
