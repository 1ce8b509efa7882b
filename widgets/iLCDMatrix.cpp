#include "widgets/iLCDMatrix.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "widgets/iDrawing.h"

#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>

TiLCDMatrix::TiLCDMatrix(QWidget* parent) : TiCustomComponent(parent) {
    setBackGroundColor(QColor(95, 148, 147));
    setBorderStyle(ibsRaised);
    LoadCharacterSetText(lcdcharset::BuiltinText());
    SetBounds(0, 0, 300, 100);
}

QString TiLCDMatrix::Text() const { return gbk::decode(text_); }

void TiLCDMatrix::setText(const QString& text) { setTextBytes(gbk::encode(text)); }

void TiLCDMatrix::setTextBytes(const QByteArray& bytes) {
    if (bytes == text_)
        return;
    text_ = bytes;
    const QRgb on = colorOn_.rgb();
    for (auto& e : elements_)
        e = TiLCDElement{on, 0};
    ComputeLayout();
    growTo(size_t(bytes.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i)
        elements_[size_t(i)].code = quint8(bytes[i]);
    RequestRepaint();
}

void TiLCDMatrix::setCharactersetWidth(int w) {
    if (w > 0 && store(charWidth_, w))
        metricsChanged();
}

void TiLCDMatrix::setCharactersetHeight(int h) {
    if (h <= 0 || !store(charHeight_, h))
        return;
    for (auto& g : charset_)
        g.SetHeight(h);
    metricsChanged();
}

void TiLCDMatrix::setCharacterSpacingHorz(int s) {
    if (s >= 0 && store(charSpacingH_, s))
        metricsChanged();
}

void TiLCDMatrix::setCharacterSpacingVert(int s) {
    if (s >= 0 && store(charSpacingV_, s))
        metricsChanged();
}

void TiLCDMatrix::setCellsWidth(int w) {
    if (w > 0 && store(cellsWidth_, w))
        metricsChanged();
}

void TiLCDMatrix::setCellsSpacingHorz(int s) {
    if (s >= 0 && store(cellsSpacingH_, s))
        metricsChanged();
}

void TiLCDMatrix::setCellsSpacingVert(int s) {
    if (s >= 0 && store(cellsSpacingV_, s))
        metricsChanged();
}

void TiLCDMatrix::setCellsColorOn(const QColor& c) {
    if (!storeColor(colorOn_, c))
        return;
    for (auto& e : elements_)
        e.color = colorOn_.rgb();
    RequestRepaint();
}

void TiLCDMatrix::setCellsColorOff(const QColor& c) {
    if (storeColor(colorOff_, c))
        RequestRepaint();
}

void TiLCDMatrix::setCellsShowOff(bool on) {
    if (store(showOff_, on))
        RequestRepaint();
}

void TiLCDMatrix::setMargin(int side, int m) {
    if (m >= 0 && store(margins_[side], m))
        metricsChanged();
}

void TiLCDMatrix::metricsChanged() {
    ComputeLayout();
    RequestRepaint();
}

void TiLCDMatrix::SetCharacterData(int code, const QString& data) {
    charset_[size_t(code & 0xFF)].setData(data);
    RequestRepaint();
}

void TiLCDMatrix::LoadCharacterSet(const QStringList& glyphData) {
    // Every text is checked before any glyph changes.
    std::vector<std::vector<quint32>> parsed;
    for (qsizetype i = 0; i < glyphData.size() && i < 256; ++i)
        parsed.push_back(TiLCDCharacter::ParseData(glyphData[i]));
    for (size_t code = 0; code < parsed.size(); ++code)
        for (size_t r = 0; r < parsed[code].size() && int(r) < charHeight_; ++r)
            charset_[code].SetRow(int(r), parsed[code][r]);
    RequestRepaint();
}

namespace {

struct ParsedGlyph {
    int code;
    TiLCDCharacter glyph;
};

// Every LCD of every board loads the same two sets: each text is parsed once per program run, perhaps
// ahead of time on a worker thread (PrepareCharacterSets). The map keeps its entries in place.
const std::vector<ParsedGlyph>& parsedSet(const QByteArray& text) {
    static std::mutex lock;
    static std::map<QByteArray, std::vector<ParsedGlyph>> cache;
    std::lock_guard<std::mutex> guard(lock);
    auto it = cache.find(text);
    if (it != cache.end())
        return it->second;
    std::vector<ParsedGlyph> glyphs;
    for (const auto& e : lcdcharset::Parse(text)) {
        ParsedGlyph g{e.code, TiLCDCharacter()};
        g.glyph.setData(e.data);
        glyphs.push_back(std::move(g));
    }
    return cache.emplace(text, std::move(glyphs)).first->second;
}

} // namespace

void TiLCDMatrix::LoadCharacterSetText(const QByteArray& text) {
    for (const ParsedGlyph& g : parsedSet(text))
        charset_[size_t(g.code)] = g.glyph;
    RequestRepaint();
}

void TiLCDMatrix::UseBoardsCharacterSet() { LoadCharacterSetText(lcdcharset::BoardsText()); }

void TiLCDMatrix::PrepareCharacterSets() {
    parsedSet(lcdcharset::BuiltinText());
    parsedSet(lcdcharset::BoardsText());
}

void TiLCDMatrix::SetElement(int position, quint8 code, const QColor& color) {
    if (position < 0)
        return;
    growTo(size_t(position) + 1);
    elements_[size_t(position)] = TiLCDElement{color.rgb(), code};
    RequestRepaint();
}

void TiLCDMatrix::growTo(size_t count) {
    if (elements_.size() < count)
        elements_.resize(count, TiLCDElement{colorOn_.rgb(), 0});
}

TiLCDMatrix::Layout TiLCDMatrix::layoutOnly() const {
    Layout l;
    const int B = BorderStyle() != ibsNone ? 2 : 0;
    l.left = B + margins_[0];
    l.top = B + margins_[1];
    l.right = Width() - B - margins_[2] - 1;
    l.bottom = Height() - B - margins_[3] - 1;
    l.usableWidth = std::max(0, l.right - B - margins_[0] + 1);
    l.usableHeight = std::max(0, l.bottom - B - margins_[1] + 1);
    const int stepH = charWidth_ + charSpacingH_, stepV = charHeight_ + charSpacingV_;
    const int across = (l.usableWidth + cellsSpacingH_) / (cellsWidth_ + cellsSpacingH_);
    const int down = (l.usableHeight + cellsSpacingV_) / (cellsWidth_ + cellsSpacingV_);
    l.cellsAcross = stepH * (across / stepH);
    l.cellsDown = stepV * (down / stepV);
    l.columns = (l.cellsAcross + charSpacingH_) / stepH;
    l.rows = (l.cellsDown + charSpacingV_) / stepV;
    l.x0 = l.left + (l.usableWidth - l.cellsAcross * cellsWidth_ - (l.cellsAcross - 1) * cellsSpacingH_) / 2;
    l.y0 = l.top + (l.usableHeight - l.cellsDown * cellsWidth_ - (l.cellsDown - 1) * cellsSpacingV_) / 2;
    return l;
}

TiLCDMatrix::Layout TiLCDMatrix::ComputeLayout() {
    const Layout l = layoutOnly();
    growTo(size_t(l.columns) * size_t(l.rows));
    return l;
}

QRect TiLCDMatrix::CellRect(const Layout& l, int i, int j) const {
    return QRect(l.x0 + i * (cellsWidth_ + cellsSpacingH_), l.y0 + j * (cellsWidth_ + cellsSpacingV_), cellsWidth_,
                 cellsWidth_);
}

void TiLCDMatrix::PaintTo(QPainter& canvas) {
    PaintBackground(canvas, BackGroundColor());
    const Layout l = ComputeLayout();
    if (showOff_)
        for (int j = 0; j < l.cellsDown; ++j)
            for (int i = 0; i < l.cellsAcross; ++i)
                canvas.fillRect(CellRect(l, i, j), colorOff_);
    const size_t shown = std::min(elements_.size(), size_t(l.columns) * size_t(l.rows));
    const int stepH = charWidth_ + charSpacingH_, stepV = charHeight_ + charSpacingV_;
    for (size_t p = 0; p < shown; ++p) {
        const TiLCDElement& e = elements_[p];
        if (e.code == 0)
            continue;
        const int c = int(p % size_t(l.columns)), r = int(p / size_t(l.columns));
        const TiLCDCharacter& glyph = charset_[e.code];
        const QColor colour(e.color);
        for (int gy = 0; gy < charHeight_; ++gy)
            for (int gx = 0; gx < charWidth_; ++gx)
                if (glyph.Cell(gx, gy, charWidth_))
                    canvas.fillRect(CellRect(l, c * stepH + gx, r * stepV + gy), colour);
    }
}
