#pragma once
// TiComponent: the root of the instrument widgets. It holds the properties every widget shares (background,
// border, caching, frame-rate limit), the repaint requests with suspension and rate limiting, the private
// animation timer, the paint lock and the user-action and focus flags. The toolkit glue (painting through one
// off-screen picture, mouse, keyboard and focus handling) is filled in by TiVCLComponent.
#include <QColor>
#include <QElapsedTimer>
#include <QPoint>
#include <QRecursiveMutex>
#include <QString>
#include <QWidget>

class QPainter;
class QTimer;

class TiComponent : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor BackGroundColor READ BackGroundColor WRITE setBackGroundColor)
    Q_PROPERTY(TiBevelStyle BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool CachedDrawing READ CachedDrawing WRITE setCachedDrawing)
    Q_PROPERTY(bool AutoFrameRate READ AutoFrameRate WRITE setAutoFrameRate)
    Q_PROPERTY(int UpdateFrameRate READ UpdateFrameRate WRITE setUpdateFrameRate)
    Q_PROPERTY(bool OptionSaveAllProperties READ OptionSaveAllProperties WRITE setOptionSaveAllProperties)
    Q_PROPERTY(QString Hint READ Hint WRITE setHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)

public:
    enum TiBevelStyle { ibsNone, ibsRaised, ibsLowered };
    Q_ENUM(TiBevelStyle)

    explicit TiComponent(QWidget* parent = nullptr);
    ~TiComponent() override;

    QColor BackGroundColor() const { return backGroundColor_; }
    void setBackGroundColor(const QColor& c);
    TiBevelStyle BorderStyle() const { return borderStyle_; }
    void setBorderStyle(TiBevelStyle s);
    bool Transparent() const { return transparent_; }
    void setTransparent(bool on);
    bool CachedDrawing() const { return cachedDrawing_; }
    void setCachedDrawing(bool on);
    bool AutoFrameRate() const { return autoFrameRate_; }
    void setAutoFrameRate(bool on);
    int UpdateFrameRate() const { return updateFrameRate_; }
    void setUpdateFrameRate(int perSecond); // negative counts as 0, no limit
    bool OptionSaveAllProperties() const { return optionSaveAllProperties_; }
    void setOptionSaveAllProperties(bool on) { optionSaveAllProperties_ = on; } // no run-time effect
    QString Hint() const { return hint_; }
    void setHint(const QString& hint);
    bool ShowHint() const { return showHint_; }
    void setShowHint(bool on);

    // Position and size, in designed coordinates; widgets that keep a shape or size themselves adjust the
    // rectangle first. The widget sits on the screen at the rectangle scaled by the zoom.
    virtual void SetBounds(int left, int top, int width, int height);

    // The zoom the widget is shown at. Painting and mouse positions stay in designed coordinates: the
    // widget draws itself at Width() x Height() onto a canvas scaled to its screen size.
    double Zoom() const { return zoom_; }
    void setZoom(double zoom);
    QRect DesignedRect() const;
    int Left() const { return DesignedRect().x(); }
    int Top() const { return DesignedRect().y(); }
    int Width() const { return DesignedRect().width(); }
    int Height() const { return DesignedRect().height(); }
    QRect ClientRect() const { return QRect(0, 0, Width(), Height()); }

    // Repaint requests (see RequestRepaint in the .cpp for the suspension and frame-rate rules).
    void RequestRepaint();
    void RequestBackgroundRepaint();
    // Suspends repaints; not counted, one EndUpdate resumes after any number of BeginUpdate calls.
    void BeginUpdate();
    void EndUpdate();
    bool UpdateSuspended() const { return updateSuspended_; }
    bool RepaintPending() const { return pendingForeground_ || pendingBackground_; }
    bool BackgroundDirty() const { return backgroundDirty_; }

    // The paint lock, taken around every paint; recursive.
    void Lock() { paintLock_.lock(); }
    void Unlock() { paintLock_.unlock(); }

    // Layout loading: while loading, size rules that depend on other properties are not applied.
    void BeginLoad() { loading_ = true; }
    void EndLoad();
    bool IsLoading() const { return loading_; }

    // True while a mouse, keyboard or focus event is being handled: the change comes from the user.
    bool UserAction() const { return userAction_; }
    bool HasFocus() const { return hasFocus_; }

    // Draws the whole widget onto the canvas. Every widget provides it.
    virtual void PaintTo(QPainter& canvas) = 0;

signals:
    void clicked();
    void dblClicked();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void mouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void keyDown(int key, Qt::KeyboardModifiers shift);
    void keyUp(int key, Qt::KeyboardModifiers shift);
    void keyPress(QChar key);

