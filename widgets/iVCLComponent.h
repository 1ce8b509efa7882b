#pragma once
// TiVCLComponent: the toolkit glue of the instrument widgets. Every paint goes through one off-screen picture
// and a single copy to the screen; a failing PaintTo shows its error text in white on black instead. A paint
// onto a recording device (QPicture, printer, PDF, SVG: a print or an export) draws straight onto it. Mouse,
// keyboard and focus events set the user-action flag around the widget's hooks.
#include "widgets/iComponent.h"

#include <QImage>

#include <functional>

class TiVCLComponent : public TiComponent {
    Q_OBJECT

public:
    explicit TiVCLComponent(QWidget* parent = nullptr);
    ~TiVCLComponent() override;

    // Runs the screen path onto target: PaintTo into the off-screen picture (or the failure text), the
    // after-paint hook, then one copy of the picture at 0,0.
    void PaintFrameTo(QPainter& target);
    // The screen path's finished picture, as the screen would receive it.
    QImage RenderFrame();
    // The recording path: caching off for the duration, PaintTo straight onto the canvas, errors swallowed.
    void PaintMetafile(QPainter& canvas);

    // Called with the off-screen picture's canvas after PaintTo, before the copy to the screen.
    void setOnAfterPaint(std::function<void(QPainter&)> hook) { onAfterPaint_ = std::move(hook); }

    // The transparency snapshot (null while Transparent is off).
    const QImage& TransparencySnapshot() const { return snapshot_; }
    // Takes a new snapshot of what lies under the widget (its parent's drawing) when visible.
    void TakeSnapshot();

protected:
    void PaintBackground(QPainter& canvas, const QColor& colour) override;
    void PaintBorder(QPainter& canvas) override;
    void BackgroundChange() override;
    void TransparentChanged() override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    class UserActionScope;
    void paintFailure(QPainter& canvas, const QString& message);

    QImage frame_; // the off-screen picture, kept between paints at the widget's size
    QImage snapshot_;
    std::function<void(QPainter&)> onAfterPaint_;
    bool clickArmed_ = false;
    bool inResize_ = false;
};
