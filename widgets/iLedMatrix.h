#pragma once
// TiLedMatrix: a grid of small indicators (the 16 x 16 LED matrix and the pin-header pictures). Only dirty
// indicators are redrawn into a cached picture; rectangle indicators are drawn from per-colour pictures.
#include "widgets/iCustomComponent.h"

#include <QFont>
#include <QImage>

#include <deque>
#include <map>
#include <vector>

// TLedCacheObject / TLedCache: finished pictures of one rectangle indicator, lit and unlit, per colour;
// at most 10 colours, the oldest dropped first.
struct TLedCacheObject {
    QRgb color = 0;
    QImage active;
    QImage inactive;
};

class TLedCache {
public:
    static constexpr int kCapacity = 10;
    // The entry for the colour, or null.
    const TLedCacheObject* Find(QRgb color) const;
    // Adds an entry, dropping the oldest when the cache is full; returns the stored entry.
    const TLedCacheObject& Add(TLedCacheObject entry);
    void Clear() { entries_.clear(); }
    int Count() const { return int(entries_.size()); }
    const TLedCacheObject& At(int i) const { return entries_[size_t(i)]; }

private:
    std::deque<TLedCacheObject> entries_;
};

class TiLedMatrix : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(int ColCount READ ColCount WRITE setColCount)
    Q_PROPERTY(int RowCount READ RowCount WRITE setRowCount)
    Q_PROPERTY(TiLedMatrixIndicatorStyle IndicatorStyle READ IndicatorStyle WRITE setIndicatorStyle)
    Q_PROPERTY(int IndicatorWidth READ IndicatorWidth WRITE setIndicatorWidth)
    Q_PROPERTY(int IndicatorHeight READ IndicatorHeight WRITE setIndicatorHeight)
    Q_PROPERTY(int SpacingHorizontal READ SpacingHorizontal WRITE setSpacingHorizontal)
    Q_PROPERTY(int SpacingVertical READ SpacingVertical WRITE setSpacingVertical)
    Q_PROPERTY(int OuterMargin READ OuterMargin WRITE setOuterMargin)
    Q_PROPERTY(QColor IndicatorActiveColor READ IndicatorActiveColor WRITE setIndicatorActiveColor)
    Q_PROPERTY(TiComponent::TiBevelStyle IndicatorBevelStyle READ IndicatorBevelStyle WRITE setIndicatorBevelStyle)
    Q_PROPERTY(bool IndicatorShowReflection READ IndicatorShowReflection WRITE setIndicatorShowReflection)
    Q_PROPERTY(QFont IndicatorCaptionActiveFont READ IndicatorCaptionActiveFont WRITE setIndicatorCaptionActiveFont)
    Q_PROPERTY(QFont IndicatorCaptionInactiveFont READ IndicatorCaptionInactiveFont WRITE setIndicatorCaptionInactiveFont)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)

