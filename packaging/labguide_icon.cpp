// Writes the program's icon (the main window's own) as PNG files for the desktop: labguide_icon DIR SIZE...
// writes DIR/SIZE/labguide.png for each size.
#include "app/mainform.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: labguide_icon DIR SIZE...\n");
        return 2;
    }
    const QIcon icon = app::programIcon();
    const QPixmap master = icon.pixmap(QSize(64, 64));
    for (const QString& text : args.mid(1)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 16 || size > 512) {
            std::fprintf(stderr, "labguide_icon: bad size %s\n", qPrintable(text));
            return 2;
        }
        const QImage image = master.toImage().scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QString dir = args[0] + "/" + text;
        if (!QDir().mkpath(dir) || !image.save(dir + "/labguide.png", "PNG")) {
            std::fprintf(stderr, "labguide_icon: cannot write %s/labguide.png\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
