#include "sim/devices/Lcd44780.h"

#include <cstdio>

namespace sim {

namespace {
// Pins: D0 … D7, RS, RW, E.
constexpr int kRs = 8, kRw = 9, kE = 10;
constexpr int kBusyWake = 0;

std::vector<PinSpec> lcdPins() {
    std::vector<PinSpec> pins;
    // The controller has pull-ups on DB0–DB7, RS and R/W; E has none.
    for (int i = 0; i < 8; ++i)
        pins.push_back({"D" + std::to_string(i), PinDir::InOut, true});
    pins.push_back({"RS", PinDir::In, true});
    pins.push_back({"RW", PinDir::In, true});
    pins.push_back({"E", PinDir::In});
    return pins;
}

// ROM A00 from E0H on (Greek letters, symbols, kanji). "?" where the glyph has no single character.
constexpr const char* kHighGlyphs[32] = {
    "α", "ä", "β", "ε", "μ", "σ", "ρ", "g", "√", "?", "j", "ˣ", "¢", "£", "ñ", "ö",
    "p", "q", "θ", "∞", "Ω", "ü", "Σ", "π", "?", "y", "千", "万", "円", "÷", " ", "█",
};
} // namespace

Lcd44780::Lcd44780(std::string name) : Device(std::move(name), lcdPins()) {}

std::string Lcd44780::glyph(std::uint8_t code) {
    if (code < 0x10)
        return "?"; // CGRAM: the program's own patterns have no text form
    if (code == 0x5C)
        return "¥";
    if (code == 0x7E)
        return "→";
    if (code == 0x7F)
        return "←";
    if (code >= 0x20 && code < 0x7E)
        return std::string(1, char(code));
    if (code >= 0xA1 && code <= 0xDF) {
        // Half-width katakana, in the order of JIS X 0201 as in the ROM: U+FF61 … U+FF9F.
        const unsigned u = 0xFF61 + (code - 0xA1);
        return {char(0xE0 | u >> 12), char(0x80 | (u >> 6 & 0x3F)), char(0x80 | (u & 0x3F))};
    }
    if (code >= 0xE0)
        return kHighGlyphs[code - 0xE0];
    return " "; // 10H–1FH, 80H–A0H: no pattern in ROM A00
}

void Lcd44780::reset(Time t) {
    // The internal reset circuit at power-on: display clear, 8-bit, one line, display off, increment.
    ddram_.fill(0x20);
    ac_ = 0;
    acCgram_ = false;
    dr_ = 0x20;
    increment_ = true;
    shiftOnWrite_ = false;
    displayOn_ = cursor_ = blink_ = false;
    eightBit_ = true;
    twoLines_ = font5x10_ = false;
    shift_ = 0;
    secondNibble_ = false;
    lostReported_ = false;
    e_ = high(kE);
    rs_ = high(kRs);
    rw_ = high(kRw);
    drivenMask_ = drivenBits_ = 0;
    for (int i = 0; i < 8; ++i)
        drive(i, Drive::off(), t);
    setBusy(t + kPowerOnBusy);
    updateBus(t);
}

void Lcd44780::setBusy(Time until) {
    busyUntil_ = until;
    wakeAt(kBusyWake, until); // the busy flag on the bus clears then
}

int Lcd44780::ddIndex(std::uint8_t address) const {
    if (twoLines_)
        return (address >> 6 & 1) * 40 + (address & 0x3F) % 40;
    return (address & 0x7F) % 80;
}

void Lcd44780::step(bool up) {
    if (acCgram_) {
        ac_ = std::uint8_t((ac_ + (up ? 1 : -1)) & 0x3F);
        return;
    }
    if (twoLines_) {
        if (up)
            ac_ = ac_ == 0x27 ? 0x40 : ac_ == 0x67 ? 0x00 : std::uint8_t((ac_ + 1) & 0x7F);
        else
            ac_ = ac_ == 0x00 ? 0x67 : ac_ == 0x40 ? 0x27 : std::uint8_t(ac_ - 1);
    } else {
        if (up)
            ac_ = ac_ >= 0x4F ? 0x00 : std::uint8_t(ac_ + 1);
        else
            ac_ = ac_ == 0x00 ? 0x4F : std::uint8_t(ac_ - 1);
    }
}

void Lcd44780::loadDataRegister() {
    dr_ = acCgram_ ? cgram_[ac_ & 0x3F] : ddram_[std::size_t(ddIndex(ac_))];
}

std::uint8_t Lcd44780::busValue(Time t) const {
    const std::uint8_t v = rs_ ? dr_ : std::uint8_t((busy(t) ? 0x80 : 0) | (ac_ & 0x7F));
    if (eightBit_)
        return v;
    return secondNibble_ ? std::uint8_t(v << 4) : std::uint8_t(v & 0xF0); // on D4–D7
}

void Lcd44780::updateBus(Time t) {
    // The 4-bit interface leaves D0–D3 open.
    const std::uint8_t mask = e_ && rw_ ? (eightBit_ ? 0xFF : 0xF0) : 0x00;
    const std::uint8_t bits = mask ? std::uint8_t(busValue(t) & mask) : 0;
    const std::uint8_t changed = std::uint8_t((mask ^ drivenMask_) | ((bits ^ drivenBits_) & mask));
    for (int i = 0; i < 8; ++i)
        if (changed >> i & 1)
            drive(i, mask >> i & 1 ? Drive::level(bits >> i & 1) : Drive::off(), t);
    drivenMask_ = mask;
    drivenBits_ = bits;
}

void Lcd44780::input(int pin, Time t) {
    if (pin != kE)
        return; // D0–D7 are read at E's falling edge; RS and R/W at its rising edge
    const bool e = high(kE);
    if (e == e_)
        return;
    e_ = e;
    if (e) {
        rs_ = high(kRs);
        rw_ = high(kRw);
    } else {
        transferEnd(t);
    }
    updateBus(t);
}

void Lcd44780::transferEnd(Time t) {
    if (rw_) {
        if (!eightBit_ && !secondNibble_) {
            secondNibble_ = true;
            return;
        }
        secondNibble_ = false;
        readDone(rs_, t);
        return;
    }
    std::uint8_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint8_t(high(i)) << i;
    if (!eightBit_) {
        if (!secondNibble_) {
            highNibble_ = v & 0xF0;
            secondNibble_ = true;
            return;
        }
        secondNibble_ = false;
        v = std::uint8_t(highNibble_ | v >> 4);
    }
    writeRegister(rs_, v, t);
}

void Lcd44780::lost(const char* what, std::uint8_t value, Time t) {
    if (lostReported_)
        return;
    lostReported_ = true;
    char text[160];
    std::snprintf(text, sizeof text, "液晶控制器忙（上一条指令尚未执行完）时%s %02XH，被忽略：应先查忙标志或延时足够长", what,
                  unsigned(value));
    report(t, text);
}

void Lcd44780::readDone(bool rs, Time t) {
    if (!rs)
        return; // reading the busy flag and address takes no time
    if (busy(t)) {
        lost("读数据", dr_, t);
        return;
    }
    step(increment_);
    loadDataRegister();
    setBusy(t + kExecution);
}

void Lcd44780::writeRegister(bool rs, std::uint8_t value, Time t) {
    if (busy(t)) {
        lost(rs ? "写入数据" : "写入指令", value, t);
        return;
    }
    if (!rs) {
        instruction(value, t);
        return;
    }
    if (acCgram_) {
        cgram_[ac_ & 0x3F] = value;
    } else {
        ddram_[std::size_t(ddIndex(ac_))] = value;
        if (shiftOnWrite_)
            shift_ = (shift_ + (increment_ ? 1 : 79)) % 80; // left when incrementing, as the cursor goes
    }
    step(increment_);
    setBusy(t + kExecution);
}

void Lcd44780::instruction(std::uint8_t v, Time t) {
    Time took = kExecution;
    if (v & 0x80) { // set DDRAM address
        ac_ = v & 0x7F;
        acCgram_ = false;
        loadDataRegister();
    } else if (v & 0x40) { // set CGRAM address
        ac_ = v & 0x3F;
        acCgram_ = true;
        loadDataRegister();
    } else if (v & 0x20) { // function set
        const bool eight = v & 0x10;
        if (eight != eightBit_)
            secondNibble_ = false;
        eightBit_ = eight;
        twoLines_ = v & 0x08;
        font5x10_ = v & 0x04;
    } else if (v & 0x10) { // cursor or display shift
        const bool right = v & 0x04;
        if (v & 0x08) {
            shift_ = (shift_ + (right ? 79 : 1)) % 80;
        } else {
            step(right);
            loadDataRegister();
        }
    } else if (v & 0x08) { // display on/off control
        displayOn_ = v & 0x04;
        cursor_ = v & 0x02;
        blink_ = v & 0x01;
    } else if (v & 0x04) { // entry mode set
        increment_ = v & 0x02;
        shiftOnWrite_ = v & 0x01;
    } else if (v & 0x02) { // return home
        ac_ = 0;
        acCgram_ = false;
        shift_ = 0;
        loadDataRegister();
        took = kLongExecution;
    } else if (v & 0x01) { // clear display: also sets I/D to increment
        ddram_.fill(0x20);
        ac_ = 0;
        acCgram_ = false;
        shift_ = 0;
        increment_ = true;
        loadDataRegister();
        took = kLongExecution;
    } else {
        return; // 00H is no instruction
    }
    setBusy(t + took);
}

void Lcd44780::wake(int tag, Time t) {
    if (tag == kBusyWake)
        updateBus(t);
}

std::array<std::string, 2> Lcd44780::lines() const {
    std::array<std::string, 2> out;
    const int width = twoLines_ ? 40 : 80;
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < kVisible; ++i) {
            if (row == 1 && !twoLines_) {
                out[1] += ' ';
                continue;
            }
            const int column = (shift_ + i) % width;
            out[std::size_t(row)] += glyph(ddram_[std::size_t(row * 40 + column)]);
        }
    }
    return out;
}

void Lcd44780::show(Snapshot& snapshot, Time, Time) {
    // As shown: a display switched off shows nothing, whatever DDRAM holds.
    if (displayOn_) {
        const auto l = lines();
        snapshot.lcdLines.assign(l.begin(), l.end());
    } else {
        snapshot.lcdLines.assign(2, std::string(kVisible, ' '));
    }
    snapshot.lcdOn = displayOn_;
}

} // namespace sim
