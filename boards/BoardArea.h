#pragma once
// The board area pnl_dock: it paints the drawn elements of a board (link layer, module blocks, terminals,
// labels) in stored order itself, hit-tests them for hints, block presses and clicks, and is the link layer
// that keeps and paints the one wiring connection shown. Instrument widgets are child widgets above it.
#include "boards/BoardLayout.h"
#include "engine/linksheet.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <optional>

namespace boards {

class BoardArea : public QWidget, public LinkLayer {
    Q_OBJECT
public:
    explicit BoardArea(QWidget* parent = nullptr);

    // The elements to draw: the form's ordered component list (kept by the form, outlives the area).
    void setComponents(const QList<Component>* components);
    // Redraw the elements after their data changed.
    void elementsChanged();

    // LinkLayer: erase the connection, or replace it by another and show it.
    void Refresh() override;
    void showConnection(const LinkConnection& connection) override;
    const std::optional<LinkConnection>& connection() const { return connection_; }

    // The zoom the elements are painted at; their rectangles, and the points below, stay in designed
    // coordinates. The area's size is set by the form.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    // The designed point under a point of the widget (a mouse position).
    QPoint toDesign(const QPointF& pos) const;
    // The area's designed size.
    QSize designedSize() const;

    // The topmost block or terminal under a point of the area (index into the components), or -1.
    int elementAt(const QPoint& pos) const;
    // The hint shown at a point: the topmost element's hint if it shows one, else empty.
    QString hintAt(const QPoint& pos) const;
    // The block held down by the mouse and shown pressed, or -1.
    int pressedBlock() const { return down_ ? pressed_ : -1; }

    // Called before the elements are painted (the form completes their sizes).
    std::function<void()> beforePainting;
    // Called with the component index when a block is clicked (pressed and released on it).
    std::function<void(int index)> onBlockClick;

    // Paints the drawn elements in stored order (without the connection) onto any painter.
    void paintElements(QPainter& painter) const;
    // The size a label takes with the area's font.
    QSize labelSize(const QString& caption) const;
    // Turn the cached picture of the elements off or on (benchmarks compare both ways).
    void setCaching(bool on);

    static QColor silver() { return QColor(192, 192, 192); }
    static QColor boardTextColour() { return QColor(0, 128, 0); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintBlock(QPainter& p, const Component& c, bool down) const;
    void paintTerminal(QPainter& p, const Component& c) const;
    void paintLabel(QPainter& p, const Component& c) const;
    void setDown(bool down);

    const QList<Component>* components_ = nullptr;
    std::optional<LinkConnection> connection_;
    int pressed_ = -1;
    bool down_ = false;
    bool caching_ = true;
    double zoom_ = 1.0;
    mutable QPixmap cache_;
    mutable bool cacheValid_ = false;
};

} // namespace boards
