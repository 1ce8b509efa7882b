#include "app/LabApplication.h"

#include "base/ErrorReport.h"
#include "base/Fonts.h"

LabApplication::LabApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("labguide"));
    // No display name: on X11 it would be appended to every window title.
    errorreport::setCaption(QStringLiteral("实验演示向导"));
    fonts::installSubstitutions();
}

bool LabApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    errorreport::guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
