#include "viewers/PictureBox.h"

#include "viewers/FitRule.h"

#include <QPainter>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The average of four pixels, each channel rounded; channels are summed two at a time in 16-bit lanes.
inline uint32_t average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    constexpr uint32_t m = 0x00FF00FF;
    const uint32_t lo = (((a & m) + (b & m) + (c & m) + (d & m) + 0x00020002u) >> 2) & m;
    const uint32_t hi = ((((a >> 8) & m) + ((b >> 8) & m) + ((c >> 8) & m) + ((d >> 8) & m) + 0x00020002u) >> 2) & m;
    return lo | (hi << 8);
}

QImage halve(const QImage& src) {
    const int w = qMax(1, src.width() / 2), h = qMax(1, src.height() / 2);
    QImage dst(w, h, src.format());
    if (dst.isNull())
        return dst;
    const int sx1 = src.width() > 1 ? 1 : 0, sy1 = src.height() > 1 ? 1 : 0;
    for (int y = 0; y < h; ++y) {
        const auto* r0 = reinterpret_cast<const uint32_t*>(src.constScanLine(2 * y));
        const auto* r1 = reinterpret_cast<const uint32_t*>(src.constScanLine(2 * y + sy1));
        auto* out = reinterpret_cast<uint32_t*>(dst.scanLine(y));
        int x = 0;
#if defined(__SSE2__)
        // Four output pixels at a time: rows averaged, then neighbouring columns (rounding up by at most 1).
        if (sx1)
            for (; x + 4 <= w; x += 4) {
                const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 2 * x));
                const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 2 * x + 4));
                const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 2 * x));
                const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 2 * x + 4));
                const __m128 v0 = _mm_castsi128_ps(_mm_avg_epu8(a0, b0));
                const __m128 v1 = _mm_castsi128_ps(_mm_avg_epu8(a1, b1));
                const __m128i even = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)));
                const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_avg_epu8(even, odd));
            }
#endif
        for (; x < w; ++x) {
            const int x0 = 2 * x, x1 = 2 * x + sx1;
            out[x] = average4(r0[x0], r0[x1], r1[x0], r1[x1]);
        }
    }
    return dst;
}

} // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("Image1")); }

void TImage::setPicture(QImage picture) {
    const QImage::Format target = picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (picture.format() != target)
        picture.convertTo(target);
    picture_ = std::move(picture);
    halves_.clear();
    refit();
}

const QImage& TImage::sourceFor(QSize drawn) {
    // The smallest copy still at least as large as the drawn size: shrinking it further reads at most
    // four source pixels for each drawn one.
    const QImage* best = &picture_;
    for (size_t i = 0;; ++i) {
        const QSize next(qMax(1, best->width() / 2), qMax(1, best->height() / 2));
        if (next.width() < drawn.width() || next.height() < drawn.height() || next == best->size())
            return *best;
        if (i == halves_.size())
            halves_.push_back(halve(*best));
        if (halves_[i].isNull())
            return *best;
        best = &halves_[i];
    }
}

void TImage::refit() {
    drawn_ = viewers::fitPicture(picture_.size(), size());
    fitted_ = QImage();
    if (!drawn_.isEmpty() && drawn_.size() != picture_.size()) {
        const QImage& source = sourceFor(drawn_.size());
        fitted_ = source.size() == drawn_.size()
                      ? source
                      : source.scaled(drawn_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    update();
}

void TImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    refit();
}

void TImage::paintEvent(QPaintEvent*) {
    if (drawn_.isEmpty())
        return;
    QPainter painter(this);
    painter.drawImage(drawn_.topLeft(), fittedPicture());
}
