// The chips' timing and state that running the bundled programs on the board does not show: each test
// names the data sheet it holds the chip to.
#include "sim/DeviceTypes.h"
#include "sim/devices/Adc0809.h"
#include "sim/devices/Digits.h"
#include "sim/devices/Lcd44780.h"
#include "sim/devices/Pit8253.h"
#include "sim/devices/Ppi8255.h"

#include "tests/sim/support/DeviceTestHost.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace sim;
using simtest::DeviceTestHost;

namespace {

constexpr Time us = kMicrosecond;
constexpr Time ms = kMillisecond;

using Waveform = std::vector<std::pair<Time, bool>>;

// The levels a pin was driven to from `from` on.
Waveform waveform(DeviceTestHost& host, const std::string& pin, Time from = 0) {
    Waveform w;
    for (const auto& [t, d] : host.history(pin))
        if (t >= from)
            w.emplace_back(t, d.strength == Strength::High || d.strength == Strength::PullUp);
    return w;
}

// ---- HD44780U data sheet: busy flag, table 6 execution times (fosc 270 kHz), power-on reset -------------

struct LcdBus {
    Lcd44780 lcd{"lcd"};
    DeviceTestHost host{lcd};

    // A write cycle as lcd.asm makes it: RS, R/W and data set up, then a 1 µs pulse on E.
    void write(bool rs, std::uint8_t value, Time t) {
        host.setLevel("RS", rs, t);
        host.setLevel("RW", false, t);
        for (int i = 0; i < 8; ++i)
            host.setLevel("D" + std::to_string(i), value >> i & 1, t);
        host.setLevel("E", true, t);
        host.setLevel("E", false, t + us);
    }
    // Raises E for a status read at t and returns what the controller drives on D0–D7; E stays high.
    std::uint8_t beginStatusRead(Time t) {
        host.setLevel("RS", false, t);
        host.setLevel("RW", true, t);
        for (int i = 0; i < 8; ++i)
            host.release("D" + std::to_string(i), t);
        host.setLevel("E", true, t);
        return bus();
    }
    std::uint8_t readStatus(Time t) {
        const std::uint8_t v = beginStatusRead(t);
        host.setLevel("E", false, t + us);
        return v;
    }
    std::uint8_t bus() const {
        std::uint8_t v = 0;
        for (int i = 0; i < 8; ++i)
            v |= std::uint8_t(host.drivenHigh("D" + std::to_string(i))) << i;
        return v;
    }
};

TEST(Lcd44780, BusyFlagLastsTheDataSheetExecutionTimes) {
    LcdBus b;
    b.lcd.reset(0);
    EXPECT_EQ(b.readStatus(5 * ms), 0x80) << "busy through the internal reset after power-on";
    EXPECT_EQ(b.readStatus(10 * ms + us), 0x00);

    b.write(false, 0x38, 11 * ms); // function set: 37 µs from E's falling edge
    const Time fell = 11 * ms + us;
    EXPECT_EQ(b.readStatus(fell + 35 * us), 0x80);
    EXPECT_EQ(b.readStatus(fell + 38 * us), 0x00);

    b.write(false, 0x01, 12 * ms); // clear display: 1.52 ms
    const Time cleared = 12 * ms + us;
    EXPECT_EQ(b.readStatus(cleared + 1500 * us), 0x80);
    EXPECT_EQ(b.readStatus(cleared + 1530 * us), 0x00);

    // With E held high the flag on D7 falls by itself when the instruction ends.
    b.write(false, 0x0C, 14 * ms);
    const Time displayOn = 14 * ms + us;
    EXPECT_EQ(b.beginStatusRead(displayOn + 10 * us), 0x80);
    b.host.advanceTo(displayOn + 50 * us);
    EXPECT_EQ(b.bus(), 0x00);
    EXPECT_EQ(waveform(b.host, "D7", displayOn + 10 * us), (Waveform{{displayOn + 10 * us, true}, {displayOn + 37 * us, false}}));
    b.host.setLevel("E", false, displayOn + 50 * us);
    EXPECT_EQ(b.host.driven("D7").strength, Strength::Off) << "the bus is let go when E falls";
}

TEST(Lcd44780, WhatIsWrittenWhileBusyIsLostAndReportedOnce) {
    LcdBus b;
    b.lcd.reset(0);
    b.write(false, 0x38, 20 * ms);
    b.write(false, 0x0C, 20 * ms + 50 * us);
    b.write(true, 'A', 20 * ms + 60 * us); // 9 µs after the last instruction: lost
    b.write(true, 'B', 20 * ms + 70 * us); // lost too, but reported no more
    b.write(true, 'C', 20 * ms + 120 * us);
    ASSERT_EQ(b.host.events.size(), 1u);
    EXPECT_NE(b.host.events[0].text.find("41H"), std::string::npos) << b.host.events[0].text;
    EXPECT_EQ(b.readStatus(21 * ms), 0x01) << "one character taken, the address counter at 01H";

    b.write(false, 0xC0, 22 * ms); // second line
    b.write(true, 'H', 22 * ms + 50 * us);
    b.write(true, 'I', 22 * ms + 100 * us);
    EXPECT_EQ(b.readStatus(23 * ms), 0x42);
    Snapshot s;
    b.lcd.show(s, 23 * ms, 16 * ms);
    ASSERT_EQ(s.lcdLines.size(), 2u);
    EXPECT_EQ(s.lcdLines[0], "C               ");
    EXPECT_EQ(s.lcdLines[1], "HI              ");
    EXPECT_TRUE(s.lcdOn);
}

TEST(Lcd44780, FourBitInterfaceTakesTheHighNibbleFirst) {
    LcdBus b;
    b.lcd.reset(0);
    b.write(false, 0x20, 20 * ms); // function set, 4-bit: one 8-bit transfer
    const auto nibbles = [&](bool rs, std::uint8_t v, Time t) {
        b.write(rs, v & 0xF0, t); // on D4–D7
        b.write(rs, std::uint8_t(v << 4), t + 5 * us);
    };
    nibbles(false, 0x28, 20 * ms + 100 * us); // two lines
    nibbles(false, 0x0C, 20 * ms + 200 * us);
    nibbles(true, 'Z', 20 * ms + 300 * us);
    EXPECT_EQ(b.lcd.lines()[0], "Z               ");
    // A status read is two transfers too: BF and AC6–4, then AC3–0, on D4–D7.
    EXPECT_EQ(b.readStatus(21 * ms) & 0xF0, 0x00);
    EXPECT_EQ(b.readStatus(21 * ms + 5 * us) & 0xF0, 0x10);
}

// ---- Intel 8253/8254 data sheet: the mode waveforms, gate effects, reading the count --------------------

struct Pit {
    Pit8253 pit{"pit"};
    DeviceTestHost host{pit};

