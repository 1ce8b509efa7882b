#pragma once
// Another program's windows on the X server, as a window manager sees them: found by process and title,
// their titles read, and closed with the close box's request (WM_DELETE_WINDOW).
#include <QString>

namespace xwin {

using Window = unsigned long;

// The mapped top-level window of the process whose title starts with `titlePrefix`, waiting up to
// `timeoutMs`; 0 when none appears.
Window findWindow(qint64 pid, const QString& titlePrefix, int timeoutMs);
// How many windows of the process are mapped (the main window, open menus, ...).
int viewableWindows(qint64 pid);
// Waits until that many are mapped; false on time-out.
bool waitForViewableWindows(qint64 pid, int count, int timeoutMs);
// A mapped window of the process other than `except` (a viewer over the main window), waiting up to
// `timeoutMs`; 0 when none appears.
Window otherWindow(qint64 pid, Window except, int timeoutMs);
// The window's title (_NET_WM_NAME, else WM_NAME).
QString title(Window window);
// Waits until the title begins with `wanted`; returns the last title read.
QString waitForTitle(Window window, const QString& wanted, int timeoutMs);
// The window's top-left corner on the screen.
bool origin(Window window, int& x, int& y);
// Asks the window to close, as a click on its close box does.
bool requestClose(Window window);

} // namespace xwin
