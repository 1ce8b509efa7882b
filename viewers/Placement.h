#pragma once
// Where a viewer window appears the first time it opens.
class QWidget;

namespace viewers {

// Centres `window` over `over` (a window), or on the screen when `over` is null.
void centreWindow(QWidget* window, const QWidget* over);

} // namespace viewers
