// Every bundled type-51 experiment runs on QK740X's circuit with its own wiring, and shows what its texts
// and the reference runs say: the study's s51 figures (led.asm steps every 200.6 ms, display.asm scans
// "123456", ledmatrix.asm draws its glyph at 59.7 Hz, timer.asm's 0.5 s and 1 s, dcmotor.asm's duty
// shares, da0832.asm's DAC writes, five machine cycles each) and the chips' data sheets.
#include "sim/Assembler51.h"
#include "sim/Circuit.h"
#include "sim/Machine.h"
#include "sim/devices/Dac0832.h"
#include "sim/devices/Digits.h"
#include "tests/sim/support/BoardRun.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using namespace sim;
using namespace simtest;

namespace {

// The experiment of a catalogue file ("001.json") on the board, its program loaded and reset.
std::unique_ptr<Machine> start(const char* file, double crystal = 0, QString* wiringOut = nullptr) {
    const QString dir = QStringLiteral(LABGUIDE_SOURCE_DIR "/data/");
    const QJsonObject row = QJsonDocument::fromJson(readBytes(dir + "catalogue/51/" + file)).object();
    const AsmResult program = assemble51(readBytes(dir + "asm/51/" + row.value("实验程序").toString()));
    EXPECT_TRUE(program.ok()) << file << ": " << (program.errors.empty() ? "" : program.errors[0].message.toStdString());
    const QString wiring = row.value("实验接线").toString();
    if (wiringOut)
        *wiringOut = wiring;
    auto m = std::make_unique<Machine>(boardCircuit("QK740X"), 1, links(wiring), crystal);
    m->load(program.image);
    return m;
}

} // namespace

TEST(Experiments, LedStepsOneLampEvery200ms) {
    auto m = start("001.json");
    const auto changes = lampChanges(*m, 2500 * kMillisecond);
    ASSERT_GE(changes.size(), 12u);
    for (std::size_t i = 1; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].second, 1u << (i % 8)) << "step " << i; // L1 first, then on along the row
        if (i >= 2) { // the first step follows the set-up; s51 times the loop at 200.6 ms
            EXPECT_NEAR(toSeconds(changes[i].first - changes[i - 1].first), 0.2006, 0.0015) << "step " << i;
        }
    }
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, SwitchesReachTheLamps) {
    // p1io: K1..K4 on P1.0..P1.3 show on L1..L4 through P1.4..P1.7.
    auto p1 = start("002.json");
    p1->set("K1", 1);
    p1->set("K3", 1);
    EXPECT_EQ(lampsAfter(*p1, 50 * kMillisecond), 0b0101u);
    p1->set("K1", 0);
    p1->set("K4", 1);
    EXPECT_EQ(lampsAfter(*p1, 50 * kMillisecond), 0b1100u);
    EXPECT_EQ(noEvents(*p1), "");

    // simpleio (74LS244 at FF90H, 74LS273 at FF80H) and 8255 (PB in, PA out): K1..K8 -> L1..L8.
    for (const char* file : {"003.json", "007.json"}) {
        auto m = start(file);
        for (const char* k : {"K2", "K5", "K8"})
            m->set(k, 1);
        EXPECT_EQ(lampsAfter(*m, 50 * kMillisecond), 0b10010010u) << file;
        m->set("K8", 0);
        m->set("K1", 1);
        EXPECT_EQ(lampsAfter(*m, 50 * kMillisecond), 0b00010011u) << file;
        EXPECT_EQ(noEvents(*m), "") << file;
    }
}

TEST(Experiments, Int0CountsPulsesOnTheLamps) {
    auto m = start("004.json");
    EXPECT_EQ(lampsAfter(*m, 20 * kMillisecond), 0u);
    for (int press = 0; press < 5; ++press) {
        m->set("PULSE", 1);
        m->runFor(30 * kMillisecond);
        m->set("PULSE", 0);
        m->runFor(30 * kMillisecond);
    }
    EXPECT_EQ(lampsAfter(*m, 10 * kMillisecond), 5u); // one count per falling edge of PL on INT0
}

TEST(Experiments, TimerTogglesL2EveryHalfSecondAndL1EverySecond) {
    auto m = start("005.json");
    std::vector<Time> l1, l2;
    unsigned last = lampBits(m->snapshot());
    watch(*m, 4200 * kMillisecond, kMillisecond, [&](const Snapshot& s) {
        const unsigned now = lampBits(s);
        if ((now ^ last) & 1)
            l1.push_back(s.time);
        if ((now ^ last) & 2)
            l2.push_back(s.time);
        last = now;
    });
    ASSERT_GE(l1.size(), 4u);
    ASSERT_GE(l2.size(), 8u);
    for (std::size_t i = 1; i < l1.size(); ++i)
        EXPECT_NEAR(toSeconds(l1[i] - l1[i - 1]), 1.0, 0.002);
    for (std::size_t i = 1; i < l2.size(); ++i)
        EXPECT_NEAR(toSeconds(l2[i] - l2[i - 1]), 0.5, 0.002);
}

