#pragma once
// Drawing helpers shared by the instrument widgets. Rectangles given as left, top, right, bottom follow the
// widgets' pixel rules: the right and bottom edges are excluded, so (0, 0, 3, 3) covers 3 x 3 pixels.
#include <QColor>
#include <QPainter>
#include <QRect>

namespace idraw {

enum class Edge { None, Raised, Lowered };

// The unlit colour of a segment, lamp or indicator: red, green and blue each divided by 3.
QColor dimmed(const QColor& c);
// A colour with every channel moved by delta (positive lighter, negative darker), clamped to 0..255.
QColor shifted(const QColor& c, int delta);

// The system colours the widgets use, taken from the application's palette.
QColor buttonFace();
QColor buttonHighlight();
QColor buttonShadow();
QColor highlightText();
QColor windowText();

// Filled rectangle covering left..right-1, top..bottom-1.
void fillLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& colour);
// Filled rectangle with a one-pixel outline, both inside left..right-1, top..bottom-1.
void rectangleLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& fill, const QColor& outline);
// Filled ellipse inside left..right-1, top..bottom-1, outlined in the pen colour.
void ellipseLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& fill, const QColor& outline);
// An arc on the ellipse inside left..right-1, top..bottom-1; angles in degrees, counter-clockwise from 3 o'clock.
void arcLTRB(QPainter& p, int left, int top, int right, int bottom, int startDeg, int spanDeg, const QColor& colour);
// Filled polygon outlined in the same colour.
void polygon(QPainter& p, const QPoint* points, int count, const QColor& colour);

// A two-pixel 3D edge just inside r (outer and inner bevel).
void edge3D(QPainter& p, const QRect& r, Edge style);
// The ring around a round lamp or indicator: arcs on the square's edge and one pixel inside it.
void bevelRing(QPainter& p, const QRect& square, Edge style);
// The white highlight of a round lamp: an arc in the upper-left part, inset by a quarter of the width, twice.
void reflection(QPainter& p, const QRect& square, const QColor& colour);

} // namespace idraw
