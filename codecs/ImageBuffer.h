#pragma once
// Pixel buffers for decoded pictures. Large ones are placed on huge pages where the system offers them:
// a 12-megapixel picture then costs two dozen page faults instead of twelve thousand.
#include <QImage>

namespace codecs {

// A w x h picture of a 32-bit format, uninitialised; null when the memory cannot be had.
QImage allocateImage(int width, int height, QImage::Format format);

} // namespace codecs
