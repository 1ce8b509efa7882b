#pragma once
// TiSwitchRocker3Way: a spring-centred three-position rocker. Holding the upper (lower) half steps Value up
// (down) by Increment at once, then after RepeatInitialDelay and every RepeatInterval until released.
#include "widgets/iCustomComponent.h"

#include <algorithm>

class TiSwitchRocker3Way : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE setValue)
    Q_PROPERTY(double Increment READ Increment WRITE setIncrement)
    Q_PROPERTY(int RepeatInitialDelay READ RepeatInitialDelay WRITE setRepeatInitialDelay)
    Q_PROPERTY(int RepeatInterval READ RepeatInterval WRITE setRepeatInterval)
    Q_PROPERTY(bool UseArrowKeys READ UseArrowKeys WRITE setUseArrowKeys)
    Q_PROPERTY(int BorderMargin READ BorderMargin WRITE setBorderMargin)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)

public:
    enum Position { PositionDown, PositionCentre, PositionUp };

    explicit TiSwitchRocker3Way(QWidget* parent = nullptr);

    double Value() const { return value_; }
    void setValue(double v); // fires valueChange(), and valueChangeUser() when the user made the change
    double Increment() const { return increment_; }
    void setIncrement(double inc) { increment_ = inc; }
    int RepeatInitialDelay() const { return repeatInitialDelay_; }
    void setRepeatInitialDelay(int ms) { repeatInitialDelay_ = std::max(0, ms); }
    int RepeatInterval() const { return repeatInterval_; }
    void setRepeatInterval(int ms) { repeatInterval_ = std::max(0, ms); }
    bool UseArrowKeys() const { return useArrowKeys_; }
    void setUseArrowKeys(bool on) { useArrowKeys_ = on; }
    int BorderMargin() const { return borderMargin_; }
    void setBorderMargin(int m);
    bool ShowFocusRect() const { return showFocusRect_; }
    void setShowFocusRect(bool on);

    Position CurrentPosition() const { return position_; }
    bool Repeating() const { return TimerRunning(); }
    int RepeatPeriod() const { return TimerInterval(); } // the timer's period now, 0 when stopped

    void PaintTo(QPainter& canvas) override;

signals:
    void valueChange();
    void valueChangeUser();
    void upClick();
    void downClick();

protected:
    void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleKeyDown(int key, Qt::KeyboardModifiers shift) override;
    void HandleKeyUp(int key, Qt::KeyboardModifiers shift) override;
    void OnInternalTimer() override;

private:
    void press(Position p);
    void release();
    void step();

    double value_ = 0;
    double increment_ = 1.0;
    int repeatInitialDelay_ = 500;
    int repeatInterval_ = 50;
    bool useArrowKeys_ = true;
    int borderMargin_ = 2;
    bool showFocusRect_ = true;
    Position position_ = PositionCentre;
    bool pressedByUser_ = false;
};
