#pragma once
// One decoder for each picture format the program shows. Each takes the whole file's bytes, returns a
// picture in a 32-bit format (RGB32 or ARGB32) and raises Error with its own text when the bytes cannot
// be decoded. All of them refuse a declared size beyond PictureLimits.h before allocating pixels.
#include <QByteArrayView>
#include <QImage>

namespace codecs {

// libjpeg; errors read "JPEG error #N" with libjpeg's message number. Data that libjpeg would only warn
// about as corrupt (a truncated file, a bad Huffman code) counts as an error too, so a broken file is
// reported instead of shown half grey.
QImage decodeJpeg(QByteArrayView bytes);
// libpng; errors read "PNG error: <libpng's message>".
QImage decodePng(QByteArrayView bytes);
// Windows bitmaps (checked here, decoded by Qt's reader); errors read "BMP error: ...".
QImage decodeBmp(QByteArrayView bytes);
// Windows icons and cursors: the largest image of the file (PNG or bitmap with its mask); "ICO error: ...".
QImage decodeIco(QByteArrayView bytes);
// Metafiles drawn by our own renderer; "WMF error: ..." / "EMF error: ...".
QImage renderWmf(QByteArrayView bytes);
QImage renderEmf(QByteArrayView bytes);

// Encodes a picture as a baseline JPEG (for pictures the program writes and for tests).
QByteArray encodeJpeg(const QImage& image, int quality = 90);

} // namespace codecs
