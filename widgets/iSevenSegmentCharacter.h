#pragma once
// TiSevenSegmentCharacter: one seven-segment digit. Segments are lit from the seven flags (UseSegmentBits on,
// as the boards drive it) or from the glyph of Value.
#include "widgets/iCustomComponent.h"

class TiSevenSegmentCharacter : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(bool SegAOn READ SegAOn WRITE setSegAOn)
    Q_PROPERTY(bool SegBOn READ SegBOn WRITE setSegBOn)
    Q_PROPERTY(bool SegCOn READ SegCOn WRITE setSegCOn)
    Q_PROPERTY(bool SegDOn READ SegDOn WRITE setSegDOn)
    Q_PROPERTY(bool SegEOn READ SegEOn WRITE setSegEOn)
    Q_PROPERTY(bool SegFOn READ SegFOn WRITE setSegFOn)
    Q_PROPERTY(bool SegGOn READ SegGOn WRITE setSegGOn)
    Q_PROPERTY(int SegmentBits READ SegmentBits WRITE setSegmentBits)
    Q_PROPERTY(bool UseSegmentBits READ UseSegmentBits WRITE setUseSegmentBits)
    Q_PROPERTY(TiSevenSegmentValue Value READ Value WRITE setValue)
    Q_PROPERTY(QChar Character READ Character WRITE setCharacter)
    Q_PROPERTY(QColor SegmentColor READ SegmentColor WRITE setSegmentColor)
    Q_PROPERTY(QColor SegmentOffColor READ SegmentOffColor WRITE setSegmentOffColor)
    Q_PROPERTY(bool AutoSegmentOffColor READ AutoSegmentOffColor WRITE setAutoSegmentOffColor)
    Q_PROPERTY(bool ShowOffSegments READ ShowOffSegments WRITE setShowOffSegments)
    Q_PROPERTY(bool PowerOff READ PowerOff WRITE setPowerOff)
    Q_PROPERTY(int SegmentMargin READ SegmentMargin WRITE setSegmentMargin)
    Q_PROPERTY(int SegmentSize READ SegmentSize WRITE setSegmentSize)
    Q_PROPERTY(int SegmentSeperation READ SegmentSeperation WRITE setSegmentSeperation)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)

public:
    enum TiSevenSegmentValue {
        ssc0, ssc1, ssc2, ssc3, ssc4, ssc5, ssc6, ssc7, ssc8, ssc9,
        sscA, sscB, sscC, sscD, sscE, sscF,
        sscPeriod, sscColon, sscPlus, sscMinus, sscBlank, sscLine, sscUpArrow, sscDownArrow, sscSemiColon, sscComma
    };
    Q_ENUM(TiSevenSegmentValue)

    explicit TiSevenSegmentCharacter(QWidget* parent = nullptr);

    bool SegAOn() const { return seg_[0]; }
    bool SegBOn() const { return seg_[1]; }
    bool SegCOn() const { return seg_[2]; }
    bool SegDOn() const { return seg_[3]; }
    bool SegEOn() const { return seg_[4]; }
    bool SegFOn() const { return seg_[5]; }
    bool SegGOn() const { return seg_[6]; }
    void setSegAOn(bool on) { setSegment(0, on); }
    void setSegBOn(bool on) { setSegment(1, on); }
    void setSegCOn(bool on) { setSegment(2, on); }
    void setSegDOn(bool on) { setSegment(3, on); }
    void setSegEOn(bool on) { setSegment(4, on); }
    void setSegFOn(bool on) { setSegment(5, on); }
    void setSegGOn(bool on) { setSegment(6, on); }
    // Segment n (0 = A ... 6 = G).
    bool Segment(int n) const { return n >= 0 && n < 7 && seg_[n]; }
    void setSegment(int n, bool on);

    // Bit 0 = A ... bit 6 = G; bit 7 is ignored on writing and clear on reading. One repaint per write.
    int SegmentBits() const;
    void setSegmentBits(int bits);
    bool UseSegmentBits() const { return useSegmentBits_; }
    void setUseSegmentBits(bool on);

    TiSevenSegmentValue Value() const { return value_; }
    void setValue(TiSevenSegmentValue v);
    QChar Character() const;
    void setCharacter(QChar c);

    QColor SegmentColor() const { return segmentColor_; }
    void setSegmentColor(const QColor& c);
    QColor SegmentOffColor() const { return segmentOffColor_; }
    void setSegmentOffColor(const QColor& c);
    bool AutoSegmentOffColor() const { return autoSegmentOffColor_; }
    void setAutoSegmentOffColor(bool on);
    bool ShowOffSegments() const { return showOffSegments_; }
    void setShowOffSegments(bool on);
    bool PowerOff() const { return powerOff_; }
    void setPowerOff(bool on);

    int SegmentMargin() const { return margin_; }
    void setSegmentMargin(int m); // at least 0
    int SegmentSize() const { return size_; }
    void setSegmentSize(int z); // at least 1
    int SegmentSeperation() const { return separation_; }
    void setSegmentSeperation(int s); // at least 0
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    // The colour unlit segments are drawn in.
    QColor EffectiveOffColor() const;
    // The segments lit now (bit 0 = A ... bit 6 = G), from the flags or from Value's glyph.
    int LitSegments() const;
    // The segment codes of ssc0 ... sscF.
    static int GlyphCode(TiSevenSegmentValue v);
    // The corners of segment n (0 = A ... 6 = G) for the current size and metrics.
    QPolygon SegmentPolygon(int n) const;

    void PaintTo(QPainter& canvas) override;

protected:
    void Loaded() override;

private:
    void applyAutoSize();
    void paintSign(QPainter& canvas, TiSevenSegmentValue v, const QColor& colour) const;

    bool seg_[7] = {};
    bool useSegmentBits_ = false;
    TiSevenSegmentValue value_ = ssc0;
    QColor segmentColor_ = QColor(0, 255, 0);
    QColor segmentOffColor_ = QColor(0, 128, 0);
    bool autoSegmentOffColor_ = true;
    bool showOffSegments_ = true;
    bool powerOff_ = false;
    int margin_ = 2;
    int size_ = 1;
    int separation_ = 1;
    bool autoSize_ = true;
};
