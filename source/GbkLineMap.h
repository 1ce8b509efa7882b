#pragma once
// The editor holds its text in UTF-8; the highlighter scans GBK bytes. One line at a time, this map converts
// the editor's bytes to GBK and remembers where every GBK byte's character starts in the UTF-8 text, so token
// ranges found in GBK can be styled in the editor. Buffers are kept between lines.
#include <QByteArrayView>
#include <QStringEncoder>

#include <cstdint>
#include <memory>
#include <vector>

class GbkLineMap {
public:
    GbkLineMap();

    void build(const char* utf8, int length);

    QByteArrayView gbk() const { return {gbk_.data(), static_cast<qsizetype>(gbk_.size())}; }
    // The UTF-8 offset of the character holding GBK byte `gbkOffset` (0 .. gbk().size()).
    int utf8Offset(int gbkOffset) const { return map_[static_cast<size_t>(gbkOffset)]; }

private:
    std::uint16_t encodeBmp(char16_t ch);

    std::vector<char> gbk_;
    std::vector<int> map_;
    QStringEncoder encoder_;
    // GBK form of each BMP character once looked up: 0 unknown, below 0x100 one byte, else lead << 8 | trail.
    std::unique_ptr<std::uint16_t[]> cache_;
};
