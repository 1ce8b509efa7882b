#pragma once
// TiLCDMatrix: a dot-matrix character LCD. Square cells are grouped into character positions; each position
// shows one glyph of a 256-glyph set in its own colour. Text runs on from the end of one row to the next.
#include "widgets/iCustomComponent.h"
#include "widgets/iLCDCharacter.h"

#include <array>
#include <vector>

// What one character position shows.
struct TiLCDElement {
    QRgb color = 0;
    quint8 code = 0; // 0: empty
};

class TiLCDMatrix : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(int CharactersetWidth READ CharactersetWidth WRITE setCharactersetWidth)
    Q_PROPERTY(int CharactersetHeight READ CharactersetHeight WRITE setCharactersetHeight)
    Q_PROPERTY(QString CharactersetName READ CharactersetName)
    Q_PROPERTY(int CharacterSpacingHorz READ CharacterSpacingHorz WRITE setCharacterSpacingHorz)
    Q_PROPERTY(int CharacterSpacingVert READ CharacterSpacingVert WRITE setCharacterSpacingVert)
    Q_PROPERTY(int CellsWidth READ CellsWidth WRITE setCellsWidth)
    Q_PROPERTY(int CellsSpacingHorz READ CellsSpacingHorz WRITE setCellsSpacingHorz)
    Q_PROPERTY(int CellsSpacingVert READ CellsSpacingVert WRITE setCellsSpacingVert)
    Q_PROPERTY(QColor CellsColorOn READ CellsColorOn WRITE setCellsColorOn)
    Q_PROPERTY(QColor CellsColorOff READ CellsColorOff WRITE setCellsColorOff)
    Q_PROPERTY(bool CellsShowOff READ CellsShowOff WRITE setCellsShowOff)
    Q_PROPERTY(int OuterMarginLeft READ OuterMarginLeft WRITE setOuterMarginLeft)
    Q_PROPERTY(int OuterMarginTop READ OuterMarginTop WRITE setOuterMarginTop)
    Q_PROPERTY(int OuterMarginRight READ OuterMarginRight WRITE setOuterMarginRight)
    Q_PROPERTY(int OuterMarginBottom READ OuterMarginBottom WRITE setOuterMarginBottom)

public:
    // The cell grid worked out from the size and metrics.
    struct Layout {
        int left = 0, top = 0, right = 0, bottom = 0;
        int usableWidth = 0, usableHeight = 0;
        int cellsAcross = 0, cellsDown = 0;   // whole character positions' worth of cells
        int columns = 0, rows = 0;            // character positions
        int x0 = 0, y0 = 0;                   // top-left pixel of cell (0, 0)
    };

    explicit TiLCDMatrix(QWidget* parent = nullptr);

    // The text, stored as its GBK bytes (TextBytes); each byte is one character code of the set.
    QString Text() const;
    void setText(const QString& text);
    QByteArray TextBytes() const { return text_; }
    void setTextBytes(const QByteArray& bytes);

    int CharactersetWidth() const { return charWidth_; }
    void setCharactersetWidth(int w);
    int CharactersetHeight() const { return charHeight_; }
    void setCharactersetHeight(int h);
    QString CharactersetName() const { return QStringLiteral("(Default)"); }
    int CharacterSpacingHorz() const { return charSpacingH_; }
    void setCharacterSpacingHorz(int s);
    int CharacterSpacingVert() const { return charSpacingV_; }
    void setCharacterSpacingVert(int s);
    int CellsWidth() const { return cellsWidth_; }
    void setCellsWidth(int w);
    int CellsSpacingHorz() const { return cellsSpacingH_; }
    void setCellsSpacingHorz(int s);
    int CellsSpacingVert() const { return cellsSpacingV_; }
    void setCellsSpacingVert(int s);
    QColor CellsColorOn() const { return colorOn_; }
    void setCellsColorOn(const QColor& c); // recolours every position
    QColor CellsColorOff() const { return colorOff_; }
    void setCellsColorOff(const QColor& c);
    bool CellsShowOff() const { return showOff_; }
    void setCellsShowOff(bool on);
    int OuterMarginLeft() const { return margins_[0]; }
    void setOuterMarginLeft(int m) { setMargin(0, m); }
    int OuterMarginTop() const { return margins_[1]; }
    void setOuterMarginTop(int m) { setMargin(1, m); }
    int OuterMarginRight() const { return margins_[2]; }
    void setOuterMarginRight(int m) { setMargin(2, m); }
    int OuterMarginBottom() const { return margins_[3]; }
    void setOuterMarginBottom(int m) { setMargin(3, m); }

    // The glyph of a character code.
    const TiLCDCharacter& Character(int code) const { return charset_[size_t(code & 0xFF)]; }
    // Replaces one glyph's rows from its Data text (raises an Error on a bad text and changes nothing).
    void SetCharacterData(int code, const QString& data);
    // Replaces the glyphs a stored set lists, in code order from 0.
    void LoadCharacterSet(const QStringList& glyphData);
    // Replaces the glyphs a character set text lists (see lcdcharset::Parse); all or nothing.
    void LoadCharacterSetText(const QByteArray& text);
    // The set stored with the boards' LCDs.
    void UseBoardsCharacterSet();
    // Parses the built-in and the boards' sets ahead of the first LCD; safe on any thread.
    static void PrepareCharacterSets();

    const std::vector<TiLCDElement>& Elements() const { return elements_; }
    // Position p: row p div columns, column p mod columns.
    void SetElement(int position, quint8 code, const QColor& color);

    // Works out the grid for the current size (and grows the position list to cover it).
    Layout ComputeLayout();
    // The pixel rectangle of cell (i, j) of the grid.
    QRect CellRect(const Layout& l, int i, int j) const;

    void PaintTo(QPainter& canvas) override;

private:
    void setMargin(int side, int m);
    void metricsChanged();
    void growTo(size_t count);
    Layout layoutOnly() const;

    QByteArray text_;
    int charWidth_ = 5;
    int charHeight_ = 7;
    int charSpacingH_ = 1;
    int charSpacingV_ = 1;
    int cellsWidth_ = 2;
    int cellsSpacingH_ = 1;
    int cellsSpacingV_ = 1;
    QColor colorOn_ = QColor(0, 255, 255);
    QColor colorOff_ = QColor(0, 128, 128);
    bool showOff_ = true;
    int margins_[4] = {2, 2, 2, 2};
    std::array<TiLCDCharacter, 256> charset_;
    std::vector<TiLCDElement> elements_;
};