TEST(Experiments, SerialGreetsAndEchoesTheNextCharacter) {
    // 2400 baud from timer 1 (reload F4H, SMOD 0) needs the 11.0592 MHz crystal.
    auto m = start("006.json", 11.0592e6);
    ASSERT_TRUE(m->set("BAUD", 2400));
    m->runFor(100 * kMillisecond);
    EXPECT_EQ(m->snapshot().uartText, "QK 51 UART\r\n");
    m->set("UART", 'A');
    m->runFor(20 * kMillisecond);
    EXPECT_EQ(m->snapshot().uartText, "QK 51 UART\r\nB");
    EXPECT_EQ(noEvents(*m), "");

    // At 12 MHz the same reload gives 2604 baud: 8.5 % off, which the terminal reports.
    auto wrong = start("006.json");
    wrong->set("BAUD", 2400);
    wrong->runFor(100 * kMillisecond);
    EXPECT_NE(noEvents(*wrong).find("波特"), std::string::npos);
}

TEST(Experiments, Pit8253DividesOneMegahertzToOneHertz) {
    auto m = start("008.json");
    const auto changes = lampChanges(*m, 3200 * kMillisecond);
    ASSERT_GE(changes.size(), 5u);
    for (std::size_t i = 2; i < changes.size(); ++i) // 8 MHz / 8 (T2) / 1000 / 1000: half a second each way
        EXPECT_NEAR(toSeconds(changes[i].first - changes[i - 1].first), 0.5, 0.002);
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, Adc0809ShowsThePotentiometerInBinary) {
    auto m = start("009.json");
    // ADC0809 data sheet: code = Vin / Vref x 256, Vref 5 V.
    for (const auto& [volts, code] : {std::pair{2.5, 0x80u}, {5.0, 0xFFu}, {0.0, 0x00u}, {1.0, 0x33u}}) {
        m->set("AOUT1", volts);
        const unsigned shown = lampsAfter(*m, 100 * kMillisecond);
        EXPECT_LE(std::abs(int(shown) - int(code)), 1) << volts << " V shows " << shown;
    }
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, Dac0832WritesASawtoothEveryFiveCycles) {
    auto m = start("010.json");
    auto* dac = dynamic_cast<Dac0832*>(m->device("u0832"));
    ASSERT_NE(dac, nullptr);
    m->runFor(kSecond);
    // The writes in the last 100 ms, and the period of the ramp.
    const std::vector<Dac0832::Sample> samples = dac->samplesSince(m->now() - 100 * kMillisecond);
    ASSERT_GT(samples.size(), 1000u);
    std::size_t writes = 0, wraps = 0;
    double lowest = 5, highest = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        ++writes;
        lowest = std::min(lowest, samples[i].volts);
        highest = std::max(highest, samples[i].volts);
        wraps += samples[i].volts < samples[i - 1].volts;
    }
    // The data book's cycles: MOVX 2, INC 1, JNZ 2 a write, and JB 2 after each ramp of 256 writes, so
    // 256 writes take 1,282 µs at 12 MHz (the study's ~212,000 a second from s51 is 6 % high).
    EXPECT_NEAR(double(writes) * 10, 256e6 / 1282, 200);
    EXPECT_NEAR(double(wraps) * 10, 1e6 / 1282, 20);
    EXPECT_DOUBLE_EQ(lowest, 0);
    EXPECT_NEAR(highest, 5.0 * 255 / 256, 1e-9);
}

TEST(Experiments, DisplayScansOneTwoThreeFourFiveSix) {
    auto m = start("011.json");
    EXPECT_EQ(digitsAfter(*m, 100 * kMillisecond), "123456");
    EXPECT_EQ(digitsAfter(*m, 37 * kMillisecond), "123456"); // steady, whatever the phase of the scan
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, KeypadShowsTheKeyPressedOnTheRightmostDigit) {
    auto m = start("012.json");
    EXPECT_EQ(digitsAfter(*m, 100 * kMillisecond), "------");
    for (const char* key : {"5", "E", "0"}) {
        ASSERT_TRUE(m->set(std::string("KEY:") + key, 1)) << key;
        m->runFor(60 * kMillisecond);
        m->set(std::string("KEY:") + key, 0);
        EXPECT_EQ(digitsAfter(*m, 100 * kMillisecond), std::string("-----") + key) << key;
    }
}

