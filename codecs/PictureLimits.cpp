#include "codecs/PictureLimits.h"

#include "base/ErrorReport.h"

namespace codecs {

void checkSize(qint64 width, qint64 height, const char* format) {
    if (width <= 0 || height <= 0)
        throw Error(QStringLiteral("%1 error: invalid picture size %2 x %3").arg(format).arg(width).arg(height));
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        throw Error(QStringLiteral("%1 error: picture too large (%2 x %3 pixels; at most %4 pixels a side and %5 "
                                   "pixels in all)")
                        .arg(format)
                        .arg(width)
                        .arg(height)
                        .arg(kMaxSide)
                        .arg(kMaxPixels));
}

} // namespace codecs