    // A slow clock, so that short counts give OUT edges (not a clock rate): pulses at 100, 200 … µs.
    explicit Pit(bool gate = true, double hz = 1e4) {
        host.setLevel("GATE0", gate, 0);
        host.setClock("CLK0", hz, 0);
        pit.reset(0);
    }
    void control(std::uint8_t word, Time t) {
        host.advanceTo(t);
        pit.write(3, word, t);
    }
    void count(int counter, std::uint16_t n, Time t) {
        host.advanceTo(t);
        pit.write(std::uint32_t(counter), std::uint8_t(n), t);
        pit.write(std::uint32_t(counter), std::uint8_t(n >> 8), t);
    }
    std::uint16_t read16(int counter, Time t) {
        host.advanceTo(t);
        const std::uint8_t lo = pit.read(std::uint32_t(counter), t);
        return std::uint16_t(lo | pit.read(std::uint32_t(counter), t) << 8);
    }
    Waveform out(Time until, Time from = 1) {
        host.advanceTo(until);
        return waveform(host, "OUT0", from);
    }
};

// A time in periods of the 10 kHz clock: clk(3) is the third clock pulse.
constexpr Time clk(double periods) { return Time(periods * double(100 * us)); }

TEST(Pit8253, Mode0GoesHighNPlusOneClocksAfterTheCountAndGateLowHoldsIt) {
    Pit p;
    p.control(0x30, clk(10.5)); // counter 0, LSB then MSB, mode 0
    p.count(0, 5, clk(10.5));
    p.count(0, 5, clk(20.5)); // a new count: OUT low again, counting from it
    p.host.setLevel("GATE0", false, clk(22.5));
    p.host.setLevel("GATE0", true, clk(24.5)); // clocks 23 and 24 are not counted
    EXPECT_EQ(p.out(clk(40)), (Waveform{{clk(16), true}, {clk(20.5), false}, {clk(28), true}}));
}

TEST(Pit8253, Mode1IsAOneShotTriggeredAndRetriggeredByTheGate) {
    Pit p(false);
    p.control(0x32, clk(0.5));
    p.count(0, 3, clk(0.5));
    p.host.setLevel("GATE0", true, clk(10.5)); // trigger: OUT low from the next clock for 3 clocks
    p.host.setLevel("GATE0", false, clk(20.2));
    p.host.setLevel("GATE0", true, clk(20.5));
    p.host.setLevel("GATE0", false, clk(22.2));
    p.host.setLevel("GATE0", true, clk(22.5)); // retriggered while low: 3 clocks from clock 23
    EXPECT_EQ(p.out(clk(40)),
              (Waveform{{clk(0.5), true}, {clk(11), false}, {clk(14), true}, {clk(21), false}, {clk(26), true}}));
}

TEST(Pit8253, Mode2PulsesLowOneClockInNAndGateLowForcesOutHigh) {
    Pit p;
    p.control(0x34, clk(0.5));
    p.count(0, 4, clk(0.5));
    p.host.setLevel("GATE0", false, clk(8.5)); // during the low clock
    p.host.setLevel("GATE0", true, clk(10.5));  // restarts: reload on the next clock
    EXPECT_EQ(p.out(clk(15.5)), (Waveform{{clk(0.5), true},
                                         {clk(4), false},
                                         {clk(5), true},
                                         {clk(8), false},
                                         {clk(8.5), true},
                                         {clk(14), false},
                                         {clk(15), true}}));
}

TEST(Pit8253, Mode3SquareWaveOddAndEvenAndANewCountAtTheHalfCycle) {
    Pit p;
    p.control(0x36, clk(0.5));
    p.count(0, 5, clk(0.5)); // odd: high 3 clocks, low 2
    p.count(0, 8, clk(11.2)); // even, taken at the end of the half-cycle under way (clock 14): 4 and 4
    EXPECT_EQ(p.out(clk(26.5)), (Waveform{{clk(0.5), true},
                                         {clk(4), false},
                                         {clk(6), true},
                                         {clk(9), false},
                                         {clk(11), true},
                                         {clk(14), false},
                                         {clk(18), true},
                                         {clk(22), false},
                                         {clk(26), true}}));
}

TEST(Pit8253, Modes4And5StrobeLowForOneClock) {
    Pit p4;
    p4.control(0x38, clk(0.5)); // mode 4: software triggered
    p4.count(0, 3, clk(0.5));
    EXPECT_EQ(p4.out(clk(10)), (Waveform{{clk(0.5), true}, {clk(4), false}, {clk(5), true}}));

    Pit p5(false);
    p5.control(0x3A, clk(0.5)); // mode 5: the gate's rising edge triggers
    p5.count(0, 3, clk(0.5));
    p5.host.setLevel("GATE0", true, clk(10.5));
    EXPECT_EQ(p5.out(clk(20)), (Waveform{{clk(0.5), true}, {clk(14), false}, {clk(15), true}}));
}

TEST(Pit8253, ReadsTheCountLatchedOrRunningInBinaryAndBcd) {
    Pit p;
    p.control(0x30, clk(0.5));
    p.count(0, 1000, clk(0.5)); // loaded at clock 1, 99 clocks counted by 100.5
    p.control(0x00, clk(100.5)); // counter latch command
    p.control(0x00, clk(150.5)); // ignored: the latched count is not read yet
    EXPECT_EQ(p.read16(0, clk(200.5)), 901);
    EXPECT_EQ(p.read16(0, clk(200.5)), 801) << "without a latch the count as it runs";

    Pit bcd;
    bcd.control(0x31, clk(0.5));
    bcd.count(0, 0x1000, clk(0.5)); // 1000 in BCD
    EXPECT_EQ(bcd.read16(0, clk(100.5)), 0x0901);
}

TEST(Pit8253, CascadeOfTwoDividersCostsOneWakeAnEdge) {
    // 8253.asm: 1 MHz → counter 0 mode 3 /1000 → CLK1 → counter 1 mode 3 /1000. Counter 1 counts the
    // edges of OUT0 as they come (fed here from OUT0's waveform).
    constexpr auto at = [](double micro) { return Time(micro * double(us)); };
    Pit p(true, 1e6);
    p.host.setLevel("GATE1", true, 0);
    p.pit.reset(0);
    p.control(0x36, at(0.5));
    p.count(0, 1000, at(0.5));
    p.control(0x76, at(0.5));
    p.count(1, 1000, at(0.5));
    std::size_t fed = 2; // the reset's low and the rise at counter 0's control word came before counter 1 ran
    for (Time t = 0; t <= 1100 * ms; t += 100 * us) {
        p.host.advanceTo(t);
        const auto& out0 = p.host.history("OUT0");
        for (; fed < out0.size(); ++fed)
            p.host.setLevel("CLK1", out0[fed].second.strength == Strength::High, out0[fed].first);
    }
    // OUT0 rises at 1001, 2001 … µs; counter 1 loads on the first and changes every 500 rising edges.
    EXPECT_EQ(waveform(p.host, "OUT1", 1), (Waveform{{at(0.5), true}, {at(501001), false}, {at(1001001), true}}));
    EXPECT_NEAR(double(p.host.history("OUT0").size()), 2200, 3);

    // 100 kHz out of 1 MHz would change OUT 200,000 times a second: it goes on its net as a clock rate,
    // from the end of the half-cycle under way.
    p.count(0, 10, 1100 * ms);
    p.host.advanceTo(1101 * ms);
    EXPECT_EQ(p.host.driven("OUT0").hz, 100000);
    const std::size_t changes = p.host.history("OUT0").size();
    p.host.advanceTo(1200 * ms);
    EXPECT_EQ(p.host.history("OUT0").size(), changes);
    // The count still runs: /10 took effect with OUT rising at 1,100,001 µs; 999 clocks later that is
    // 99 periods, 5 clocks high and 4 low, 2 clocks (a count of 2) before OUT rises again.
    Pit q(true, 1e6);
    q.control(0x36, at(0.5));
    q.count(0, 1000, at(0.5));
    q.count(0, 10, 1100 * ms);
    EXPECT_EQ(q.read16(0, at(1101000.5)), 2);
}

// ---- brightness: the display's segments integrated over the frame ----------------------------------------

TEST(Digits, MultiplexedScanReadsSteadyAndAGlitchStaysDark) {
    Digits d{"digits"};
    DeviceTestHost host{d};
    const std::string seg[8] = {"A", "B", "C", "D", "E", "F", "G", "DP"};
    const std::uint8_t pattern[6] = {0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D}; // "123456", display.asm's table
    for (int k = 1; k <= 6; ++k)
        host.setLevel("S" + std::to_string(k), true, 0);
    d.reset(0);

    // display.asm's scan: segments out, digit selected for about 1 ms, digit off, next digit.
    const Time frame = kSecond / 60;
    Time nextShow = frame;
    int frames = 0;
    Time t = 0;
    const auto showDue = [&](Time until) {
        for (; nextShow <= until; nextShow += frame, ++frames) {
            host.advanceTo(nextShow);
            Snapshot s;
            d.show(s, nextShow, frame);
            ASSERT_EQ(s.digits.size(), 6u);
            for (int k = 0; k < 6; ++k)
                for (int i = 0; i < 8; ++i) {
                    const double b = s.digits[std::size_t(k)].segments[std::size_t(i)];
                    if (pattern[k] >> i & 1) {
                        EXPECT_GT(b, 0.10) << "frame " << frames << " digit " << k << " segment " << i;
                        EXPECT_LT(b, 0.25) << "frame " << frames << " digit " << k << " segment " << i;
                    } else {
                        EXPECT_LT(b, 0.001) << "frame " << frames << " digit " << k << " segment " << i;
                    }
                }
            EXPECT_EQ(readDigits(s.digits), "123456") << "frame " << frames;
        }
    };
    while (frames < 12) {
        for (int k = 0; k < 6; ++k) {
            showDue(t);
            for (int i = 0; i < 8; ++i)
                host.setLevel(seg[i], pattern[k] >> i & 1, t);
            host.setLevel("S" + std::to_string(k + 1), false, t + 10 * us);
            if (k == 2 && frames == 5) { // a 1 µs glitch on segment E, dark in the "3"
                host.setLevel("E", true, t + 500 * us);
                host.setLevel("E", false, t + 501 * us);
            }
            showDue(t + 1010 * us);
            host.setLevel("S" + std::to_string(k + 1), true, t + 1010 * us);
            t += 1030 * us;
        }
    }
}

// ---- Intel 8255A data sheet: a mode word resets the output latches; bit set/reset; reading ports ---------

TEST(Ppi8255, ModeWordClearsOutputsBitSetResetAndReads) {
    Ppi8255 p{"ppi"};
    DeviceTestHost host{p};
    p.reset(0);
    EXPECT_EQ(host.driven("PA0").strength, Strength::Off) << "every port an input after reset";

    p.write(3, 0x80, us); // all ports mode 0 outputs
    p.write(0, 0x55, us);
    EXPECT_TRUE(host.drivenHigh("PA0"));
    p.write(3, 0x07, us); // bit set/reset: PC3 = 1
    p.write(3, 0x0F, us); // PC7 = 1
    p.write(3, 0x06, us); // PC3 = 0
    EXPECT_EQ(p.read(2, us), 0x80);
    EXPECT_TRUE(host.drivenHigh("PC7"));
    EXPECT_FALSE(host.drivenHigh("PC3"));

    p.write(3, 0x81, 2 * us); // port C lower half input: the mode word clears the latches
    EXPECT_EQ(host.driven("PA0").strength, Strength::Low);
    EXPECT_EQ(host.driven("PC7").strength, Strength::Low);
    EXPECT_EQ(host.driven("PC0").strength, Strength::Off);
    p.write(2, 0xFF, 3 * us);
    for (int i = 0; i < 4; ++i)
        host.setLevel("PC" + std::to_string(i), i % 2 == 0, 3 * us);
    EXPECT_EQ(p.read(2, 3 * us), 0xF5) << "output half from the latch, input half from the pins";

    p.write(3, 0xA0, 4 * us); // mode 1 is not modelled: reported once for each such word
    p.write(3, 0xA0, 5 * us);
    p.write(3, 0xC0, 6 * us);
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].text, "8255 工作方式1未实现（控制字 A0H）");
    EXPECT_EQ(host.events[1].text, "8255 工作方式2未实现（控制字 C0H）");
}

