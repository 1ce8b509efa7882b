#include "sim/devices/Ds18b20.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
constexpr int DQ = 0;
enum Wake { kPresenceStart = 1, kPresenceEnd, kSample, kReleaseZero, kConverted };
constexpr std::uint8_t kFamily = 0x28;
constexpr double kMinCelsius = -55, kMaxCelsius = 125;

// tCONV at 9 … 12 bits.
Time conversionTime(int bits) {
    return (375 * kMillisecond / 4) << (bits - 9);
}
} // namespace

Ds18b20::Ds18b20(std::string name, std::uint64_t serial, double celsius)
    : Device(std::move(name), {{"DQ", PinDir::InOut, true}}), serial_(serial & 0xFFFFFFFFFFFFull),
      celsius_(std::clamp(celsius, kMinCelsius, kMaxCelsius)) {}

std::uint8_t Ds18b20::crc8(const std::uint8_t* bytes, size_t count) {
    std::uint8_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        std::uint8_t b = bytes[i];
        for (int k = 0; k < 8; ++k, b >>= 1) {
            const bool mix = (crc ^ b) & 1;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
        }
    }
    return crc;
}

std::int16_t Ds18b20::toRegister(double celsius, int bits) {
    const double c = std::clamp(celsius, kMinCelsius, kMaxCelsius);
    // Bits below the resolution read 0 (the data sheet leaves them undefined).
    return std::int16_t(std::lround(c * double(1 << (bits - 8))) * (1 << (12 - bits)));
}

std::array<std::uint8_t, 8> Ds18b20::rom() const {
    std::array<std::uint8_t, 8> r{kFamily};
    for (int i = 0; i < 6; ++i)
        r[size_t(1 + i)] = std::uint8_t(serial_ >> (8 * i));
    r[7] = crc8(r.data(), 7);
    return r;
}

std::array<std::uint8_t, 9> Ds18b20::scratchpad() const {
    const auto t = std::uint16_t(temperature_);
    std::array<std::uint8_t, 9> s{std::uint8_t(t), std::uint8_t(t >> 8), th_, tl_, config_, 0xFF, 0x0C, 0x10};
    s[8] = crc8(s.data(), 8);
    return s;
}

bool Ds18b20::romBit(int i) const {
    return (rom()[size_t(i / 8)] >> (i % 8)) & 1;
}

void Ds18b20::reset(Time t) {
    for (int tag : {kPresenceStart, kPresenceEnd, kSample, kReleaseZero, kConverted})
        cancelWake(tag);
    temperature_ = 0x0550;
    th_ = eeTh_;
    tl_ = eeTl_;
    config_ = eeConfig_;
    converting_ = false;
    phase_ = Phase::Idle;
    sampling_ = false;
    masterLow_ = false;
    out_.clear();
    pulling_ = true;
    pull(false, t);
}

bool Ds18b20::set(std::string_view setting, double value, Time) {
    if (setting != "TEMP")
        return false;
    if (std::isfinite(value))
        celsius_ = std::clamp(value, kMinCelsius, kMaxCelsius);
    return true;
}

void Ds18b20::pull(bool low, Time t) {
    if (low == pulling_)
        return;
    pulling_ = low;
    drive(DQ, low ? Drive::low() : Drive::off(), t);
    lineHigh_ = high(DQ); // whether or not the host tells us of our own change
}

void Ds18b20::input(int pin, Time t) {
    if (pin != DQ)
        return;
    const bool h = high(DQ);
    if (h == lineHigh_)
        return;
    lineHigh_ = h;
    if (!h) {
        if (pulling_) // our own edge
            return;
        masterLow_ = true;
        fallAt_ = t;
        slot(t);
    } else if (masterLow_) {
        masterLow_ = false;
        if (t - fallAt_ >= kResetLow) { // a reset pulse ends: whatever went on is over
            for (int tag : {kSample, kReleaseZero, kPresenceEnd})
                cancelWake(tag);
            sampling_ = false;
            pull(false, t);
            phase_ = Phase::Idle;
            wakeAt(kPresenceStart, t + kPresenceWait);
        }
    }
}

bool Ds18b20::readPhase() const {
    switch (phase_) {
    case Phase::ReadRom:
    case Phase::ReadScratchpad:
    case Phase::Status:
        return true;
    case Phase::SearchRom:
        return searchStep_ < 2;
    default:
        return false;
    }
}

void Ds18b20::slot(Time t) {
    if (phase_ == Phase::Idle || sampling_)
        return;
    if (readPhase()) {
        if (!nextBitOut(t)) {
            pull(true, t);
            wakeAt(kReleaseZero, t + kHoldZero);
        }
    } else {
        sampling_ = true;
        wakeAt(kSample, t + kSampleAt);
    }
}

