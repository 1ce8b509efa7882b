#pragma once
// Widgets on the board follow its zoom. Instrument widgets draw at their designed size themselves; a plain
// widget (a radio button on the board, a value control of the run) is marked with its designed rectangle
// and font once, and is then put at the zoom's rectangle with the font scaled.
class QWidget;

namespace boards {

// Keeps the widget's present rectangle and font as its designed ones (call at zoom 1, after placing it).
void keepDesigned(QWidget* widget);
// Puts one widget at the zoom: an instrument, or a marked widget (others are left as they are).
void zoomWidget(QWidget* widget, double zoom);
// Puts every direct child of the container that is an instrument, or was marked, at the zoom.
void zoomChildren(QWidget* container, double zoom);

} // namespace boards
