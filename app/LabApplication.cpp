#include "app/LabApplication.h"

#include "base/ErrorReport.h"
#include "base/Fonts.h"

#include <QFont>

LabApplication::LabApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("labguide"));
    // No display name: on X11 it would be appended to every window title.
    errorreport::setCaption(QStringLiteral("实验演示向导"));
    fonts::installSubstitutions();
    // What the program was made for shows everything not given a font of its own (message boxes, menus,
    // hints) in MS Sans Serif 8 point, that is 11 pixels; the main window uses the same.
    QFont system(QStringLiteral("MS Sans Serif"));
    system.setPixelSize(11);
    setFont(system);
}

bool LabApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    errorreport::guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
