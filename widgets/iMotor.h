#pragma once
// TiMotor: a fan wheel between pipe stubs. While FanOn, the private timer moves the blade colours on by one
// sector every FanInterval milliseconds, so that the wheel seems to turn.
#include "widgets/iCustomComponent.h"

class TiMotor : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(bool PipeShowLeft READ PipeShowLeft WRITE setPipeShowLeft)
    Q_PROPERTY(bool PipeShowRight READ PipeShowRight WRITE setPipeShowRight)
    Q_PROPERTY(bool PipeShowTop READ PipeShowTop WRITE setPipeShowTop)
    Q_PROPERTY(bool PipeShowBottom READ PipeShowBottom WRITE setPipeShowBottom)
    Q_PROPERTY(QColor PipeColor READ PipeColor WRITE setPipeColor)
    Q_PROPERTY(bool BaseShow READ BaseShow WRITE setBaseShow)
    Q_PROPERTY(TiMotorBaseStyle BaseStyle READ BaseStyle WRITE setBaseStyle)
    Q_PROPERTY(QColor BladeColor1 READ BladeColor1 WRITE setBladeColor1)
    Q_PROPERTY(QColor BladeColor2 READ BladeColor2 WRITE setBladeColor2)
    Q_PROPERTY(QColor BladeColor3 READ BladeColor3 WRITE setBladeColor3)
    Q_PROPERTY(int FanSequence READ FanSequence WRITE setFanSequence)
    Q_PROPERTY(bool FanOn READ FanOn WRITE setFanOn)
    Q_PROPERTY(int FanInterval READ FanInterval WRITE setFanInterval)

public:
    enum TiMotorBaseStyle { imbsTrapezoid, imbsFeet };
    Q_ENUM(TiMotorBaseStyle)

    explicit TiMotor(QWidget* parent = nullptr);

    bool PipeShowLeft() const { return pipes_[0]; }
    void setPipeShowLeft(bool on) { setPipe(0, on); }
    bool PipeShowRight() const { return pipes_[1]; }
    void setPipeShowRight(bool on) { setPipe(1, on); }
    bool PipeShowTop() const { return pipes_[2]; }
    void setPipeShowTop(bool on) { setPipe(2, on); }
    bool PipeShowBottom() const { return pipes_[3]; }
    void setPipeShowBottom(bool on) { setPipe(3, on); }
    QColor PipeColor() const { return pipeColor_; }
    void setPipeColor(const QColor& c);
    bool BaseShow() const { return baseShow_; }
    void setBaseShow(bool on);
    TiMotorBaseStyle BaseStyle() const { return baseStyle_; }
    void setBaseStyle(TiMotorBaseStyle s);
    QColor BladeColor1() const { return blades_[0]; }
    void setBladeColor1(const QColor& c) { setBlade(0, c); }
    QColor BladeColor2() const { return blades_[1]; }
    void setBladeColor2(const QColor& c) { setBlade(1, c); }
    QColor BladeColor3() const { return blades_[2]; }
    void setBladeColor3(const QColor& c) { setBlade(2, c); }
    int FanSequence() const { return fanSequence_; }
    void setFanSequence(int s); // 0, 1 or 2; other values ignored
    bool FanOn() const { return fanOn_; }
    void setFanOn(bool on);
    int FanInterval() const { return fanInterval_; }
    void setFanInterval(int ms); // values below 1 are ignored

    // The blade colour sector n (0 ... 5, counter-clockwise from 3 o'clock) shows now.
    QColor SectorColor(int n) const;
    // Whether the private timer turns the wheel, and its period now.
    bool Turning() const { return TimerRunning(); }
    int TurnInterval() const { return TimerInterval(); }
    // One step of the wheel, as a timer tick makes it.
    void Step() { OnInternalTimer(); }

    void PaintTo(QPainter& canvas) override;

protected:
    void OnInternalTimer() override;

private:
    void setPipe(int n, bool on);
    void setBlade(int n, const QColor& c);

    bool pipes_[4] = {true, true, false, false};
    QColor pipeColor_;
    bool baseShow_ = false;
    TiMotorBaseStyle baseStyle_ = imbsTrapezoid;
    QColor blades_[3] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 255, 0)};
    int fanSequence_ = 0;
    bool fanOn_ = false;
    int fanInterval_ = 100;
};
