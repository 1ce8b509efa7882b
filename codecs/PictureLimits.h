#pragma once
// Limits every decoder checks against a picture's declared size before it allocates pixels, so a hostile
// header cannot make the program reserve gigabytes.
#include <QtGlobal>

namespace codecs {

inline constexpr qint64 kMaxSide = 32767;               // longest side in pixels (QImage's own bound)
inline constexpr qint64 kMaxPixels = 64LL * 1024 * 1024; // 256 MiB at four bytes a pixel

// Raises Error when a picture of w x h pixels is empty, negative or beyond the limits.
void checkSize(qint64 width, qint64 height, const char* format);

} // namespace codecs
