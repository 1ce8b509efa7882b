// The metafile renderers: what the common records draw, records we skip, and damaged or hostile files.
#include "tests/codecs/Samples.h"
#include "tests/support/TestSupport.h"

#include "codecs/Decoders.h"
#include "codecs/MetafilePainter.h"

#include "base/ErrorReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace codecs;
using samples::kRef;

namespace {

enum : uint16_t {
    W_SelectObject = 0x012D, W_CreateBrush = 0x02FC, W_CreatePen = 0x02FA, W_Rectangle = 0x041B,
    W_Ellipse = 0x0418, W_Polygon = 0x0324, W_Pie = 0x081A, W_SetWindowOrg = 0x020B, W_SetWindowExt = 0x020C,
    W_StretchDib = 0x0F43, W_TextOut = 0x0521, W_SetTextColor = 0x0209, W_SetBkMode = 0x0102,
    W_CreateFont = 0x02FB, W_SaveDc = 0x001E, W_RestoreDc = 0x0127,
};

enum : uint32_t {
    E_Polygon16 = 86, E_SetWindowExtEx = 9, E_SetWindowOrgEx = 10, E_Rectangle = 43, E_Ellipse = 42,
    E_SelectObject = 37, E_CreatePen = 38, E_CreateBrush = 39, E_SaveDc = 33, E_RestoreDc = 34,
    E_SetWorldTransform = 35, E_ExtTextOutW = 84, E_StretchDiBits = 81, E_Pie = 47, E_SetBkMode = 18,
};

QString errorOf(QImage (*render)(QByteArrayView), const QByteArray& bytes) {
    const QString message = testsupport::errorOf([&] { render(bytes); });
    return message.isEmpty() ? QStringLiteral("(rendered without error)") : message;
}

// A solid brush of `rgb` and a null pen, selected, in the lowest free WMF slots.
void wmfSolid(samples::Wmf& w, QRgb rgb, int brushSlot) {
    w.colorRef(W_CreateBrush, rgb, {0}, {0});
    w.record(W_SelectObject, {brushSlot});
}

int64_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

int darkPixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++n;
    return n;
}

// Both renderers' samples draw one scene on a 200 x 100 frame: a red rectangle, a blue ellipse, a green
// triangle, a yellow bitmap, white ground, and dark text of the given height at 105, 55.
void expectSampleScene(const QImage& image, int textHeight) {
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(150, 75), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(50, 90), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(170, 20), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(195, 5), qRgb(255, 255, 255));
    EXPECT_GT(darkPixels(image, QRect(105, 55, 60, textHeight)), 20);
}

} // namespace

TEST(Wmf, DrawsShapesBitmapsAndTextOfThePlaceableFrame) {
    samples::Wmf w;
    w.record(W_CreatePen, {5, 0, 0, 0, 0}); // null pen, slot 0
    w.record(W_SelectObject, {0});
    wmfSolid(w, kRef(255, 0, 0), 1);
    w.record(W_Rectangle, {50, 100, 0, 0}); // bottom, right, top, left
    wmfSolid(w, kRef(0, 0, 255), 2);
    w.record(W_Ellipse, {100, 200, 50, 100});
    wmfSolid(w, kRef(0, 255, 0), 3);
    w.record(W_Polygon, {3, 0, 100, 50, 50, 100, 100}); // triangle (0,100) (50,50) (100,100)
    w.record(0x0999, {1, 2, 3});                         // unknown: skipped
    w.record(W_StretchDib, {0x0020, 0x00CC, 0, 4, 4, 0, 0, 40, 40, 0, 150}, samples::dib24(4, 4, Qt::yellow));
    w.record(W_SetBkMode, {1});
    w.colorRef(W_SetTextColor, kRef(0, 0, 0));
    w.record(W_CreateFont, {-20, 0, 0, 0, 700, 0, 0, 0, 0}, QByteArray("Arial\0", 6)); // slot 4
    w.record(W_SelectObject, {4});
    w.record(W_TextOut, {4, 'H' | ('H' << 8), 'H' | ('H' << 8), 55, 105}); // "HHHH" at x 105, y 55
    const QImage image = renderWmf(w.finish(QRect(0, 0, 200, 100), 96));
    expectSampleScene(image, 22);
}

