#pragma once
// Shared by the bitmap and icon decoders: a checked bitmap read with the format name for its errors.
#include <QByteArrayView>
#include <QImage>

namespace codecs::detail {

// Decodes a whole bitmap file (header "BM"); errors start with `format` ("BMP", "ICO"). With `pixelsLeft`
// (a bitmap embedded in a metafile) the limits of embedded bitmaps below apply as well.
QImage decodeBitmapFile(QByteArrayView bytes, const char* format, qint64* pixelsLeft = nullptr);

} // namespace codecs::detail

namespace codecs::detail {

// Decodes a device-independent bitmap (info header, colour table, pixels) as embedded in metafiles.
// `pixelsLeft` is what the metafile may still decode: a compressed bitmap of a few bytes can claim
// millions of pixels, and a metafile can hold thousands of them. A bitmap beyond kMaxEmbeddedPixels or
// beyond what is left is an error; what it decodes is taken from `pixelsLeft`.
inline constexpr qint64 kMaxEmbeddedPixels = 8LL * 1024 * 1024;  // 32 MiB at four bytes a pixel
inline constexpr qint64 kMaxEmbeddedTotal = 32LL * 1024 * 1024;  // for all the bitmaps of one metafile
QImage decodeDib(QByteArrayView dib, const char* format, qint64* pixelsLeft);

} // namespace codecs::detail
