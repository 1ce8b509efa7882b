// The assembly scanner's token rules, one group per row of its rule table, and the keyword table.
#include "base/ErrorReport.h"
#include "source/SynHighlighterAsm.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using Tok = std::tuple<int, int, int>; // start, length, kind

std::vector<Tok> scan(const QByteArray& line) {
    static TSynAsmSyn syn;
    std::vector<Tok> out;
    for (syn.StartLine(line, 0); !syn.AtLineEnd(); syn.NextToken()) {
        out.emplace_back(syn.TokenStart(), syn.TokenLength(), syn.TokenKind());
        if (out.size() > static_cast<size_t>(line.size()) + 1)
            break; // a token that does not advance would loop for ever
    }
    return out;
}

std::vector<QByteArray> texts(const QByteArray& line) {
    TSynAsmSyn syn;
    std::vector<QByteArray> out;
    for (syn.StartLine(line, 0); !syn.AtLineEnd() && out.size() <= static_cast<size_t>(line.size()); syn.NextToken())
        out.push_back(syn.TokenText());
    return out;
}

std::vector<int> kinds(const QByteArray& line) {
    std::vector<int> out;
    for (const Tok& t : scan(line))
        out.push_back(std::get<2>(t));
    return out;
}

} // namespace

TEST(AsmScanner, EndOfLineAndNulBytes) {
    EXPECT_TRUE(scan("").empty());
    EXPECT_EQ(scan(QByteArray("ab\0cd", 5)), (std::vector<Tok>{{0, 2, tkIdentifier}}));
    EXPECT_TRUE(scan(QByteArray("\0mov", 4)).empty());
    // Once at the end, every further token is the end.
    TSynAsmSyn syn;
    syn.StartLine("x", 0);
    syn.NextToken();
    ASSERT_TRUE(syn.AtLineEnd());
    syn.NextToken();
    EXPECT_TRUE(syn.AtLineEnd());
    EXPECT_EQ(syn.TokenStart(), 1);
    EXPECT_EQ(syn.TokenKind(), tkNull);
    EXPECT_EQ(syn.TokenAttribute(), nullptr);
}

TEST(AsmScanner, LineFeedAndCarriageReturn) {
    EXPECT_EQ(scan("\n\n"), (std::vector<Tok>{{0, 1, tkSpace}, {1, 1, tkSpace}}));
    EXPECT_EQ(scan("\r\n\r"), (std::vector<Tok>{{0, 2, tkSpace}, {2, 1, tkSpace}}));
    EXPECT_EQ(scan("\n\r"), (std::vector<Tok>{{0, 1, tkSpace}, {1, 1, tkSpace}}));
}

TEST(AsmScanner, Blanks) {
    EXPECT_EQ(scan(" \t\x01\x1f\x0b\x0c x"), (std::vector<Tok>{{0, 7, tkSpace}, {7, 1, tkIdentifier}}));
    // LF and CR end a run of blanks.
    EXPECT_EQ(scan("  \n "), (std::vector<Tok>{{0, 2, tkSpace}, {2, 1, tkSpace}, {3, 1, tkSpace}}));
    EXPECT_EQ(scan("\t\r\n"), (std::vector<Tok>{{0, 1, tkSpace}, {1, 2, tkSpace}}));
}

TEST(AsmScanner, Comments) {
    EXPECT_EQ(scan("; all of it"), (std::vector<Tok>{{0, 11, tkComment}}));
    EXPECT_EQ(scan("#30H,x"), (std::vector<Tok>{{0, 6, tkComment}}));
    EXPECT_EQ(scan(";a\r\n"), (std::vector<Tok>{{0, 2, tkComment}, {2, 2, tkSpace}}));
    EXPECT_EQ(scan(";a\nb"), (std::vector<Tok>{{0, 2, tkComment}, {2, 1, tkSpace}, {3, 1, tkIdentifier}}));
    EXPECT_EQ(scan(QByteArray(";a\0b", 4)), (std::vector<Tok>{{0, 2, tkComment}}));
    EXPECT_EQ(texts("a//b"), (std::vector<QByteArray>{"a", "//b"}));
    EXPECT_EQ(kinds("a//b"), (std::vector<int>{tkIdentifier, tkComment}));
    EXPECT_EQ(kinds("a/b"), (std::vector<int>{tkIdentifier, tkSymbol, tkIdentifier}));
    EXPECT_EQ(scan("/"), (std::vector<Tok>{{0, 1, tkSymbol}}));
    // A Chinese character inside a comment is part of it.
    EXPECT_EQ(scan("; \xd6\xd0\xce\xc4"), (std::vector<Tok>{{0, 6, tkComment}}));
}

