// Windows icons and cursors: the largest image of the directory, stored as PNG or as a headerless
// bitmap twice as high as the icon (colour rows, then the one-bit transparency mask).
#include "codecs/BmpInternal.h"
#include "codecs/ByteReader.h"
#include "codecs/Decoders.h"
#include "codecs/PictureLimits.h"

#include "base/ErrorReport.h"

#include <QtEndian>

#include <cstring>

namespace codecs {

namespace {

[[noreturn]] void fail(const QString& why) { throw Error(QStringLiteral("ICO error: %1").arg(why)); }

struct Entry {
    int width = 0, height = 0, bpp = 0;
    uint32_t size = 0, offset = 0;
};

QImage decodeIconBitmap(QByteArrayView dib) {
    ByteReader r(dib);
    const uint32_t headerSize = r.u32();
    const int32_t width = r.i32();
    const int32_t doubleHeight = r.i32();
    r.u16();
    const uint16_t bpp = r.u16();
    const uint32_t compression = r.u32();
    r.skip(12);
    const uint32_t coloursUsed = r.u32();
    if (!r.ok() || headerSize < 40 || headerSize > uint32_t(dib.size()))
        fail(QStringLiteral("the file is truncated"));
    if (doubleHeight <= 0 || width <= 0)
        fail(QStringLiteral("invalid icon size %1 x %2").arg(width).arg(doubleHeight));
    const qint64 height = doubleHeight / 2;
    checkSize(width, height, "ICO");
    if (bpp > 32)
        fail(QStringLiteral("unsupported bit depth %1").arg(bpp));
    qint64 paletteBytes = 0;
    if (bpp <= 8)
        paletteBytes = 4 * qint64(coloursUsed ? coloursUsed : (1u << bpp));
    if (compression == 3 && headerSize == 40)
        paletteBytes += 12;
    if (paletteBytes > dib.size())
        fail(QStringLiteral("the file is truncated"));
    const qint64 colourStride = ((qint64(width) * bpp + 31) / 32) * 4;
    const qint64 colourEnd = headerSize + paletteBytes + colourStride * height;

    QImage image;
    bool hasAlpha = false;
    if (bpp == 32 && compression == 0) {
        // Read here: the bitmap reader drops the alpha channel of plain 32-bit rows, which icons rely on.
        if (colourEnd > dib.size())
            fail(QStringLiteral("the file is truncated"));
        image = QImage(width, int(height), QImage::Format_ARGB32);
        if (image.isNull())
            fail(QStringLiteral("cannot allocate the picture"));
        for (int y = 0; y < image.height(); ++y) {
            const char* row = dib.data() + headerSize + paletteBytes + (height - 1 - y) * colourStride;
            std::memcpy(image.scanLine(y), row, size_t(width) * 4); // B, G, R, A as ARGB32 holds them
        }
        for (int y = 0; y < image.height() && !hasAlpha; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(line[x]) != 0) {
                    hasAlpha = true;
                    break;
                }
        }
    } else {
        // Rebuild a bitmap file with the icon's own height for the bitmap reader.
        QByteArray file(14, '\0');
        file[0] = 'B';
        file[1] = 'M';
        qToLittleEndian<uint32_t>(uint32_t(14 + qMin<qint64>(colourEnd, dib.size())), file.data() + 2);
        qToLittleEndian<uint32_t>(uint32_t(14 + headerSize + paletteBytes), file.data() + 10);
        file.append(dib.data(), qMin<qint64>(colourEnd, dib.size()));
        qToLittleEndian<int32_t>(int32_t(height), file.data() + 14 + 8);
        image = detail::decodeBitmapFile(file, "ICO");
    }

    const qint64 maskStride = ((qint64(width) + 31) / 32) * 4;
    if (!hasAlpha && colourEnd + maskStride * height <= dib.size()) {
        image.convertTo(QImage::Format_ARGB32); // in place where it can be: no second copy of a large icon
        const auto* mask = reinterpret_cast<const uchar*>(dib.data() + colourEnd);
        for (int y = 0; y < image.height(); ++y) {
            const uchar* maskRow = mask + (height - 1 - y) * maskStride; // stored bottom-up
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const bool transparent = maskRow[x >> 3] & (0x80 >> (x & 7));
                line[x] = transparent ? 0u : (line[x] | 0xFF000000u);
            }
        }
    } else if (!hasAlpha && bpp == 32) {
        image.convertTo(QImage::Format_RGB32);
    }
    return image;
}

} // namespace

QImage decodeIco(QByteArrayView bytes) {
    ByteReader r(bytes);
    const uint16_t reserved = r.u16();
    const uint16_t type = r.u16();
    const uint16_t count = r.u16();
    if (!r.ok() || reserved != 0 || (type != 1 && type != 2))
        fail(QStringLiteral("not an icon file"));
    if (count == 0)
        fail(QStringLiteral("the icon holds no picture"));
    Entry best;
    bool found = false;
    for (int i = 0; i < count; ++i) {
        Entry e;
        e.width = r.u8();
        e.height = r.u8();
        r.skip(4);
        e.bpp = r.u16();
        e.size = r.u32();
        e.offset = r.u32();
        if (!r.ok())
            fail(QStringLiteral("the file is truncated"));
        if (!e.width)
            e.width = 256;
        if (!e.height)
            e.height = 256;
        if (!found || qint64(e.width) * e.height > qint64(best.width) * best.height ||
            (qint64(e.width) * e.height == qint64(best.width) * best.height && e.bpp > best.bpp)) {
            best = e;
            found = true;
        }
    }
    if (best.size < 8 || qint64(best.offset) + best.size > bytes.size())
        fail(QStringLiteral("the file is truncated"));
    const QByteArrayView data = bytes.sliced(best.offset, best.size);
    if (data.startsWith("\x89PNG")) {
        try {
            return decodePng(data);
        } catch (const Error& e) {
            fail(e.message());
        }
    }
    return decodeIconBitmap(data);
}

} // namespace codecs
