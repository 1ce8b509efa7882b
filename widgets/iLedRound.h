#pragma once
// TiLedRound: a round indicator lamp that keeps itself square (the power lamp and the blinking lamp).
#include "widgets/iLed.h"

class TiLedRound : public TiLed {
    Q_OBJECT
    Q_PROPERTY(bool ShowReflection READ ShowReflection WRITE setShowReflection)

public:
    explicit TiLedRound(QWidget* parent = nullptr);

    bool ShowReflection() const { return showReflection_; }
    void setShowReflection(bool on);

    // Outside loading a change of width sets the height to it, otherwise a change of height sets the width.
    void SetBounds(int left, int top, int width, int height) override;

    void PaintTo(QPainter& canvas) override;

private:
    bool showReflection_ = true;
};
