#include "source/SynHighlighterAsm.h"

#include "source/AsmKeywords.h"

namespace {

// The shared character tables, fixed at compile time.
struct CharTables {
    bool identifier[256]{};
    std::uint8_t value[256]{}; // hashing and comparing: letters 1..26 either case, digits 27..36, else 0
    bool number[256]{};
    bool space[256]{};         // 1..32 except LF and CR
};

constexpr CharTables makeTables() {
    CharTables t{};
    for (int c = 0; c < 256; ++c) {
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        t.identifier[c] = upper || lower || digit || c == '_';
        t.value[c] = upper ? c - 'A' + 1 : lower ? c - 'a' + 1 : digit ? c - '0' + 27 : 0;
        t.number[c] = digit || c == '.' || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') || c == 'H' || c == 'h';
        t.space[c] = c >= 1 && c <= 32 && c != 10 && c != 13;
    }
    return t;
}

constexpr CharTables kTables = makeTables();

std::bitset<256> makeWordChars() {
    std::bitset<256> w;
    for (int c = 0; c < 256; ++c) {
        const bool ascii = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        w.set(static_cast<size_t>(c), ascii || (c >= 192 && c != 215 && c != 247));
    }
    return w;
}

const std::bitset<256> kWordChars = makeWordChars();

} // namespace

TSynAsmSyn::TSynAsmSyn() {
    struct AttrDef {
        TSynHighlighterAttributes** slot;
        const char* name;
        TFontStyles style;
        int kind;
    };
    const AttrDef defs[] = {
        {&CommentAttri, "Comment", {TFontStyle::Italic}, tkComment},
        {&IdentifierAttri, "Identifier", {}, tkIdentifier},
        {&KeyAttri, "Reserved Word", {TFontStyle::Bold}, tkKey},
        {&NumberAttri, "Number", {}, tkNumber},
        {&SpaceAttri, "Space", {}, tkSpace},
        {&StringAttri, "String", {}, tkString},
        {&SymbolAttri, "Symbol", {}, tkSymbol},
    };
    for (const AttrDef& d : defs) {
        auto* a = new TSynHighlighterAttributes(QString::fromLatin1(d.name), this, d.style);
        *d.slot = a;
        AddAttribute(a);
        kindAttributes_[static_cast<size_t>(d.kind)] = a;
    }

    for (int c = 0; c < 256; ++c) {
        Rule r = rUnknown;
        if (c == 0)
            r = rNull;
        else if (c == 10)
            r = rLineFeed;
        else if (c == 13)
            r = rCarriageReturn;
        else if (c <= 32)
            r = rSpace;
        else if (c == ';' || c == '#')
            r = rComment;
        else if (c == '/')
            r = rSlash;
        else if (c == '"' || c == '\'')
            r = rString;
        else if (c >= '0' && c <= '9')
            r = rNumber;
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            r = rIdent;
        else if (c == '<')
            r = rLower;
        else if (c == '>')
            r = rGreater;
        else if (QByteArrayView("&()*+-.:=^{}").contains(static_cast<char>(c)))
            r = rSymbol;
        dispatch_[static_cast<size_t>(c)] = r;
    }

    // Each maximal run of word characters in the list is one keyword.
    const QByteArrayView list(asmkeywords::kMnemonics);
    for (qsizetype i = 0; i < list.size();) {
        if (!kWordChars.test(static_cast<unsigned char>(list[i]))) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < list.size() && kWordChars.test(static_cast<unsigned char>(list[j])))
            ++j;
        const QByteArrayView word = list.sliced(i, j - i);
        int len = 0;
        keywords_.Add(KeyHash(word, &len), word.toByteArray(), tkKey);
        i = j;
    }
}

int TSynAsmSyn::KeyHash(QByteArrayView text, int* length) {
    std::uint32_t h = 0;
    int n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const int size = static_cast<int>(text.size());
    while (n < size && kTables.identifier[p[n]]) {
        h = 7 * h + kTables.value[p[n]];
        ++n;
    }
    if (length)
        *length = n;
    return static_cast<int>(h & (TSynHashEntryList::BucketCount - 1));
}

bool TSynAsmSyn::IsKeyword(QByteArrayView text) const {
    int len = 0;
    const int hash = KeyHash(text, &len);
    if (len != text.size() || len == 0)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (const TSynHashEntry* e = keywords_.bucket(hash); e; e = e->Next()) {
        if (e->KeywordLen() > len)
            return false;
        if (e->KeywordLen() == len) {
            const auto* k = reinterpret_cast<const unsigned char*>(e->Keyword().constData());
            int i = 0;
            while (i < len && kTables.value[k[i]] == kTables.value[p[i]])
                ++i;
            if (i == len)
                return true;
        }
    }
    return false;
}

