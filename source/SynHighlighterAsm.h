#pragma once
// The assembly highlighter: cuts one line of GBK bytes into tokens (comments, identifiers, mnemonics, numbers,
// blanks, strings, symbols). A line stands alone: no state is carried from one line to the next. Scanning works
// on the line's bytes in place and allocates nothing.
#include "source/SynEditHighlighter.h"
#include "source/SynHighlighterHashEntries.h"

#include <array>
#include <cstdint>

// Token kinds; the numbers are the kinds' codes.
enum TtkTokenKind : int {
    tkComment = 0,
    tkIdentifier = 1,
    tkKey = 2,
    tkNull = 3, // end of line
    tkNumber = 4,
    tkSpace = 5,
    tkString = 6,
    tkSymbol = 7,
};
inline constexpr int kTokenKindCount = 8;

class TSynAsmSyn : public TSynCustomHighlighter {
public:
    // Builds the dispatch and keyword tables; raises Error for a duplicate keyword.
    TSynAsmSyn();

    TSynHighlighterAttributes* CommentAttri;
    TSynHighlighterAttributes* IdentifierAttri;
    TSynHighlighterAttributes* KeyAttri;
    TSynHighlighterAttributes* NumberAttri;
    TSynHighlighterAttributes* SpaceAttri;
    TSynHighlighterAttributes* StringAttri;
    TSynHighlighterAttributes* SymbolAttri;

    // The line's bytes must stay valid until the next StartLine. A byte 0 ends the line's tokens.
    void StartLine(QByteArrayView line, int lineNumber) final;
    void NextToken() final;
    bool AtLineEnd() const final { return kind_ == tkNull; }
    QByteArray TokenText() const override { return QByteArray(reinterpret_cast<const char*>(line_ + tokenPos_), run_ - tokenPos_); }
    int TokenStart() const override { return tokenPos_; }
    int TokenKind() const override { return kind_; }
    TSynHighlighterAttributes* TokenAttribute() const override { return kindAttributes_[static_cast<size_t>(kind_)]; }
    TSynHighlighterAttributes* DefaultAttribute(THighlighterRole role) const override;
    const std::bitset<256>& WordChars() const override;

    // Without a copy: the token's bytes and length.
    QByteArrayView TokenView() const { return {reinterpret_cast<const char*>(line_ + tokenPos_), run_ - tokenPos_}; }
    int TokenLength() const override { return run_ - tokenPos_; }
    TSynHighlighterAttributes* KindAttribute(int kind) const override {
        return kind >= 0 && kind < kTokenKindCount ? kindAttributes_[static_cast<size_t>(kind)] : nullptr;
    }

    // The keyword hash of the identifier at the start of `text` (ten low bits) and its length in bytes.
    static int KeyHash(QByteArrayView text, int* length);
    // True when the whole text is a known mnemonic (letter case ignored).
    bool IsKeyword(QByteArrayView text) const;
    const TSynHashEntryList& keywordTable() const { return keywords_; }

private:
    enum Rule : std::uint8_t {
        rNull, rLineFeed, rCarriageReturn, rSpace, rComment, rSlash, rString, rNumber, rIdent,
        rLower, rGreater, rSymbol, rUnknown
    };

    // Scans an identifier from p: where it ends, and whether it is a keyword.
    struct IdentScan {
        const unsigned char* end;
        int kind;
    };
    IdentScan scanIdent(const unsigned char* p, const unsigned char* end);

    std::array<Rule, 256> dispatch_{};
    std::array<TSynHighlighterAttributes*, kTokenKindCount> kindAttributes_{};
    TSynHashEntryList keywords_;

    const unsigned char* line_ = nullptr;
    int length_ = 0;
    int run_ = 0;       // the current position
    int tokenPos_ = 0;  // start of the current token
    int kind_ = tkNull;
    int stringLen_ = 0; // length of the last scanned identifier
};
