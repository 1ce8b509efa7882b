#include "widgets/iMotor.h"

#include "widgets/iDrawing.h"

#include <QPainter>

TiMotor::TiMotor(QWidget* parent) : TiCustomComponent(parent), pipeColor_(idraw::buttonFace()) {
    SetBounds(0, 0, 80, 80);
}

void TiMotor::setPipe(int n, bool on) {
    if (store(pipes_[n], on))
        RequestRepaint();
}

void TiMotor::setPipeColor(const QColor& c) {
    if (storeColor(pipeColor_, c))
        RequestRepaint();
}

void TiMotor::setBaseShow(bool on) {
    if (store(baseShow_, on))
        RequestRepaint();
}

void TiMotor::setBaseStyle(TiMotorBaseStyle s) {
    if (store(baseStyle_, s))
        RequestRepaint();
}

void TiMotor::setBlade(int n, const QColor& c) {
    if (storeColor(blades_[n], c))
        RequestRepaint();
}

void TiMotor::setFanSequence(int s) {
    if (s < 0 || s > 2)
        return;
    if (store(fanSequence_, s))
        RequestRepaint();
}

void TiMotor::setFanOn(bool on) {
    if (!store(fanOn_, on))
        return;
    if (on)
        TimerStart(fanInterval_, fanInterval_);
    else
        TimerStop();
}

void TiMotor::setFanInterval(int ms) {
    if (ms < 1 || !store(fanInterval_, ms))
        return;
    if (TimerRunning()) {
        TimerStop();
        TimerStart(fanInterval_, fanInterval_);
    }
}

void TiMotor::OnInternalTimer() {
    fanSequence_ = (fanSequence_ + 1) % 3;
    RequestRepaint();
}

QColor TiMotor::SectorColor(int n) const { return blades_[(fanSequence_ + n) % 3]; }

void TiMotor::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const int W = Width(), H = Height();
    const int cx = W / 2, cy = H / 2, b = (W - 1) / 6;
    auto line = [&](int x1, int y1, int x2, int y2, const QColor& c) {
        canvas.setPen(QPen(c, 1));
        canvas.drawLine(x1, y1, x2, y2);
    };
    // Pipes: left and top lit from above-left (white outline, black lower edge), right and bottom the reverse.
    if (pipes_[0]) {
        idraw::rectangleLTRB(canvas, 0, cy - b, cx, cy + b, pipeColor_, Qt::white);
        line(0, cy + b - 1, cx - 1, cy + b - 1, Qt::black);
    }
    if (pipes_[1]) {
        idraw::rectangleLTRB(canvas, cx, cy - b, W, cy + b, pipeColor_, Qt::black);
        line(cx, cy - b + 1, W - 2, cy - b + 1, Qt::white);
    }
    if (pipes_[2]) {
        idraw::rectangleLTRB(canvas, cx - b, 0, cx + b, cy, pipeColor_, Qt::white);
        line(cx + b - 1, 0, cx + b - 1, cy - 1, Qt::black);
    }
    if (pipes_[3]) {
        idraw::rectangleLTRB(canvas, cx - b, cy, cx + b, H, pipeColor_, Qt::black);
        line(cx - b + 1, cy, cx - b + 1, H - 2, Qt::white);
    }
    const int a = W / 3;
    if (baseShow_) {
        const QColor face = idraw::buttonFace();
        if (baseStyle_ == imbsTrapezoid) {
            const QPoint base[] = {{cx - a / 2, cy}, {cx + a / 2, cy}, {cx + a, H - 1}, {cx - a, H - 1}};
            idraw::polygon(canvas, base, 4, face);
            line(cx - a / 2, cy, cx - a, H - 1, Qt::white);
            line(cx + a / 2, cy, cx + a, H - 1, Qt::gray);
            line(cx - a, H - 1, cx + a, H - 1, Qt::gray);
        } else {
            for (int side : {-1, 1}) {
                const int x = cx + side * (a - 2);
                idraw::rectangleLTRB(canvas, x - 2, cy, x + 3, H, face, Qt::gray);
                line(x - 2, cy, x - 2, H - 1, Qt::white);
            }
        }
    }
    // The rim: a bevelled ring of radius a.
    const QColor face = idraw::buttonFace();
    idraw::ellipseLTRB(canvas, cx - a, cy - a, cx + a + 1, cy + a + 1, face, face);
    idraw::bevelRing(canvas, QRect(cx - a, cy - a, 2 * a + 1, 2 * a + 1), idraw::Edge::Raised);
    // Six 60-degree sectors from angle 0 counter-clockwise, inside the square of half-size a - 5.
    const int r = a - 5;
    if (r > 0) {
        canvas.setPen(Qt::NoPen);
        const QRect square(cx - r, cy - r, 2 * r, 2 * r);
        for (int n = 0; n < 6; ++n) {
            canvas.setBrush(SectorColor(n));
            canvas.drawPie(square, n * 60 * 16, 60 * 16);
        }
    }
}
