#include "codecs/ImageBuffer.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace codecs {

namespace {

constexpr size_t kHugePage = 2u * 1024 * 1024;
constexpr size_t kHugeFrom = 8u * 1024 * 1024; // smaller pictures gain nothing

void release(void* p) { std::free(p); }

} // namespace

QImage allocateImage(int width, int height, QImage::Format format) {
    const size_t bytesPerLine = size_t(width) * 4;
    const size_t bytes = bytesPerLine * size_t(height);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (width > 0 && height > 0 && bytes >= kHugeFrom) {
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (void* p = std::aligned_alloc(kHugePage, rounded)) {
            madvise(p, rounded, MADV_HUGEPAGE);
            return QImage(static_cast<uchar*>(p), width, height, qsizetype(bytesPerLine), format, release, p);
        }
        return {};
    }
#endif
    return QImage(width, height, format);
}

} // namespace codecs
