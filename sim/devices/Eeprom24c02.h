#pragma once
// The 24C02 serial EEPROM on the IC card: 256 bytes behind an I2C slave (device address 1010 A2 A1 A0,
// A0H/A1H with the address pins low). SCL and SDA are open-drain lines with the board's pull-ups; the
// chip only ever pulls SDA low. After the data sheet:
//  - START (SDA falls while SCL is high) begins a transfer anywhere, STOP (SDA rises while SCL is high)
//    ends it; the device acknowledges its address and each byte written to it by holding SDA low for
//    the ninth clock, and changes SDA only while SCL is low.
//  - Byte and page write: device address (write), word address, 1 … n data bytes, STOP. The word
//    address's low 3 bits count up within the 8-byte page and wrap (more than 8 bytes overwrite the
//    page's first ones). STOP starts the write cycle (tWR 5 ms), during which the chip acknowledges
//    nothing; a transfer ended by a new START writes nothing.
//  - Reads: current address (device address, read), random (a "dummy write" of the word address, then
//    repeated START and a current address read), sequential (the master acknowledges each byte; the
//    address rolls over from FFH to 00H). A master's no-acknowledge ends the read.
// Errors on the bus go unreported, as the chip is silent about them. The memory outlives reset (it is
// non-volatile); whoever keeps the card between runs uses memory() and setMemory().
#include "sim/Device.h"

#include <array>
#include <cstdint>

namespace sim {

class Eeprom24c02 : public Device {
public:
    using Memory = std::array<std::uint8_t, 256>;

    explicit Eeprom24c02(std::string name, int address = 0); // address: the A2 A1 A0 pins, 0 … 7

    void reset(Time t) override;
    void input(int pin, Time t) override;

    const Memory& memory() const { return memory_; }
    void setMemory(const Memory& m) { memory_ = m; }
    bool busy(Time t) const { return t < busyUntil_; }

    static constexpr Time kWriteCycle = 5 * kMillisecond;
    static constexpr int kPageSize = 8;

private:
    enum class Mode { Idle, DeviceAddress, WordAddress, WriteData, ReadData };
    void start();
    void stop(Time t);
    void clockRise();
    void clockFall(Time t);
    bool byteReceived(Time t); // true to acknowledge
    void loadByte(Time t);     // the next byte to send, its first bit onto SDA
    void pullSda(bool low, Time t);

    int address_;
    Memory memory_;
    Mode mode_ = Mode::Idle;
    int clocks_ = 0;           // SCL rises in the current byte: 8 data bits, then the ninth for the ACK
    std::uint8_t shift_ = 0;   // the byte coming in or going out
    bool acking_ = false;      // the ninth clock carries our ACK of a byte received
    bool masterAck_ = false;   // the master acknowledged the byte sent
    std::uint8_t pointer_ = 0; // the internal address counter
    std::uint8_t pageBase_ = 0;
    std::array<int, kPageSize> latch_{}; // the page's bytes to write, -1 where none came
    Time busyUntil_ = 0;
    bool scl_ = true, sda_ = true; // the line levels last seen
    bool pulling_ = false;         // this chip pulls SDA low
};

} // namespace sim