TEST(AsmScanner, Strings) {
    EXPECT_EQ(texts("\"\""), (std::vector<QByteArray>{"\"\""}));
    EXPECT_EQ(texts("'It''s'"), (std::vector<QByteArray>{"'It'", "'s'"}));
    EXPECT_EQ(texts("\"\"\"abc\""), (std::vector<QByteArray>{"\"\"\"abc\""}));
    EXPECT_EQ(texts("'''x"), (std::vector<QByteArray>{"'''x"}));
    EXPECT_EQ(scan("\"open to the end"), (std::vector<Tok>{{0, 16, tkString}}));
    // The other quote has no effect; an LF or CR ends the string and belongs to it.
    EXPECT_EQ(texts("\"it's\" x"), (std::vector<QByteArray>{"\"it's\"", " ", "x"}));
    EXPECT_EQ(scan("'ab\ncd"), (std::vector<Tok>{{0, 4, tkString}, {4, 2, tkIdentifier}}));
    EXPECT_EQ(scan("'ab\r\n"), (std::vector<Tok>{{0, 4, tkString}, {4, 1, tkSpace}}));
    EXPECT_EQ(scan(QByteArray("'ab\0'", 5)), (std::vector<Tok>{{0, 3, tkString}}));
    EXPECT_EQ(scan("'"), (std::vector<Tok>{{0, 1, tkString}}));
    EXPECT_EQ(scan("''"), (std::vector<Tok>{{0, 2, tkString}}));
}

TEST(AsmScanner, Numbers) {
    for (const char* n : {"0FFH", "1.5", "10B", "0abcdefh", "9.9.9", "0ABCDEFH"})
        EXPECT_EQ(scan(n), (std::vector<Tok>{{0, static_cast<int>(qstrlen(n)), tkNumber}})) << n;
    EXPECT_EQ(texts("0x1F"), (std::vector<QByteArray>{"0", "x1F"}));
    EXPECT_EQ(kinds("0x1F"), (std::vector<int>{tkNumber, tkIdentifier}));
    EXPECT_EQ(texts("12G"), (std::vector<QByteArray>{"12", "G"}));
    EXPECT_EQ(texts("1_2"), (std::vector<QByteArray>{"1", "_2"}));
}

TEST(AsmScanner, IdentifiersAndKeywords) {
    for (const char* k : {"mov", "MOV", "Mov", "f2xm1", "FLD1", "xor", "aaa", "punpckhbw", "PrefetchW"})
        EXPECT_EQ(kinds(k), std::vector<int>{tkKey}) << k;
    for (const char* i : {"movx", "djnz", "ax", "R0", "_mov", "mov_", "mo", "movsxx", "x", "_", "jmp2"})
        EXPECT_EQ(kinds(i), std::vector<int>{tkIdentifier}) << i;
    EXPECT_EQ(texts("mov\tax,bx"), (std::vector<QByteArray>{"mov", "\t", "ax", ",", "bx"}));
}

TEST(AsmScanner, Symbols) {
    for (const char* s : {"<>", "<=", ">="})
        EXPECT_EQ(scan(s), (std::vector<Tok>{{0, 2, tkSymbol}})) << s;
    EXPECT_EQ(scan("=>"), (std::vector<Tok>{{0, 1, tkSymbol}, {1, 1, tkSymbol}}));
    EXPECT_EQ(scan("><"), (std::vector<Tok>{{0, 1, tkSymbol}, {1, 1, tkSymbol}}));
    EXPECT_EQ(scan("<<"), (std::vector<Tok>{{0, 1, tkSymbol}, {1, 1, tkSymbol}}));
    for (char c : QByteArray("&()*+-.:=^{}<>"))
        EXPECT_EQ(scan(QByteArray(1, c)), (std::vector<Tok>{{0, 1, tkSymbol}})) << c;
}

TEST(AsmScanner, OtherBytesAreOneByteIdentifiers) {
    std::vector<int> others = {33, 36, 37, 44, 63, 64, 91, 92, 93, 96, 124, 126};
    for (int b = 127; b < 256; ++b)
        others.push_back(b);
    for (int b : others) {
        // A lead byte of a double-byte character takes the byte after it; every other byte stands alone.
        const bool lead = b >= 0x81 && b <= 0xFE;
        const QByteArray line = QByteArray(1, static_cast<char>(b)) + "a";
        EXPECT_EQ(scan(line).front(), (Tok{0, lead ? 2 : 1, tkIdentifier})) << b;
        // At the end of the line a lead byte is one byte.
        EXPECT_EQ(scan(QByteArray(1, static_cast<char>(b))), (std::vector<Tok>{{0, 1, tkIdentifier}})) << b;
    }
    EXPECT_EQ(scan("\xd6\xd0\xce"), (std::vector<Tok>{{0, 2, tkIdentifier}, {2, 1, tkIdentifier}}));
    // A lead byte before a 0 does not swallow the 0.
    EXPECT_EQ(scan(QByteArray("\xd6\0x", 3)), (std::vector<Tok>{{0, 1, tkIdentifier}}));
}

