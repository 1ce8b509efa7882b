#pragma once
// The board's 16×16 LED matrix: row lines R0 … R15 (high lights; R0 is the top row) and the column
// number C0 … C3 into the board's 4-to-16 decoder, which selects one column (0 is the leftmost) at all
// times. A dot's brightness is the share of the frame it was lit, integrated exactly between changes.
#include "sim/Device.h"

#include <array>
#include <cstdint>

namespace sim {

class LedMatrix : public Device {
public:
    static constexpr int kSize = 16;

    explicit LedMatrix(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

private:
    // Adds the on-time of the lit dots of the selected column up to t.
    void collect(Time t);

    std::uint16_t rows_ = 0; // row lines high, bit r = row r
    int column_ = 0;
    std::array<std::array<Time, kSize>, kSize> onTime_{}; // [row][column], in this frame
    Time since_ = 0; // when the lit dots of the selected column were last collected
    Time frameStart_ = 0;
};

} // namespace sim
