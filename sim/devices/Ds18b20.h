#pragma once
// The DS18B20 1-wire thermometer on DQ (open drain, pulled up on the board; the chip only pulls low),
// externally powered. After the data sheet, timed by the master's edges and the chip's own wakes:
//  - Reset: DQ low for at least tRSTL (480 us). After the master releases it, the chip waits tPDHIGH
//    (15 … 60 us, here 30) and pulls DQ low for tPDLOW (60 … 240 us, here 120): the presence pulse.
//  - Write slot: the master's falling edge starts it; the chip samples DQ kSampleAt later (in its
//    15 … 60 us window): high is a 1 (the master released within 15 us), low a 0 (held 60 … 120 us).
//  - Read slot: at the master's falling edge the chip sends a 0 by holding DQ low kHoldZero (beyond the
//    master's sampling point, at most 15 us after the edge) or a 1 by leaving it alone.
//  Bytes go LSB first. ROM commands: READ ROM 33H, MATCH ROM 55H, SKIP ROM CCH, SEARCH ROM F0H,
//  ALARM SEARCH ECH; function commands: CONVERT T 44H (tCONV by resolution, 750 ms at 12 bits; read
//  slots give 0 while converting and 1 after), READ SCRATCHPAD BEH (9 bytes, the last a CRC),
//  WRITE SCRATCHPAD 4EH (TH, TL, configuration), COPY SCRATCHPAD 48H, RECALL E2 B8H,
//  READ POWER SUPPLY B4H. Power-on: temperature register 0550H (+85 C), TH, TL and configuration
//  from the EEPROM. Bus errors go unreported, as the chip is silent about them.
#include "sim/Device.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

class Ds18b20 : public Device {
public:
    // serial: the 48-bit serial number of the ROM code; celsius: the temperature it senses.
    explicit Ds18b20(std::string name, std::uint64_t serial = kDefaultSerial, double celsius = 25.0);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void wake(int tag, Time t) override;
    // "TEMP": the sensed temperature in C, held to the chip's -55 … +125.
    bool set(std::string_view setting, double value, Time t) override;

    std::array<std::uint8_t, 8> rom() const;        // family code 28H, serial, CRC
    std::array<std::uint8_t, 9> scratchpad() const; // as READ SCRATCHPAD sends it
    std::int16_t temperatureRegister() const { return temperature_; }
    double celsius() const { return celsius_; }

    // The 1-wire CRC (x^8 + x^5 + x^4 + 1, LSB first).
    static std::uint8_t crc8(const std::uint8_t* bytes, size_t count);
    // The temperature register's value for a temperature at a resolution of 9 … 12 bits.
    static std::int16_t toRegister(double celsius, int bits);

    static constexpr std::uint64_t kDefaultSerial = 0x0000074018B2ull;
    static constexpr Time kResetLow = 480 * kMicrosecond;
    static constexpr Time kPresenceWait = 30 * kMicrosecond;
    static constexpr Time kPresenceLow = 120 * kMicrosecond;
    static constexpr Time kSampleAt = 30 * kMicrosecond;
    static constexpr Time kHoldZero = 30 * kMicrosecond;
    static constexpr Time kCopyTime = 10 * kMillisecond;

private:
    enum class Phase {
        Idle, // waiting for a reset
        RomCommand,
        MatchRom,
        SearchRom,
        ReadRom,
        FunctionCommand,
        WriteScratchpad,
        ReadScratchpad,
        Status, // read slots answer 0 until statusAt_, then 1
    };
    bool readPhase() const;
    void slot(Time t); // the master's falling edge
    void bitWritten(bool bit, Time t);
    bool nextBitOut(Time t);
    void romCommand(std::uint8_t command);
    void functionCommand(std::uint8_t command, Time t);
    void startSending(std::vector<std::uint8_t> bytes);
    bool romBit(int i) const;
    int resolution() const { return 9 + ((config_ >> 5) & 3); }
    void pull(bool low, Time t);

    std::uint64_t serial_;
    double celsius_;
    // EEPROM and scratchpad
    std::uint8_t eeTh_ = 0x4B, eeTl_ = 0x46, eeConfig_ = 0x7F;
    std::uint8_t th_ = 0, tl_ = 0, config_ = 0x7F;
    std::int16_t temperature_ = 0x0550;
    bool converting_ = false;
    // the bus
    Phase phase_ = Phase::Idle;
    bool lineHigh_ = true;
    bool masterLow_ = false; // the line is low because the master pulled it (since fallAt_)
    Time fallAt_ = 0;
    bool pulling_ = false;
    bool sampling_ = false; // a write slot's sample is pending
    std::uint64_t in_ = 0;  // bits written by the master, LSB first
    int inCount_ = 0;
    std::vector<std::uint8_t> out_;
    size_t outBit_ = 0;
    int searchBit_ = 0, searchStep_ = 0; // SEARCH ROM: bit 0 … 63; its bit, complement, master's choice
    Time statusAt_ = 0;
};

} // namespace sim
