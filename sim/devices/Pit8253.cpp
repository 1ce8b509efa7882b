#include "sim/devices/Pit8253.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sim {

namespace {
// Pins: CS, then for each counter CLKn, GATEn, OUTn.
constexpr int kClk = 0, kGate = 1, kOut = 2;
constexpr int pinOf(int counter, int role) { return 1 + counter * 3 + role; }
constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMillihertzPicoseconds = 1000 * kSecond; // mHz × ps per pulse

std::vector<PinSpec> pitPins() {
    std::vector<PinSpec> pins{{"CS", PinDir::In, false, true}};
    for (int c = 0; c < 3; ++c) {
        const std::string n = std::to_string(c);
        pins.push_back({"CLK" + n, PinDir::In});
        pins.push_back({"GATE" + n, PinDir::In});
        pins.push_back({"OUT" + n, PinDir::Out});
    }
    return pins;
}

std::uint32_t fromBcd(std::uint32_t raw) {
    return ((raw >> 12) & 15) * 1000 + ((raw >> 8) & 15) * 100 + ((raw >> 4) & 15) * 10 + (raw & 15);
}

std::uint32_t toBcd(std::uint32_t v) {
    return (v / 1000 % 10) << 12 | (v / 100 % 10) << 8 | (v / 10 % 10) << 4 | v % 10;
}
} // namespace

Pit8253::Pit8253(std::string name) : Device(std::move(name), pitPins()) {}

void Pit8253::reset(Time t) {
    // The data sheet leaves mode, count and OUT undefined at power-on; here every counter waits for its
    // control word with OUT low.
    reportedIllegal_ = false;
    for (int c = 0; c < 3; ++c) {
        Counter& k = counters_[std::size_t(c)];
        k = Counter{};
        cancelWake(c);
        k.gate = high(pinOf(c, kGate));
        const NetLevel clk = level(pinOf(c, kClk));
        if (clk.hz > 0) {
            k.rateMode = true;
            k.mhz = std::max<std::uint64_t>(1, std::uint64_t(std::llround(clk.hz * 1000)));
            k.origin = t;
        } else {
            k.clkHigh = clk.high;
        }
        drive(pinOf(c, kOut), Drive::low(), t);
    }
}

bool Pit8253::counting(const Counter& k) const { return k.mode == 1 || k.mode == 5 || k.gate; }

Time Pit8253::pulseTime(const Counter& k, std::int64_t pulse) const {
    const auto num = (unsigned __int128)pulse * (unsigned __int128)kMillihertzPicoseconds;
    return k.origin + Time((num + k.mhz - 1) / k.mhz);
}

std::int64_t Pit8253::pulsesUpTo(const Counter& k, Time t) const {
    if (t <= k.origin)
        return 0;
    return std::int64_t((unsigned __int128)(t - k.origin) * k.mhz / (unsigned __int128)kMillihertzPicoseconds);
}

void Pit8253::sync(int c, Time t) {
    Counter& k = counters_[std::size_t(c)];
    if (!k.rateMode)
        return;
    const std::int64_t total = pulsesUpTo(k, t);
    if (total > k.pulsesDone)
        advance(c, total - k.pulsesDone, t);
    k.pulsesDone = std::max(k.pulsesDone, total);
}

