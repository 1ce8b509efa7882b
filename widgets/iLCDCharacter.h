#pragma once
// TiLCDCharacter: one glyph of the LCD's dot font, a list of row values, top row first; in each row bit
// (width - 1) is the leftmost cell and bit 0 the rightmost. Character sets are kept as text: one glyph a line,
// "code rows", rows in the glyph's Data form ("14,17,17,31,17,17,17" is the letter A).
#include <QByteArray>
#include <QString>

#include <vector>

class TiLCDCharacter {
public:
    explicit TiLCDCharacter(int height = 7);

    int Height() const { return int(rows_.size()); }
    // Resizes to that many rows; new rows are empty. Heights of 0 or less are ignored.
    void SetHeight(int rows);
    quint32 Row(int i) const { return i >= 0 && i < Height() ? rows_[size_t(i)] : 0; }
    void SetRow(int i, quint32 value);
    // Whether the cell in column col (0 = leftmost) of row is lit, for a glyph width cells wide.
    bool Cell(int col, int row, int width) const;

    // The rows as decimal numbers joined by commas.
    QString Data() const;
    // Parses comma-separated decimal numbers into the existing rows, in order; numbers beyond the height are
    // ignored and missing ones leave their rows as they were. Text that is not such a list raises an Error
    // and changes nothing.
    void setData(const QString& text);

    // The numbers of a Data text; raises an Error naming the first item that is not a row value.
    static std::vector<quint32> ParseData(const QString& text);

    bool operator==(const TiLCDCharacter& other) const { return rows_ == other.rows_; }

private:
    std::vector<quint32> rows_;
};

// One line of a character set text.
struct TiLCDGlyphEntry {
    int code = 0;
    QString data;
};

namespace lcdcharset {
// Parses a character set text: "#" lines and blank lines are skipped, every other line is a code 0 ... 255 and
// a Data text. Raises an Error naming the line of the first fault.
std::vector<TiLCDGlyphEntry> Parse(const QByteArray& text);
// The built-in set "(Default)" and the set stored with the boards' LCDs, as shipped with the widgets.
QByteArray BuiltinText();
QByteArray BoardsText();
} // namespace lcdcharset
