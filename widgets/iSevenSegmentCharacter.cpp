#include "widgets/iSevenSegmentCharacter.h"

#include "widgets/iDrawing.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <array>

namespace {

// Segment codes of ssc0 ... sscF, bit 0 = A ... bit 6 = G.
constexpr std::array<int, 16> kGlyphCodes = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                             0x7F, 0x67, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};

// Character view of Value, in the enum's order; ' ' stands for sscBlank.
constexpr char kCharacters[] = "0123456789abcdef.:+- _<>;,";

bool isNarrow(TiSevenSegmentCharacter::TiSevenSegmentValue v) {
    using S = TiSevenSegmentCharacter;
    return v == S::sscPeriod || v == S::sscColon || v == S::sscSemiColon || v == S::sscComma;
}

} // namespace

TiSevenSegmentCharacter::TiSevenSegmentCharacter(QWidget* parent) : TiCustomComponent(parent) {
    setBackGroundColor(Qt::black);
    SetBounds(0, 0, 15, 23);
    applyAutoSize();
}

void TiSevenSegmentCharacter::setSegment(int n, bool on) {
    if (n < 0 || n >= 7)
        return;
    if (store(seg_[n], on))
        RequestRepaint();
}

int TiSevenSegmentCharacter::SegmentBits() const {
    int bits = 0;
    for (int n = 0; n < 7; ++n)
        if (seg_[n])
            bits |= 1 << n;
    return bits;
}

void TiSevenSegmentCharacter::setSegmentBits(int bits) {
    bool changed = false;
    for (int n = 0; n < 7; ++n)
        changed |= store(seg_[n], bool(bits & (1 << n)));
    if (changed)
        RequestRepaint();
}

