#include "widgets/iVCLComponent.h"

#include "base/ErrorReport.h"
#include "base/Zoom.h"
#include "widgets/iDrawing.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QWheelEvent>

#include <exception>

namespace {

template <class F> void swallow(F&& body) {
    try {
        body();
    } catch (...) {
        // Errors inside mouse and keyboard handling are not passed on into the event dispatch.
    }
}

bool isRecordingDevice(QPainter& p) {
    if (!p.paintEngine())
        return false;
    switch (p.paintEngine()->type()) {
    case QPaintEngine::Picture:
    case QPaintEngine::Pdf:
    case QPaintEngine::SVG:
    case QPaintEngine::MacPrinter:
        return true;
    default:
        return false;
    }
}

} // namespace

// Holds the user-action flag on for the handling of one input event, also when the handling fails.
class TiVCLComponent::UserActionScope {
public:
    explicit UserActionScope(TiVCLComponent* w) : w_(w), previous_(w->UserAction()) { w_->setUserAction(true); }
    ~UserActionScope() { w_->setUserAction(previous_); }

private:
    TiVCLComponent* w_;
    bool previous_;
};

#define USER_ACTION UserActionScope userScope_(this)

TiVCLComponent::TiVCLComponent(QWidget* parent) : TiComponent(parent) {
    // Opaque, never erased: the toolkit neither paints the parent behind it nor clears it before a paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
}

TiVCLComponent::~TiVCLComponent() = default;

void TiVCLComponent::PaintBackground(QPainter& canvas, const QColor& colour) {
    if (Transparent() && !snapshot_.isNull())
        canvas.drawImage(ClientRect(), snapshot_);
    else
        canvas.fillRect(ClientRect(), colour);
    PaintBorder(canvas);
}

void TiVCLComponent::PaintBorder(QPainter& canvas) {
    const idraw::Edge e = BorderStyle() == ibsRaised    ? idraw::Edge::Raised
                          : BorderStyle() == ibsLowered ? idraw::Edge::Lowered
                                                        : idraw::Edge::None;
    idraw::edge3D(canvas, ClientRect(), e);
}

void TiVCLComponent::BackgroundChange() {
    TiComponent::BackgroundChange();
    if (Transparent())
        TakeSnapshot();
}

void TiVCLComponent::TransparentChanged() {
    if (Transparent()) {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        TakeSnapshot();
    } else {
        setAttribute(Qt::WA_OpaquePaintEvent, true);
        snapshot_ = QImage();
    }
}

void TiVCLComponent::TakeSnapshot() {
    if (!Transparent())
        return;
    snapshot_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    snapshot_.fill(BackGroundColor());
    QWidget* parent = parentWidget();
    if (!parent || !isVisible() || width() < 10 || height() < 10)
        return;
    // The screen under the widget is copied only when the four points 5 pixels inside its corners show.
    const QRegion shown = visibleRegion();
    const QPoint corners[] = {{5, 5}, {width() - 6, 5}, {5, height() - 6}, {width() - 6, height() - 6}};
    for (const QPoint& c : corners)
        if (!shown.contains(c))
            return;
    // The parent alone (without its children) is what lies under a child widget.
    QPainter p(&snapshot_);
    parent->render(&p, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
}

void TiVCLComponent::paintFailure(QPainter& canvas, const QString& message) {
    canvas.resetTransform();
    canvas.setClipping(false);
    canvas.setOpacity(1.0);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.fillRect(rect(), Qt::black);
    QFont f = font();
    f.setBold(true);
    canvas.setFont(f);
    canvas.setPen(Qt::white);
    canvas.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, message);
}

void TiVCLComponent::PaintFrameTo(QPainter& target) {
    if (width() <= 0 || height() <= 0)
        return;
    QMutexLocker locker(&paintLock());
    if (frame_.size() != size())
        frame_ = QImage(size(), QImage::Format_RGB32);
    {
        QPainter canvas(&frame_);
        // Zoomed, the widget still draws at its designed size, onto a canvas scaled to the screen's.
        if (Zoom() != 1.0)
            canvas.scale(qreal(width()) / std::max(1, Width()), qreal(height()) / std::max(1, Height()));
        canvas.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        canvas.setBrush(QBrush(Qt::white, Qt::SolidPattern));
        try {
            PaintTo(canvas);
        } catch (const std::exception& e) {
            const auto* err = dynamic_cast<const Error*>(&e);
            paintFailure(canvas, err ? err->message() : QString::fromUtf8(e.what()));
        } catch (...) {
            paintFailure(canvas, QStringLiteral("Unknown error"));
        }
        if (onAfterPaint_)
            swallow([&] { onAfterPaint_(canvas); });
    }
    target.drawImage(0, 0, frame_);
}

