#pragma once
// Bounds-checked little-endian reading of outside data: reading past the end yields zeros and marks the
// reader failed, so a decoder can check once instead of before every field.
#include <QByteArrayView>

#include <cstdint>
#include <cstring>

namespace codecs {

class ByteReader {
public:
    explicit ByteReader(QByteArrayView data, qsizetype pos = 0) : data_(data), pos_(pos) {}

    qsizetype pos() const { return pos_; }
    qsizetype size() const { return data_.size(); }
    qsizetype remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
    bool ok() const { return ok_; }
    bool has(qsizetype n) const { return n >= 0 && pos_ >= 0 && pos_ <= data_.size() && data_.size() - pos_ >= n; }
    void seek(qsizetype pos) {
        if (pos < 0 || pos > data_.size())
            ok_ = false;
        pos_ = pos;
    }
    void skip(qsizetype n) { seek(pos_ + n); }

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // A view of the next n bytes (empty and failed when they are not all there).
    QByteArrayView bytes(qsizetype n) {
        if (!has(n)) {
            ok_ = false;
            pos_ = data_.size();
            return {};
        }
        const QByteArrayView v = data_.sliced(pos_, n);
        pos_ += n;
        return v;
    }

private:
    uint64_t take(int n) {
        if (!has(n)) {
            ok_ = false;
            pos_ = data_.size();
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= uint64_t(static_cast<uint8_t>(data_[pos_ + i])) << (8 * i);
        pos_ += n;
        return v;
    }

    QByteArrayView data_;
    qsizetype pos_;
    bool ok_ = true;
};

} // namespace codecs
