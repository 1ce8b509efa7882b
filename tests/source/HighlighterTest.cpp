// The highlighter base (attributes, notifications) and the three instances of the main window.
#include "source/AsmHighlighters.h"

#include <gtest/gtest.h>

namespace {

class CountingClient : public TSynHighlighterClient {
public:
    int changes = 0;
    int destroyed = 0;
    void highlighterAttributesChanged(TSynCustomHighlighter*) override { ++changes; }
    void highlighterDestroyed(TSynCustomHighlighter*) override { ++destroyed; }
};

// Reaches the protected AddAttribute.
class OpenAsmSyn : public TSynAsmSyn {
public:
    using TSynAsmSyn::AddAttribute;
};

QStringList names(const TSynCustomHighlighter& h) {
    QStringList out;
    for (const TSynHighlighterAttributes* a : h.attributes())
        out << a->name();
    return out;
}

} // namespace

TEST(AsmHighlighter, SevenAttributesSortedByNameWithDefaultStyles) {
    OpenAsmSyn syn;
    EXPECT_EQ(names(syn), (QStringList{"Comment", "Identifier", "Number", "Reserved Word", "Space", "String", "Symbol"}));
    EXPECT_EQ(syn.CommentAttri->Style(), TFontStyles{TFontStyle::Italic});
    EXPECT_EQ(syn.KeyAttri->Style(), TFontStyles{TFontStyle::Bold});
    EXPECT_TRUE(syn.NumberAttri->Style().isEmpty());
    for (const TSynHighlighterAttributes* a : syn.attributes()) {
        EXPECT_FALSE(a->Foreground().isValid()) << a->name().toStdString();
        EXPECT_FALSE(a->Background().isValid()) << a->name().toStdString();
    }
    EXPECT_EQ(syn.attribute("Reserved Word"), syn.KeyAttri);
    EXPECT_EQ(syn.attribute("Keyword"), nullptr);

    // A second attribute with a known name is refused; a new name goes in its sorted place.
    EXPECT_FALSE(syn.AddAttribute(new TSynHighlighterAttributes("Number", &syn)));
    EXPECT_EQ(syn.attributes().size(), 7u);
    EXPECT_TRUE(syn.AddAttribute(new TSynHighlighterAttributes("Directive", &syn)));
    EXPECT_EQ(names(syn).at(1), QStringLiteral("Directive"));
}

TEST(AsmHighlighter, TokenAndDefaultAttributes) {
    TSynAsmSyn syn;
    const struct {
        const char* line;
        TSynHighlighterAttributes* attr;
    } cases[] = {{"; c", syn.CommentAttri}, {"ax", syn.IdentifierAttri}, {"mov", syn.KeyAttri},
                 {"12", syn.NumberAttri},   {" ", syn.SpaceAttri},        {"'s'", syn.StringAttri},
                 {"+", syn.SymbolAttri}};
    for (const auto& c : cases) {
        syn.StartLine(c.line, 0);
        EXPECT_EQ(syn.TokenAttribute(), c.attr) << c.line;
        EXPECT_EQ(syn.KindAttribute(syn.TokenKind()), c.attr) << c.line;
    }
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::Comment), syn.CommentAttri);
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::Identifier), syn.IdentifierAttri);
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::Keyword), syn.KeyAttri);
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::String), syn.StringAttri);
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::Whitespace), syn.SpaceAttri);
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::Symbol), syn.SymbolAttri);
    EXPECT_EQ(syn.DefaultAttribute(THighlighterRole::Other), nullptr);
    EXPECT_EQ(syn.KindAttribute(tkNull), nullptr);
}

TEST(AsmHighlighter, WordCharacters) {
    TSynAsmSyn syn;
    const std::bitset<256>& w = syn.WordChars();
    for (int c = 0; c < 256; ++c) {
        const bool expected = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              c == '_' || (c >= 192 && c != 215 && c != 247);
        EXPECT_EQ(w.test(static_cast<size_t>(c)), expected) << c;
    }
}

