#pragma once
// Feeds the editor's styling from a highlighter: each line is converted to GBK, cut into tokens by the
// highlighter, and the tokens' byte ranges are mapped back to the editor's characters. Styles are numbered by
// token kind; the style of the end-of-line kind is the editor's plain text.
#include "source/GbkLineMap.h"
#include "source/SynEditHighlighter.h"

#include <Qsci/qscilexercustom.h>

class TSynEditLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    static constexpr int kPlainStyle = 3; // the end-of-line kind: no attribute
    static constexpr int kStyleCount = 8;

    explicit TSynEditLexer(QObject* parent = nullptr);

    void setHighlighter(TSynCustomHighlighter* highlighter);
    TSynCustomHighlighter* highlighter() const { return highlighter_; }

    // The editor's own look, used where an attribute has no colour of its own.
    void setBaseLook(const QFont& font, const QColor& text, const QColor& background);

    // Takes the attributes' current colours and styles into the editor's styles.
    void refreshStyles();

    const char* language() const override { return "Assembly"; }
    QString description(int style) const override;
    const char* wordCharacters() const override;
    void styleText(int start, int end) override;

private:
    TSynHighlighterAttributes* attributeOfStyle(int style) const;

    TSynCustomHighlighter* highlighter_ = nullptr;
    QFont font_;
    QColor text_;
    QColor background_;
    GbkLineMap map_;
};
