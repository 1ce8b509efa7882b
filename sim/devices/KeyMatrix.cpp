#include "sim/devices/KeyMatrix.h"

#include <sstream>
#include <stdexcept>

namespace sim {

namespace {
// Pins: X0 … X7, Y0 … Y3.
constexpr int kY0 = KeyMatrix::kColumns;

std::vector<PinSpec> keyPins() {
    std::vector<PinSpec> pins;
    // The column lines are the display's digit-select lines: undriven they float high.
    for (int i = 0; i < KeyMatrix::kColumns; ++i)
        pins.push_back({"X" + std::to_string(i), PinDir::In, true});
    for (int i = 0; i < KeyMatrix::kRows; ++i)
        pins.push_back({"Y" + std::to_string(i), PinDir::Out});
    return pins;
}
} // namespace

const std::vector<std::string>& KeyMatrix::defaultLayout() {
    static const std::vector<std::string> layout{"F 7 8 9", "4 5 6 1", "2 3 0 E", "A B C D"};
    return layout;
}

KeyMatrix::KeyMatrix(std::string name, const std::vector<std::string>& layout)
    : Device(std::move(name), keyPins()) {
    if (layout.size() > std::size_t(kRows))
        throw std::invalid_argument("参数 keys 最多 4 行");
    for (std::size_t r = 0; r < layout.size(); ++r) {
        std::istringstream in(layout[r]);
        std::string caption;
        int column = 0;
        while (in >> caption) {
            if (column >= kColumns)
                throw std::invalid_argument("参数 keys 第" + std::to_string(r + 1) + "行超过 8 列");
            if (caption != "-") {
                for (const Key& k : keys_)
                    if (k.caption == caption)
                        throw std::invalid_argument("参数 keys 中按键 " + caption + " 重复");
                keys_.push_back({caption, int(r), column});
            }
            ++column;
        }
    }
}

void KeyMatrix::reset(Time t) {
    pressed_ = {};
    columnsLow_ = 0;
    for (int c = 0; c < kColumns; ++c)
        columnsLow_ |= std::uint8_t(!high(c)) << c;
    rowsLow_ = 0xFF;
    update(t);
}

void KeyMatrix::input(int pin, Time t) {
    if (pin < 0 || pin >= kColumns)
        return;
    const std::uint8_t bit = std::uint8_t(1u << pin);
    columnsLow_ = high(pin) ? columnsLow_ & ~bit : columnsLow_ | bit;
    update(t);
}

bool KeyMatrix::set(std::string_view setting, double value, Time t) {
    if (setting.substr(0, 4) != "KEY:")
        return false;
    const std::string_view caption = setting.substr(4);
    for (const Key& k : keys_) {
        if (k.caption != caption)
            continue;
        const std::uint8_t bit = std::uint8_t(1u << k.column);
        std::uint8_t& row = pressed_[std::size_t(k.row)];
        row = value != 0 ? row | bit : row & ~bit;
        update(t);
        return true;
    }
    return false;
}

void KeyMatrix::update(Time t) {
    std::uint8_t low = 0;
    for (int r = 0; r < kRows; ++r)
        if (pressed_[std::size_t(r)] & columnsLow_)
            low |= std::uint8_t(1u << r);
    const std::uint8_t changed = rowsLow_ == 0xFF ? 0x0F : std::uint8_t(low ^ rowsLow_);
    rowsLow_ = low;
    for (int r = 0; r < kRows; ++r)
        if (changed >> r & 1)
            drive(kY0 + r, low >> r & 1 ? Drive::low() : Drive::pullUp(), t);
}

} // namespace sim
