#include "widgets/iComponent.h"

#include "base/Zoom.h"

#include "widgets/iDrawing.h"

#include <QTimer>

#include <algorithm>

TiComponent::TiComponent(QWidget* parent) : QWidget(parent), backGroundColor_(idraw::buttonFace()) {
    clock_.start();
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &TiComponent::InternalTimerTick);
    // Issues a repaint the frame-rate limit left pending once its slot has come, so that the last change
    // of a burst is not left unpainted.
    flushTimer_ = new QTimer(this);
    flushTimer_->setSingleShot(true);
    connect(flushTimer_, &QTimer::timeout, this, [this] {
        if (!updateSuspended_ && RepaintPending())
            issueIfDue();
    });
}

TiComponent::~TiComponent() {
    timer_->stop();
    flushTimer_->stop();
}

void TiComponent::setBackGroundColor(const QColor& c) {
    if (storeColor(backGroundColor_, c))
        BackgroundChange();
}

void TiComponent::setBorderStyle(TiBevelStyle s) {
    if (store(borderStyle_, s))
        BackgroundChange();
}

void TiComponent::setTransparent(bool on) {
    if (!store(transparent_, on))
        return;
    TransparentChanged();
    BackgroundChange();
}

void TiComponent::setCachedDrawing(bool on) {
    if (!store(cachedDrawing_, on))
        return;
    CachedDrawingChanged();
    RequestBackgroundRepaint();
}

void TiComponent::setAutoFrameRate(bool on) {
    if (!store(autoFrameRate_, on))
        return;
    if (on)
        RequestBackgroundRepaint();
    else
        EndUpdate();
}

void TiComponent::setUpdateFrameRate(int perSecond) { updateFrameRate_ = std::max(0, perSecond); }

void TiComponent::setHint(const QString& hint) {
    if (store(hint_, hint))
        updateToolTip();
}

void TiComponent::setShowHint(bool on) {
    if (store(showHint_, on))
        updateToolTip();
}

void TiComponent::updateToolTip() { setToolTip(showHint_ ? hint_ : QString()); }

void TiComponent::SetBounds(int left, int top, int width, int height) {
    designed_ = QRect(left, top, std::max(0, width), std::max(0, height));
    setGeometry(zoom::scaled(designed_, zoom_));
    if (designed_.size() != lastSize_) {
        lastSize_ = designed_.size();
        BackgroundChange();
        SizeChanged();
    }
}

void TiComponent::setZoom(double zoom) {
    if (zoom <= 0 || zoom == zoom_)
        return;
    designed_ = DesignedRect();
    zoom_ = zoom;
    setGeometry(zoom::scaled(designed_, zoom_));
    BackgroundChange();
    RequestRepaint();
}

// At 1 the widget's own geometry is the designed one (an outside move or resize included).
QRect TiComponent::DesignedRect() const { return zoom_ == 1.0 ? geometry() : designed_; }

void TiComponent::EndLoad() {
    if (!loading_)
        return;
    loading_ = false;
    Loaded();
}

void TiComponent::BackgroundChange() { RequestBackgroundRepaint(); }

// A request while suspended is only remembered. With AutoFrameRate on it is remembered and issued only when
// at least 1 / UpdateFrameRate seconds have passed since the last issued repaint (0 means no limit);
// otherwise it is issued at once.
void TiComponent::RequestRepaint() {
    pendingForeground_ = true;
    if (updateSuspended_)
        return;
    if (autoFrameRate_)
        issueIfDue();
    else
        issueRepaint();
}

void TiComponent::RequestBackgroundRepaint() {
    backgroundDirty_ = true;
    pendingBackground_ = true;
    if (updateSuspended_)
        return;
    if (autoFrameRate_)
        issueIfDue();
    else
        issueRepaint();
}

void TiComponent::BeginUpdate() { updateSuspended_ = true; }

void TiComponent::EndUpdate() {
    updateSuspended_ = false;
    if (!RepaintPending())
        return;
    if (autoFrameRate_)
        issueIfDue();
    else
        issueRepaint();
}

void TiComponent::issueIfDue() {
    if (updateFrameRate_ <= 0 || !everRepainted_) {
        issueRepaint();
        return;
    }
    const qint64 elapsed = NowMs() - lastRepaintMs_;
    if (elapsed * updateFrameRate_ >= 1000) {
        issueRepaint();
        return;
    }
    // Not yet due: stays pending until the frame slot comes.
    const qint64 slot = (1000 + updateFrameRate_ - 1) / updateFrameRate_;
    flushTimer_->start(int(std::max<qint64>(1, slot - elapsed)));
}

void TiComponent::issueRepaint() {
    pendingForeground_ = false;
    pendingBackground_ = false;
    everRepainted_ = true;
    lastRepaintMs_ = NowMs();
    flushTimer_->stop();
    InvalidateWindow();
}

void TiComponent::InvalidateWindow() { update(); }

qint64 TiComponent::NowMs() const { return clock_.elapsed(); }

bool TiComponent::TimerRunning() const { return timer_->isActive(); }

void TiComponent::TimerStart(int initialDelay, int interval) {
    if (timer_->isActive())
        return;
    initialDelay = std::max(0, initialDelay);
    interval = std::max(0, interval);
    timerInterval_ = interval;
    if (initialDelay == 0) {
        if (interval == 0)
            return;
        timerFirstShot_ = false;
        timer_->start(interval);
    } else {
        timerFirstShot_ = true;
        timer_->start(initialDelay);
    }
}

void TiComponent::TimerStop() {
    timer_->stop();
    timerFirstShot_ = false;
}

int TiComponent::TimerInterval() const { return timer_->isActive() ? timer_->interval() : 0; }

void TiComponent::InternalTimerTick() {
    if (timerFirstShot_) {
        timerFirstShot_ = false;
        // A zero interval after the first shot would tick on every pass of the event loop: it ends the timer.
        if (timerInterval_ > 0)
            timer_->start(timerInterval_);
        else
            timer_->stop();
    }
    OnInternalTimer();
}
