#include "base/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QByteArray encode(QStringView text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

// Whether the text ends in the lead byte of a double-byte character whose second byte is missing.
static bool endsInLoneLeadByte(QByteArrayView bytes) {
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        if (isLeadByte(static_cast<unsigned char>(bytes[i]))) {
            if (i + 1 == n)
                return true;
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}

QString decode(QByteArrayView bytes) {
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    // The decoder would drop a cut-off last character silently; it shows as a replacement character instead.
    if (endsInLoneLeadByte(bytes))
        return QString(decoder.decode(bytes.chopped(1))) + QChar(QChar::ReplacementCharacter);
    return decoder.decode(bytes);
}

qsizetype safeCutLength(QByteArrayView bytes, qsizetype capacity) {
    if (bytes.size() <= capacity)
        return bytes.size();
    qsizetype i = 0;
    while (i < capacity) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const qsizetype width = (isLeadByte(b) && i + 1 < bytes.size()) ? 2 : 1;
        if (i + width > capacity)
            break;
        i += width;
    }
    return i;
}

static const char kBom[] = "\xEF\xBB\xBF";

namespace {

struct Range {
    char32_t first, last;
};

// The blocks whose characters make a file clearly UTF-8 (see looksLikeUtf8).
constexpr Range kThreeByteRanges[] = {
    {0x2000, 0x2BFF}, {0x3000, 0x33FF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}, {0xFE10, 0xFE6F}, {0xFF00, 0xFFEF},
};
constexpr Range kFourByteRanges[] = {{0x1F000, 0x1FAFF}, {0x20000, 0x323AF}};

template <size_t N> bool inRanges(char32_t cp, const Range (&ranges)[N]) {
    for (const Range& r : ranges)
        if (cp >= r.first && cp <= r.last)
            return true;
    return false;
}

} // namespace

bool looksLikeUtf8(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView(kBom, 3)))
        return true;
    bool threeByte = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false; // a two-byte sequence or a byte that starts none
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms and surrogates fall outside the ranges.
        if (extra == 2) {
            if (!inRanges(cp, kThreeByteRanges))
                return false;
            threeByte = true;
        } else if (!inRanges(cp, kFourByteRanges)) {
            return false;
        }
        i += extra + 1;
    }
    return threeByte;
}

QString decodeSource(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView(kBom, 3)))
        return QString::fromUtf8(bytes.sliced(3));
    if (looksLikeUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decode(bytes);
}

} // namespace gbk
