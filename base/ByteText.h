#pragma once
// A length-counted byte text of fixed capacity, as the experiment record stores its fields.
#include "base/Gbk.h"

#include <QByteArray>

template <int Capacity> class ByteText {
public:
    static constexpr int capacity = Capacity;

    ByteText() = default;

    // Stores at most Capacity bytes; a cut never leaves half a double-byte character behind.
    void assign(QByteArrayView bytes) { bytes_ = QByteArray(bytes.data(), gbk::safeCutLength(bytes, Capacity)); }
    void clear() { bytes_.clear(); }

    const QByteArray& bytes() const { return bytes_; }
    QString toString() const { return gbk::decode(bytes_); }
    bool isEmpty() const { return bytes_.isEmpty(); }
    int size() const { return static_cast<int>(bytes_.size()); }

    bool operator==(const ByteText&) const = default;

private:
    QByteArray bytes_;
};