TEST(AsmScanner, SampleLines) {
    EXPECT_EQ(texts("MOV A,#30H"), (std::vector<QByteArray>{"MOV", " ", "A", ",", "#30H"}));
    EXPECT_EQ(kinds("MOV A,#30H"), (std::vector<int>{tkKey, tkSpace, tkIdentifier, tkIdentifier, tkComment}));
    EXPECT_EQ(kinds("\xd6\xd0\xce\xc4:"), (std::vector<int>{tkIdentifier, tkIdentifier, tkSymbol}));
    EXPECT_EQ(texts("start:\tmov\tdx,[bx+si]\t; \xd7\xa2"),
              (std::vector<QByteArray>{"start", ":", "\t", "mov", "\t", "dx", ",", "[", "bx", "+", "si", "]", "\t",
                                       "; \xd7\xa2"}));
}

TEST(AsmScanner, TokensTileTheLine) {
    TSynAsmSyn syn;
    QByteArray line;
    for (int i = 0; i < 4096; ++i)
        line += static_cast<char>((i * 7919 + 13) % 255 + 1); // every byte but 0, in a scrambled order
    int expected = 0;
    for (syn.StartLine(line, 0); !syn.AtLineEnd(); syn.NextToken()) {
        ASSERT_EQ(syn.TokenStart(), expected);
        ASSERT_GT(syn.TokenLength(), 0);
        expected += syn.TokenLength();
    }
    EXPECT_EQ(expected, line.size());
}

TEST(AsmKeywordTable, HashesAndChains) {
    int len = 0;
    EXPECT_EQ(TSynAsmSyn::KeyHash("mov", &len), 764);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(TSynAsmSyn::KeyHash("MOV", nullptr), 764);
    EXPECT_EQ(TSynAsmSyn::KeyHash("push", nullptr), 514);
    EXPECT_EQ(TSynAsmSyn::KeyHash("f2xm1", nullptr), 48);
    EXPECT_EQ(TSynAsmSyn::KeyHash("mov ax", &len), 764);
    EXPECT_EQ(len, 3);

    TSynAsmSyn syn;
    const TSynHashEntryList& table = syn.keywordTable();
    EXPECT_EQ(table.count(), 373);
    std::vector<QByteArray> chain;
    for (const TSynHashEntry* e = table.bucket(764); e; e = e->Next())
        chain.push_back(e->Keyword());
    EXPECT_EQ(chain, (std::vector<QByteArray>{"mov", "sgdt", "repne"}));

    int entries = 0, longest = 0;
    for (int b = 0; b < TSynHashEntryList::BucketCount; ++b) {
        int n = 0, lastLen = 0;
        for (const TSynHashEntry* e = table.bucket(b); e; e = e->Next(), ++n) {
            EXPECT_GE(e->KeywordLen(), lastLen) << "bucket " << b;
            lastLen = e->KeywordLen();
            EXPECT_EQ(TSynAsmSyn::KeyHash(e->Keyword(), nullptr), b);
            EXPECT_EQ(e->Kind(), tkKey);
            EXPECT_TRUE(syn.IsKeyword(e->Keyword().toUpper()));
        }
        entries += n;
        longest = std::max(longest, n);
    }
    EXPECT_EQ(entries, 373);
    EXPECT_LE(longest, 3);
    EXPECT_FALSE(syn.IsKeyword("movx"));
    EXPECT_FALSE(syn.IsKeyword(""));
    EXPECT_FALSE(syn.IsKeyword("mov "));
}

TEST(AsmKeywordTable, EqualLengthsKeepTheirOrderAndDuplicatesAreRefused) {
    TSynHashEntryList list;
    list.Add(5, "bbb", tkKey);
    list.Add(5, "a", tkKey);
    list.Add(5, "ccc", tkKey);
    list.Add(5, "dd", tkKey);
    std::vector<QByteArray> chain;
    for (const TSynHashEntry* e = list.bucket(5); e; e = e->Next())
        chain.push_back(e->Keyword());
    EXPECT_EQ(chain, (std::vector<QByteArray>{"a", "dd", "bbb", "ccc"}));
    try {
        list.Add(5, "CCC", tkKey);
        FAIL() << "duplicate accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Keyword \"CCC\" already in list"));
    }
    EXPECT_EQ(list.count(), 4);
}
