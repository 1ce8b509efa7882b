// The bitmap writer and the letter-case rule for file names.
#include "tests/support/TestSupport.h"
#include "video/Bmp.h"
#include "video/FileCase.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

std::uint32_t u32(const QByteArray& b, int at) { return qFromLittleEndian<std::uint32_t>(b.constData() + at); }
std::uint16_t u16(const QByteArray& b, int at) { return qFromLittleEndian<std::uint16_t>(b.constData() + at); }

TEST(Bmp, TwentyFourBitBottomUpWithPaddedRows) {
    // 3 x 2 pixels: rows of 9 bytes padded to 12.
    const std::uint8_t px[2][3][4] = {{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}},
                                      {{10, 11, 12, 0}, {13, 14, 15, 0}, {16, 17, 18, 0}}};
    const QByteArray b = bmp::fromBgrx(&px[0][0][0], 3, 2, 12);
    ASSERT_EQ(b.size(), 54 + 24);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(u32(b, 2), 78u);
    EXPECT_EQ(u32(b, 10), 54u);
    EXPECT_EQ(u32(b, 14), 40u);
    EXPECT_EQ(u32(b, 18), 3u);
    EXPECT_EQ(u32(b, 22), 2u);
    EXPECT_EQ(u16(b, 28), 24);
    EXPECT_EQ(u32(b, 30), 0u);
    // The bottom row comes first.
    EXPECT_EQ(static_cast<unsigned char>(b[54]), 10);
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 8]), 18);
    EXPECT_EQ(b[54 + 9], 0); // padding
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 12]), 1);
    EXPECT_TRUE(bmp::fromBgrx(nullptr, 3, 2, 12).isEmpty());
    EXPECT_TRUE(bmp::fromBgrx(&px[0][0][0], 0, 2, 12).isEmpty());
}

TEST(Bmp, ReadsBackAsTheSamePicture) {
    QImage img(37, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            img.setPixel(x, y, qRgb(x * 6, y * 50, 255 - x));
    const QByteArray b = bmp::fromBgrx(img.constBits(), img.width(), img.height(), int(img.bytesPerLine()));
    QImage back;
    ASSERT_TRUE(back.loadFromData(b, "BMP"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), img);
}

TEST(FileCase, OneFileWhateverTheSpelling) {
    QTemporaryDir dir;
    const QString d = dir.path() + "/";
    EXPECT_EQ(filecase::resolve(d + "Capture.bmp"), d + "Capture.bmp"); // none: as asked
    ASSERT_TRUE(testsupport::writeFile(d + "capture.BMP", "x"));
    EXPECT_EQ(filecase::resolve(d + "Capture.bmp"), d + "capture.BMP");
    EXPECT_EQ(filecase::resolve(QString(d + "CAPTURE.bmp").replace('/', '\\')), d + "capture.BMP");
    // Two spellings: both requests land on the same one.
    ASSERT_TRUE(testsupport::writeFile(d + "Capture.bmp", "y"));
    EXPECT_EQ(filecase::resolve(d + "capture.bmp"), filecase::resolve(d + "Capture.bmp"));
    EXPECT_EQ(filecase::resolve(d + "other.bmp"), d + "other.bmp");
    // Folders are not files.
    QDir(dir.path()).mkdir("Video.avi");
    EXPECT_EQ(filecase::resolve(d + "video.avi"), d + "video.avi");
}

TEST(FileCase, RelativeToTheWorkingFolder) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ASSERT_TRUE(testsupport::writeFile("Capture.bmp", "x"));
    EXPECT_EQ(filecase::resolve(".\\capture.bmp"), "./Capture.bmp");
    QDir::setCurrent(previous);
}

} // namespace