TEST(AsmHighlighter, ThreeInstancesWithTheirColoursAndFilters) {
    TAsmHighlighters hl;
    const QColor none;
    const QColor green(0, 128, 0), blue(0, 0, 255), fuchsia(255, 0, 255), teal(0, 128, 128), navy(0, 0, 128),
        red(255, 0, 0);
    struct Expect {
        TSynAsmSyn* syn;
        const char* name;
        const char* filter;
        QColor ident, key, number, string, symbol;
    };
    const Expect expects[] = {
        {hl.SynAsmSyn88(), "SynAsmSyn88", "x86 Assembly Files (*.asm)|*.asm", none, blue, fuchsia, teal, navy},
        {hl.SynAsmSyn51(), "SynAsmSyn51", "51 Assembly Files (*.asm)|*.asm", green, blue, fuchsia, red, green},
        {hl.SynAsmSyn96(), "SynAsmSyn96", "96 Assembly Files (*.asm)|*.asm", none, none, none, none, none},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.name);
        ASSERT_NE(e.syn, nullptr);
        EXPECT_EQ(e.syn->name(), QString::fromLatin1(e.name));
        EXPECT_EQ(e.syn->DefaultFilter(), QString::fromLatin1(e.filter));
        EXPECT_EQ(e.syn->IdentifierAttri->Foreground(), e.ident);
        EXPECT_EQ(e.syn->KeyAttri->Foreground(), e.key);
        EXPECT_EQ(e.syn->NumberAttri->Foreground(), e.number);
        EXPECT_EQ(e.syn->StringAttri->Foreground(), e.string);
        EXPECT_EQ(e.syn->SymbolAttri->Foreground(), e.symbol);
        EXPECT_EQ(e.syn->CommentAttri->Foreground(), none);
        EXPECT_EQ(e.syn->SpaceAttri->Foreground(), none);
        EXPECT_EQ(e.syn->CommentAttri->Style(), TFontStyles{TFontStyle::Italic});
        EXPECT_EQ(e.syn->KeyAttri->Style(), TFontStyles{TFontStyle::Bold});
        for (const TSynHighlighterAttributes* a : e.syn->attributes())
            EXPECT_FALSE(a->Background().isValid());
        // Loading with the stored values sent exactly one notification.
        EXPECT_EQ(e.syn->notificationCount(), 1);
    }
    EXPECT_EQ(hl.forCpuType(1), hl.SynAsmSyn51());
    EXPECT_EQ(hl.forCpuType(2), hl.SynAsmSyn88());
    EXPECT_EQ(hl.forCpuType(3), hl.SynAsmSyn96());
    EXPECT_EQ(hl.forCpuType(4), nullptr);
    EXPECT_EQ(hl.forCpuType(0), nullptr);
    EXPECT_EQ(asmhighlighters::create(86), nullptr);
}

TEST(AsmHighlighter, AttributeChangesNotifyTheEditors) {
    CountingClient a, b; // outlive the highlighter, which tells its clients when it goes
    TSynAsmSyn syn;
    syn.hookClient(&a);
    syn.hookClient(&b);
    syn.hookClient(&a); // once only
    syn.KeyAttri->setForeground(Qt::red);
    EXPECT_EQ(a.changes, 1);
    EXPECT_EQ(b.changes, 1);
    syn.KeyAttri->setForeground(Qt::red); // equal: nothing
    syn.KeyAttri->setStyle(TFontStyles{TFontStyle::Bold});
    EXPECT_EQ(a.changes, 1);

    // Held back during an update: one notification at its end.
    syn.BeginUpdate();
    syn.BeginUpdate();
    syn.StringAttri->setForeground(Qt::blue);
    syn.StringAttri->setBackground(Qt::yellow);
    syn.EndUpdate();
    EXPECT_EQ(a.changes, 1);
    syn.EndUpdate();
    EXPECT_EQ(a.changes, 2);
    syn.BeginUpdate();
    syn.EndUpdate(); // nothing changed: nothing sent
    EXPECT_EQ(a.changes, 2);
    syn.EndUpdate(); // unbalanced: ignored
    EXPECT_EQ(a.changes, 2);

    // While loading nothing is sent; afterwards exactly one notification.
    syn.BeginLoading();
    syn.NumberAttri->setForeground(Qt::green);
    syn.SymbolAttri->setStyle(TFontStyles{TFontStyle::Underline});
    EXPECT_EQ(a.changes, 2);
    syn.EndLoading();
    EXPECT_EQ(a.changes, 3);

    syn.unhookClient(&b);
    syn.SpaceAttri->setBackground(Qt::gray);
    EXPECT_EQ(a.changes, 4);
    EXPECT_EQ(b.changes, 3);
}

TEST(AsmHighlighter, EditorsAreToldWhenItGoesAway) {
    CountingClient c;
    {
        TSynAsmSyn syn;
        syn.hookClient(&c);
    }
    EXPECT_EQ(c.destroyed, 1);
}
