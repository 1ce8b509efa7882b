#pragma once
// The front-panel simulation of a board form: the banner on the six digits, the 500 ms blink of the banner
// and the lamp hl, the reset key as a momentary push key and the picture shown on the LED matrix on click,
// where the form's layout names those handlers.
#include "boards/Instruments.h"
#include "widgets/iLed.h"
#include "widgets/iLedMatrix.h"
#include "widgets/iSevenSegmentCharacter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>

class BoardForm;
class QTimer;

namespace boards {

// Segment codes shared by the four boards (bit 0 = segment A ... bit 6 = G; bit 7 has no visible effect).
// Indices 0 to 22 are the boards' table; the glyphs after them complete the model designations.
const QList<uint8_t>& DigitCode();
// The indices into DigitCode that spell a six-character designation (digits and the letters Q, K, X,
// plus those the table has); raises Error for a character no glyph stands for.
QList<int> bannerCodesOf(const QString& designation);

// The picture of board QK740X's LED matrix: value k is column k, bit j of it row j, a set bit lit.
using Pattern = std::array<uint16_t, 16>;
const Pattern& MatrixPattern();
// Writes a pattern into a 16 x 16 matrix through SetIndicatorActive (works on its own copy).
void showPattern(TiLedMatrix& matrix, Pattern pattern);

class FrontPanel : public QObject {
    Q_OBJECT
public:
    // The creation part: sets the banner on the digits, switches their off segments on, resets the blink
    // and starts Timer1; wires the reset key and matrix handlers the layout names. Owned by the form.
    static FrontPanel* attach(BoardForm& form);
    // The front panel of a form, or nullptr.
    static FrontPanel* of(const BoardForm& form);

    // One tick of Timer1 (tests call it to step time).
    void Timer1Timer();
    void RB_RSTMouseDown();
    void RB_RSTMouseUp();
    void iLedMatrix1Click();

    bool BlinkPhase() const { return blinkPhase_; }
    QTimer* Timer1() const { return timer_; }
    // Digits[1] ... Digits[6] are led1 ... led6 (index 0 unused); nullptr where the form has no widget.
    TiSevenSegmentCharacter* Digits(int i) const { return i >= 1 && i <= 6 ? digits_[size_t(i)] : nullptr; }
    const QList<int>& BannerCodes() const { return bannerCodes_; }

private:
    explicit FrontPanel(BoardForm& form);
    void showBanner();

    BoardForm& form_;
    std::array<QPointer<TiSevenSegmentCharacter>, 7> digits_{};
    QPointer<TiLed> hl_;
    QPointer<TiLedMatrix> matrix_;
    QPointer<TRadioButton> reset_;
    QList<int> bannerCodes_;
    bool blinkPhase_ = false;
    QTimer* timer_ = nullptr;
};

} // namespace boards
