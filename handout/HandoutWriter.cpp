#include "handout/HandoutWriter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

namespace handout {

PageFlow::PageFlow(QPagedPaintDevice* device, QPainter* painter, const QString& footerName, int totalPages)
    : device_(device), painter_(device ? painter : nullptr), footerName_(footerName), total_(totalPages) {}

PageFlow::~PageFlow() = default;

QFont PageFlow::font(int pixelSize, bool bold, const QString& family) {
    QFont f(family);
    // Pixel sizes are points here: the painter maps one unit to one point on every device.
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void PageFlow::need(double height) {
    if (height > room() && !atPageTop())
        newPage();
}

void PageFlow::newPage() {
    footer();
    if (painter_)
        device_->newPage();
    ++page_;
    y_ = kMargin;
}

void PageFlow::finish() { footer(); }

void PageFlow::footer() {
    if (!painter_)
        return;
    painter_->save();
    const double y = kPageHeight - kMargin - kFooter + 8;
    painter_->setPen(QPen(QColor(0x80, 0x80, 0x80), 0.5));
    painter_->drawLine(QPointF(left(), y), QPointF(left() + width(), y));
    painter_->setFont(font(8));
    painter_->setPen(Qt::black);
    const QRectF band(left(), y + 2, width(), kFooter - 10);
    painter_->drawText(band, Qt::AlignLeft | Qt::AlignVCenter, footerName_);
    const QString number = total_ > 0 ? QStringLiteral("第 %1 页 / 共 %2 页").arg(page_).arg(total_)
                                      : QStringLiteral("第 %1 页").arg(page_);
    painter_->drawText(band, Qt::AlignRight | Qt::AlignVCenter, number);
    painter_->restore();
}

double PageFlow::headingSpace() const {
    return (atPageTop() ? 0 : 6) + QFontMetricsF(font(13, true)).height() + 12;
}

void PageFlow::heading(const QString& text, double keepWith) {
    const QFont f = font(13, true);
    const double h = QFontMetricsF(f).height() + 8;
    if (!atPageTop())
        y_ += 6;
    need(h + keepWith);
    if (painter_) {
        painter_->save();
        painter_->setFont(f);
        painter_->setPen(QColor(0x10, 0x30, 0x70));
        painter_->drawText(QRectF(left(), y_, width(), h - 4), Qt::AlignLeft | Qt::AlignBottom, text);
        painter_->setPen(QPen(QColor(0x10, 0x30, 0x70), 0.8));
        painter_->drawLine(QPointF(left(), y_ + h - 2), QPointF(left() + width(), y_ + h - 2));
        painter_->restore();
    }
    y_ += h + 4;
}

void PageFlow::text(const QString& text, const QFont& font, double indent) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const QFontMetricsF metrics(font);
    const double lineHeight = metrics.height() * 1.35;
    for (const QString& paragraph : text.split(breaks)) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        QList<QTextLine> lines;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width() - indent);
            line.setPosition(QPointF(0, 0));
            lines << line;
        }
        layout.endLayout();
        if (lines.isEmpty()) { // an empty paragraph keeps its line
            need(lineHeight);
            y_ += lineHeight;
            continue;
        }
        for (const QTextLine& line : lines) {
            need(lineHeight);
            if (painter_) {
                painter_->setPen(Qt::black);
                line.draw(painter_, QPointF(left() + indent, y_ + (lineHeight - metrics.height()) / 2));
            }
            y_ += lineHeight;
        }
    }
}

} // namespace handout