// ---- ADC0808/ADC0809 data sheet: EOC low within 8 clocks + 2 µs of START, conversion 64 clocks -----------

TEST(Adc0809, EocTimingAndTheResultLatchedAtTheEnd) {
    Adc0809 adc{"adc", 500000, 5.0};
    DeviceTestHost host{adc};
    adc.reset(0);
    host.setVolts("IN0", 2.5, 0);
    host.setVolts("IN3", 5.2, 0);

    adc.write(0, 0, 10 * us); // channel 0
    host.advanceTo(100 * us);
    EXPECT_EQ(adc.read(0, 100 * us), 0) << "the output latch holds the previous result during conversion";
    host.advanceTo(200 * us);
    EXPECT_EQ(adc.read(0, 200 * us), 128); // round(2.5 / 5 × 255)
    adc.write(3, 0, 300 * us);             // channel 3, above Vref: full scale
    host.advanceTo(500 * us);
    EXPECT_EQ(adc.read(0, 500 * us), 255);
    EXPECT_EQ(waveform(host, "EOC"), (Waveform{{0, true},
                                               {10 * us + 18 * us, false},
                                               {10 * us + 128 * us, true},
                                               {300 * us + 18 * us, false},
                                               {300 * us + 128 * us, true}}));
}

// ---- the circuit file's parameters -----------------------------------------------------------------------

TEST(ChipTypes, MakesTheTenTypesAndNamesAWrongParameter) {
    DeviceTypeTable table;
    addChipTypes(table);
    for (const char* type :
         {"74LS273", "74LS244", "8255", "8253", "adc0809", "dac0832", "lcd", "digits", "ledmatrix", "keypad"})
        ASSERT_TRUE(table.count(type)) << type;

    const auto message = [&](const char* type, const QJsonObject& params) -> std::string {
        try {
            table.at(type)("u1", params);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return {};
    };
    EXPECT_NE(message("adc0809", {{"clockHz", "fast"}}).find("clockHz"), std::string::npos);
    EXPECT_NE(message("adc0809", {{"clockhz", 640000}}).find("clockhz"), std::string::npos);
    EXPECT_NE(message("keypad", {{"keys", QJsonArray{"1 2", "2 3"}}}).find("keys"), std::string::npos);
    EXPECT_EQ(message("adc0809", {{"clockHz", 640000}, {"vref", 5.12}}), "");
    EXPECT_EQ(table.at("keypad")("kb", {})->pin("Y3"), 11);
}

} // namespace
