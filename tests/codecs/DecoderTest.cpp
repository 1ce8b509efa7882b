// Each decoder on sound pictures, on damaged ones and on headers claiming huge sizes.
#include "tests/codecs/Samples.h"
#include "tests/support/TestSupport.h"

#include "codecs/Decoders.h"
#include "codecs/PictureLoader.h"

#include "base/ErrorReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtEndian>

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

using namespace codecs;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

QString errorOf(QByteArrayView bytes, const QString& extension) {
    const QString message = testsupport::errorOf([&] { decodePicture(bytes, extension); });
    return message.isEmpty() ? QStringLiteral("(decoded without error)") : message;
}

std::string str(const QString& s) { return s.toStdString(); }

// Red on the left, blue on the right, within the tolerance of lossy coding.
void expectHalves(const QImage& image, int w, int h) {
    ASSERT_EQ(image.size(), QSize(w, h));
    const QColor left = image.pixelColor(w / 4, h / 2), right = image.pixelColor(3 * w / 4, h / 2);
    EXPECT_GT(left.red(), 200);
    EXPECT_LT(left.blue(), 60);
    EXPECT_GT(right.blue(), 200);
    EXPECT_LT(right.red(), 60);
}

} // namespace

TEST(Decoders, SoundPicturesOfEveryRasterFormat) {
    expectHalves(decodeJpeg(samples::jpeg(64, 40)), 64, 40);
    expectHalves(decodePng(samples::png(samples::halves(33, 17))), 33, 17);
    expectHalves(decodeBmp(samples::bmp(samples::halves(31, 9))), 31, 9);
    expectHalves(decodeIco(samples::icoWithPng(samples::halves(48, 48))), 48, 48);
    EXPECT_EQ(decodeJpeg(samples::jpeg(7, 3)).format(), QImage::Format_RGB32);
}

