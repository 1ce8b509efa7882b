#include "sim/devices/Eeprom24c02.h"

namespace sim {

namespace {
enum Pin { SCL, SDA };
}

Eeprom24c02::Eeprom24c02(std::string name, int address)
    : Device(std::move(name), {{"SCL", PinDir::InOut, true}, {"SDA", PinDir::InOut, true}}),
      address_(address & 7) {
    memory_.fill(0xFF);
    latch_.fill(-1);
}

void Eeprom24c02::reset(Time t) {
    mode_ = Mode::Idle;
    clocks_ = 0;
    acking_ = false;
    pointer_ = 0;
    latch_.fill(-1);
    busyUntil_ = 0; // a write cycle in progress has put its bytes into memory_ already
    pulling_ = true;
    pullSda(false, t);
    scl_ = high(SCL);
    sda_ = high(SDA);
}

void Eeprom24c02::pullSda(bool low, Time t) {
    if (low == pulling_)
        return;
    pulling_ = low;
    drive(SDA, low ? Drive::low() : Drive::off(), t);
    sda_ = high(SDA); // whether or not the host tells us of our own change, the next edge compares right
}

void Eeprom24c02::input(int pin, Time t) {
    if (pin == SCL) {
        const bool scl = high(SCL);
        if (scl == scl_)
            return;
        scl_ = scl;
        if (scl)
            clockRise();
        else
            clockFall(t);
    } else if (pin == SDA) {
        const bool sda = high(SDA);
        if (sda == sda_)
            return;
        sda_ = sda;
        if (scl_) // SDA may change while SCL is high only for START and STOP
            sda ? stop(t) : start();
    }
}

void Eeprom24c02::start() {
    // A START may interrupt anything, a write before its STOP included: that write is dropped.
    mode_ = Mode::DeviceAddress;
    clocks_ = 0;
    shift_ = 0;
    acking_ = false;
    latch_.fill(-1);
}

void Eeprom24c02::stop(Time t) {
    if (mode_ == Mode::WriteData) {
        bool any = false;
        for (int i = 0; i < kPageSize; ++i)
            if (latch_[size_t(i)] >= 0) {
                memory_[size_t(pageBase_ + i)] = std::uint8_t(latch_[size_t(i)]);
                any = true;
            }
        if (any)
            busyUntil_ = t + kWriteCycle;
    }
    latch_.fill(-1);
    mode_ = Mode::Idle;
    acking_ = false;
    pullSda(false, t);
}

void Eeprom24c02::clockRise() {
    if (mode_ == Mode::Idle)
        return;
    if (clocks_ < 8) {
        if (mode_ != Mode::ReadData)
            shift_ = std::uint8_t(shift_ << 1 | (sda_ ? 1 : 0));
        ++clocks_;
    } else if (clocks_ == 8) {
        if (mode_ == Mode::ReadData && !acking_)
            masterAck_ = !sda_;
        ++clocks_;
    }
}

void Eeprom24c02::clockFall(Time t) {
    if (mode_ == Mode::Idle)
        return;
    if (clocks_ == 8 && !acking_) { // the eighth bit is done: the ninth clock is the acknowledge
        if (mode_ == Mode::ReadData) {
            pullSda(false, t); // the master's turn
        } else if (byteReceived(t)) {
            acking_ = true;
            pullSda(true, t);
        } else {
            mode_ = Mode::Idle;
        }
        return;
    }
    if (clocks_ == 9) {
        clocks_ = 0;
        shift_ = 0;
        if (acking_) {
            acking_ = false;
            pullSda(false, t);
            if (mode_ == Mode::ReadData) // we acknowledged our address for a read: the first byte
                loadByte(t);
        } else if (mode_ == Mode::ReadData) {
            if (masterAck_)
                loadByte(t);
            else
                mode_ = Mode::Idle; // the master's no-acknowledge ends the read; a STOP follows
        }
        return;
    }
    if (mode_ == Mode::ReadData && clocks_ >= 1 && clocks_ <= 7)
        pullSda(!((shift_ >> (7 - clocks_)) & 1), t);
}

bool Eeprom24c02::byteReceived(Time t) {
    switch (mode_) {
    case Mode::DeviceAddress:
        if ((shift_ & 0xF0) != 0xA0 || ((shift_ >> 1) & 7) != address_ || busy(t))
            return false;
        mode_ = (shift_ & 1) ? Mode::ReadData : Mode::WordAddress;
        return true;
    case Mode::WordAddress:
        pointer_ = shift_;
        pageBase_ = std::uint8_t(pointer_ & ~(kPageSize - 1));
        mode_ = Mode::WriteData;
        return true;
    case Mode::WriteData:
        latch_[size_t(pointer_ - pageBase_)] = shift_;
        pointer_ = std::uint8_t(pageBase_ | ((pointer_ + 1) & (kPageSize - 1)));
        return true;
    default:
        return false;
    }
}

void Eeprom24c02::loadByte(Time t) {
    shift_ = memory_[pointer_];
    pointer_ = std::uint8_t(pointer_ + 1);
    masterAck_ = false;
    pullSda(!(shift_ & 0x80), t);
}

} // namespace sim
