#include "boards/FrontPanel.h"

#include "base/ErrorReport.h"
#include "boards/BoardForm.h"
#include "boards/Instruments.h"
#include "widgets/iLed.h"
#include "widgets/iLedMatrix.h"
#include "widgets/iSevenSegmentCharacter.h"

#include <QTimer>

namespace boards {

namespace {

constexpr int kBlinkIntervalMs = 500;

// Index 23 and 24 are added for the designations: Q as A, B, C, F, G and K as A, C, E, F, G (the usual
// seven-segment forms); X has no better form than H.
constexpr uint8_t kDigitCode[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0xFD, 0x07, 0xFF, 0xEF, 0x77, 0x7C, 0x39,
                                  0x5E, 0x79, 0x71, 0x73, 0x40, 0x31, 0x0E, 0x76, 0x78, 0x00, 0x67, 0x75};

struct Glyph {
    char letter;
    int index;
};
constexpr Glyph kLetters[] = {{'A', 10}, {'B', 11}, {'C', 12}, {'D', 13}, {'E', 14}, {'F', 15}, {'P', 16},
                              {'-', 17}, {'J', 19}, {'H', 20}, {'T', 21}, {' ', 22}, {'Q', 23}, {'K', 24},
                              {'X', 20}};

constexpr Pattern kMatrixPattern = {0x0008, 0x4008, 0x2108, 0x1188, 0x0D68, 0x4118, 0x810F, 0x7FE8,
                                    0x0108, 0x0508, 0x0908, 0x1883, 0x6108, 0x000C, 0x0008, 0x0000};

template <class W>
W* widgetNamed(const BoardForm& form, const QString& name) {
    return qobject_cast<W*>(form.widgetOf(form.indexOf(name)));
}

// The handler a widget's stored settings name for an event, empty when none.
QString handlerOf(const BoardForm& form, const char* widget, const char* event) {
    const int i = form.indexOf(QLatin1String(widget));
    return i < 0 ? QString() : form.layout().components[i].properties.value(QLatin1String(event)).toString();
}

} // namespace

const QList<uint8_t>& DigitCode() {
    static const QList<uint8_t> codes(std::begin(kDigitCode), std::end(kDigitCode));
    return codes;
}

QList<int> bannerCodesOf(const QString& designation) {
    QList<int> codes;
    for (const QChar ch : designation) {
        const QChar up = ch.toUpper();
        int index = -1;
        if (up >= u'0' && up <= u'9')
            index = up.unicode() - u'0';
        for (const Glyph& g : kLetters)
            if (up == QLatin1Char(g.letter))
                index = g.index;
        if (index < 0)
            throw Error(QStringLiteral("No seven-segment glyph for \"%1\" in %2").arg(ch).arg(designation));
        codes << index;
    }
    return codes;
}

const Pattern& MatrixPattern() { return kMatrixPattern; }

void showPattern(TiLedMatrix& matrix, Pattern pattern) {
    const int last = int(pattern.size()) - 1;
    for (int k = last; k >= 0; --k)
        for (int j = last; j >= 0; --j)
            matrix.SetIndicatorActive(j, k, (pattern[size_t(k)] >> j) & 1);
}

FrontPanel::FrontPanel(BoardForm& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("FrontPanel"));
    bannerCodes_ = bannerCodesOf(form.board());
    if (bannerCodes_.size() != 6)
        throw Error(QStringLiteral("The banner of %1 does not fill six digits").arg(form.board()));
    for (int i = 1; i <= 6; ++i)
        digits_[size_t(i)] = widgetNamed<TiSevenSegmentCharacter>(form, QStringLiteral("led%1").arg(i));
    hl_ = widgetNamed<TiLed>(form, QStringLiteral("hl"));
    matrix_ = widgetNamed<TiLedMatrix>(form, QStringLiteral("iLedMatrix1"));
    reset_ = widgetNamed<TRadioButton>(form, QStringLiteral("RB_RST"));
}

FrontPanel* FrontPanel::attach(BoardForm& form) {
    auto* panel = new FrontPanel(form);
    panel->showBanner();
    for (int i = 1; i <= 6; ++i)
        if (TiSevenSegmentCharacter* d = panel->Digits(i))
            d->setShowOffSegments(true);
    panel->blinkPhase_ = false;

    // Handlers only where the layout names them (the reset key and matrix of board QK740X).
    if (panel->reset_ && handlerOf(form, "RB_RST", "OnMouseDown") == u"RB_RSTMouseDown")
        panel->reset_->onMouseDown = [panel] { errorreport::guarded([&] { panel->RB_RSTMouseDown(); }); };
    if (panel->reset_ && handlerOf(form, "RB_RST", "OnMouseUp") == u"RB_RSTMouseUp")
        panel->reset_->onMouseUp = [panel] { errorreport::guarded([&] { panel->RB_RSTMouseUp(); }); };
    if (panel->matrix_ && handlerOf(form, "iLedMatrix1", "OnClick") == u"iLedMatrix1Click")
        connect(panel->matrix_, &TiComponent::clicked, panel,
                [panel] { errorreport::guarded([&] { panel->iLedMatrix1Click(); }); });

    // Every board blinks from creation, docked or not; a hidden widget's repaint request costs no painting.
    panel->timer_ = new QTimer(panel);
    panel->timer_->setObjectName(QStringLiteral("Timer1"));
    panel->timer_->setInterval(kBlinkIntervalMs);
    connect(panel->timer_, &QTimer::timeout, panel, [panel] { errorreport::guarded([&] { panel->Timer1Timer(); }); });
    panel->timer_->start();
    return panel;
}

FrontPanel* FrontPanel::of(const BoardForm& form) {
    return form.findChild<FrontPanel*>(QStringLiteral("FrontPanel"), Qt::FindDirectChildrenOnly);
}

void FrontPanel::showBanner() {
    const QList<uint8_t>& codes = DigitCode();
    for (int i = 1; i <= 6; ++i)
        if (TiSevenSegmentCharacter* d = Digits(i))
            d->setSegmentBits(codes[bannerCodes_[i - 1]]);
}

void FrontPanel::Timer1Timer() {
    blinkPhase_ = !blinkPhase_;
    if (blinkPhase_) {
        for (int i = 1; i <= 6; ++i)
            if (TiSevenSegmentCharacter* d = Digits(i))
                d->setSegmentBits(0);
        if (hl_)
            hl_->setActive(false);
    } else {
        showBanner();
        if (hl_)
            hl_->setActive(true);
    }
}

void FrontPanel::RB_RSTMouseDown() {
    if (reset_)
        reset_->setChecked(true);
}

void FrontPanel::RB_RSTMouseUp() {
    if (reset_)
        reset_->setChecked(false);
}

void FrontPanel::iLedMatrix1Click() {
    if (matrix_)
        showPattern(*matrix_, MatrixPattern());
}

} // namespace boards
