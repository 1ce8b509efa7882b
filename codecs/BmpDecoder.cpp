// Windows bitmaps: the header is checked here (size limits, truncation), the pixels are decoded by Qt.
#include "codecs/BmpInternal.h"
#include "codecs/ByteReader.h"
#include "codecs/Decoders.h"
#include "codecs/PictureLimits.h"

#include "base/ErrorReport.h"

#include <QBuffer>
#include <QImageReader>

namespace codecs {

namespace detail {

namespace {

enum Compression : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

[[noreturn]] void fail(const char* format, const QString& why) {
    throw Error(QStringLiteral("%1 error: %2").arg(QLatin1String(format), why));
}

} // namespace

QImage decodeBitmapFile(QByteArrayView bytes, const char* format, qint64* pixelsLeft) {
    ByteReader r(bytes);
    if (bytes.size() < 18 || r.u16() != 0x4D42) // "BM"
        fail(format, QStringLiteral("not a bitmap file"));
    r.skip(8);
    const uint32_t dataOffset = r.u32();
    const uint32_t headerSize = r.u32();
    qint64 width = 0, height = 0;
    uint32_t bpp = 0, compression = Rgb;
    if (headerSize == 12) {
        width = r.u16();
        height = r.u16();
        r.u16();
        bpp = r.u16();
    } else if (headerSize >= 16 && headerSize <= 1024) {
        width = r.i32();
        height = r.i32();
        r.u16();
        bpp = r.u16();
        if (headerSize >= 20)
            compression = r.u32();
    } else {
        fail(format, QStringLiteral("unknown bitmap header size %1").arg(headerSize));
    }
    if (!r.ok() || !r.has(0) || bytes.size() < 14 + qsizetype(headerSize))
        fail(format, QStringLiteral("the file is truncated"));
    const qint64 rows = height < 0 ? -height : height;
    checkSize(width, rows, format);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        fail(format, QStringLiteral("unsupported bit depth %1").arg(bpp));
    if (dataOffset < 14 + headerSize || dataOffset > uint64_t(bytes.size()))
        fail(format, QStringLiteral("the file is truncated"));
    switch (compression) {
    case Rgb:
    case BitFields:
    case AlphaBitFields: {
        const qint64 stride = ((width * bpp + 31) / 32) * 4;
        if (qint64(dataOffset) + stride * rows > bytes.size())
            fail(format, QStringLiteral("the file is truncated"));
        break;
    }
    case Rle8:
    case Rle4:
        if (height < 0)
            fail(format, QStringLiteral("a compressed bitmap cannot be stored top-down"));
        break;
    default:
        fail(format, QStringLiteral("unsupported compression %1").arg(compression));
    }
    if (pixelsLeft) {
        const qint64 pixels = width * rows;
        if (pixels > kMaxEmbeddedPixels)
            fail(format, QStringLiteral("embedded bitmap too large (%1 x %2 pixels; at most %3 pixels)")
                             .arg(width)
                             .arg(rows)
                             .arg(kMaxEmbeddedPixels));
        if (pixels > *pixelsLeft)
            fail(format,
                 QStringLiteral("embedded bitmaps too large in all (more than %1 pixels)").arg(kMaxEmbeddedTotal));
        *pixelsLeft -= pixels;
    }

    QByteArray raw = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    QImageReader::setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull())
        fail(format, reader.errorString());
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage decodeDib(QByteArrayView dib, const char* format, qint64* pixelsLeft) {
    ByteReader r(dib);
    const uint32_t headerSize = r.u32();
    uint32_t bpp = 0, compression = Rgb, coloursUsed = 0;
    if (headerSize == 12) {
        r.skip(6);
        bpp = r.u16();
    } else {
        r.skip(10);
        bpp = r.u16();
        compression = r.u32();
        r.skip(12);
        coloursUsed = r.u32();
    }
    if (!r.ok() || headerSize < 12 || headerSize > 1024)
        fail(format, QStringLiteral("invalid embedded bitmap"));
    qint64 palette = 0;
    if (bpp <= 8)
        palette = qint64(coloursUsed && coloursUsed <= 256 ? coloursUsed : (1u << qMin<uint32_t>(bpp, 8))) *
                  (headerSize == 12 ? 3 : 4);
    if ((compression == BitFields || compression == AlphaBitFields) && headerSize == 40)
        palette += compression == BitFields ? 12 : 16;
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const qint64 total = 14 + dib.size();
    const qint64 offset = 14 + headerSize + palette;
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = char((total >> (8 * i)) & 0xFF);
        file[10 + i] = char((offset >> (8 * i)) & 0xFF);
    }
    file.append(dib.data(), dib.size());
    return decodeBitmapFile(file, format, pixelsLeft);
}

} // namespace detail

QImage decodeBmp(QByteArrayView bytes) { return detail::decodeBitmapFile(bytes, "BMP"); }

} // namespace codecs
