#include "codecs/ObjectSlots.h"

#include <bit>
#include <cstddef>

namespace codecs::metafile {

ObjectSlots::ObjectSlots(uint32_t count) : count_(count) {
    free_.assign((std::size_t(count) + 63) / 64, ~uint64_t(0));
    if (count % 64)
        free_.back() = (uint64_t(1) << (count % 64)) - 1;
    summary_.assign((free_.size() + 63) / 64, ~uint64_t(0));
    if (free_.size() % 64)
        summary_.back() = (uint64_t(1) << (free_.size() % 64)) - 1;
}

int64_t ObjectSlots::takeLowest() {
    for (std::size_t s = 0; s < summary_.size(); ++s) { // at most 16 words for the largest table a header can declare
        if (!summary_[s])
            continue;
        const std::size_t word = s * 64 + std::size_t(std::countr_zero(summary_[s]));
        const int bit = std::countr_zero(free_[word]);
        free_[word] &= free_[word] - 1;
        if (!free_[word])
            summary_[s] &= ~(uint64_t(1) << (word % 64));
        return int64_t(word * 64 + std::size_t(bit));
    }
    return -1;
}

void ObjectSlots::release(uint32_t slot) {
    if (slot >= count_)
        return;
    const std::size_t word = slot / 64;
    free_[word] |= uint64_t(1) << (slot % 64);
    summary_[word / 64] |= uint64_t(1) << (word % 64);
}

} // namespace codecs::metafile
