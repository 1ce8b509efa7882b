// labtool tokens and labtool listing, run as the teachers run them.
#include "base/Gbk.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class LabtoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo::exists(testsupport::programDir() + "/labtool"))
            GTEST_SKIP() << "labtool not built";
        ASSERT_TRUE(dir.isValid());
    }
    QString file(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(testsupport::writeFile(path, bytes));
        return path;
    }
    int run(const QStringList& args) {
        out.clear();
        err.clear();
        return testsupport::runProgram("labtool", args, &out, &err);
    }
    QTemporaryDir dir;
    QByteArray out, err;
};

} // namespace

TEST_F(LabtoolTest, TokensOfEveryLineInTheExactFormat) {
    const QString path = file("t.asm", "MOV A,#30H\r\nx\ry\n\n\t'a' \xd6\xd0" "a");
    ASSERT_EQ(run({"tokens", path}), 0) << err.constData();
    EXPECT_EQ(out, QByteArray("1 0 3 2\n"
                              "1 3 1 5\n"
                              "1 4 1 1\n"
                              "1 5 1 1\n"
                              "1 6 4 0\n"
                              "2 0 1 1\n"
                              "3 0 1 1\n"
                              "5 0 1 5\n"
                              "5 1 3 6\n"
                              "5 4 1 5\n"
                              "5 5 2 1\n"
                              "5 7 1 1\n"));
    EXPECT_TRUE(err.isEmpty());

    // A 0 byte ends a line's tokens; an empty file has none.
    ASSERT_EQ(run({"tokens", file("nul.asm", QByteArray("ab\0cd\nmov", 9))}), 0);
    EXPECT_EQ(out, QByteArray("1 0 2 1\n2 0 3 2\n"));
    ASSERT_EQ(run({"tokens", file("empty.asm", "")}), 0);
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(LabtoolTest, TokensOfBadArguments) {
    EXPECT_EQ(run({"tokens"}), 2);
    EXPECT_FALSE(err.isEmpty());
    const QString missing = dir.filePath("missing.asm");
    EXPECT_EQ(run({"tokens", missing}), 2);
    EXPECT_TRUE(err.contains("Cannot open file \"" + missing.toUtf8() + "\". ")) << err.constData();
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(LabtoolTest, ListingColouredByTheType) {
    const QByteArray source = gbk::encode(QStringLiteral("MOV A,#30H ; 中文\r\n\tdb 'x<y'\r\nlabel: & 12\r\n"));
    const QString path = file("l.asm", source);
    ASSERT_EQ(run({"listing", path, "--type", "51", "--html"}), 0) << err.constData();
    EXPECT_TRUE(out.startsWith("<!DOCTYPE html>\n"));
    EXPECT_TRUE(out.endsWith("</html>\n"));
    EXPECT_TRUE(out.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(out.contains(".k2{color:#0000ff;font-weight:bold;}"));
    EXPECT_TRUE(out.contains(".k6{color:#ff0000;}"));
    EXPECT_TRUE(out.contains(".k1{color:#008000;}"));
    EXPECT_TRUE(out.contains("<span class=\"k2\">MOV</span>"));
    EXPECT_TRUE(out.contains(QStringLiteral("<span class=\"k0\">#30H ; 中文</span>").toUtf8()));
    EXPECT_TRUE(out.contains("<span class=\"k6\">'x&lt;y'</span>"));
    EXPECT_TRUE(out.contains("<span class=\"k7\">&amp;</span>"));
    EXPECT_TRUE(out.contains("<span class=\"k4\">12</span>"));

    ASSERT_EQ(run({"listing", path, "--html", "--type", "88"}), 0);
    EXPECT_TRUE(out.contains(".k6{color:#008080;}"));
    EXPECT_TRUE(out.contains(".k7{color:#000080;}"));
    EXPECT_FALSE(out.contains(".k1{"));
    ASSERT_EQ(run({"listing", path, "--type", "96", "--html"}), 0);
    EXPECT_TRUE(out.contains(".k2{font-weight:bold;}"));
    EXPECT_FALSE(out.contains(".k6{"));
    EXPECT_TRUE(out.contains("'x&lt;y'"));
}

TEST_F(LabtoolTest, ListingReadsGbkUnlessClearlyUtf8) {
    // The GBK line's D0 A1 is also UTF-8 for "С".
    ASSERT_EQ(run({"listing", file("g.asm", gbk::encode(QStringLiteral("mov a,b ; 小\r\n"))), "--type", "51", "--html"}), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("<span class=\"k0\">; 小</span>").toUtf8())) << out.constData();
    ASSERT_EQ(run({"listing", file("u.asm", QStringLiteral("mov a,b ; 小\r\n").toUtf8()), "--type", "51", "--html"}), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("<span class=\"k0\">; 小</span>").toUtf8())) << out.constData();

    QString longText;
    for (int i = 0; i < 300; ++i)
        longText += QStringLiteral("\tinc r0 ; 小说\r\n");
    ASSERT_EQ(run({"listing", file("lg.asm", gbk::encode(longText)), "--type", "51", "--html"}), 0);
    EXPECT_EQ(out.count(QStringLiteral("; 小说</span>").toUtf8()), 300);
    ASSERT_EQ(run({"listing", file("lu.asm", longText.toUtf8()), "--type", "51", "--html"}), 0);
    EXPECT_EQ(out.count(QStringLiteral("; 小说</span>").toUtf8()), 300);
}

TEST_F(LabtoolTest, ListingOfBadArguments) {
    const QString path = file("l.asm", "nop\n");
    EXPECT_EQ(run({"listing", path, "--type", "86", "--html"}), 2);
    EXPECT_EQ(run({"listing", path, "--type", "51"}), 2);
    EXPECT_EQ(run({"listing", path, "--type"}), 2);
    EXPECT_EQ(run({"listing", "--type", "51", "--html"}), 2);
    EXPECT_EQ(run({"listing", dir.filePath("none.asm"), "--type", "51", "--html"}), 2);
    EXPECT_TRUE(err.contains("Cannot open file"));
}