void TSynAsmSyn::StartLine(QByteArrayView line, int /*lineNumber*/) {
    line_ = reinterpret_cast<const unsigned char*>(line.data());
    length_ = static_cast<int>(line.size());
    run_ = 0;
    NextToken();
}

void TSynAsmSyn::NextToken() {
    tokenPos_ = run_;
    const unsigned char c = at(run_);
    switch (dispatch_[c]) {
    case rNull:
        kind_ = tkNull;
        break;
    case rLineFeed:
        kind_ = tkSpace;
        ++run_;
        break;
    case rCarriageReturn:
        kind_ = tkSpace;
        ++run_;
        if (at(run_) == 10)
            ++run_;
        break;
    case rSpace:
        kind_ = tkSpace;
        ++run_;
        while (run_ < length_ && kTables.space[line_[run_]])
            ++run_;
        break;
    case rSlash:
        if (at(run_ + 1) != '/') {
            kind_ = tkSymbol;
            ++run_;
            break;
        }
        [[fallthrough]];
    case rComment:
        kind_ = tkComment;
        ++run_;
        while (run_ < length_) {
            const unsigned char b = line_[run_];
            if (b == 0 || b == 10 || b == 13)
                break;
            ++run_;
        }
        break;
    case rString:
        scanString();
        break;
    case rNumber:
        kind_ = tkNumber;
        ++run_;
        while (run_ < length_ && kTables.number[line_[run_]])
            ++run_;
        break;
    case rIdent:
        scanIdent();
        break;
    case rLower:
        kind_ = tkSymbol;
        ++run_;
        if (at(run_) == '=' || at(run_) == '>')
            ++run_;
        break;
    case rGreater:
        kind_ = tkSymbol;
        ++run_;
        if (at(run_) == '=')
            ++run_;
        break;
    case rSymbol:
        kind_ = tkSymbol;
        ++run_;
        break;
    case rUnknown:
        scanUnknown();
        break;
    }
}

void TSynAsmSyn::scanIdent() {
    // Hash and length in one pass over the identifier characters.
    std::uint32_t h = 0;
    const int start = run_;
    while (run_ < length_ && kTables.identifier[line_[run_]]) {
        h = 7 * h + kTables.value[line_[run_]];
        ++run_;
    }
    stringLen_ = run_ - start;
    kind_ = tkIdentifier;
    for (const TSynHashEntry* e = keywords_.bucket(static_cast<int>(h)); e; e = e->Next()) {
        const int len = e->KeywordLen();
        if (len > stringLen_)
            break;
        if (len < stringLen_)
            continue;
        const auto* k = reinterpret_cast<const unsigned char*>(e->Keyword().constData());
        const unsigned char* p = line_ + start;
        int i = 0;
        while (i < len && kTables.value[k[i]] == kTables.value[p[i]])
            ++i;
        if (i == len) {
            kind_ = e->Kind();
            break;
        }
    }
}

void TSynAsmSyn::scanString() {
    kind_ = tkString;
    const unsigned char quote = line_[run_];
    // A doubled quote right after the opening one belongs to the opening.
    if (at(run_ + 1) == quote && at(run_ + 2) == quote)
        run_ += 3;
    else
        run_ += 1;
    while (run_ < length_) {
        const unsigned char b = line_[run_];
        if (b == quote || b == 10 || b == 13) {
            ++run_;
            return;
        }
        if (b == 0)
            return;
        ++run_;
    }
}

void TSynAsmSyn::scanUnknown() {
    kind_ = tkIdentifier;
    const unsigned char c = line_[run_];
    ++run_;
    // A double-byte character is one token; a lead byte cut off by the line end (or a 0) stands alone.
    if (c >= 0x81 && c <= 0xFE && at(run_) != 0)
        ++run_;
}

TSynHighlighterAttributes* TSynAsmSyn::DefaultAttribute(THighlighterRole role) const {
    switch (role) {
    case THighlighterRole::Comment: return CommentAttri;
    case THighlighterRole::Identifier: return IdentifierAttri;
    case THighlighterRole::Keyword: return KeyAttri;
    case THighlighterRole::String: return StringAttri;
    case THighlighterRole::Whitespace: return SpaceAttri;
    case THighlighterRole::Symbol: return SymbolAttri;
    case THighlighterRole::Other: break;
    }
    return nullptr;
}

const std::bitset<256>& TSynAsmSyn::WordChars() const { return kWordChars; }
