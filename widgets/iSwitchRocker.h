#pragma once
// TiSwitchRocker: a two-position rocker switch with an indicator. A click (or the space key) inverts Active.
#include "widgets/iCustomComponent.h"

class TiSwitchRocker : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)
    Q_PROPERTY(TiMouseControlStyle MouseControlStyle READ MouseControlStyle WRITE setMouseControlStyle)
    Q_PROPERTY(QColor IndicatorActiveColor READ IndicatorActiveColor WRITE setIndicatorActiveColor)
    Q_PROPERTY(int IndicatorMargin READ IndicatorMargin WRITE setIndicatorMargin)
    Q_PROPERTY(int BorderMargin READ BorderMargin WRITE setBorderMargin)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)

public:
    enum TiMouseControlStyle { imcsClickAnyWhere, imcsClickIndicator };
    Q_ENUM(TiMouseControlStyle)

    explicit TiSwitchRocker(QWidget* parent = nullptr);

    bool Active() const { return active_; }
    void setActive(bool on); // fires change(), and changeUser() when the user made the change
    TiMouseControlStyle MouseControlStyle() const { return mouseControlStyle_; }
    void setMouseControlStyle(TiMouseControlStyle s) { mouseControlStyle_ = s; }
    QColor IndicatorActiveColor() const { return indicatorActiveColor_; }
    void setIndicatorActiveColor(const QColor& c);
    int IndicatorMargin() const { return indicatorMargin_; }
    void setIndicatorMargin(int m);
    int BorderMargin() const { return borderMargin_; }
    void setBorderMargin(int m);
    bool ShowFocusRect() const { return showFocusRect_; }
    void setShowFocusRect(bool on);

    bool MouseArmed() const { return mouseArmed_; }
    bool KeyboardArmed() const { return keyArmed_; }
    // The indicator's rectangle for the current state and size.
    QRect IndicatorRect() const;

    void PaintTo(QPainter& canvas) override;

signals:
    void change();
    void changeUser();

protected:
    void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleKeyDown(int key, Qt::KeyboardModifiers shift) override;
    void HandleKeyUp(int key, Qt::KeyboardModifiers shift) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool active_ = false;
    TiMouseControlStyle mouseControlStyle_ = imcsClickAnyWhere;
    QColor indicatorActiveColor_ = QColor(0, 255, 0);
    int indicatorMargin_ = 3;
    int borderMargin_ = 2;
    bool showFocusRect_ = true;
    bool mouseArmed_ = false;
    bool keyArmed_ = false;
};
