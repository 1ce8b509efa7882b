#pragma once
// A style's standard icon that is read only when it is first drawn. The style loads every size of a
// standard icon from its images at once, which costs more at start-up than all else on a hidden page.
#include <QIcon>
#include <QStyle>

namespace styleicon {

// The application style's standard icon `which`; copies share one loaded icon.
QIcon standard(QStyle::StandardPixmap which);

} // namespace styleicon