void Ds18b20::wake(int tag, Time t) {
    switch (tag) {
    case kPresenceStart:
        pull(true, t);
        wakeAt(kPresenceEnd, t + kPresenceLow);
        break;
    case kPresenceEnd:
        pull(false, t);
        phase_ = Phase::RomCommand;
        in_ = 0;
        inCount_ = 0;
        break;
    case kSample:
        sampling_ = false;
        bitWritten(high(DQ), t);
        break;
    case kReleaseZero:
        pull(false, t);
        break;
    case kConverted:
        converting_ = false;
        temperature_ = toRegister(celsius_, resolution());
        break;
    default:
        break;
    }
}

bool Ds18b20::nextBitOut(Time t) {
    switch (phase_) {
    case Phase::Status:
        return t >= statusAt_;
    case Phase::SearchRom: {
        const bool b = romBit(searchBit_);
        return searchStep_++ == 0 ? b : !b;
    }
    default: {
        const size_t i = outBit_++;
        return i >= out_.size() * 8 || ((out_[i / 8] >> (i % 8)) & 1);
    }
    }
}

void Ds18b20::startSending(std::vector<std::uint8_t> bytes) {
    out_ = std::move(bytes);
    outBit_ = 0;
}

void Ds18b20::bitWritten(bool bit, Time t) {
    if (phase_ == Phase::SearchRom) { // the master's choice of branch: a device not on it drops out
        searchStep_ = 0;
        if (bit != romBit(searchBit_))
            phase_ = Phase::Idle;
        else if (++searchBit_ == 64)
            phase_ = Phase::FunctionCommand;
        return;
    }
    in_ |= std::uint64_t(bit) << inCount_;
    ++inCount_;
    const std::uint8_t byte = inCount_ % 8 == 0 ? std::uint8_t(in_ >> (inCount_ - 8)) : 0; // a whole byte
    switch (phase_) {
    case Phase::RomCommand:
        if (inCount_ == 8)
            romCommand(byte);
        break;
    case Phase::MatchRom:
        if (inCount_ == 64) {
            const auto r = rom();
            std::uint64_t code = 0;
            for (int i = 7; i >= 0; --i)
                code = code << 8 | r[size_t(i)];
            phase_ = in_ == code ? Phase::FunctionCommand : Phase::Idle;
            in_ = 0;
            inCount_ = 0;
        }
        break;
    case Phase::FunctionCommand:
        if (inCount_ == 8)
            functionCommand(byte, t);
        break;
    case Phase::WriteScratchpad:
        if (inCount_ == 8)
            th_ = byte;
        else if (inCount_ == 16)
            tl_ = byte;
        else if (inCount_ == 24) {
            config_ = std::uint8_t((byte & 0x60) | 0x1F); // only R1 R0 are writable
            phase_ = Phase::Idle;
        }
        break;
    default:
        break;
    }
}

void Ds18b20::romCommand(std::uint8_t command) {
    in_ = 0;
    inCount_ = 0;
    switch (command) {
    case 0x33: {
        const auto r = rom();
        startSending({r.begin(), r.end()});
        phase_ = Phase::ReadRom;
        break;
    }
    case 0x55:
        phase_ = Phase::MatchRom;
        break;
    case 0xCC:
        phase_ = Phase::FunctionCommand;
        break;
    case 0xEC: { // only a device whose last reading is at or beyond TH or TL answers
        const int whole = temperature_ >> 4;
        if (whole < std::int8_t(th_) && whole > std::int8_t(tl_)) {
            phase_ = Phase::Idle;
            break;
        }
        [[fallthrough]];
    }
    case 0xF0:
        phase_ = Phase::SearchRom;
        searchBit_ = 0;
        searchStep_ = 0;
        break;
    default:
        phase_ = Phase::Idle;
        break;
    }
}

void Ds18b20::functionCommand(std::uint8_t command, Time t) {
    in_ = 0;
    inCount_ = 0;
    switch (command) {
    case 0x44:
        if (!converting_) {
            converting_ = true;
            statusAt_ = t + conversionTime(resolution());
            wakeAt(kConverted, statusAt_);
        }
        phase_ = Phase::Status;
        break;
    case 0xBE: {
        const auto s = scratchpad();
        startSending({s.begin(), s.end()});
        phase_ = Phase::ReadScratchpad;
        break;
    }
    case 0x4E:
        phase_ = Phase::WriteScratchpad;
        break;
    case 0x48:
        eeTh_ = th_;
        eeTl_ = tl_;
        eeConfig_ = config_;
        statusAt_ = t + kCopyTime;
        phase_ = Phase::Status;
        break;
    case 0xB8:
        th_ = eeTh_;
        tl_ = eeTl_;
        config_ = eeConfig_;
        statusAt_ = t;
        phase_ = Phase::Status;
        break;
    case 0xB4: // externally powered: it lets the read slot stay high
        statusAt_ = t;
        phase_ = Phase::Status;
        break;
    default:
        phase_ = Phase::Idle;
        break;
    }
}

} // namespace sim
