#pragma once
// The board drawing of a handout: the part of the board the wiring touches, cropped at block edges, with the
// whole wiring numbered, each connection's terminals named beside their circles and the block captions kept
// readable above the wires. Painted in board-area coordinates.
#include "boards/GuideScene.h"

#include <QList>
#include <QRectF>
#include <QRect>
#include <QString>

class BoardForm;
class QPainter;

namespace handout {

// A block caption as the drawing shows it again above the wires: smaller where the block is narrower.
struct Caption {
    QString text;
    QRect block;
    QRectF ground; // the light ground under the text
    int pixelSize = 0;
};

struct BoardDrawing {
    BoardForm* form = nullptr;
    boards::GuideScene scene; // its terminals include the captions, which the numbers keep off
    QRect crop;
    QList<Caption> captions;
    // Per step, the caption of the block each terminal lies in (empty where none or not found).
    QList<QString> firstBlock, secondBlock;
};

// The drawing of `steps` on the form; the form must outlive the drawing.
BoardDrawing planBoardDrawing(BoardForm& form, const QList<StepPlan>& steps);

// Paints the cropped drawing; `scale` is page points per board unit, so that the names come out legible.
void paintBoardDrawing(QPainter& p, const BoardDrawing& d, double scale);

// The smallest print size of the terminal names, in points.
constexpr double kNamePrintSize = 7.5;

} // namespace handout