void Pit8253::advance(int c, std::int64_t n, Time t) {
    Counter& k = counters_[std::size_t(c)];
    const std::int64_t base = k.pulsesDone;
    const auto when = [&](std::int64_t i) { return k.rateMode ? pulseTime(k, base + i) : t; };
    const std::int64_t m = modulus(k);
    std::int64_t done = 0;
    while (done < n) {
        if (k.loadPending) {
            if ((k.mode == 2 || k.mode == 3) && !k.gate)
                return; // waits for the gate's rising edge
            ++done;
            load(c, when(done));
            continue;
        }
        if (!counting(k))
            return;
        const std::int64_t left = n - done;
        switch (k.phase) {
        case Phase::Idle:
            return;
        case Phase::Free:
            k.ce = std::uint32_t(((std::int64_t(k.ce) - left) % m + m) % m);
            return;
        case Phase::Counting:
            if (std::int64_t(k.ce) > left) {
                k.ce -= std::uint32_t(left);
                return;
            }
            done += k.ce;
            k.ce = 0;
            if (k.mode == 0 || k.mode == 1) {
                k.phase = Phase::Free;
                setOut(c, true, when(done));
            } else {
                k.phase = Phase::Strobe;
                setOut(c, false, when(done));
            }
            break;
        case Phase::Strobe:
            ++done;
            k.ce = std::uint32_t(m - 1);
            k.phase = Phase::Free;
            setOut(c, true, when(done));
            break;
        case Phase::Periodic: {
            if (k.curN < 2)
                return; // a count of 1: OUT stays high
            bool periodStart = false;
            if (k.mode == 2) {
                if (k.ce > 1) {
                    const std::int64_t step = k.ce - 1;
                    if (step > left) {
                        k.ce -= std::uint32_t(left);
                        return;
                    }
                    done += step;
                    k.ce = 1;
                    setOut(c, false, when(done));
                } else {
                    // OUT was low for one clock; the count register reloads (a new count takes effect here).
                    ++done;
                    k.curN = k.cr;
                    k.ce = k.curN;
                    setOut(c, true, when(done));
                    periodStart = true;
                }
            } else {
                if (std::int64_t(k.half) > left) {
                    k.half -= std::uint32_t(left);
                    return;
                }
                // The half-cycle ends: OUT changes and a new count takes effect.
                done += k.half;
                k.curN = k.cr;
                const bool up = !k.out || k.curN < 2;
                k.half = up ? (k.curN + 1) / 2 : k.curN / 2;
                setOut(c, up, when(done));
                periodStart = up;
            }
            // Whole periods from here leave everything as it is: skip them.
            if (periodStart && k.curN >= 2 && n - done >= std::int64_t(k.curN))
                done += (n - done) / k.curN * k.curN;
            break;
        }
        }
    }
}

void Pit8253::load(int c, Time t) {
    Counter& k = counters_[std::size_t(c)];
    k.loadPending = false;
    switch (k.mode) {
    case 0:
        k.ce = k.cr;
        k.phase = Phase::Counting;
        break;
    case 1:
        k.ce = k.cr;
        k.phase = Phase::Counting;
        setOut(c, false, t);
        break;
    case 2:
        k.curN = k.cr;
        k.ce = k.curN;
        k.phase = Phase::Periodic;
        setOut(c, true, t);
        break;
    case 3:
        k.curN = k.cr;
        k.half = (k.curN + 1) / 2;
        k.phase = Phase::Periodic;
        setOut(c, true, t);
        break;
    default: // 4, 5
        k.ce = k.cr;
        k.phase = Phase::Counting;
        setOut(c, true, t);
        break;
    }
}

void Pit8253::setOut(int c, bool levelHigh, Time t) {
    Counter& k = counters_[std::size_t(c)];
    if (k.out == levelHigh)
        return;
    k.out = levelHigh;
    if (!k.clockOut)
        drive(pinOf(c, kOut), Drive::level(levelHigh), t);
}

std::int64_t Pit8253::pulsesToNextEvent(const Counter& k) const {
    if (k.loadPending)
        return (k.mode == 2 || k.mode == 3) && !k.gate ? kNone : 1;
    if (!counting(k))
        return kNone;
    switch (k.phase) {
    case Phase::Counting: return k.ce;
    case Phase::Strobe: return 1;
    case Phase::Periodic:
        if (k.curN < 2)
            return kNone;
        if (k.mode == 2)
            return k.ce > 1 ? k.ce - 1 : 1;
        return k.half;
    default: return kNone;
    }
}

