#include "boards/BoardZoom.h"

#include "base/Zoom.h"
#include "widgets/iComponent.h"

#include <QVariant>
#include <QWidget>

#include <cmath>

namespace boards {
namespace {
const char* const kRect = "designedRect";
const char* const kPixels = "designedPixelSize";
const char* const kPoints = "designedPointSize";
} // namespace

void keepDesigned(QWidget* widget) {
    widget->setProperty(kRect, widget->geometry());
    const QFont f = widget->font();
    if (f.pixelSize() > 0)
        widget->setProperty(kPixels, f.pixelSize());
    else
        widget->setProperty(kPoints, f.pointSizeF());
}

void zoomWidget(QWidget* w, double z) {
    if (auto* ti = qobject_cast<TiComponent*>(w)) {
        ti->setZoom(z);
        return;
    }
    const QVariant rect = w->property(kRect);
    if (!rect.isValid())
        return;
    w->setGeometry(zoom::scaled(rect.toRect(), z));
    QFont f = w->font();
    if (const QVariant px = w->property(kPixels); px.isValid())
        f.setPixelSize(std::max(1, int(std::lround(px.toInt() * z))));
    else if (const QVariant pt = w->property(kPoints); pt.isValid())
        f.setPointSizeF(pt.toDouble() * z);
    w->setFont(f);
}

void zoomChildren(QWidget* container, double z) {
    for (QObject* o : container->children())
        if (o->isWidgetType())
            zoomWidget(static_cast<QWidget*>(o), z);
}

} // namespace boards