protected:
    // Background fill (or the transparency snapshot) followed by the border.
    virtual void PaintBackground(QPainter& canvas, const QColor& colour) = 0;
    virtual void PaintBorder(QPainter& canvas) = 0;

    // The private timer. The first tick comes after initialDelay (or after interval when the delay is 0),
    // later ticks every interval, in milliseconds.
    bool TimerRunning() const;
    void TimerStart(int initialDelay, int interval);
    void TimerStop();
    int TimerInterval() const; // the period the timer is armed with now, 0 when stopped
    virtual void OnInternalTimer() {}
    // One tick of the private timer (called by the timer; widgets' tests may call it to step time).
    void InternalTimerTick();

    // Keyboard and mouse hooks, empty in the base.
    virtual void HandleKeyUp(int key, Qt::KeyboardModifiers shift) { Q_UNUSED(key) Q_UNUSED(shift) }
    virtual void HandleKeyDown(int key, Qt::KeyboardModifiers shift) { Q_UNUSED(key) Q_UNUSED(shift) }
    virtual void HandleKeyPress(QChar key) { Q_UNUSED(key) }
    virtual void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
        Q_UNUSED(button) Q_UNUSED(shift) Q_UNUSED(x) Q_UNUSED(y)
    }
    virtual void HandleMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
        Q_UNUSED(button) Q_UNUSED(shift) Q_UNUSED(x) Q_UNUSED(y)
    }
    virtual void HandleMouseMove(Qt::KeyboardModifiers shift, int x, int y) {
        Q_UNUSED(shift) Q_UNUSED(x) Q_UNUSED(y)
    }
    virtual void HandleDblClick() {}
    virtual bool HandleMouseWheel(int delta, Qt::KeyboardModifiers shift, const QPoint& point) {
        Q_UNUSED(delta) Q_UNUSED(shift) Q_UNUSED(point) return false;
    }

    // Something that affects the background changed: request a background repaint and renew the snapshot.
    virtual void BackgroundChange();
    // The widget's size really changed (after SetBounds or an outside resize).
    virtual void SizeChanged() {}
    // Caching was switched; widgets drop their cached pictures when it goes off.
    virtual void CachedDrawingChanged() {}
    virtual void TransparentChanged() {}
    // Called by EndLoad.
    virtual void Loaded() {}

    // Marks the window for repainting; one place so that tests and benchmarks can count issued repaints.
    virtual void InvalidateWindow();
    // Milliseconds on a monotonic clock; virtual so that tests can step time.
    virtual qint64 NowMs() const;

    void clearBackgroundDirty() { backgroundDirty_ = false; }
    void setUserAction(bool on) { userAction_ = on; }
    void setHasFocus(bool on) { hasFocus_ = on; }
    QRecursiveMutex& paintLock() { return paintLock_; }
    // Used by the metafile path, which switches caching off without the setter's side effects.
    void setCachedDrawingField(bool on) { cachedDrawing_ = on; }
    QSize lastHandledSize() const { return lastSize_; }
    void noteHandledSize(const QSize& s) { lastSize_ = s; }

    // Compares and stores; true when the value changed.
    template <class T> static bool store(T& field, const T& value) {
        if (field == value)
            return false;
        field = value;
        return true;
    }
    static bool storeColor(QColor& field, const QColor& value) {
        if (field.rgba() == value.rgba())
            return false;
        field = value;
        return true;
    }

private:
    void issueRepaint();
    void issueIfDue();
    void updateToolTip();

    QColor backGroundColor_;
    TiBevelStyle borderStyle_ = ibsNone;
    bool transparent_ = false;
    bool cachedDrawing_ = true;
    bool autoFrameRate_ = false;
    int updateFrameRate_ = 60;
    bool optionSaveAllProperties_ = false;
    QString hint_;
    bool showHint_ = false;

    bool backgroundDirty_ = true;
    bool updateSuspended_ = false;
    bool pendingForeground_ = false;
    bool pendingBackground_ = false;
    bool everRepainted_ = false;
    qint64 lastRepaintMs_ = 0;
    bool userAction_ = false;
    bool hasFocus_ = false;
    bool loading_ = false;
    QSize lastSize_;
    double zoom_ = 1.0;
    QRect designed_; // the rectangle SetBounds was given, kept while the zoom is not 1

    QTimer* timer_ = nullptr;
    QTimer* flushTimer_ = nullptr;
    bool timerFirstShot_ = false;
    int timerInterval_ = 0;

    QRecursiveMutex paintLock_;
    QElapsedTimer clock_;
};
