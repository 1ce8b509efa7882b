#include "tests/codecs/Bombs.h"

#include "tests/codecs/Samples.h"

#include <QImage>
#include <QtEndian>

#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>
#include <zlib.h>

namespace bombs {

namespace {

using samples::put16;
using samples::put32;

void putBig32(QByteArray& b, uint32_t v) {
    for (int i = 3; i >= 0; --i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// zlib data of `prefix` followed by `count` bytes of `fill`, compressed without holding them.
QByteArray deflated(const QByteArray& prefix, qint64 count, char fill = 'a') {
    z_stream z{};
    deflateInit(&z, 9);
    QByteArray out;
    const QByteArray block(64 * 1024, fill);
    char buffer[16384];
    auto feed = [&](const QByteArray& data, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        z.avail_in = uInt(data.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
    };
    feed(prefix, Z_NO_FLUSH);
    for (qint64 left = count; left > 0; left -= block.size())
        feed(left >= block.size() ? block : block.left(left), Z_NO_FLUSH);
    feed(QByteArray(), Z_FINISH);
    deflateEnd(&z);
    return out;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray c;
    putBig32(c, uint32_t(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    c += body;
    putBig32(c, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
    return c;
}

QByteArray pngOnePixel(const QByteArray& ancillary, const QByteArray& imageData) {
    QByteArray ihdr;
    putBig32(ihdr, 1);
    putBig32(ihdr, 1);
    ihdr += QByteArray::fromHex("0802000000"); // 8-bit RGB, no interlace
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + ancillary + pngChunk("IDAT", imageData) +
           pngChunk("IEND", {});
}

// A placeable WMF header for records drawn on a side x side frame at 96 units an inch.
QByteArray wmfFrame(const QByteArray& records, int side, int objects) {
    samples::Wmf w;
    QByteArray b = w.finish(QRect(0, 0, side, side), 96);
    const QByteArray header = b.left(22 + 18);
    QByteArray out = header + records + b.mid(22 + 18);
    qToLittleEndian<uint32_t>(uint32_t(out.size() - 22) / 2, out.data() + 22 + 6);
    qToLittleEndian<uint16_t>(uint16_t(objects), out.data() + 22 + 10);
    return out;
}

QByteArray wmfRecord(uint16_t function, std::initializer_list<int> words, const QByteArray& tail = {}) {
    QByteArray r;
    put32(r, 3 + int(words.size()) + (tail.size() + 1) / 2);
    put16(r, function);
    for (int w : words)
        put16(r, w);
    r += tail;
    if (r.size() % 2)
        r.append('\0');
    return r;
}

// An info header, a two-colour table and one end-of-bitmap code: RLE8 claiming w x h.
QByteArray rleDib(int w, int h) {
    QByteArray d;
    put32(d, 40);
    put32(d, w);
    put32(d, h);
    put16(d, 1);
    put16(d, 8);
    put32(d, 1); // RLE8
    put32(d, 2);
    put32(d, 0);
    put32(d, 0);
    put32(d, 2);
    put32(d, 0);
    put32(d, 0x00FF0000);
    put32(d, 0x000000FF);
    d += QByteArray::fromHex("0001");
    return d;
}

QByteArray emfWith(int side, const QByteArray& records, int count, int handles) {
    samples::Emf e(QSize(side, side));
    QByteArray b = e.finish();
    QByteArray out = b.left(88) + records + b.mid(88);
    qToLittleEndian<uint32_t>(uint32_t(out.size()), out.data() + 48);
    qToLittleEndian<uint32_t>(uint32_t(count + 2), out.data() + 52);
    qToLittleEndian<uint16_t>(uint16_t(handles), out.data() + 56);
    return out;
}

QByteArray emfRecord(uint32_t type, std::initializer_list<int64_t> words, const QByteArray& tail = {}) {
    QByteArray r;
    put32(r, type);
    put32(r, 8 + int(words.size()) * 4 + ((tail.size() + 3) / 4) * 4);
    for (int64_t w : words)
        put32(r, w);
    r += tail;
    while (r.size() % 4)
        r.append('\0');
    return r;
}

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Compresses a flat grey w x h picture with `scans` (a progression) or libjpeg's default progression.
QByteArray jpegProgressive(int w, int h, int components, const std::vector<jpeg_scan_info>* scans) {
    jpeg_compress_struct c{};
    JpegErrors err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr ci) { std::longjmp(reinterpret_cast<JpegErrors*>(ci->err)->jump, 1); };
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    QByteArray out;
    std::vector<JSAMPLE> row(size_t(w) * components, 128);
    if (setjmp(err.jump) == 0) {
        jpeg_create_compress(&c);
        jpeg_mem_dest(&c, &buffer, &size);
        c.image_width = JDIMENSION(w);
        c.image_height = JDIMENSION(h);
        c.input_components = components;
        c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(&c);
        if (components == 3)
            for (int i = 0; i < 3; ++i)
                c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
        if (scans) {
            c.scan_info = scans->data();
            c.num_scans = int(scans->size());
        } else {
            jpeg_simple_progression(&c);
        }
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW r = row.data();
            jpeg_write_scanlines(&c, &r, 1);
        }
        jpeg_finish_compress(&c);
        out = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    }
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

QByteArray icoEntries(int entries, int w, int h, int bpp, const QByteArray& data) {
    QByteArray b;
    put16(b, 0);
    put16(b, 1);
    put16(b, entries);
    const int offset = 6 + 16 * entries;
    for (int i = 0; i < entries; ++i) {
        b.append(char(w >= 256 ? 0 : w));
        b.append(char(h >= 256 ? 0 : h));
        b.append(char(0));
        b.append(char(0));
        put16(b, 1);
        put16(b, bpp);
        put32(b, data.size());
        put32(b, offset);
    }
    return b + data;
}

} // namespace

QByteArray pngText(const char* type, int chunks, qint64 textBytes) {
    const QByteArray name("Comment");
    QByteArray data;
    if (qstrcmp(type, "zTXt") == 0)
        data = name + QByteArray(2, '\0') + deflated({}, textBytes);
    else if (qstrcmp(type, "iTXt") == 0)
        data = name + QByteArray("\0\x01\0\0\0", 5) + deflated({}, textBytes);
    else
        data = name + QByteArray(1, '\0') + QByteArray(textBytes, 'a');
    const QByteArray chunk = pngChunk(type, data);
    QByteArray all;
    all.reserve(chunk.size() * chunks);
    for (int i = 0; i < chunks; ++i)
        all += chunk;
    return pngOnePixel(all, deflated(QByteArray(4, '\0'), 0));
}

QByteArray pngLongImageData(qint64 extraBytes) {
    return pngOnePixel({}, deflated(QByteArray(4, '\0'), extraBytes, '\0'));
}

QByteArray wmfPens(int records, int objects) {
    QByteArray r;
    const QByteArray pen = wmfRecord(0x02FA, {0, 1, 0, 0xFF, 0});
    r.reserve(pen.size() * records + 32);
    for (int i = 0; i < records; ++i)
        r += pen;
    r += wmfRecord(0x041B, {50, 50, 0, 0});
    return wmfFrame(r, 100, objects);
}

QByteArray wmfBitmaps(int records, int w, int h) {
    const QByteArray blt = wmfRecord(0x0F43, {0x0020, 0x00CC, 0, h, w, 0, 0, 100, 100, 0, 0}, rleDib(w, h));
    QByteArray r;
    for (int i = 0; i < records; ++i)
        r += blt;
    return wmfFrame(r, 100, 16);
}

QByteArray wmfFills(int records, int side) {
    QByteArray r = wmfRecord(0x02FC, {2, 0xFF, 0, 5}); // a hatched brush: each pixel is worked out
    r += wmfRecord(0x012D, {0});
    const QByteArray fill = wmfRecord(0x041B, {side, side, 0, 0});
    for (int i = 0; i < records; ++i)
        r += fill;
    return wmfFrame(r, side, 16);
}

QByteArray wmfZigzags(int records, int points) {
    QByteArray r = wmfRecord(0x02FC, {0, 0xFF, 0, 0});
    r += wmfRecord(0x012D, {0});
    QByteArray poly;
    put32(poly, 3 + 1 + 2 * points);
    put16(poly, 0x0324);
    put16(poly, points);
    for (int i = 0; i < points; ++i) {
        put16(poly, i * 4096 / points);
        put16(poly, (i % 2) * 4096);
    }
    for (int i = 0; i < records; ++i)
        r += poly;
    return wmfFrame(r, 4096, 16);
}

QByteArray emfBrushes(int records, int handles) {
    QByteArray r;
    for (int i = 0; i < records; ++i)
        r += emfRecord(39, {i + 1, 0, 0xFF, 0});
    return emfWith(100, r, records, handles);
}

QByteArray emfBitmaps(int records, int w, int h) {
    const QByteArray dib = rleDib(w, h);
    const QByteArray blt = emfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, w, h, 80, 48, 128, dib.size() - 48, 0,
                                          0x00CC0020, 100, 100},
                                     dib);
    QByteArray r;
    for (int i = 0; i < records; ++i)
        r += blt;
    return emfWith(100, r, records, 16);
}

QByteArray emfFills(int records, int side) {
    QByteArray r = emfRecord(39, {1, 2, 0xFF, 5});
    r += emfRecord(37, {1});
    const QByteArray fill = emfRecord(43, {0, 0, side, side});
    for (int i = 0; i < records; ++i)
        r += fill;
    return emfWith(side, r, records + 2, 16);
}

QByteArray jpegProgressiveClaiming(int w, int h) {
    return samples::withJpegFrameSize(jpegProgressive(16, 16, 3, nullptr), w, h);
}

QByteArray jpegManyScans(int w, int h) {
    std::vector<jpeg_scan_info> scans;
    scans.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k < 64; ++k) {
        scans.push_back({1, {0}, k, k, 0, 10});
        for (int al = 9; al >= 0; --al)
            scans.push_back({1, {0}, k, k, al + 1, al});
    }
    return jpegProgressive(w, h, 1, &scans);
}

QByteArray bmpRle(int w, int h) {
    const QByteArray dib = rleDib(w, h);
    QByteArray b("BM");
    put32(b, 14 + dib.size());
    put32(b, 0);
    put32(b, 14 + 40 + 8);
    return b + dib;
}

QByteArray icoManyEntries(int entries) {
    const QByteArray ico = samples::icoWithBitmap(16, 24);
    return icoEntries(entries, 16, 16, 24, ico.mid(22));
}

QByteArray icoRle(int w, int h) {
    QByteArray dib = rleDib(w, h * 2);
    return icoEntries(1, w, h, 8, dib);
}

QByteArray icoHolding(const QByteArray& png) { return icoEntries(1, 1, 1, 32, png); }

} // namespace bombs
