#include "base/ByteText.h"
#include "base/Gbk.h"

#include <gtest/gtest.h>

TEST(Gbk, RoundTripsChineseText) {
    const QString text = QStringLiteral("实验演示向导 ABC");
    const QByteArray bytes = gbk::encode(text);
    EXPECT_EQ(bytes.size(), 6 * 2 + 4);
    EXPECT_EQ(bytes.left(2), QByteArray("\xCA\xB5"));
    EXPECT_EQ(gbk::decode(bytes), text);
    // A cut-off last character is shown, not dropped.
    EXPECT_EQ(gbk::decode(QByteArray("ab\xCA")), QStringLiteral("ab\uFFFD"));
    EXPECT_EQ(gbk::decode(QByteArray("\xCA\xB5\xD1")), QStringLiteral("实\uFFFD"));
}

TEST(Gbk, CutNeverSplitsADoubleByteCharacter) {
    const QByteArray bytes = gbk::encode(QStringLiteral("A实验")); // 41 CA B5 D1 E9
    EXPECT_EQ(gbk::safeCutLength(bytes, 5), 5);
    EXPECT_EQ(gbk::safeCutLength(bytes, 4), 3);
    EXPECT_EQ(gbk::safeCutLength(bytes, 2), 1);
    EXPECT_EQ(gbk::safeCutLength(bytes, 1), 1);
    EXPECT_EQ(gbk::safeCutLength(bytes, 0), 0);
    // A lone lead byte at the very end is one byte of its own.
    EXPECT_EQ(gbk::safeCutLength(QByteArray("ab\xCA"), 3), 3);
    EXPECT_EQ(gbk::safeCutLength(QByteArray("ab\xCA" "c"), 3), 2);

    ByteText<10> field;
    field.assign(gbk::encode(QStringLiteral("0123456789A")));
    EXPECT_EQ(field.bytes(), QByteArray("0123456789"));
    field.assign(gbk::encode(QStringLiteral("012345678实")));
    EXPECT_EQ(field.bytes(), QByteArray("012345678"));
}

TEST(Gbk, ReadsOnlyClearUtf8AsUtf8) {
    const auto utf8 = [](const char16_t* text) { return QString::fromUtf16(text).toUtf8(); };
    const auto gbkOf = [](const char16_t* text) { return gbk::encode(QString::fromUtf16(text)); };
    EXPECT_FALSE(gbk::looksLikeUtf8("mov a,#1 ; plain ascii"));
    EXPECT_TRUE(gbk::looksLikeUtf8("\xEF\xBB\xBFmov"));
    // Short Chinese, punctuation and full-width forms in UTF-8.
    EXPECT_TRUE(gbk::looksLikeUtf8(utf8(u"; 注释")));
    EXPECT_TRUE(gbk::looksLikeUtf8(utf8(u"mov a,b ; “小”，（延时）…")));
    EXPECT_TRUE(gbk::looksLikeUtf8(utf8(u"; 延时😀")));
    // GBK texts that are valid UTF-8: one character (D0 A1 is "С"), two (a two-byte pair each), and two that
    // form one four-byte sequence (F0 A1 B0 A1 is U+21C21).
    EXPECT_FALSE(gbk::looksLikeUtf8(gbkOf(u"mov a,b ; 小")));
    EXPECT_FALSE(gbk::looksLikeUtf8(gbkOf(u"; 小说")));
    ASSERT_EQ(gbkOf(u"稹啊"), QByteArray("\xF0\xA1\xB0\xA1"));
    EXPECT_FALSE(gbk::looksLikeUtf8(gbkOf(u"; 稹啊")));
    EXPECT_FALSE(gbk::looksLikeUtf8(gbkOf(u"; 注释"))); // not UTF-8 at all
    // UTF-8 outside the Chinese blocks needs a byte-order mark; broken UTF-8 is GBK.
    EXPECT_FALSE(gbk::looksLikeUtf8(utf8(u"; 10kΩ 延时")));
    EXPECT_FALSE(gbk::looksLikeUtf8("\xC0\x80"));         // overlong
    EXPECT_FALSE(gbk::looksLikeUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(gbk::looksLikeUtf8("abc\xE4\xB8"));      // truncated at the end
    EXPECT_EQ(gbk::decodeSource("\xEF\xBB\xBF" "a"), QStringLiteral("a"));
    EXPECT_EQ(gbk::decodeSource("\xEF\xBB\xBF" + utf8(u"10kΩ")), QStringLiteral("10kΩ"));
    EXPECT_EQ(gbk::decodeSource(gbkOf(u"; 小")), QStringLiteral("; 小"));

    // Long texts: a whole source of short GBK comments that each happen to be valid UTF-8 stays GBK, and a
    // long UTF-8 source stays UTF-8.
    QString source;
    for (int i = 0; i < 200; ++i)
        source += QString::fromUtf16(i % 2 ? u"\tmov a,b ; 小\r\n" : u"\tinc r0 ; 小说\r\n");
    EXPECT_FALSE(gbk::looksLikeUtf8(gbk::encode(source)));
    EXPECT_EQ(gbk::decodeSource(gbk::encode(source)), source);
    EXPECT_TRUE(gbk::looksLikeUtf8(source.toUtf8()));
    EXPECT_EQ(gbk::decodeSource(source.toUtf8()), source);
}