TEST(Decoders, PngLayoutsBecomeTheSameColours) {
    QImage alpha(4, 2, QImage::Format_ARGB32);
    alpha.fill(qRgba(10, 200, 30, 128));
    const QImage a = decodePng(samples::png(alpha));
    EXPECT_TRUE(a.hasAlphaChannel());
    EXPECT_EQ(a.pixel(1, 1), qRgba(10, 200, 30, 128));

    QImage grey(5, 5, QImage::Format_Grayscale16);
    grey.fill(QColor(100, 100, 100));
    const QImage g = decodePng(samples::png(grey));
    EXPECT_FALSE(g.hasAlphaChannel());
    EXPECT_NEAR(qRed(g.pixel(2, 2)), 100, 1);
    EXPECT_EQ(qRed(g.pixel(2, 2)), qBlue(g.pixel(2, 2)));

    QImage indexed = samples::halves(8, 8).convertToFormat(QImage::Format_Indexed8);
    const QImage i = decodePng(samples::png(indexed));
    EXPECT_EQ(i.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(i.pixel(6, 1), qRgb(0, 0, 255));
}

TEST(Decoders, BitmapDepthsAndTopDownRows) {
    const QImage src = samples::halves(10, 6);
    for (QImage::Format f : {QImage::Format_Indexed8, QImage::Format_RGB888, QImage::Format_RGB32}) {
        const QImage decoded = decodeBmp(samples::bmp(src.convertToFormat(f)));
        EXPECT_EQ(decoded.pixel(1, 1), qRgb(255, 0, 0)) << f;
        EXPECT_EQ(decoded.pixel(8, 4), qRgb(0, 0, 255)) << f;
    }
    // A negative height stores the rows top first: flip the rows and the sign, the picture stays.
    QImage tall(2, 2, QImage::Format_RGB32);
    tall.setPixel(0, 0, qRgb(255, 0, 0));
    tall.setPixel(1, 0, qRgb(255, 0, 0));
    tall.setPixel(0, 1, qRgb(0, 255, 0));
    tall.setPixel(1, 1, qRgb(0, 255, 0));
    QByteArray b = samples::bmp(tall);
    const qsizetype offset = qFromLittleEndian<uint32_t>(b.constData() + 10);
    const QByteArray row0 = b.mid(offset, 8), row1 = b.mid(offset + 8, 8);
    b.replace(offset, 8, row1);
    b.replace(offset + 8, 8, row0);
    qToLittleEndian<int32_t>(-2, b.data() + 22);
    const QImage topDown = decodeBmp(b);
    EXPECT_EQ(topDown.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(topDown.pixel(0, 1), qRgb(0, 255, 0));
}

TEST(Decoders, IconBitmapsApplyTheirMaskOrAlpha) {
    for (int bpp : {24, 32}) {
        const QImage icon = decodeIco(samples::icoWithBitmap(16, bpp));
        ASSERT_EQ(icon.size(), QSize(16, 16)) << bpp;
        EXPECT_EQ(icon.pixel(5, 5), qRgb(0, 255, 0)) << bpp;
        // 24-bit icons take transparency from the mask; 32-bit ones from their own alpha (all opaque).
        EXPECT_EQ(qAlpha(icon.pixel(0, 3)), bpp == 24 ? 0 : 255) << bpp;
    }
    // Partial transparency of a 32-bit icon survives; one with no alpha at all falls back to its mask.
    const QImage translucent = decodeIco(samples::icoWithBitmap(8, 32, 0x80));
    EXPECT_EQ(qAlpha(translucent.pixel(4, 4)), 0x80);
    EXPECT_EQ(qGreen(translucent.pixel(4, 4)), 0xFF);
    const QImage noAlpha = decodeIco(samples::icoWithBitmap(8, 32, 0));
    EXPECT_EQ(noAlpha.pixel(4, 4), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(noAlpha.pixel(0, 4)), 0);
}

TEST(Decoders, TruncatedFilesGiveTheirDecodersError) {
    EXPECT_THAT(str(errorOf(samples::truncated(samples::jpeg(64, 64)), "jpg")),
                StartsWith(QStringLiteral("JPEG error #%1").arg(JWRN_JPEG_EOF).toStdString()));
    EXPECT_THAT(str(errorOf(samples::truncated(samples::png(samples::halves(64, 64))), "png")), StartsWith("PNG error: "));
    EXPECT_EQ(errorOf(samples::truncated(samples::bmp(samples::halves(64, 64))), "bmp"),
              "BMP error: the file is truncated");
    EXPECT_EQ(errorOf(samples::truncated(samples::icoWithBitmap(32, 32)), "ico"), "ICO error: the file is truncated");
    EXPECT_THAT(str(errorOf(samples::truncated(samples::icoWithPng(samples::halves(32, 32)), 0.2), "ico")),
                StartsWith("ICO error: "));
    // Cut inside the header.
    EXPECT_THAT(str(errorOf(samples::jpeg(8, 8).left(20), "jpeg")), StartsWith("JPEG error #"));
    EXPECT_THAT(str(errorOf(samples::png(samples::halves(8, 8)).left(20), "png")), StartsWith("PNG error: "));
    EXPECT_EQ(errorOf(samples::bmp(samples::halves(8, 8)).left(20), "bmp"), "BMP error: the file is truncated");
    EXPECT_EQ(errorOf(samples::icoWithBitmap(16, 24).left(10), "ico"), "ICO error: the file is truncated");
}

TEST(Decoders, CorruptFilesGiveTheirDecodersError) {
    // Not a JPEG at all: libjpeg's "not a JPEG file" message number.
    EXPECT_EQ(errorOf(QByteArray("GIF89a-not-a-jpeg"), "jpg"), QStringLiteral("JPEG error #%1").arg(JERR_NO_SOI));
    // Scrambled entropy-coded data.
    QByteArray j = samples::jpeg(64, 64);
    const qsizetype sos = j.indexOf("\xFF\xDA");
    for (qsizetype i = sos + 20; i < j.size() - 2; i += 3)
        j[i] = char(0xFF);
    EXPECT_THAT(str(errorOf(j, "jpg")), StartsWith("JPEG error #"));
    // A PNG whose image data fails its checksum.
    QByteArray p = samples::png(samples::halves(16, 16));
    const qsizetype idat = p.indexOf("IDAT");
    p[idat + 6] = char(p[idat + 6] ^ 0x55);
    EXPECT_THAT(str(errorOf(p, "png")), StartsWith("PNG error: "));
    EXPECT_EQ(errorOf(samples::patched(samples::bmp(samples::halves(8, 8)), 28, {7, 0}), "bmp"),
              "BMP error: unsupported bit depth 7");
    EXPECT_EQ(errorOf(samples::patched(samples::bmp(samples::halves(8, 8)), 0, {'X'}), "bmp"),
              "BMP error: not a bitmap file");
    EXPECT_EQ(errorOf(samples::patched(samples::icoWithBitmap(16, 24), 2, {9}), "ico"), "ICO error: not an icon file");
    EXPECT_EQ(errorOf(samples::patched(samples::icoWithBitmap(16, 24), 4, {0}), "ico"),
              "ICO error: the icon holds no picture");
    // The directory points past the end of the file.
    EXPECT_EQ(errorOf(samples::patched(samples::icoWithBitmap(16, 24), 18, {0xFF, 0xFF}), "ico"),
              "ICO error: the file is truncated");
}

TEST(Decoders, EmptyFilesGiveTheirDecodersError) {
    EXPECT_EQ(errorOf(QByteArray(), "jpg"), QStringLiteral("JPEG error #%1").arg(JERR_INPUT_EMPTY));
    EXPECT_THAT(str(errorOf(QByteArray(), "png")), StartsWith("PNG error: "));
    EXPECT_THAT(str(errorOf(QByteArray(), "bmp")), StartsWith("BMP error: "));
    EXPECT_THAT(str(errorOf(QByteArray(), "ico")), StartsWith("ICO error: "));
    EXPECT_THAT(str(errorOf(QByteArray(), "wmf")), StartsWith("WMF error: "));
    EXPECT_THAT(str(errorOf(QByteArray(), "emf")), StartsWith("EMF error: "));
}

TEST(Decoders, HugeClaimedSizesAreRefusedBeforeAllocation) {
    // Each header claims 60000 x 60000 pixels (14 GB as 32-bit pixels); the refusal names the size.
    const struct {
        QByteArray bytes;
        const char* extension;
        const char* prefix;
    } cases[] = {
        {samples::jpegClaiming(60000, 60000), "jpg", "JPEG error: picture too large (60000 x 60000"},
        {samples::pngClaiming(60000, 60000), "png", "PNG error: picture too large (60000 x 60000"},
        {samples::bmpClaiming(60000, 60000), "bmp", "BMP error: picture too large (60000 x 60000"},
        {samples::bmpClaiming(60000, -60000), "bmp", "BMP error: picture too large (60000 x 60000"},
        {samples::icoClaiming(60000, 60000), "ico", "ICO error: picture too large (60000 x 60000"},
        // Within each side's limit but too many pixels in all.
        {samples::pngClaiming(30000, 30000), "png", "PNG error: picture too large (30000 x 30000"},
        {samples::pngClaiming(0x7FFFFFFF, 1), "png", "PNG error: "},
    };
    for (const auto& c : cases)
        EXPECT_THAT(str(errorOf(c.bytes, c.extension)), StartsWith(c.prefix)) << c.extension;
}

TEST(Decoders, JpegRoundTripKeepsSizeAndColour) {
    QImage grey(3, 300, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    const QImage decoded = decodeJpeg(encodeJpeg(grey));
    ASSERT_EQ(decoded.size(), QSize(3, 300));
    EXPECT_NEAR(qGreen(decoded.pixel(1, 150)), 128, 2);
    EXPECT_THROW(encodeJpeg(QImage()), Error);
}
