// PNG through libpng (which inflates with zlib), read straight into the picture's rows.
#include "codecs/Decoders.h"
#include "codecs/ImageBuffer.h"
#include "codecs/PictureLimits.h"

#include "base/ErrorReport.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace codecs {

namespace {

// With the last row libpng unpacks the rest of the image data, only to find its end; a file of a megabyte
// can hold a gigabyte there. From the last row on, the image data may hold that row (at most eight bytes
// a pixel, and the filter byte, stored) and this much besides (a sound file has a few bytes: the end of
// the stream and its checksum).
constexpr qint64 kMaxTrailingImageData = 128 * 1024;

struct Source {
    QByteArrayView bytes;
    qsizetype pos = 0;
    qint64 nextChunk = 8; // where the next chunk header starts, after the signature
    bool inImageData = false; // the chunk being read is IDAT
    bool ancillaryIgnored = false;
    bool lastRow = false;
    qint64 trailingImageData = 0;
    qint64 trailingAllowed = 0;
};

struct Failure {
    char message[256] = {};
};

void onError(png_structp png, png_const_charp message) {
    auto* failure = static_cast<Failure*>(png_get_error_ptr(png));
    std::strncpy(failure->message, message ? message : "unknown error", sizeof failure->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Text, ICC profiles and the other ancillary chunks but tRNS play no part in the picture, yet libpng
// would unpack and keep up to a thousand of them: a small file could hold gigabytes. Once the header
// chunk has been read they are skipped unread. Before it, libpng still sees them, so that a text chunk
// ahead of the header stays the error it always was.
void watchChunks(png_structp png, Source* src, png_size_t length) {
    if (src->pos != src->nextChunk || length != 8) {
        if (src->lastRow && src->inImageData && src->pos < src->nextChunk - 4) {
            src->trailingImageData += qint64(length);
            if (src->trailingImageData > src->trailingAllowed)
                png_error(png, "too much image data after the last row");
        }
        return;
    }
    const auto* head = reinterpret_cast<const unsigned char*>(src->bytes.data() + src->pos);
    const qint64 size = (qint64(head[0]) << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
    src->nextChunk += 12 + size;
    src->inImageData = std::memcmp(head + 4, "IDAT", 4) == 0;
    if (!src->ancillaryIgnored && std::memcmp(head + 4, "IHDR", 4) == 0) {
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
        src->ancillaryIgnored = true;
    }
}

void readBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (qsizetype(length) > src->bytes.size() - src->pos)
        png_error(png, "unexpected end of file");
    watchChunks(png, src, length);
    std::memcpy(out, src->bytes.data() + src->pos, length);
    src->pos += qsizetype(length);
}

enum class Outcome { Ok, PngFailed, SizeRefused };

struct Reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Failure failure;
    Source source;
    png_uint_32 width = 0, height = 0;
    ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Only C calls and writes through pointers between setjmp and a possible longjmp.
Outcome decodeInto(Reader* r, QImage* out) {
    if (setjmp(png_jmpbuf(r->png)))
        return Outcome::PngFailed;
    png_set_read_fn(r->png, &r->source, readBytes);
    png_set_chunk_malloc_max(r->png, 64u * 1024 * 1024); // the longest chunk accepted at all
    png_read_info(r->png, r->info);
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(r->png, r->info, &r->width, &r->height, &depth, &colour, &interlace, nullptr, nullptr);
    if (r->width > kMaxSide || r->height > kMaxSide || qint64(r->width) * r->height > kMaxPixels)
        return Outcome::SizeRefused;
    // Every layout becomes 8-bit B, G, R, A in memory: QImage::Format_ARGB32 on a little-endian machine.
    if (depth == 16)
        png_set_strip_16(r->png);
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(r->png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(r->png);
    if (png_get_valid(r->png, r->info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(r->png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(r->png);
    png_set_bgr(r->png);
    png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    if (png_get_rowbytes(r->png, r->info) != size_t(r->width) * 4)
        png_error(r->png, "unsupported pixel layout");
    *out = allocateImage(int(r->width), int(r->height), QImage::Format_ARGB32);
    if (out->isNull())
        return Outcome::SizeRefused;
    r->source.trailingAllowed = kMaxTrailingImageData + 2 * (8 * qint64(r->width) + 1);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < int(r->height); ++y) {
            if (pass == passes - 1 && y == int(r->height) - 1)
                r->source.lastRow = true;
            png_read_row(r->png, out->scanLine(y), nullptr);
        }
    png_read_end(r->png, nullptr);
    return Outcome::Ok;
}

} // namespace

QImage decodePng(QByteArrayView bytes) {
    Reader r;
    r.source.bytes = bytes;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.failure, onError, onWarning);
    if (r.png)
        r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info)
        throw Error(QStringLiteral("PNG error: cannot start the decoder"));
    QImage image;
    switch (decodeInto(&r, &image)) {
    case Outcome::Ok:
        break;
    case Outcome::PngFailed:
        throw Error(QStringLiteral("PNG error: %1").arg(QString::fromLatin1(r.failure.message)));
    case Outcome::SizeRefused:
        checkSize(r.width, r.height, "PNG");
        throw Error(QStringLiteral("PNG error: cannot allocate the picture"));
    }
    // Opaque pictures are marked so, which lets painting skip blending.
    if (!image.isNull() && !png_get_valid(r.png, r.info, PNG_INFO_tRNS)) {
        int colour = png_get_color_type(r.png, r.info);
        if (!(colour & PNG_COLOR_MASK_ALPHA))
            image.reinterpretAsFormat(QImage::Format_RGB32);
    }
    return image;
}

} // namespace codecs
