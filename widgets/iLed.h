#pragma once
// TiLed: a lamp that is lit (Active) or not; the common base of the round lamp. Drawn as a square lamp.
#include "widgets/iCustomComponent.h"

class TiLed : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)
    Q_PROPERTY(QColor ActiveColor READ ActiveColor WRITE setActiveColor)
    Q_PROPERTY(QColor InactiveColor READ InactiveColor WRITE setInactiveColor)
    Q_PROPERTY(bool AutoInactiveColor READ AutoInactiveColor WRITE setAutoInactiveColor)
    Q_PROPERTY(TiComponent::TiBevelStyle BevelStyle READ BevelStyle WRITE setBevelStyle)

public:
    explicit TiLed(QWidget* parent = nullptr);

    bool Active() const { return active_; }
    void setActive(bool on);
    QColor ActiveColor() const { return activeColor_; }
    void setActiveColor(const QColor& c);
    QColor InactiveColor() const { return inactiveColor_; }
    void setInactiveColor(const QColor& c);
    bool AutoInactiveColor() const { return autoInactiveColor_; }
    void setAutoInactiveColor(bool on);
    TiBevelStyle BevelStyle() const { return bevelStyle_; }
    void setBevelStyle(TiBevelStyle s);

    // The colour the lamp shows now: ActiveColor when lit, the unlit colour otherwise.
    QColor CurrentColor() const;
    QColor UnlitColor() const;

    void PaintTo(QPainter& canvas) override;

signals:
    void change();

protected:
    // Asked before Active changes; a widget may refuse the change.
    virtual bool ChangeRequest(bool newActive) {
        Q_UNUSED(newActive) return true;
    }

private:
    bool active_ = false;
    QColor activeColor_ = QColor(0, 255, 0);
    QColor inactiveColor_ = QColor(0, 85, 0);
    bool autoInactiveColor_ = true;
    TiBevelStyle bevelStyle_ = ibsLowered;
};
