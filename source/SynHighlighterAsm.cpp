#include "source/SynHighlighterAsm.h"

#include "source/AsmKeywords.h"

namespace {

// The shared character tables, fixed at compile time.
struct CharTables {
    bool identifier[256]{};
    std::uint8_t value[256]{}; // hashing and comparing: letters 1..26 either case, digits 27..36, else 0
    bool number[256]{};
    bool space[256]{};         // 1..32 except LF and CR
    std::uint8_t identValue[256]{}; // value + 1 for identifier characters, 0 for all others: one lookup a byte
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
        t.identValue[c] = t.identifier[c] ? t.value[c] + 1 : 0;
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

// The scanning loops work on local pointers: the line's bytes may alias the members as far as the compiler
// knows, and keeping the position in a member would tie every byte to a store and a reload.
void TSynAsmSyn::NextToken() {
    tokenPos_ = run_;
    const unsigned char* const begin = line_;
    const unsigned char* const end = line_ + length_;
    const unsigned char* p = line_ + run_;
    const unsigned char c = p < end ? *p : 0;
    int kind = tkNull;
    switch (dispatch_[c]) {
    case rNull:
        break;
    case rLineFeed:
        kind = tkSpace;
        ++p;
        break;
    case rCarriageReturn:
        kind = tkSpace;
        ++p;
        if (p < end && *p == 10)
            ++p;
        break;
    case rSpace:
        kind = tkSpace;
        ++p;
        while (p < end && kTables.space[*p])
            ++p;
        break;
    case rSlash:
        if (!(p + 1 < end && p[1] == '/')) {
            kind = tkSymbol;
            ++p;
            break;
        }
        [[fallthrough]];
    case rComment:
        kind = tkComment;
        ++p;
        while (p < end && *p != 0 && *p != 10 && *p != 13)
            ++p;
        break;
    case rString: {
        kind = tkString;
        const unsigned char quote = c;
        // A doubled quote right after the opening one belongs to the opening.
        p += (p + 2 < end && p[1] == quote && p[2] == quote) ? 3 : 1;
        while (p < end) {
            const unsigned char b = *p;
            if (b == quote || b == 10 || b == 13) {
                ++p;
                break;
            }
            if (b == 0)
                break;
            ++p;
        }
        break;
    }
    case rNumber:
        kind = tkNumber;
        ++p;
        while (p < end && kTables.number[*p])
            ++p;
        break;
    case rIdent: {
        const IdentScan r = scanIdent(p, end);
        p = r.end;
        kind = r.kind;
        break;
    }
    case rLower:
        kind = tkSymbol;
        ++p;
        if (p < end && (*p == '=' || *p == '>'))
            ++p;
        break;
    case rGreater:
        kind = tkSymbol;
        ++p;
        if (p < end && *p == '=')
            ++p;
        break;
    case rSymbol:
        kind = tkSymbol;
        ++p;
        break;
    case rUnknown:
        kind = tkIdentifier;
        ++p;
        // A double-byte character is one token; a lead byte cut off by the line end (or a 0) stands alone.
        if (c >= 0x81 && c <= 0xFE && p < end && *p != 0)
            ++p;
        break;
    }
    run_ = static_cast<int>(p - begin);
    kind_ = kind;
}

TSynAsmSyn::IdentScan TSynAsmSyn::scanIdent(const unsigned char* p, const unsigned char* end) {
    // Hash and length in one pass over the identifier characters.
    std::uint32_t h = 0;
    const unsigned char* const start = p;
    while (p < end) {
        const std::uint32_t v = kTables.identValue[*p];
        if (v == 0)
            break;
        h = 7 * h + (v - 1);
        ++p;
    }
    const int len = static_cast<int>(p - start);
    stringLen_ = len;
    for (const TSynHashEntry* e = keywords_.bucket(static_cast<int>(h)); e; e = e->Next()) {
        const int klen = e->KeywordLen();
        if (klen > len)
            break;
        if (klen < len)
            continue;
        const auto* k = reinterpret_cast<const unsigned char*>(e->Keyword().constData());
        int i = 0;
        while (i < len && kTables.value[k[i]] == kTables.value[start[i]])
            ++i;
        if (i == len)
            return {p, e->Kind()};
    }
    return {p, tkIdentifier};
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
