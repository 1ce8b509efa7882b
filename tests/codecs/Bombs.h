#pragma once
// Hostile picture files, made on the spot: small files that claim or unpack far more than they hold, or
// that make a decoder repeat work. Each takes its scale, so that the tests and the fuzz corpora use small
// ones and the benchmark large ones.
#include <QByteArray>
#include <QString>

#include <vector>

namespace bombs {

// A 1 x 1 PNG with `chunks` ancillary chunks of `type` ("zTXt", "iTXt" compressed, or "tEXt"), each
// holding a text of `textBytes` bytes (compressed, for the first two).
QByteArray pngText(const char* type, int chunks, qint64 textBytes);
// A 1 x 1 PNG whose image data unpacks to `extraBytes` more than the picture needs.
QByteArray pngLongImageData(qint64 extraBytes);

// A placeable WMF of `records` CreatePenIndirect records, its header declaring `objects` table entries.
QByteArray wmfPens(int records, int objects);
// A WMF of `records` StretchDib records, each with a compressed bitmap of a few bytes claiming w x h.
QByteArray wmfBitmaps(int records, int w, int h);
// A WMF of `side` x `side` pixels filled by `records` rectangles that each cover all of it.
QByteArray wmfFills(int records, int side);

// A WMF of 4096 x 4096 pixels holding `records` polygons of `points` points zigzagging from its top to
// its bottom: every row crosses every edge.
QByteArray wmfZigzags(int records, int points);

// An EMF of `records` CreateBrushIndirect records with distinct indices, its header declaring `handles`.
QByteArray emfBrushes(int records, int handles);
// An EMF of `records` StretchDIBits records, each with a compressed bitmap of a few bytes claiming w x h.
QByteArray emfBitmaps(int records, int w, int h);
// An EMF of `side` x `side` pixels filled by `records` rectangles that each cover all of it.
QByteArray emfFills(int records, int side);

// A progressive JPEG claiming w x h pixels in three full-resolution components (its data is for 16 x 16).
QByteArray jpegProgressiveClaiming(int w, int h);
// A flat grey progressive JPEG of w x h pixels in about 700 scans, each refining one bit of one coefficient.
QByteArray jpegManyScans(int w, int h);

// A bitmap compressed with RLE8 claiming w x h pixels, its data a single end-of-bitmap code.
QByteArray bmpRle(int w, int h);
// An icon with `entries` directory entries, all naming the same 16 x 16 bitmap.
QByteArray icoManyEntries(int entries);
// An icon whose one entry is an RLE8 bitmap claiming w x h.
QByteArray icoRle(int w, int h);
// An icon whose one entry is `png`.
QByteArray icoHolding(const QByteArray& png);

} // namespace bombs
