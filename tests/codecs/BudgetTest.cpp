// Hostile pictures: files that claim or unpack far more than they hold, or make a decoder repeat its work,
// end within the decoders' budget: the decoded picture (four bytes a pixel) and 64 MiB besides, measured
// as the heap the decode holds, and an outcome that shows the work was bounded (a refusal, or the
// objects a table keeps).
#include "tests/codecs/AllocationMeter.h"
#include "tests/codecs/Bombs.h"
#include "tests/codecs/Samples.h"

#include "codecs/MetafilePainter.h"
#include "codecs/ObjectSlots.h"
#include "codecs/PictureLoader.h"

#include "base/ErrorReport.h"

#include <QtEndian>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace codecs;

namespace {

constexpr int64_t kBesidesPicture = 64LL * 1024 * 1024;

} // namespace

TEST(Budget, HostilePicturesEndWithinTheBudget) {
    const QByteArray zTxt = bombs::pngText("zTXt", 20, 8 << 20);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* extension;
        const char* error; // the start of the error, or empty when the picture loads
        QSize picture;     // the picture the budget allows besides its 64 MiB (a metafile: its canvas)
    } cases[] = {
        // libpng kept every text chunk, unpacked: 160 MiB here.
        {"zTXt", zTxt, "png", "", QSize(1, 1)},
        {"iTXt", bombs::pngText("iTXt", 20, 8 << 20), "png", "", QSize(1, 1)},
        {"icon holding zTXt", bombs::icoHolding(zTxt), "ico", "", QSize(1, 1)},
        // The coefficients of all scans are held to the end: 384 MB for this header of a few hundred bytes.
        {"progressive claiming 8000 x 8000", bombs::jpegProgressiveClaiming(8000, 8000), "jpg",
         "JPEG error: a picture of 8000 x 8000 pixels in several scans needs more than 64 MiB", QSize()},
        {"700 scans", bombs::jpegManyScans(512, 512), "jpg", "JPEG error: too many scans for a picture of 512 x 512 pixels", QSize()},
        // Each embedded bitmap of a few bytes claimed 16 million pixels, decoded one after the other.
        {"WMF bitmaps", bombs::wmfBitmaps(3, 4000, 4000), "wmf",
         "WMF error: embedded bitmap too large (4000 x 4000 pixels; at most 8388608 pixels)", QSize()},
        {"WMF bitmaps in all", bombs::wmfBitmaps(5, 2896, 2896), "wmf",
         "WMF error: embedded bitmaps too large in all (more than 33554432 pixels)", QSize()},
        {"EMF bitmaps", bombs::emfBitmaps(3, 4000, 4000), "emf", "", QSize(100, 100)},
        // Every row of the picture crosses a thousand edges: Qt's rasterizer took minutes.
        {"WMF zigzag", bombs::wmfZigzags(1, 1000), "wmf", "WMF error: too much drawing", QSize(4096, 4096)},
        // Within the limits: the picture is what the header claims.
        {"BMP RLE", bombs::bmpRle(4000, 4000), "bmp", "", QSize(4000, 4000)},
        {"icon RLE", bombs::icoRle(4000, 4000), "ico", "", QSize(4000, 4000)},
        {"icon of 65535 entries", bombs::icoManyEntries(65535), "ico", "", QSize(16, 16)},
        {"WMF pens", bombs::wmfPens(20000, 65535), "wmf", "", QSize(100, 100)},
    };
    for (const auto& c : cases) {
        QString error;
        QSize size;
        allocmeter::start();
        try {
            size = decodePicture(c.bytes, QString::fromLatin1(c.extension)).image.size();
        } catch (const Error& e) {
            error = e.message();
        }
        const int64_t peak = allocmeter::peakSinceStart();
        if (*c.error) {
            EXPECT_THAT(error.toStdString(), ::testing::StartsWith(c.error)) << c.name;
        } else {
            EXPECT_EQ(size, c.picture) << c.name << ": " << error.toStdString();
        }
        if (allocmeter::available()) {
            EXPECT_LE(peak, 4LL * c.picture.width() * c.picture.height() + kBesidesPicture) << c.name;
        }
    }
    if (!allocmeter::available())
        GTEST_SKIP() << "the allocator is the sanitizer's: memory not measured";
}

TEST(Budget, WmfObjectTableHasTheSizeItsHeaderDeclares) {
    samples::Wmf w;
    w.colorRef(0x02FC, samples::kRef(255, 0, 0), {0}, {0}); // red brush: entry 0
    w.colorRef(0x02FC, samples::kRef(0, 0, 255), {0}, {0}); // the table is full: not kept
    w.record(0x012D, {1});
    w.record(0x041B, {10, 10, 0, 0});
    w.record(0x01F0, {0});
    w.colorRef(0x02FC, samples::kRef(0, 255, 0), {0}, {0}); // entry 0 again
    w.record(0x012D, {0});
    w.record(0x041B, {20, 20, 10, 10});
    QByteArray bytes = w.finish(QRect(0, 0, 20, 20), 96);
    qToLittleEndian<uint16_t>(1, bytes.data() + 22 + 10);
    const QImage image = decodePicture(bytes, "wmf").image;
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255)); // the default white brush: entry 1 does not exist
    EXPECT_EQ(image.pixel(15, 15), qRgb(0, 255, 0));

    // The lowest free entry, across the words of the bit masks.
    metafile::ObjectSlots table(130);
    for (int i = 0; i < 130; ++i)
        ASSERT_EQ(table.takeLowest(), i);
    EXPECT_EQ(table.takeLowest(), -1);
    for (uint32_t i : {129u, 64u, 127u, 200u})
        table.release(i);
    EXPECT_EQ(table.takeLowest(), 64);
    EXPECT_EQ(table.takeLowest(), 127);
    EXPECT_EQ(table.takeLowest(), 129);
    EXPECT_EQ(table.takeLowest(), -1);
}
