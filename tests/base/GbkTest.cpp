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

TEST(Gbk, RecognisesUtf8Sources) {
    EXPECT_FALSE(gbk::looksLikeUtf8("mov a,#1 ; plain ascii"));
    EXPECT_TRUE(gbk::looksLikeUtf8(QStringLiteral("; 注释").toUtf8()));
    EXPECT_TRUE(gbk::looksLikeUtf8("\xEF\xBB\xBFmov"));
    EXPECT_FALSE(gbk::looksLikeUtf8(gbk::encode(QStringLiteral("; 注释"))));
    EXPECT_FALSE(gbk::looksLikeUtf8("\xC0\x80"));         // overlong
    EXPECT_FALSE(gbk::looksLikeUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(gbk::looksLikeUtf8("abc\xE4\xB8"));      // truncated at the end
    EXPECT_EQ(gbk::decodeSource("\xEF\xBB\xBF" "a"), QStringLiteral("a"));
    EXPECT_EQ(gbk::decodeSource(gbk::encode(QStringLiteral("注释"))), QStringLiteral("注释"));
}
