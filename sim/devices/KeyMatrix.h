#pragma once
// The board's matrix keyboard: column lines X0 … X7 (driven by the program, one low at a time while it
// scans) and row lines Y0 … Y3 (pulled up; a pressed key joins its row to its column, so the row reads
// low while that column is low). Keys are named by the captions the board draws; which key sits at
// which row and column is a table (the circuit file's "keys", else the QK740X's hexadecimal pad).
#include "sim/Device.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class KeyMatrix : public Device {
public:
    static constexpr int kRows = 4;
    static constexpr int kColumns = 8;

    // The QK740X's pad as keypad.asm's key table reads it: row by row, columns left to right.
    static const std::vector<std::string>& defaultLayout();

    // `layout`: one string a row (Y0 first), the captions of its keys from column X0 on, separated by
    // blanks; "-" where no key sits. Throws std::invalid_argument (Chinese) on more than 4 rows or 8
    // columns or a caption named twice.
    explicit KeyMatrix(std::string name, const std::vector<std::string>& layout = defaultLayout());

    void reset(Time t) override;
    void input(int pin, Time t) override;
    // "KEY:<caption>": 1 presses the key, 0 releases it.
    bool set(std::string_view setting, double value, Time t) override;

    bool pressed(int row, int column) const { return pressed_[std::size_t(row)] >> column & 1; }

private:
    struct Key {
        std::string caption;
        int row = 0;
        int column = 0;
    };
    void update(Time t);

    std::vector<Key> keys_;
    std::array<std::uint8_t, kRows> pressed_{}; // columns of the pressed keys, per row
    std::uint8_t columnsLow_ = 0;
    std::uint8_t rowsLow_ = 0xFF; // as driven now; 0xFF before the first drive
};

} // namespace sim
