// labtool picture: the size and format line other tools read, and the error text with exit 1.
#include "tests/codecs/Samples.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LabtoolPicture, PrintsSizeAndFormatOrTheError) {
    QTemporaryDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("photo.JPG"), samples::jpeg(640, 480)));
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("icon.ico"), samples::icoWithBitmap(16, 24)));
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("cut.png"), samples::truncated(samples::png(samples::halves(20, 20)))));
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("a.gif"), QByteArray("GIF89a")));
    QByteArray out, err;
    EXPECT_EQ(testsupport::runProgram("labtool", {"picture", dir.filePath("photo.JPG")}, &out, &err), 0) << err.constData();
    EXPECT_EQ(out, "640x480 jpeg\n");
    // Found without regard to letter case, as the viewer finds it.
    EXPECT_EQ(testsupport::runProgram("labtool", {"picture", dir.filePath("ICON.ICO")}, &out, &err), 0);
    EXPECT_EQ(out, "16x16 ico\n");
    EXPECT_EQ(testsupport::runProgram("labtool", {"picture", dir.filePath("cut.png")}, &out, &err), 1);
    EXPECT_TRUE(out.startsWith("PNG error: ")) << out.constData();
    EXPECT_EQ(testsupport::runProgram("labtool", {"picture", dir.filePath("a.gif")}, &out, &err), 1);
    EXPECT_EQ(out, "Unknown picture file extension (.gif)\n");
    EXPECT_EQ(testsupport::runProgram("labtool", {"picture", dir.filePath("none.bmp")}, &out, &err), 1);
    EXPECT_EQ(out, "No picture file " + dir.filePath("none.bmp").toUtf8() + "\n");
    EXPECT_EQ(testsupport::runProgram("labtool", {"picture"}, &out, &err), 2);
}
