#include "video/Bmp.h"

#include <QtEndian>

#include <cstring>

namespace bmp {

namespace {

void put16(char* p, std::uint16_t v) { qToLittleEndian(v, p); }
void put32(char* p, std::uint32_t v) { qToLittleEndian(v, p); }

} // namespace

QByteArray fromBgrx(const std::uint8_t* pixels, int width, int height, int stride) {
    if (width <= 0 || height <= 0 || !pixels)
        return {};
    const int rowBytes = (width * 3 + 3) & ~3;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes) * static_cast<std::uint32_t>(height);
    constexpr int headers = 14 + 40;
    QByteArray out(headers + static_cast<qsizetype>(imageSize), '\0');
    char* d = out.data();
    d[0] = 'B';
    d[1] = 'M';
    put32(d + 2, headers + imageSize);
    put32(d + 10, headers);
    put32(d + 14, 40);
    put32(d + 18, static_cast<std::uint32_t>(width));
    put32(d + 22, static_cast<std::uint32_t>(height)); // positive: bottom-up
    put16(d + 26, 1);
    put16(d + 28, 24);
    put32(d + 30, 0); // BI_RGB
    put32(d + 34, imageSize);
    put32(d + 38, 2835); // 72 dpi
    put32(d + 42, 2835);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = pixels + static_cast<std::ptrdiff_t>(height - 1 - y) * stride;
        auto* dst = reinterpret_cast<std::uint8_t*>(d + headers + static_cast<std::ptrdiff_t>(y) * rowBytes);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
    }
    return out;
}

} // namespace bmp