public:
    enum TiLedMatrixIndicatorStyle { ilmisRound, ilmisRectangle };
    Q_ENUM(TiLedMatrixIndicatorStyle)

    static constexpr qint64 kMaxIndicators = 134217727;
    static constexpr int kMaxWidth = 3600;
    static constexpr int kMaxHeight = 2880;

    struct Indicator {
        QRgb color = 0;
        bool active = false;
        bool dirty = true;
        bool mouseDown = false;
        QRect rect;
    };

    explicit TiLedMatrix(QWidget* parent = nullptr);

    int ColCount() const { return colCount_; }
    void setColCount(int n); // 0 or less ignored; raises "Exceed Maximum Matrix Size"
    int RowCount() const { return rowCount_; }
    void setRowCount(int n);
    TiLedMatrixIndicatorStyle IndicatorStyle() const { return style_; }
    void setIndicatorStyle(TiLedMatrixIndicatorStyle s);
    int IndicatorWidth() const { return indicatorWidth_; }
    void setIndicatorWidth(int w);
    int IndicatorHeight() const { return indicatorHeight_; }
    void setIndicatorHeight(int h);
    int SpacingHorizontal() const { return spacingH_; }
    void setSpacingHorizontal(int s);
    int SpacingVertical() const { return spacingV_; }
    void setSpacingVertical(int s);
    int OuterMargin() const { return outerMargin_; }
    void setOuterMargin(int m);
    QColor IndicatorActiveColor() const { return activeColor_; }
    void setIndicatorActiveColor(const QColor& c); // gives every indicator this colour
    TiBevelStyle IndicatorBevelStyle() const { return bevelStyle_; }
    void setIndicatorBevelStyle(TiBevelStyle s);
    bool IndicatorShowReflection() const { return showReflection_; }
    void setIndicatorShowReflection(bool on);
    QFont IndicatorCaptionActiveFont() const { return captionActiveFont_; }
    void setIndicatorCaptionActiveFont(const QFont& f);
    QFont IndicatorCaptionInactiveFont() const { return captionInactiveFont_; }
    void setIndicatorCaptionInactiveFont(const QFont& f);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    // Raises "Index out of bounds" for a row or column outside the grid and then changes nothing.
    void SetIndicatorActive(int row, int col, bool active);
    bool IndicatorActive(int row, int col) const;
    QColor IndicatorColor(int row, int col) const;
    void SetIndicatorColor(int row, int col, const QColor& c);
    QString IndicatorCaption(int row, int col) const;
    void SetIndicatorCaption(int row, int col, const QString& caption);
    // The indicator's rectangle as last painted (empty before the first paint).
    QRect IndicatorRect(int row, int col) const;
    // The last clicked indicator as (column, row), (-1, -1) when none.
    QPoint LastClicked() const { return lastClicked_; }

    const TLedCache& LedCache() const { return cache_; }
    // Marks every indicator dirty and empties the cache: the next paint redraws the whole matrix.
    void InvalidateAll();

    void SetBounds(int left, int top, int width, int height) override;
    void PaintTo(QPainter& canvas) override;

signals:
    void mouseDownIndicator(int row, int col);
    void mouseMoveIndicator(int row, int col);
    void mouseUpIndicator(int row, int col);
    void clickIndicator(int row, int col);
    void dblClickIndicator(int row, int col);

protected:
    void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleMouseMove(Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleDblClick() override;
    void BackgroundChange() override;
    void CachedDrawingChanged() override;
    void Loaded() override;

private:
    void checkIndex(int row, int col) const;
    void resizeGrid(int cols, int rows);
    void fullRedraw();
    void applyAutoSize();
    void indicatorsFromSize();
    int indexAt(int x, int y) const;
    void paintIndicators(QPainter& canvas, bool onlyDirty);
    void paintIndicator(QPainter& canvas, const Indicator& ind, const QRect& r);
    void paintRoundIndicator(QPainter& canvas, const Indicator& ind, const QRect& r) const;
    void paintRectangleIndicator(QPainter& canvas, const Indicator& ind, const QRect& r) const;
    const TLedCacheObject& cachedPictures(QRgb color);

    int colCount_ = 5;
    int rowCount_ = 5;
    TiLedMatrixIndicatorStyle style_ = ilmisRectangle;
    int indicatorWidth_ = 10;
    int indicatorHeight_ = 10;
    int spacingH_ = 2;
    int spacingV_ = 2;
    int outerMargin_ = 5;
    QColor activeColor_ = QColor(0, 255, 0);
    TiBevelStyle bevelStyle_ = ibsNone;
    bool showReflection_ = true;
    QFont captionActiveFont_;
    QFont captionInactiveFont_;
    bool autoSize_ = true;
    bool inAutoSize_ = false;

    std::vector<Indicator> indicators_;
    std::map<int, QString> captions_; // captions are rare: kept apart so that records stay small
    QImage cached_;
    bool fullRedrawPending_ = true;
    TLedCache cache_;
    QPoint lastClicked_{-1, -1};
};
