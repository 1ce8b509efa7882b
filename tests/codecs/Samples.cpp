#include "tests/codecs/Samples.h"

#include "codecs/Decoders.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

#include <zlib.h>

namespace samples {

void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& b, int64_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

namespace {

QByteArray save(const QImage& image, const char* format) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

} // namespace

QImage halves(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h, Qt::red);
    return image;
}

QByteArray jpeg(int w, int h) { return codecs::encodeJpeg(halves(w, h), 90); }
QByteArray png(const QImage& image) { return save(image, "PNG"); }
QByteArray bmp(const QImage& image) { return save(image, "BMP"); }

static QByteArray icoDirectory(int w, int h, int bpp, const QByteArray& data) {
    QByteArray b;
    put16(b, 0);
    put16(b, 1);
    put16(b, 1);
    b.append(char(w >= 256 ? 0 : w));
    b.append(char(h >= 256 ? 0 : h));
    b.append(char(0));
    b.append(char(0));
    put16(b, 1);
    put16(b, bpp);
    put32(b, data.size());
    put32(b, 22);
    return b + data;
}

QByteArray icoWithPng(const QImage& image) { return icoDirectory(image.width(), image.height(), 32, png(image)); }

QByteArray icoWithBitmap(int size, int bpp, int alpha) {
    QByteArray dib;
    put32(dib, 40);
    put32(dib, size);
    put32(dib, size * 2);
    put16(dib, 1);
    put16(dib, bpp);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    const int stride = ((size * bpp + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
        QByteArray row;
        for (int x = 0; x < size; ++x) { // green, opaque where 32-bit
            row.append(char(0));
            row.append(char(0xFF));
            row.append(char(0));
            if (bpp == 32)
                row.append(char(alpha));
        }
        row.resize(stride, '\0');
        dib += row;
    }
    const int maskStride = ((size + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
        QByteArray row(maskStride, '\0');
        row[0] = char(0x80); // the left column is transparent
        dib += row;
    }
    return icoDirectory(size, size, bpp, dib);
}

void Wmf::record(uint16_t function, std::initializer_list<int> words, const QByteArray& tail) {
    const int size = 3 + int(words.size()) + int((tail.size() + 1) / 2);
    put32(records_, size);
    put16(records_, function);
    for (int w : words)
        put16(records_, w);
    records_ += tail;
    if (tail.size() % 2)
        records_.append('\0');
    maxRecord_ = qMax(maxRecord_, size);
}

void Wmf::colorRef(uint16_t function, QRgb rgb, std::initializer_list<int> before, std::initializer_list<int> after) {
    QByteArray tail;
    for (int w : before)
        put16(tail, w);
    put32(tail, rgb);
    for (int w : after)
        put16(tail, w);
    record(function, {}, tail);
}

QByteArray Wmf::finish(QRect bounds, int unitsPerInch, bool placeable) const {
    QByteArray b;
    if (placeable) {
        put32(b, int64_t(0x9AC6CDD7));
        put16(b, 0);
        put16(b, bounds.left());
        put16(b, bounds.top());
        put16(b, bounds.left() + bounds.width());
        put16(b, bounds.top() + bounds.height());
        put16(b, unitsPerInch);
        put32(b, 0);
        uint16_t sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= qFromLittleEndian<uint16_t>(b.constData() + i);
        put16(b, sum);
    }
    QByteArray body = records_;
    put32(body, 3);
    put16(body, 0); // end of file
    put16(b, 1);
    put16(b, 9);
    put16(b, 0x0300);
    put32(b, (18 + body.size()) / 2);
    put16(b, 16);
    put32(b, qMax(maxRecord_, 3));
    put16(b, 0);
    return b + body;
}

void Emf::record(uint32_t type, std::initializer_list<int64_t> words, const QByteArray& tail) {
    QByteArray r;
    put32(r, type);
    put32(r, 8 + int(words.size()) * 4 + ((tail.size() + 3) / 4) * 4);
    for (int64_t w : words)
        put32(r, w);
    r += tail;
    while (r.size() % 4)
        r.append('\0');
    records_ += r;
    ++count_;
}

QByteArray Emf::header(QRect bounds, QRect frame, QSize device, QSize mm, uint32_t bytes, uint32_t records) {
    QByteArray h;
    put32(h, 1);
    put32(h, 88);
    for (int v : {bounds.left(), bounds.top(), bounds.right(), bounds.bottom(), frame.left(), frame.top(),
                  frame.left() + frame.width(), frame.top() + frame.height()})
        put32(h, v);
    put32(h, 0x464D4520);
    put32(h, 0x10000);
    put32(h, bytes);
    put32(h, records);
    put16(h, 16);
    put16(h, 0);
    put32(h, 0);
    put32(h, 0);
    put32(h, 0);
    put32(h, device.width());
    put32(h, device.height());
    put32(h, mm.width());
    put32(h, mm.height());
    return h;
}

QByteArray Emf::finish() const {
    // 960 pixels in 254 mm: 96 dpi, so a hundredth of a millimetre is 96 / 2540 pixels.
    const QRect frame(0, 0, qRound(size_.width() * 2540.0 / 96), qRound(size_.height() * 2540.0 / 96));
    QByteArray eof;
    put32(eof, 14);
    put32(eof, 20);
    put32(eof, 0);
    put32(eof, 0);
    put32(eof, 20);
    const uint32_t total = uint32_t(88 + records_.size() + eof.size());
    return header(QRect(QPoint(0, 0), size_), frame, QSize(960, 960), QSize(254, 254), total, count_ + 2) + records_ +
           eof;
}

QByteArray dib24(int w, int h, QColor colour) {
    QByteArray d;
    put32(d, 40);
    put32(d, w);
    put32(d, h);
    put16(d, 1);
    put16(d, 24);
    for (int i = 0; i < 6; ++i)
        put32(d, 0);
    const int stride = ((w * 24 + 31) / 32) * 4;
    for (int y = 0; y < h; ++y) {
        QByteArray row;
        for (int x = 0; x < w; ++x) {
            row.append(char(colour.blue()));
            row.append(char(colour.green()));
            row.append(char(colour.red()));
        }
        row.resize(stride, '\0');
        d += row;
    }
    return d;
}

QByteArray truncated(const QByteArray& bytes, double keep) { return bytes.left(qsizetype(bytes.size() * keep)); }

QByteArray patched(QByteArray bytes, qsizetype at, std::initializer_list<uint8_t> values) {
    for (uint8_t v : values)
        if (at < bytes.size())
            bytes[at++] = char(v);
    return bytes;
}

QByteArray withJpegFrameSize(QByteArray jpeg, int w, int h) {
    // The frame header: FF Cn (baseline C0, progressive C2), length, precision, height, width.
    for (const char* marker : {"\xFF\xC0", "\xFF\xC2"}) {
        const qsizetype sof = jpeg.indexOf(marker);
        if (sof >= 0 && sof + 8 < jpeg.size())
            return patched(jpeg, sof + 5, {uint8_t(h >> 8), uint8_t(h & 0xFF), uint8_t(w >> 8), uint8_t(w & 0xFF)});
    }
    return jpeg;
}

QByteArray jpegClaiming(int w, int h) { return withJpegFrameSize(jpeg(16, 16), w, h); }

QByteArray pngClaiming(uint32_t w, uint32_t h) {
    QByteArray b = png(halves(16, 16));
    // IHDR data starts at 16; its CRC covers the type and the data (bytes 12..28).
    qToBigEndian<uint32_t>(w, b.data() + 16);
    qToBigEndian<uint32_t>(h, b.data() + 20);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(b.constData() + 12), 17);
    qToBigEndian<uint32_t>(uint32_t(crc), b.data() + 29);
    return b;
}

QByteArray bmpClaiming(int32_t w, int32_t h) {
    QByteArray b = bmp(halves(16, 16));
    qToLittleEndian<int32_t>(w, b.data() + 18);
    qToLittleEndian<int32_t>(h, b.data() + 22);
    return b;
}

QByteArray icoClaiming(int32_t w, int32_t h) {
    QByteArray b = icoWithBitmap(16, 32);
    qToLittleEndian<int32_t>(w, b.data() + 22 + 4);
    qToLittleEndian<int32_t>(h * 2, b.data() + 22 + 8);
    return b;
}

} // namespace samples
