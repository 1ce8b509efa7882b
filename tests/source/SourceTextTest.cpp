// Cutting source files into lines, reading them, and the GBK map between the editor's text and the scanner's.
#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "source/GbkLineMap.h"
#include "source/SourceText.h"
#include "source/SynEdit.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

std::vector<QByteArray> lines(const QByteArray& bytes) {
    std::vector<QByteArray> out;
    sourcetext::forEachLine(bytes, [&](QByteArrayView l) { out.push_back(l.toByteArray()); });
    return out;
}

} // namespace

TEST(SourceLines, SplitAtCrLfLoneCrAndLoneLf) {
    using V = std::vector<QByteArray>;
    EXPECT_EQ(lines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(lines("a\r\n"), (V{"a"}));
    EXPECT_EQ(lines("a\n\n"), (V{"a", ""}));
    EXPECT_EQ(lines("\r\r\n\n"), (V{"", "", ""}));
    EXPECT_EQ(lines("\n\r"), (V{"", ""}));
    EXPECT_EQ(lines(""), V{});
    EXPECT_EQ(lines(QByteArray("a\0b\nc", 5)), (V{QByteArray("a\0b", 3), "c"}));
}

TEST(SourceLines, DecodedTextHasSingleLineFeeds) {
    const QString lf = sourcetext::decodeLines("mov ax,1\nint 21h\n");
    EXPECT_EQ(lf, QStringLiteral("mov ax,1\nint 21h"));
    EXPECT_EQ(sourcetext::decodeLines("mov ax,1\r\nint 21h\r\n"), lf);
    EXPECT_EQ(sourcetext::decodeLines("mov ax,1\rint 21h\r"), lf);
    EXPECT_EQ(sourcetext::decodeLines("a\n\n"), QStringLiteral("a\n"));
    EXPECT_EQ(sourcetext::decodeLines(""), QString());
}

TEST(SourceLines, GbkUtf8AndBrokenBytes) {
    const QString chinese = QStringLiteral("; 中文注释");
    EXPECT_EQ(sourcetext::decodeLines(gbk::encode(chinese) + "\r\n"), chinese);
    EXPECT_EQ(sourcetext::decodeLines(chinese.toUtf8()), chinese);
    EXPECT_EQ(sourcetext::decodeLines("\xEF\xBB\xBF" + chinese.toUtf8()), chinese);
    EXPECT_EQ(sourcetext::decodeLines("\xEF\xBB\xBFmov"), QStringLiteral("mov"));
    // Invalid GBK and a lead byte cut off by the line end still give the line's other characters.
    const QString broken = sourcetext::decodeLines("mov\xFF\r\nab\xD6\nend");
    const QStringList parts = broken.split(u'\n');
    ASSERT_EQ(parts.size(), 3);
    EXPECT_TRUE(parts[0].startsWith(QStringLiteral("mov")));
    EXPECT_TRUE(parts[1].startsWith(QStringLiteral("ab")));
    EXPECT_EQ(parts[2], QStringLiteral("end"));
}

TEST(SourceFile, EditorReadsGbkUnlessClearlyUtf8) {
    QTemporaryDir dir;
    TSynEdit editor;
    const auto load = [&](const QByteArray& bytes) {
        EXPECT_TRUE(testsupport::writeFile(dir.filePath("s.asm"), bytes));
        editor.loadFromFile(dir.filePath("s.asm"));
    };
    // A short GBK comment whose bytes are valid UTF-8 (D0 A1 would be "С").
    load(gbk::encode(QStringLiteral("mov a,b ; 小\r\n")));
    EXPECT_EQ(editor.lineText(0), QStringLiteral("mov a,b ; 小"));
    EXPECT_EQ(editor.lineBytes(0), QByteArray("mov a,b ; \xD0\xA1"));
    load(QStringLiteral("mov a,b ; 小\r\n").toUtf8());
    EXPECT_EQ(editor.lineText(0), QStringLiteral("mov a,b ; 小"));

    // Long sources both ways: GBK lines that are each valid UTF-8, and UTF-8 with Chinese punctuation.
    QString gbkText, utf8Text;
    for (int i = 0; i < 300; ++i) {
        gbkText += QStringLiteral("\tinc r%1 ; 小说\r\n").arg(i % 8);
        utf8Text += QStringLiteral("\tinc r%1 ; 延时，“小”\n").arg(i % 8);
    }
    load(gbk::encode(gbkText));
    ASSERT_EQ(editor.lineCount(), 300);
    EXPECT_EQ(editor.lineText(299), QStringLiteral("\tinc r3 ; 小说"));
    load(utf8Text.toUtf8());
    ASSERT_EQ(editor.lineCount(), 300);
    EXPECT_EQ(editor.lineText(299), QStringLiteral("\tinc r3 ; 延时，“小”"));
}

TEST(SourceFile, ReadWholeOrRaiseWithTheReason) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.asm");
    ASSERT_TRUE(testsupport::writeFile(path, "mov ax,bx\r\n"));
    EXPECT_EQ(sourcetext::readFile(path), QByteArray("mov ax,bx\r\n"));

    const QString missing = dir.filePath("none.asm");
    try {
        sourcetext::readFile(missing);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    // A folder exists but cannot be read as a file.
    const QString folder = dir.filePath("sub");
    ASSERT_TRUE(QDir().mkpath(folder));
    try {
        sourcetext::readFile(folder);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(folder))) << e.what();
        EXPECT_GT(e.message().size(), QStringLiteral("Cannot open file \"%1\". ").arg(folder).size());
    }
}

TEST(GbkMap, EveryGbkByteKnowsItsCharacter) {
    GbkLineMap map;
    const QByteArray utf8 = QStringLiteral("a中€😀é;").toUtf8(); // 1 + 3 + 3 + 4 + 2 + 1 bytes
    map.build(utf8.constData(), static_cast<int>(utf8.size()));
    // a | D6 D0 | 80 | ? | A8 A6 | ;
    EXPECT_EQ(map.gbk().toByteArray(), QByteArray("a\xD6\xD0\x80?\xA8\xA6;"));
    const int expected[] = {0, 1, 1, 4, 7, 11, 11, 13, 14};
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(map.utf8Offset(i), expected[i]) << i;

    // Broken UTF-8 bytes count one character each.
    const QByteArray bad("\xE4\xB8x\xC0", 4);
    map.build(bad.constData(), 4);
    EXPECT_EQ(map.gbk().size(), 4);
    EXPECT_EQ(map.utf8Offset(4), 4);
    map.build("", 0);
    EXPECT_EQ(map.gbk().size(), 0);
    EXPECT_EQ(map.utf8Offset(0), 0);
}
