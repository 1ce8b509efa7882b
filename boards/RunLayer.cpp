#include "boards/RunLayer.h"

#include "boards/BoardArea.h"
#include "boards/BoardForm.h"
#include "boards/GuideScene.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace boards {

RunLayer::RunLayer(BoardForm& form, QList<QPair<QString, QRect>> lamps)
    : QWidget(form.Panel2()), area_(form.boardArea()), lamps_(std::move(lamps)), brightness_(lamps_.size(), 0.0) {
    setObjectName(QStringLiteral("runLayer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(form.boardArea()->geometry());
    plateSpace_ = plateSpace(form.components(), form.boardArea()->designedSize());
    area_->installEventFilter(this);
    show();
    raise();
}

RunLayer::~RunLayer() = default;

QRect RunLayer::lampRect(const QRect& terminal) {
    // In the gap to the right of the terminal circle, as the box's LEDs sit beside their sockets.
    const int d = std::max(5, terminal.height() - 3);
    return QRect(terminal.right() + 2, terminal.center().y() - d / 2, d, d);
}

void RunLayer::setLamps(const std::map<std::string, double>& lamps) {
    bool changed = false;
    for (int i = 0; i < lamps_.size(); ++i) {
        const auto it = lamps.find(lamps_[i].first.toStdString());
        // Steps of 1/16 are all the eye tells apart; finer changes would repaint every frame for nothing.
        const double b = it == lamps.end() ? 0.0 : std::round(std::clamp(it->second, 0.0, 1.0) * 16) / 16;
        if (b != brightness_[i]) {
            brightness_[i] = b;
            changed = true;
        }
    }
    if (changed)
        update();
}

double RunLayer::lamp(const QString& name) const {
    for (int i = 0; i < lamps_.size(); ++i)
        if (lamps_[i].first == name)
            return brightness_[i];
    return 0;
}

void RunLayer::setPlate(const QString& text, bool warning) {
    if (text == plate_ && warning == warning_)
        return;
    plate_ = text;
    warning_ = warning;
    update();
}

void RunLayer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (const BoardArea* a = area())
        p.scale(a->zoom(), a->zoom());
    for (int i = 0; i < lamps_.size(); ++i) {
        const QRect r = lampRect(lamps_[i].second);
        const double b = brightness_[i];
        // A dark red lens when off, glowing red with the share of the time it is lit.
        const QColor lens = QColor::fromRgbF(float(0.35 + 0.65 * b), float(0.05 + 0.25 * b * b), float(0.05 + 0.2 * b * b));
        p.setPen(QPen(QColor(60, 0, 0), 1));
        p.setBrush(lens);
        p.drawEllipse(r);
    }
    if (!plate_.isEmpty()) {
        GuideScene s;
        s.area = area() ? area()->designedSize() : size();
        s.plateSpace = plateSpace_;
        s.plate = plate_;
        s.plateWarning = warning_;
        paintGuide(p, s);
    }
}

const BoardArea* RunLayer::area() const { return qobject_cast<const BoardArea*>(area_.data()); }

bool RunLayer::eventFilter(QObject* watched, QEvent* event) {
    // The area is kept by itself: while the form is being destroyed it is no longer a form to ask.
    if (area_ && watched == area_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        setGeometry(area_->geometry());
    return QWidget::eventFilter(watched, event);
}

} // namespace boards