void Pit8253::settle(int c, Time t) {
    Counter& k = counters_[std::size_t(c)];
    const double hz = double(k.mhz) / 1000.0;
    const bool asClock = k.rateMode && (k.mode == 2 || k.mode == 3) && k.phase == Phase::Periodic &&
                         !k.loadPending && k.gate && k.curN >= 2 && 2.0 * hz / k.curN > kClockLimit;
    if (asClock) {
        const double rate = hz / k.curN;
        if (!k.clockOut || rate != k.clockHz) {
            k.clockOut = true;
            k.clockHz = rate;
            drive(pinOf(c, kOut), Drive::clock(rate), t);
        }
    } else if (k.clockOut) {
        k.clockOut = false;
        drive(pinOf(c, kOut), Drive::level(k.out), t);
    }

    Time next = kNever;
    if (k.rateMode) {
        std::int64_t pulses = kNone;
        if (!asClock)
            pulses = pulsesToNextEvent(k);
        else if (k.cr != k.curN) // a new count takes effect at the next reload: the rate changes there
            pulses = k.mode == 2 ? std::int64_t(k.ce) : std::int64_t(k.half);
        if (pulses != kNone)
            next = pulseTime(k, k.pulsesDone + pulses);
    }
    if (next != k.wakeTime) {
        k.wakeTime = next;
        if (next == kNever)
            cancelWake(c);
        else
            wakeAt(c, next);
    }
}

std::uint16_t Pit8253::countNow(const Counter& k) const {
    std::uint32_t v = k.ce;
    if (k.mode == 3 && k.phase == Phase::Periodic) {
        // The data sheet's mode 3 counts down by two: an odd count loads N - 1 and waits one more clock
        // before OUT goes low.
        if (k.curN < 2)
            v = 0;
        else
            v = (k.curN & 1) && k.out ? 2 * (k.half - 1) : 2 * k.half;
    }
    v %= modulus(k);
    return std::uint16_t(k.bcd ? toBcd(v) : v);
}

void Pit8253::wake(int tag, Time t) {
    if (tag < 0 || tag > 2)
        return;
    counters_[std::size_t(tag)].wakeTime = kNever;
    sync(tag, t);
    settle(tag, t);
}

void Pit8253::input(int pin, Time t) {
    if (pin < 1 || pin > 9)
        return;
    const int c = (pin - 1) / 3;
    switch ((pin - 1) % 3) {
    case kClk: clockChanged(c, t); break;
    case kGate: gateChanged(c, high(pin), t); break;
    default: break;
    }
}

void Pit8253::clockChanged(int c, Time t) {
    Counter& k = counters_[std::size_t(c)];
    const NetLevel clk = level(pinOf(c, kClk));
    if (clk.hz > 0) {
        const std::uint64_t mhz = std::max<std::uint64_t>(1, std::uint64_t(std::llround(clk.hz * 1000)));
        if (k.rateMode && mhz == k.mhz)
            return;
        sync(c, t);
        k.rateMode = true;
        k.mhz = mhz;
        k.origin = t;
        k.pulsesDone = 0;
    } else if (k.rateMode) {
        sync(c, t);
        k.rateMode = false;
        k.clkHigh = clk.high;
    } else {
        const bool rising = clk.high && !k.clkHigh;
        k.clkHigh = clk.high;
        if (!rising)
            return;
        advance(c, 1, t);
    }
    settle(c, t);
}

void Pit8253::gateChanged(int c, bool gateHigh, Time t) {
    Counter& k = counters_[std::size_t(c)];
    if (gateHigh == k.gate)
        return;
    sync(c, t);
    k.gate = gateHigh;
    if (gateHigh) {
        // A rising edge triggers modes 1 and 5 and restarts modes 2 and 3 (reload on the next clock).
        if (k.mode != 0 && k.mode != 4 && k.crValid)
            k.loadPending = true;
    } else if (k.mode == 2 || k.mode == 3) {
        setOut(c, true, t); // a low gate forces OUT high at once
    }
    settle(c, t);
}

