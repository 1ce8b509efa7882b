#pragma once
// Picture files made on the spot for the codec and viewer tests: sound ones of every format, and the
// metafile record writers the damaged and hostile variants are built from.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>

#include <cstdint>
#include <initializer_list>

namespace samples {

// Little-endian words as the picture formats store them.
void put16(QByteArray& b, int v);
void put32(QByteArray& b, int64_t v);

// A w x h picture: left half red, right half blue (easy to check after lossy coding and scaling).
QImage halves(int w, int h);

QByteArray jpeg(int w, int h);
QByteArray png(const QImage& image);
QByteArray bmp(const QImage& image);
// An icon whose largest entry is a PNG, or a 32-bit bitmap, or a 24-bit bitmap with a mask making the
// left column of pixels transparent.
QByteArray icoWithPng(const QImage& image);
QByteArray icoWithBitmap(int size, int bpp, int alpha = 0xFF);

// Windows metafile records: each parameter one 16-bit word, in the order stored.
class Wmf {
public:
    void record(uint16_t function, std::initializer_list<int> words, const QByteArray& tail = {});
    void colorRef(uint16_t function, QRgb rgb, std::initializer_list<int> before = {}, std::initializer_list<int> after = {});
    QByteArray finish(QRect bounds, int unitsPerInch, bool placeable = true) const;

private:
    QByteArray records_;
    int maxRecord_ = 0;
};

// Enhanced metafile records: each parameter one 32-bit word. The picture is `size` pixels at 96 dpi,
// logical units being its pixels.
class Emf {
public:
    explicit Emf(QSize size) : size_(size) {}
    void record(uint32_t type, std::initializer_list<int64_t> words, const QByteArray& tail = {});
    QByteArray finish() const;
    // The header alone, with its frame and device fields as given, for hostile-header tests.
    static QByteArray header(QRect bounds, QRect frameHundredthsMm, QSize device, QSize millimetres, uint32_t bytes,
                             uint32_t records);

private:
    QSize size_;
    QByteArray records_;
    int count_ = 0;
};

// A device-independent bitmap (info header and bottom-up 24-bit rows) of one colour.
QByteArray dib24(int w, int h, QColor colour);

inline constexpr QRgb kRef(int r, int g, int b) { return QRgb(r | (g << 8) | (b << 16)); } // 0x00BBGGRR

// Damaged variants.
QByteArray truncated(const QByteArray& bytes, double keep = 0.5);
QByteArray patched(QByteArray bytes, qsizetype at, std::initializer_list<uint8_t> values);

// Headers claiming width x height pixels.
// A JPEG (baseline or progressive) with its frame header's size replaced.
QByteArray withJpegFrameSize(QByteArray jpeg, int w, int h);
QByteArray jpegClaiming(int w, int h);
QByteArray pngClaiming(uint32_t w, uint32_t h);
QByteArray bmpClaiming(int32_t w, int32_t h);
QByteArray icoClaiming(int32_t w, int32_t h);

} // namespace samples