TEST(Wmf, WindowRecordsMapLogicalUnitsOntoThePicture) {
    // Without a placeable header the first window sets the frame: 1000 x 500 units drawn at that size.
    samples::Wmf w;
    w.record(W_SetWindowOrg, {0, 0});
    w.record(W_SetWindowExt, {500, 1000});
    wmfSolid(w, kRef(255, 0, 0), 0);
    w.record(W_Rectangle, {500, 500, 0, 0});
    const QImage plain = renderWmf(w.finish(QRect(), 0, false));
    ASSERT_EQ(plain.size(), QSize(1000, 500));
    EXPECT_EQ(plain.pixel(250, 250), qRgb(255, 0, 0));
    EXPECT_EQ(plain.pixel(750, 250), qRgb(255, 255, 255));

    // Twips on a placeable frame of one inch: 96 pixels; a window of 100 units stretches over it.
    samples::Wmf t;
    t.record(W_SetWindowExt, {100, 100});
    wmfSolid(t, kRef(0, 0, 255), 0);
    t.record(W_SaveDc, {});
    t.record(W_SetWindowExt, {1, 1}); // undone by the restore below
    t.record(W_RestoreDc, {-1});
    t.record(W_Rectangle, {50, 50, 0, 0});
    const QImage inch = renderWmf(t.finish(QRect(0, 0, 1440, 1440), 1440));
    ASSERT_EQ(inch.size(), QSize(96, 96));
    EXPECT_EQ(inch.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(inch.pixel(70, 70), qRgb(255, 255, 255));
}

TEST(Wmf, PieRunsCounterClockwiseFromStartToEnd) {
    samples::Wmf w;
    wmfSolid(w, kRef(0, 0, 0), 0);
    // Box 0,0-100,100; from 3 o'clock (100,50) to 12 o'clock (50,0): the upper right quarter.
    w.record(W_Pie, {0, 50, 50, 100, 100, 100, 0, 0});
    const QImage image = renderWmf(w.finish(QRect(0, 0, 100, 100), 96));
    EXPECT_EQ(image.pixel(70, 30), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(70, 70), qRgb(255, 255, 255));
}

TEST(Wmf, DamagedAndHostileFiles) {
    samples::Wmf w;
    wmfSolid(w, kRef(255, 0, 0), 0);
    w.record(W_Rectangle, {50, 50, 0, 0});
    const QByteArray good = w.finish(QRect(0, 0, 100, 100), 96);
    EXPECT_EQ(errorOf(renderWmf, samples::truncated(good, 0.7)), "WMF error: the file is truncated");
    EXPECT_EQ(errorOf(renderWmf, good.left(good.size() - 6)), "WMF error: the file is truncated");
    EXPECT_EQ(errorOf(renderWmf, good.left(30)), "WMF error: the file is truncated");
    EXPECT_EQ(errorOf(renderWmf, samples::patched(good, 22, {7})), "WMF error: not a Windows metafile");
    // A record claiming a size of one word.
    EXPECT_THAT(errorOf(renderWmf, samples::patched(good, 40, {1, 0, 0, 0})).toStdString(),
                ::testing::StartsWith("WMF error: corrupt record"));
    samples::Wmf noWindow;
    EXPECT_EQ(errorOf(renderWmf, noWindow.finish(QRect(), 0, false)), "WMF error: the picture has no size");

    // A frame of 30000 inches is drawn at the canvas limit, not at its claimed 2.9 million pixels.
    const QImage huge = renderWmf(w.finish(QRect(0, 0, 30000, 15000), 1));
    EXPECT_EQ(huge.size(), QSize(metafile::kMaxMetafileSide, metafile::kMaxMetafileSide / 2));
    EXPECT_EQ(huge.pixel(3, 3), qRgb(255, 0, 0)); // 50 of 30000 units: 6 pixels
    // Polygons claiming more points than their record holds draw nothing.
    samples::Wmf lying;
    wmfSolid(lying, kRef(0, 0, 0), 0);
    lying.record(W_Polygon, {30000, 0, 0, 10, 10});
    EXPECT_EQ(renderWmf(lying.finish(QRect(0, 0, 20, 20), 96)).pixel(5, 5), qRgb(255, 255, 255));
}

TEST(Emf, DrawsShapesBitmapsTextAndTransforms) {
    samples::Emf e(QSize(200, 100));
    e.record(E_CreatePen, {1, 5, 0, 0, 0}); // null pen
    e.record(E_SelectObject, {1});
    e.record(E_CreateBrush, {2, 0, kRef(255, 0, 0), 0});
    e.record(E_SelectObject, {2});
    e.record(E_Rectangle, {0, 0, 100, 50});
    e.record(E_CreateBrush, {3, 0, kRef(0, 0, 255), 0});
    e.record(E_SelectObject, {3});
    e.record(E_SaveDc, {});
    e.record(E_SetWorldTransform, {bits(1), bits(0), bits(0), bits(1), bits(100), bits(50)});
    e.record(E_Ellipse, {0, 0, 100, 50}); // moved to 100,50 by the transform
    e.record(E_RestoreDc, {-1});
    e.record(E_CreateBrush, {4, 0, kRef(0, 255, 0), 0});
    e.record(E_SelectObject, {4});
    QByteArray tri;
    for (int v : {0, 100, 50, 50, 100, 100})
        tri.append(char(v & 0xFF)).append(char(v >> 8));
    e.record(E_Polygon16, {0, 0, 100, 100, 3}, tri);
    e.record(1234, {9, 9, 9}); // unknown: skipped
    const QByteArray dib = samples::dib24(4, 4, Qt::yellow);
    e.record(E_StretchDiBits, {150, 0, 190, 40, 150, 0, 0, 0, 4, 4, 80, 40, 120, dib.size() - 40, 0, 0x00CC0020, 40, 40},
             dib);
    e.record(E_SetBkMode, {1});
    const QString text = QStringLiteral("HHHH");
    QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    e.record(E_ExtTextOutW, {0, 0, 0, 0, 1, bits(1), bits(1), 105, 55, text.size(), 76, 0, 0, 0, 0, 0, 0}, utf16);
    const QImage image = renderEmf(e.finish());
    expectSampleScene(image, 20);
}

TEST(Emf, DamagedAndHostileFiles) {
    samples::Emf e(QSize(50, 50));
    e.record(E_CreateBrush, {1, 0, kRef(255, 0, 0), 0});
    e.record(E_SelectObject, {1});
    e.record(E_Rectangle, {0, 0, 20, 20});
    const QByteArray good = e.finish();
    EXPECT_EQ(renderEmf(good).pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(errorOf(renderEmf, samples::truncated(good, 0.8)), "EMF error: the file is truncated");
    EXPECT_EQ(errorOf(renderEmf, good.left(40)), "EMF error: the file is truncated");
    EXPECT_EQ(errorOf(renderEmf, samples::patched(good, 40, {'X'})), "EMF error: not an enhanced metafile");
    EXPECT_THAT(errorOf(renderEmf, samples::patched(good, 92, {3, 0, 0, 0})).toStdString(),
                ::testing::StartsWith("EMF error: corrupt record"));
    // A frame of 60000 x 60000 millimetres is drawn at the canvas limit.
    QByteArray hostile = samples::Emf::header(QRect(0, 0, 60000, 60000), QRect(0, 0, 6000000, 6000000),
                                              QSize(960, 960), QSize(254, 254), 108, 2);
    hostile += QByteArray::fromHex("0e000000140000000000000000000000" "14000000");
    EXPECT_EQ(renderEmf(hostile).size(), QSize(metafile::kMaxMetafileSide, metafile::kMaxMetafileSide));
}

TEST(Metafile, CanvasSizeIsCappedAndNeverEmpty) {
    EXPECT_EQ(metafile::canvasSize(QSizeF(200.4, 99.6)), QSize(200, 100));
    EXPECT_EQ(metafile::canvasSize(QSizeF(0, -3)), QSize(1, 3));
    EXPECT_EQ(metafile::canvasSize(QSizeF(1e9, 1e8)), QSize(4096, 410));
    EXPECT_EQ(metafile::canvasSize(QSizeF(qQNaN(), 10)), QSize(1, 10));
}
