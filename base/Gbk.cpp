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

bool looksLikeUtf8(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView(kBom, 3)))
        return true;
    bool nonAscii = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        int extra;
        unsigned int cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return nonAscii;
}

QString decodeSource(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView(kBom, 3)))
        return QString::fromUtf8(bytes.sliced(3));
    if (looksLikeUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decode(bytes);
}

} // namespace gbk