QImage TiVCLComponent::RenderFrame() {
    QImage screen(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    screen.fill(Qt::magenta);
    QPainter p(&screen);
    PaintFrameTo(p);
    return screen;
}

void TiVCLComponent::PaintMetafile(QPainter& canvas) {
    QMutexLocker locker(&paintLock());
    const bool cached = CachedDrawing();
    setCachedDrawingField(false);
    swallow([&] { PaintTo(canvas); });
    setCachedDrawingField(cached);
}

void TiVCLComponent::paintEvent(QPaintEvent*) {
    QPainter screen(this);
    if (isRecordingDevice(screen))
        PaintMetafile(screen);
    else
        PaintFrameTo(screen);
}

void TiVCLComponent::resizeEvent(QResizeEvent*) {
    // An outside resize goes through SetBounds so that the widget's own size rules apply.
    const QSize handled = Zoom() == 1.0 ? lastHandledSize() : zoom::scaled(DesignedRect(), Zoom()).size();
    if (inResize_ || size() == handled)
        return;
    inResize_ = true;
    swallow([&] {
        const QRect r = zoom::unscaled(geometry(), Zoom());
        SetBounds(r.x(), r.y(), r.width(), r.height());
    });
    inResize_ = false;
}

void TiVCLComponent::moveEvent(QMoveEvent*) {
    if (Transparent())
        TakeSnapshot();
}

void TiVCLComponent::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        RequestBackgroundRepaint();
    TiComponent::changeEvent(event);
}

void TiVCLComponent::mousePressEvent(QMouseEvent* e) {
    USER_ACTION;
    const QPoint p = zoom::toDesign(e->position(), Zoom());
    swallow([&] {
        HandleMouseDown(e->button(), e->modifiers(), p.x(), p.y());
        emit mouseDown(e->button(), e->modifiers(), p.x(), p.y());
    });
    if (e->button() == Qt::LeftButton)
        clickArmed_ = true;
}

void TiVCLComponent::mouseReleaseEvent(QMouseEvent* e) {
    USER_ACTION;
    const QPoint p = zoom::toDesign(e->position(), Zoom());
    swallow([&] {
        HandleMouseUp(e->button(), e->modifiers(), p.x(), p.y());
        emit mouseUp(e->button(), e->modifiers(), p.x(), p.y());
        if (e->button() == Qt::LeftButton && clickArmed_) {
            clickArmed_ = false;
            if (ClientRect().contains(p))
                emit clicked();
        }
    });
}

void TiVCLComponent::mouseMoveEvent(QMouseEvent* e) {
    USER_ACTION;
    const QPoint p = zoom::toDesign(e->position(), Zoom());
    swallow([&] {
        HandleMouseMove(e->modifiers(), p.x(), p.y());
        emit mouseMove(e->modifiers(), p.x(), p.y());
    });
}

void TiVCLComponent::mouseDoubleClickEvent(QMouseEvent* e) {
    USER_ACTION;
    const QPoint p = zoom::toDesign(e->position(), Zoom());
    swallow([&] {
        // The press of a double click is a press too.
        HandleMouseDown(e->button(), e->modifiers(), p.x(), p.y());
        emit mouseDown(e->button(), e->modifiers(), p.x(), p.y());
        HandleDblClick();
        emit dblClicked();
    });
    // The release that ends a double click is no second click.
    clickArmed_ = false;
}

void TiVCLComponent::wheelEvent(QWheelEvent* e) {
    USER_ACTION;
    bool handled = false;
    swallow([&] { handled = HandleMouseWheel(e->angleDelta().y(), e->modifiers(), zoom::toDesign(e->position(), Zoom())); });
    e->setAccepted(handled);
}

void TiVCLComponent::keyPressEvent(QKeyEvent* e) {
    USER_ACTION;
    swallow([&] {
        emit keyDown(e->key(), e->modifiers());
        HandleKeyDown(e->key(), e->modifiers());
        const QString text = e->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            emit keyPress(text.at(0));
            HandleKeyPress(text.at(0));
        }
    });
    // A widget that takes no focus leaves the key to its parent as well.
    if (focusPolicy() == Qt::NoFocus)
        e->ignore();
}

void TiVCLComponent::keyReleaseEvent(QKeyEvent* e) {
    // A held key repeats its key-down only; the key is up once, when it is really released.
    if (e->isAutoRepeat())
        return;
    USER_ACTION;
    swallow([&] {
        emit keyUp(e->key(), e->modifiers());
        HandleKeyUp(e->key(), e->modifiers());
    });
}

void TiVCLComponent::focusInEvent(QFocusEvent* e) {
    USER_ACTION;
    setHasFocus(true);
    RequestRepaint();
    TiComponent::focusInEvent(e);
}

void TiVCLComponent::focusOutEvent(QFocusEvent* e) {
    USER_ACTION;
    setHasFocus(false);
    clickArmed_ = false;
    // Releases a key or switch held down. The point lies outside the widget so that losing the focus never
    // counts as a click on it.
    swallow([&] { HandleMouseUp(Qt::LeftButton, Qt::NoModifier, -1, -1); });
    RequestRepaint();
    TiComponent::focusOutEvent(e);
}
