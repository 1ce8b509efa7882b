#pragma once
// The free entries of a metafile's object table, of the size its header declares. The lowest free entry is
// found in constant time (two levels of bit masks), so a file that creates objects by the ten thousand
// costs time in proportion to its length.
#include <cstdint>
#include <vector>

namespace codecs::metafile {

class ObjectSlots {
public:
    explicit ObjectSlots(uint32_t count = 0);
    uint32_t count() const { return count_; }
    // Takes the lowest free entry; -1 when every entry is in use.
    int64_t takeLowest();
    // Frees an entry; entries out of range or already free are left alone.
    void release(uint32_t slot);

private:
    uint32_t count_ = 0;
    std::vector<uint64_t> free_;    // one bit an entry, set while the entry is free
    std::vector<uint64_t> summary_; // one bit a word of free_, set while that word has a free entry
};

} // namespace codecs::metafile
