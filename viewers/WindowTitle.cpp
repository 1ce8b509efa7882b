#include "viewers/WindowTitle.h"

#include <QWidget>
#include <QWindow>

namespace viewers {

void setWindowTitleAsGiven(QWidget* window, const QString& title) {
    window->setWindowTitle(title);
    if (!title.isEmpty())
        return;
    // Qt's platform windows replace an empty title by the application's name. The native window is made
    // now (a viewer is shown right after) and given a title that is blank but not empty.
    window->winId();
    if (QWindow* handle = window->windowHandle())
        handle->setTitle(QStringLiteral(" "));
}

} // namespace viewers
