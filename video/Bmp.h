#pragma once
// The 24-bit bitmap file a single frame is saved as.
#include <QByteArray>

#include <cstdint>

namespace bmp {

// A whole BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER, 24 bits, bottom-up rows padded to 4 bytes) from
// 32-bit pixels in memory order B, G, R, unused.
QByteArray fromBgrx(const std::uint8_t* pixels, int width, int height, int stride);

} // namespace bmp