TEST(Experiments, LedMatrixDrawsItsGlyph) {
    auto m = start("013.json");
    m->runFor(100 * kMillisecond);
    m->snapshot();
    m->runFor(67 * kMillisecond); // four frames of the glyph at 59.7 Hz
    const Snapshot s = m->snapshot();
    ASSERT_EQ(s.matrix.size(), 16u);
    // The program's glyph table, column by column, two bytes a column (rows 0-7 low bit on top, rows 8-15).
    const unsigned char glyph[32] = {0x00, 0x00, 0x00, 0x00, 0xF0, 0x03, 0x10, 0x02, 0x10, 0x02, 0x10, 0x02,
                                     0x10, 0x02, 0xFF, 0xFF, 0x10, 0x02, 0x10, 0x02, 0x10, 0x02, 0x10, 0x02,
                                     0xF0, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    double lit = 1, dark = 0;
    for (int col = 0; col < 16; ++col)
        for (int row = 0; row < 16; ++row) {
            const bool on = (row < 8 ? glyph[2 * col] >> row : glyph[2 * col + 1] >> (row - 8)) & 1;
            const double b = s.matrix[size_t(row)][size_t(col)];
            (on ? lit : dark) = on ? std::min(lit, b) : std::max(dark, b);
        }
    EXPECT_GT(lit, 0.04);     // every column lit about 1/16 of the time, evenly
    EXPECT_LT(dark, lit / 4); // and nothing between them
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, LcdWritesBothLines) {
    auto m = start("014.json");
    m->runFor(300 * kMillisecond);
    const Snapshot s = m->snapshot();
    ASSERT_EQ(s.lcdLines.size(), 2u);
    EXPECT_TRUE(s.lcdOn);
    EXPECT_EQ(s.lcdLines[0], "QK LAB 51 LCD   ");
    EXPECT_EQ(s.lcdLines[1], "HELLO STUDENT   ");
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, StepperTurnsTheWayK1Says) {
    auto m = start("015.json");
    m->set("K1", 1);
    m->runFor(500 * kMillisecond);
    const double forward = m->snapshot().stepper->rpm;
    m->set("K1", 0);
    m->runFor(500 * kMillisecond);
    const double backward = m->snapshot().stepper->rpm;
    EXPECT_GT(forward, 0);
    EXPECT_LT(backward, 0);
    EXPECT_NEAR(forward, -backward, std::fabs(forward) * 0.05);
}

TEST(Experiments, DcMotorSpeedFollowsTheDutyK2K1Choose) {
    auto m = start("016.json");
    std::vector<double> speeds;
    for (int k = 0; k < 4; ++k) {
        m->set("K1", k & 1);
        m->set("K2", (k >> 1) & 1);
        m->runFor(3 * kSecond); // several time constants of the motor
        speeds.push_back(m->snapshot().dcMotor->rpm);
    }
    ASSERT_GT(speeds[3], 0);
    for (int k = 0; k < 4; ++k) // 25, 50, 75, 100 %
        EXPECT_NEAR(speeds[size_t(k)] / speeds[3], 0.25 * (k + 1), 0.03) << "K2K1 = " << k;
}

TEST(Experiments, RelaySwitchesL1AndL2EveryTwoSeconds) {
    auto m = start("017.json");
    const auto changes = lampChanges(*m, 6500 * kMillisecond);
    ASSERT_GE(changes.size(), 4u);
    EXPECT_EQ(changes[0].second, 0b01u); // energised first: the normally open contact lights L1
    for (std::size_t i = 1; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].second, i % 2 ? 0b10u : 0b01u);
        EXPECT_NEAR(toSeconds(changes[i].first - changes[i - 1].first), 2.0, 0.02);
    }
}

TEST(Experiments, SpeakerPlaysTheTuneFromItsToneTable) {
    auto m = start("018.json");
    // The first notes: do re mi do at 150 ms a beat, two beats each, with 20 ms between notes.
    std::vector<double> heard;
    watch(*m, 1300 * kMillisecond, 10 * kMillisecond, [&](const Snapshot& s) {
        if (s.speakerHz > 0 && (heard.empty() || std::fabs(heard.back() - s.speakerHz) > 5))
            heard.push_back(s.speakerHz);
    });
    ASSERT_GE(heard.size(), 4u);
    // T0 reloads 65536 - 500000/f in the interrupt, a few cycles late: within 1 % of the table.
    const double expected[] = {262, 294, 330, 262};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(heard[size_t(i)], expected[i], expected[i] * 0.01) << "note " << i;
}

TEST(Experiments, EepromCountsTheStartsAcrossResets) {
    auto m = start("019.json");
    // A new 24C02 holds FFH: the first start writes back 00H, then each reset adds one.
    EXPECT_EQ(lampsAfter(*m, 100 * kMillisecond), 0x00u);
    for (unsigned count = 1; count <= 3; ++count) {
        m->reset();
        EXPECT_EQ(lampsAfter(*m, 100 * kMillisecond), count);
    }
    EXPECT_EQ(noEvents(*m), "");
}

TEST(Experiments, Ds18b20TemperatureOnTheRightDigits) {
    auto m = start("020.json");
    ASSERT_TRUE(m->set("TEMP", 25.5));
    const std::string shown = digitsAfter(*m, 3 * kSecond);
    EXPECT_EQ(shown.substr(shown.size() - 2), "25") << shown;
    m->set("TEMP", 31.0);
    const std::string warmer = digitsAfter(*m, 3 * kSecond);
    EXPECT_EQ(warmer.substr(warmer.size() - 2), "31") << warmer;
    EXPECT_EQ(noEvents(*m), "");
}
