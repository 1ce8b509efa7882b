#pragma once
// The flow of a handout's pages: a cursor going down A4 pages (in points, 1/72 inch), breaking to a new page
// where the next item does not fit, with the page number and the experiment's name in each footer. It runs
// twice: first measuring only (to count the pages), then painting.
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;
class QPagedPaintDevice;

namespace handout {

class PageFlow {
public:
    static constexpr double kPageWidth = 595.28; // A4 in points
    static constexpr double kPageHeight = 841.89;
    static constexpr double kMargin = 42.5; // 15 mm
    static constexpr double kFooter = 24;

    // Measuring only when `device` is null. `totalPages` is shown in the footers (0: not known yet).
    PageFlow(QPagedPaintDevice* device, QPainter* painter, const QString& footerName, int totalPages);
    ~PageFlow();

    QPainter* painter() const { return painter_; }
    bool painting() const { return painter_ != nullptr; }
    int page() const { return page_; }
    double left() const { return kMargin; }
    double width() const { return kPageWidth - 2 * kMargin; }
    double top() const { return y_; }
    double bottom() const { return kPageHeight - kMargin - kFooter; }
    double room() const { return bottom() - y_; }
    double fullHeight() const { return bottom() - kMargin; }
    bool atPageTop() const { return y_ <= kMargin + 0.01; }

    // A new page unless `height` fits below the cursor (or the page is still empty).
    void need(double height);
    void newPage();
    void advance(double height) { y_ += height; }

    // A section heading, kept on a page with `keepWith` points of what follows.
    void heading(const QString& text, double keepWith = 40);
    // The height a heading takes here (with its space above it unless at the page top).
    double headingSpace() const;
    // Text wrapped to the width; every stored line break starts a new line.
    void text(const QString& text, const QFont& font, double indent = 0);
    // Closes the last page.
    void finish();

    static QFont font(int pixelSize, bool bold = false, const QString& family = QStringLiteral("WenQuanYi Zen Hei"));

private:
    void footer();

    QPagedPaintDevice* device_;
    QPainter* painter_;
    QString footerName_;
    int total_;
    int page_ = 1;
    double y_ = kMargin;
};

} // namespace handout
