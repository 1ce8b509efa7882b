#include "source/SynEditLexer.h"

#include <Qsci/qsciscintilla.h>

TSynEditLexer::TSynEditLexer(QObject* parent) : QsciLexerCustom(parent) {
    setAutoIndentStyle(QsciScintilla::AiMaintain);
}

void TSynEditLexer::setHighlighter(TSynCustomHighlighter* highlighter) {
    highlighter_ = highlighter;
    refreshStyles();
}

void TSynEditLexer::setBaseLook(const QFont& font, const QColor& text, const QColor& background) {
    font_ = font;
    text_ = text;
    background_ = background;
    setDefaultFont(font);
    setDefaultColor(text);
    setDefaultPaper(background);
    refreshStyles();
}

TSynHighlighterAttributes* TSynEditLexer::attributeOfStyle(int style) const {
    return highlighter_ ? highlighter_->KindAttribute(style) : nullptr;
}

void TSynEditLexer::refreshStyles() {
    for (int style = 0; style < kStyleCount; ++style) {
        const TSynHighlighterAttributes* a = attributeOfStyle(style);
        QFont f = font_;
        QColor fore = text_, back = background_;
        if (a) {
            const TFontStyles s = a->Style();
            f.setBold(s.has(TFontStyle::Bold));
            f.setItalic(s.has(TFontStyle::Italic));
            f.setUnderline(s.has(TFontStyle::Underline));
            f.setStrikeOut(s.has(TFontStyle::StrikeOut));
            if (a->Foreground().isValid())
                fore = a->Foreground();
            if (a->Background().isValid())
                back = a->Background();
        }
        setFont(f, style);
        setColor(fore, style);
        setPaper(back, style);
    }
}

QString TSynEditLexer::description(int style) const {
    static const char* const kNames[kStyleCount] = {"Comment", "Identifier", "Reserved Word", "Default",
                                                   "Number",  "Space",      "String",        "Symbol"};
    return (style >= 0 && style < kStyleCount) ? QString::fromLatin1(kNames[style]) : QString();
}

const char* TSynEditLexer::wordCharacters() const {
    // The ASCII part of the highlighter's word characters; the editor classes other characters by Unicode.
    return "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
}

void TSynEditLexer::styleText(int start, int end) {
    QsciScintilla* ed = editor();
    if (!ed)
        return;
    int line = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start));
    int pos = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line));
    const int lineCount = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
    startStyling(pos);
    while (pos < end && line < lineCount) {
        const int textEnd = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line));
        const int next = line + 1 < lineCount
                             ? static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line + 1))
                             : static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
        const int len = textEnd - pos;
        int styled = 0; // UTF-8 bytes of this line styled so far
        if (highlighter_ && len > 0) {
            const char* text = reinterpret_cast<const char*>(
                ed->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, pos, static_cast<long>(len)));
            map_.build(text, len);
            for (highlighter_->StartLine(map_.gbk(), line); !highlighter_->AtLineEnd(); highlighter_->NextToken()) {
                const int tokenEnd = map_.utf8Offset(highlighter_->TokenStart() + highlighter_->TokenLength());
                if (tokenEnd > styled) {
                    setStyling(tokenEnd - styled, highlighter_->TokenKind());
                    styled = tokenEnd;
                }
            }
        }
        // What the tokens leave (after a 0 byte) and the line end are plain text.
        if (next - pos > styled)
            setStyling(next - pos - styled, kPlainStyle);
        pos = next;
        ++line;
    }
}