std::uint8_t Pit8253::read(std::uint32_t offset, Time t) {
    const int c = int(offset & 3);
    if (c == 3)
        return 0xFF; // the control word register cannot be read
    Counter& k = counters_[std::size_t(c)];
    std::uint16_t v = k.latch;
    if (!k.latched) {
        sync(c, t);
        settle(c, t);
        v = countNow(k);
    }
    std::uint8_t byte = 0;
    switch (k.rw) {
    case 1:
        byte = std::uint8_t(v);
        k.latched = false;
        break;
    case 2:
        byte = std::uint8_t(v >> 8);
        k.latched = false;
        break;
    default:
        byte = std::uint8_t(k.readMsbNext ? v >> 8 : v);
        if (k.readMsbNext)
            k.latched = false;
        k.readMsbNext = !k.readMsbNext;
        break;
    }
    return byte;
}

void Pit8253::write(std::uint32_t offset, std::uint8_t value, Time t) {
    const int c = int(offset & 3);
    if (c == 3)
        writeControl(value, t);
    else
        writeCount(c, value, t);
}

void Pit8253::writeControl(std::uint8_t value, Time t) {
    const int c = value >> 6;
    if (c == 3) {
        if (!reportedIllegal_) {
            reportedIllegal_ = true;
            char text[96];
            std::snprintf(text, sizeof text, "8253 控制字 %02XH 无效（SC=11，8253 没有回读命令）", unsigned(value));
            report(t, text);
        }
        return;
    }
    Counter& k = counters_[std::size_t(c)];
    sync(c, t);
    const int rw = (value >> 4) & 3;
    if (rw == 0) {
        // Counter latch command; a second one before the count is read is ignored.
        if (!k.latched) {
            k.latched = true;
            k.latch = countNow(k);
            k.readMsbNext = false;
        }
        settle(c, t);
        return;
    }
    k.rw = rw;
    const int mode = (value >> 1) & 7;
    k.mode = mode >= 6 ? mode - 4 : mode; // 110 and 111 are modes 2 and 3
    k.bcd = value & 1;
    k.crValid = false;
    k.msbNext = false;
    k.loadPending = false;
    k.phase = Phase::Idle;
    k.latched = false;
    k.readMsbNext = false;
    setOut(c, k.mode != 0, t); // mode 0 starts with OUT low, the others high
    settle(c, t);
}

void Pit8253::writeCount(int c, std::uint8_t value, Time t) {
    Counter& k = counters_[std::size_t(c)];
    sync(c, t);
    std::uint32_t raw = 0;
    switch (k.rw) {
    case 1: raw = value; break;
    case 2: raw = std::uint32_t(value) << 8; break;
    default:
        if (!k.msbNext) {
            k.lsb = value;
            k.msbNext = true;
            if (k.mode == 0) {
                // Mode 0: the first byte of a two-byte count stops the count and sets OUT low.
                k.phase = Phase::Idle;
                k.loadPending = false;
                setOut(c, false, t);
            }
            settle(c, t);
            return;
        }
        k.msbNext = false;
        raw = k.lsb | std::uint32_t(value) << 8;
        break;
    }
    std::uint32_t n = (k.bcd ? fromBcd(raw) : raw) % modulus(k);
    if (n == 0)
        n = modulus(k);
    k.cr = n;
    k.crValid = true;
    switch (k.mode) {
    case 0:
        k.loadPending = true;
        setOut(c, false, t);
        break;
    case 4:
        k.loadPending = true;
        break;
    case 2:
    case 3:
        // While the counter runs a new count waits for the end of the period (half-cycle in mode 3).
        if (k.phase != Phase::Periodic)
            k.loadPending = true;
        break;
    default: // 1, 5: waits for the gate's trigger
        break;
    }
    settle(c, t);
}

} // namespace sim