void TiSevenSegmentCharacter::setUseSegmentBits(bool on) {
    if (store(useSegmentBits_, on))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setValue(TiSevenSegmentValue v) {
    if (v < ssc0 || v > sscComma)
        return;
    if (!store(value_, v))
        return;
    RequestRepaint();
    applyAutoSize();
}

QChar TiSevenSegmentCharacter::Character() const { return QChar::fromLatin1(kCharacters[value_]); }

void TiSevenSegmentCharacter::setCharacter(QChar c) {
    const char ch = c.toLower().toLatin1();
    if (ch != ' ' && ch != 0) {
        for (int i = 0; kCharacters[i]; ++i)
            if (kCharacters[i] == ch) {
                setValue(TiSevenSegmentValue(i));
                return;
            }
    }
    setValue(sscBlank);
}

void TiSevenSegmentCharacter::setSegmentColor(const QColor& c) {
    if (storeColor(segmentColor_, c))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setSegmentOffColor(const QColor& c) {
    if (storeColor(segmentOffColor_, c))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setAutoSegmentOffColor(bool on) {
    if (store(autoSegmentOffColor_, on))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setShowOffSegments(bool on) {
    if (store(showOffSegments_, on))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setPowerOff(bool on) {
    if (store(powerOff_, on))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setSegmentMargin(int m) {
    if (!store(margin_, std::max(0, m)))
        return;
    RequestRepaint();
    applyAutoSize();
}

void TiSevenSegmentCharacter::setSegmentSize(int z) {
    if (!store(size_, std::max(1, z)))
        return;
    RequestRepaint();
    applyAutoSize();
}

void TiSevenSegmentCharacter::setSegmentSeperation(int s) {
    if (store(separation_, std::max(0, s)))
        RequestRepaint();
}

void TiSevenSegmentCharacter::setAutoSize(bool on) {
    if (store(autoSize_, on))
        applyAutoSize();
}

void TiSevenSegmentCharacter::Loaded() { applyAutoSize(); }

void TiSevenSegmentCharacter::applyAutoSize() {
    if (!autoSize_ || IsLoading())
        return;
    const int h = 2 * margin_ + 18 * size_ + 1;
    const int w = isNarrow(value_) ? 2 * margin_ + 2 * size_ + 1 : 2 * margin_ + 10 * size_ + 1;
    SetBounds(Left(), Top(), w, h);
}

QColor TiSevenSegmentCharacter::EffectiveOffColor() const {
    return autoSegmentOffColor_ ? idraw::dimmed(segmentColor_) : segmentOffColor_;
}

int TiSevenSegmentCharacter::GlyphCode(TiSevenSegmentValue v) {
    return v >= ssc0 && v <= sscF ? kGlyphCodes[v] : 0;
}

int TiSevenSegmentCharacter::LitSegments() const { return useSegmentBits_ ? SegmentBits() : GlyphCode(value_); }

QPolygon TiSevenSegmentCharacter::SegmentPolygon(int n) const {
    const int W = Width(), H = Height(), M = margin_, S = separation_, Z = size_;
    const int h = (H - 1) / 2;
    switch (n) {
    case 0:
        return QPolygon({{M + S, M}, {W - M - S - 1, M}, {W - M - S - 2 * Z - 1, M + 2 * Z}, {M + S + 2 * Z, M + 2 * Z}});
    case 1:
        return QPolygon({{W - M - 1, M + S}, {W - M - 1, h - S}, {W - M - 2 * Z - 1, h - S - 2 * Z},
                         {W - M - 2 * Z - 1, M + S + 2 * Z}});
    case 2:
        return QPolygon({{W - M - 1, h + S}, {W - M - 1, H - 1 - M - S}, {W - M - 2 * Z - 1, H - 1 - M - S - 2 * Z},
                         {W - M - 2 * Z - 1, h + S + 2 * Z}});
    case 3:
        return QPolygon({{M + S, H - M - 1}, {W - M - S - 1, H - M - 1}, {W - M - S - 2 * Z - 1, H - M - 2 * Z - 1},
                         {M + S + 2 * Z, H - M - 2 * Z - 1}});
    case 4:
        return QPolygon({{M, h + S}, {M, H - 1 - M - S}, {M + 2 * Z, H - 1 - M - S - 2 * Z}, {M + 2 * Z, h + S + 2 * Z}});
    case 5:
        return QPolygon({{M, M + S}, {M, h - S}, {M + 2 * Z, h - S - 2 * Z}, {M + 2 * Z, M + S + 2 * Z}});
    case 6:
        return QPolygon({{M + S, h}, {M + S + Z, h - Z}, {W - M - S - Z - 1, h - Z}, {W - M - S - 1, h},
                         {W - M - S - Z - 1, h + Z}, {M + S + Z, h + Z}});
    default:
        return {};
    }
}

// The sign glyphs are shapes of their own, drawn in the lit colour.
void TiSevenSegmentCharacter::paintSign(QPainter& canvas, TiSevenSegmentValue v, const QColor& colour) const {
    const int W = Width(), H = Height(), M = margin_, Z = size_;
    const int h = (H - 1) / 2, cx = (W - 1) / 2;
    auto box = [&](int l, int t, int r, int b) { idraw::fillLTRB(canvas, l, t, r + 1, b + 1, colour); };
    auto dot = [&](int cy) { box(cx - Z, cy - Z, cx + Z, cy + Z); };
    switch (v) {
    case sscPeriod:
        dot(H - M - Z - 1);
        break;
    case sscComma:
        dot(H - M - 3 * Z - 1);
        box(cx - Z, H - M - 2 * Z - 1, cx, H - M - 1);
        break;
    case sscColon:
        dot(h - 4 * Z);
        dot(h + 4 * Z);
        break;
    case sscSemiColon:
        dot(h - 4 * Z);
        dot(h + 3 * Z);
        box(cx - Z, h + 4 * Z, cx, h + 6 * Z);
        break;
    case sscMinus: {
        const QPolygon g = SegmentPolygon(6);
        idraw::polygon(canvas, g.constData(), int(g.size()), colour);
        break;
    }
    case sscPlus: {
        const QPolygon g = SegmentPolygon(6);
        idraw::polygon(canvas, g.constData(), int(g.size()), colour);
        box(cx - Z + 1, h - 4 * Z, cx + Z - 1, h + 4 * Z);
        break;
    }
    case sscLine: {
        const QPolygon d = SegmentPolygon(3);
        idraw::polygon(canvas, d.constData(), int(d.size()), colour);
        break;
    }
    case sscUpArrow: {
        const QPoint tri[] = {{cx, M + Z}, {W - M - 1, h}, {M, h}};
        idraw::polygon(canvas, tri, 3, colour);
        box(cx - Z, h, cx + Z, H - M - 1);
        break;
    }
    case sscDownArrow: {
        const QPoint tri[] = {{M, h}, {W - M - 1, h}, {cx, H - M - Z - 1}};
        idraw::polygon(canvas, tri, 3, colour);
        box(cx - Z, M, cx + Z, h);
        break;
    }
    default:
        break;
    }
}

void TiSevenSegmentCharacter::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const QColor off = EffectiveOffColor();
    const QColor lit = powerOff_ ? off : segmentColor_;
    const bool sign = !useSegmentBits_ && value_ >= sscPeriod && value_ != sscBlank;
    if (sign) {
        if (showOffSegments_ && value_ == sscPlus)
            paintSign(canvas, sscMinus, off);
        if (showOffSegments_ && value_ == sscMinus)
            paintSign(canvas, sscPlus, off);
        paintSign(canvas, value_, lit);
        return;
    }
    const int bits = LitSegments();
    for (int n = 0; n < 7; ++n) {
        const bool on = bits & (1 << n);
        if (!on && !showOffSegments_)
            continue;
        const QPolygon poly = SegmentPolygon(n);
        idraw::polygon(canvas, poly.constData(), int(poly.size()), on ? lit : off);
    }
}
