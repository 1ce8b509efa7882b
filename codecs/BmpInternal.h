#pragma once
// Shared by the bitmap and icon decoders: a checked bitmap read with the format name for its errors.
#include <QByteArrayView>
#include <QImage>

namespace codecs::detail {

// Decodes a whole bitmap file (header "BM"); errors start with `format` ("BMP", "ICO").
QImage decodeBitmapFile(QByteArrayView bytes, const char* format);

} // namespace codecs::detail

namespace codecs::detail {

// Decodes a device-independent bitmap (info header, colour table, pixels) as embedded in metafiles.
QImage decodeDib(QByteArrayView dib, const char* format);

} // namespace codecs::detail
