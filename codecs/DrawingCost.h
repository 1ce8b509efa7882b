#pragma once
// What drawing a path costs the raster engine, in pixels of a plain fill, so that a metafile's drawing
// can be held to a budget. Besides the area a fill covers, Qt's rasterizer spends time on every pair of
// edges that cross the same row (a zigzag of a thousand edges across a 4096-pixel picture takes it
// minutes), and a stroke costs its length times its width.
#include <QPainterPath>
#include <QSizeF>

namespace codecs::metafile {

// `path` in picture pixels; `strokeWidth` in picture pixels, 0 for a path that is only filled.
double pathCost(const QPainterPath& path, QSizeF picture, bool fill, double strokeWidth);

} // namespace codecs::metafile
