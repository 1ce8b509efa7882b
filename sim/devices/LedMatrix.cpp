#include "sim/devices/LedMatrix.h"

#include <algorithm>

namespace sim {

namespace {
// Pins: R0 … R15, C0 … C3.
constexpr int kC0 = LedMatrix::kSize;

std::vector<PinSpec> matrixPins() {
    std::vector<PinSpec> pins;
    for (int i = 0; i < LedMatrix::kSize; ++i)
        pins.push_back({"R" + std::to_string(i), PinDir::In});
    for (int i = 0; i < 4; ++i)
        pins.push_back({"C" + std::to_string(i), PinDir::In});
    return pins;
}
} // namespace

LedMatrix::LedMatrix(std::string name) : Device(std::move(name), matrixPins()) {}

void LedMatrix::reset(Time t) {
    rows_ = 0;
    column_ = 0;
    for (int r = 0; r < kSize; ++r)
        rows_ |= std::uint16_t(high(r)) << r;
    for (int i = 0; i < 4; ++i)
        column_ |= int(high(kC0 + i)) << i;
    for (auto& row : onTime_)
        row.fill(0);
    since_ = frameStart_ = t;
}

void LedMatrix::collect(Time t) {
    const Time span = t - since_;
    since_ = t;
    if (span <= 0)
        return;
    for (std::uint16_t lit = rows_; lit; lit &= std::uint16_t(lit - 1))
        onTime_[std::size_t(__builtin_ctz(lit))][std::size_t(column_)] += span;
}

void LedMatrix::input(int pin, Time t) {
    if (pin < 0 || pin >= kC0 + 4)
        return;
    const bool h = high(pin);
    if (pin < kC0) {
        const std::uint16_t bit = std::uint16_t(1u << pin);
        const std::uint16_t rows = h ? rows_ | bit : rows_ & ~bit;
        if (rows == rows_)
            return;
        collect(t);
        rows_ = rows;
    } else {
        const int bit = 1 << (pin - kC0);
        const int column = h ? column_ | bit : column_ & ~bit;
        if (column == column_)
            return;
        collect(t);
        column_ = column;
    }
}

void LedMatrix::show(Snapshot& snapshot, Time t, Time frame) {
    collect(t);
    const Time length = t > frameStart_ ? t - frameStart_ : frame;
    snapshot.matrix.assign(kSize, std::vector<double>(kSize, 0.0));
    for (int r = 0; r < kSize; ++r)
        for (int c = 0; c < kSize; ++c) {
            const Time on = onTime_[std::size_t(r)][std::size_t(c)];
            snapshot.matrix[std::size_t(r)][std::size_t(c)] =
                length > 0 ? std::clamp(double(on) / double(length), 0.0, 1.0)
                           : double(c == column_ && (rows_ >> r & 1));
            onTime_[std::size_t(r)][std::size_t(c)] = 0;
        }
    frameStart_ = t;
}

} // namespace sim
