#include "source/GbkLineMap.h"

GbkLineMap::GbkLineMap()
    : encoder_("GBK", QStringConverter::Flag::Stateless), cache_(new std::uint16_t[65536]()) {}

std::uint16_t GbkLineMap::encodeBmp(char16_t ch) {
    std::uint16_t& slot = cache_[ch];
    if (slot == 0) {
        char out[8];
        const char* end = encoder_.appendToBuffer(out, QStringView(&ch, 1));
        const auto n = end - out;
        const auto b0 = static_cast<unsigned char>(out[0]);
        if (n == 2)
            slot = static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(out[1]));
        else if (n == 1 && b0 != 0)
            slot = b0;
        else
            slot = '?'; // nothing in GBK for it
    }
    return slot;
}

void GbkLineMap::build(const char* utf8, int length) {
    gbk_.clear();
    map_.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    int i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        const int start = i;
        if (c < 0x80) {
            gbk_.push_back(static_cast<char>(c));
            map_.push_back(start);
            ++i;
            continue;
        }
        // Decode one UTF-8 sequence; a broken one counts as one unknown character.
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        std::uint32_t cp = extra == 3 ? (c & 0x07u) : extra == 2 ? (c & 0x0Fu) : (c & 0x1Fu);
        bool ok = extra > 0;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= length || (p[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i + k] & 0x3Fu);
        }
        if (!ok) {
            gbk_.push_back('?');
            map_.push_back(start);
            ++i;
            continue;
        }
        i += extra + 1;
        const std::uint16_t code = cp < 0x10000 ? encodeBmp(static_cast<char16_t>(cp)) : std::uint16_t('?');
        if (code >= 0x100) {
            gbk_.push_back(static_cast<char>(code >> 8));
            gbk_.push_back(static_cast<char>(code & 0xFF));
            map_.push_back(start);
            map_.push_back(start);
        } else {
            gbk_.push_back(static_cast<char>(code));
            map_.push_back(start);
        }
    }
    map_.push_back(length);
}
