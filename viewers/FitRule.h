#pragma once
// Where the picture viewer draws a picture in its box: centred, shrunk to fit with its aspect kept, never
// enlarged. All arithmetic is on whole pixels (integer parts, halved offsets).
#include <QRect>
#include <QSize>

namespace viewers {

// The drawn rectangle, in box coordinates, of a picture of size `picture` in a box of size `box`.
// Empty when the picture is empty.
QRect fitPicture(QSize picture, QSize box);

} // namespace viewers
