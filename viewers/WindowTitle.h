#pragma once
// A viewer's window title exactly as given, an empty one included.
#include <QString>

class QWidget;

namespace viewers {

// Sets the window's title. An empty title stays empty in the title bar: the platform would otherwise put
// the program's name there, so the native window gets a single blank while windowTitle() stays "".
void setWindowTitleAsGiven(QWidget* window, const QString& title);

} // namespace viewers
