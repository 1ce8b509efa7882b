// JPEG through libjpeg, called directly so that errors carry libjpeg's own message numbers.
#include "codecs/Decoders.h"
#include "codecs/ImageBuffer.h"
#include "codecs/PictureLimits.h"

#include "base/ErrorReport.h"

#include <cstdio>
#include <csetjmp>
#include <cstdlib>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace codecs {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code = 0;
};

// A picture stored in several scans (progressive, or one component at a time) is held as coefficients,
// two bytes a pixel of each component, until the last scan: that store and libjpeg's other buffers stay
// within this, besides the picture itself.
constexpr long kWorkMemory = 64L * 1024 * 1024;
// Each scan passes over every block of its components, so a file of a few bytes a scan could keep the
// decoder busy for minutes. Encoders write about ten scans, which pass over each block about six times
// in all; the scans may pass over each block this many times, and over this many blocks besides.
constexpr qint64 kPassesPerBlock = 16;
constexpr qint64 kSpareBlockPasses = 1 << 20;
constexpr int kTooManyScans = -1; // our own code, beside libjpeg's message numbers

struct Progress {
    jpeg_progress_mgr pub;
    int scan = 0;
    qint64 blockPasses = 0;
    qint64 allowed = 0;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

// Warnings that mean the picture data itself is damaged; the rest (an odd JFIF version, stray bytes
// between markers) leave a sound picture and are ignored.
bool isCorruptionWarning(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && isCorruptionWarning(cinfo->err->msg_code))
        onError(cinfo);
}

void onOutput(j_common_ptr) {} // never print to the console

// Called before each row of input or output: counts the blocks of each new scan.
void onProgress(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* progress = reinterpret_cast<Progress*>(cinfo->progress);
    if (cinfo->input_scan_number == progress->scan)
        return;
    progress->scan = cinfo->input_scan_number;
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        progress->blockPasses +=
            qint64(cinfo->cur_comp_info[i]->width_in_blocks) * cinfo->cur_comp_info[i]->height_in_blocks;
    if (progress->blockPasses > progress->allowed) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        err->code = kTooManyScans;
        std::longjmp(err->jump, 1);
    }
}

enum class Outcome { Ok, JpegFailed, SizeRefused };

// Everything between setjmp and a possible longjmp is C or writes through pointers, so no C++ object's
// state is lost by the jump. The caller owns the decompressor and the picture.
Outcome decodeInto(jpeg_decompress_struct* cinfo, ErrorManager* err, Progress* progress,
                   QByteArrayView bytes, QImage* out, std::vector<JSAMPLE>* cmykRow) {
    if (setjmp(err->jump))
        return Outcome::JpegFailed;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kWorkMemory;
    cinfo->progress = &progress->pub;
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(cinfo, TRUE);
    const qint64 w = cinfo->image_width, h = cinfo->image_height;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels)
        return Outcome::SizeRefused;
    progress->allowed = kSpareBlockPasses;
    for (int i = 0; i < cinfo->num_components; ++i)
        progress->allowed += kPassesPerBlock * cinfo->comp_info[i].width_in_blocks * cinfo->comp_info[i].height_in_blocks;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX; // BGRX in memory is QImage::Format_RGB32
    jpeg_start_decompress(cinfo);
    *out = allocateImage(int(cinfo->output_width), int(cinfo->output_height), QImage::Format_RGB32);
    if (out->isNull())
        return Outcome::SizeRefused;
    if (cmyk)
        cmykRow->resize(size_t(cinfo->output_width) * 4);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        JSAMPROW row = cmyk ? cmykRow->data() : reinterpret_cast<JSAMPROW>(out->scanLine(y));
        jpeg_read_scanlines(cinfo, &row, 1);
        if (cmyk) {
            // Adobe writes inverted CMYK, the usual case for such files.
            QRgb* dst = reinterpret_cast<QRgb*>(out->scanLine(y));
            const JSAMPLE* s = row;
            for (JDIMENSION x = 0; x < cinfo->output_width; ++x, s += 4) {
                const int k = s[3];
                dst[x] = qRgb(s[0] * k / 255, s[1] * k / 255, s[2] * k / 255);
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return Outcome::Ok;
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    Progress progress{};
    Decompressor() {
        progress.pub.progress_monitor = onProgress;
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = onError;
        err.pub.emit_message = onMessage;
        err.pub.output_message = onOutput;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

} // namespace

QImage decodeJpeg(QByteArrayView bytes) {
    Decompressor d;
    QImage image;
    std::vector<JSAMPLE> cmykRow;
    switch (decodeInto(&d.cinfo, &d.err, &d.progress, bytes, &image, &cmykRow)) {
    case Outcome::Ok:
        return image;
    case Outcome::JpegFailed:
        if (d.err.code == kTooManyScans)
            throw Error(QStringLiteral("JPEG error: too many scans for a picture of %1 x %2 pixels")
                            .arg(d.cinfo.image_width)
                            .arg(d.cinfo.image_height));
        // Without a backing store libjpeg asks for one only when the work memory would be exceeded.
        if (d.err.code == JERR_NO_BACKING_STORE)
            throw Error(QStringLiteral("JPEG error: a picture of %1 x %2 pixels in several scans needs more "
                                       "than %3 MiB to decode")
                            .arg(d.cinfo.image_width)
                            .arg(d.cinfo.image_height)
                            .arg(kWorkMemory / (1024 * 1024)));
        throw Error(QStringLiteral("JPEG error #%1").arg(d.err.code));
    case Outcome::SizeRefused:
        break;
    }
    checkSize(d.cinfo.image_width, d.cinfo.image_height, "JPEG");
    throw Error(QStringLiteral("JPEG error: cannot allocate the picture"));
}

namespace {

struct Compressor {
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Compressor() {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = onError;
        err.pub.output_message = onOutput;
    }
    ~Compressor() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool encodeInto(Compressor* c, const QImage* image, int quality) {
    if (setjmp(c->err.jump))
        return false;
    jpeg_create_compress(&c->cinfo);
    jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
    c->cinfo.image_width = JDIMENSION(image->width());
    c->cinfo.image_height = JDIMENSION(image->height());
    c->cinfo.input_components = 4;
    c->cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c->cinfo);
    jpeg_set_quality(&c->cinfo, quality, TRUE);
    jpeg_start_compress(&c->cinfo, TRUE);
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image->constScanLine(int(c->cinfo.next_scanline)));
        jpeg_write_scanlines(&c->cinfo, &row, 1);
    }
    jpeg_finish_compress(&c->cinfo);
    return true;
}

} // namespace

QByteArray encodeJpeg(const QImage& image, int quality) {
    if (image.isNull())
        throw Error(QStringLiteral("JPEG error: empty picture"));
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    Compressor c;
    if (!encodeInto(&c, &rgb, quality))
        throw Error(QStringLiteral("JPEG error #%1").arg(c.err.code));
    return QByteArray(reinterpret_cast<const char*>(c.buffer), qsizetype(c.size));
}

} // namespace codecs
