// The board parts, each against its data sheet where it has one, through the one-device test host.
// The serial-bus masters below replay 24c02.asm and ds18b20.asm routine by routine at the programs' own
// timing (12 MHz: one machine cycle a microsecond; a port write lands at the end of its instruction).
#include "sim/DeviceTypes.h"
#include "sim/devices/DcMotor.h"
#include "sim/devices/Divider393.h"
#include "sim/devices/Ds18b20.h"
#include "sim/devices/Eeprom24c02.h"
#include "sim/devices/Relay.h"
#include "sim/devices/StepperMotor.h"
#include "sim/devices/UartTerminal.h"
#include "tests/sim/support/DeviceTestHost.h"

#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace sim;
using simtest::DeviceTestHost;

namespace {

constexpr Time us = kMicrosecond;

// A port pin of the 8051 on an open-drain line: 1 leaves the line to the pull-up, 0 pulls it low.
struct PortPin {
    DeviceTestHost& host;
    Device& device;
    std::string pin;
    void write(bool one, Time t) {
        host.advanceTo(t);
        if (one)
            host.release(pin, t);
        else
            host.setLevel(pin, false, t);
    }
    bool read(Time t) {
        host.advanceTo(t);
        return host.level(device, device.pin(pin)).high;
    }
};

// 24c02.asm's routines: SCL on P1.0, SDA on P1.1; `t` runs in machine cycles.
struct I2cProgram {
    DeviceTestHost& host;
    PortPin scl, sda;
    Time t = 0;

    I2cProgram(DeviceTestHost& h, Device& d) : host(h), scl{h, d, "SCL"}, sda{h, d, "SDA"} {}
    void cycles(int n) { t += n * us; }
    void setScl(bool v) { cycles(1), scl.write(v, t); } // SETB/CLR bit: one cycle
    void setSda(bool v, int n = 1) { cycles(n), sda.write(v, t); }

    void start() { // LCALL START
        cycles(2);
        setSda(true), setScl(true), cycles(2), setSda(false), cycles(2), setScl(false);
        cycles(2);
    }
    void stop() { // LCALL STOPC
        cycles(2);
        setSda(false), setScl(true), cycles(2), setSda(true);
        cycles(2);
    }
    void clock() { cycles(2), setScl(true), cycles(2), setScl(false), cycles(2); }
    // LCALL SEND; returns the acknowledge bit the program lets pass by unread (true = ACK).
    bool send(std::uint8_t a) {
        cycles(2 + 1);
        for (int i = 7; i >= 0; --i) {
            cycles(1);               // RLC A
            setSda((a >> i) & 1, 2); // MOV SDA,C
            clock();
            cycles(2); // DJNZ R4
        }
        setSda(true);
        cycles(2), setScl(true);
        const bool ack = !sda.read(t + 1 * us);
        cycles(2), setScl(false), cycles(2);
        cycles(2);
        return ack;
    }
    std::uint8_t receive() { // LCALL RECV
        cycles(2);
        setSda(true), cycles(1);
        std::uint8_t a = 0;
        for (int i = 0; i < 8; ++i) {
            setScl(true), cycles(1); // SETB SCL, NOP
            a = std::uint8_t(a << 1 | (sda.read(t + 1 * us) ? 1 : 0));
            cycles(1 + 1);            // MOV C,SDA; RLC A
            setScl(false), cycles(2); // CLR SCL; DJNZ R4
        }
        cycles(2);
        return a;
    }
    std::uint8_t readByte(std::uint8_t address) { // RDBYTE
        start(), send(0xA0), send(address), start(), send(0xA1);
        const std::uint8_t a = receive();
        cycles(2), setSda(true), clock(), stop(), cycles(2 + 2);
        return a;
    }
    void writeByte(std::uint8_t address, std::uint8_t data) { // WRBYTE
        start(), send(0xA0), send(address), send(data), stop(), cycles(2);
    }
};

// The ds18b20.asm routines: DQ on P1.0.
struct OneWireProgram {
    DeviceTestHost& host;
    PortPin dq;
    Time t = 0;

    OneWireProgram(DeviceTestHost& h, Device& d) : host(h), dq{h, d, "DQ"} {}
    void cycles(int n) { t += n * us; }
    void setDq(bool v, int n = 1) { cycles(n), dq.write(v, t); }

    bool reset() { // true: a presence pulse was seen
        cycles(2);
        setDq(false), cycles(1 + 2 * 250), setDq(true), cycles(1 + 2 * 30);
        const bool present = !dq.read(t + 1 * us);
        cycles(1 + 1 + 2 * 200 + 2);
        return present;
    }
    void write(std::uint8_t a) {
        cycles(2 + 1);
        for (int i = 0; i < 8; ++i) {
            cycles(1);                       // RRC A
            setDq(false), cycles(2);         // CLR DQ; NOP NOP
            setDq((a >> i) & 1, 2);          // MOV DQ,C
            cycles(1 + 2 * 30), setDq(true); // MOV R6,#30; DJNZ; SETB DQ
            cycles(2);
        }
        cycles(2);
    }
    std::uint16_t read16() { // two bytes, low first
        const std::uint8_t low = read();
        return std::uint16_t(low | read() << 8);
    }
    std::uint8_t read() {
        cycles(2 + 1);
        std::uint8_t a = 0;
        for (int i = 0; i < 8; ++i) {
            setDq(false), cycles(2), setDq(true), cycles(4);             // CLR DQ; NOP NOP; SETB DQ; 4 NOP
            a = std::uint8_t(a >> 1 | (dq.read(t + 1 * us) ? 0x80 : 0)); // MOV C,DQ; RRC A
            cycles(1 + 1 + 1 + 2 * 25 + 2);
        }
        cycles(2);
        return a;
    }
};

// --- AT24C02 (Atmel data sheet: byte write, page write, random/sequential read, write cycle tWR) ----

TEST(Eeprom24c02, ProgramReadsIncrementsAndWritesBackAcrossBoots) {
    Eeprom24c02 rom("ic");
    DeviceTestHost host(rom);
    rom.reset(0);
    I2cProgram p(host, rom);
    p.t = 10 * us;
    EXPECT_EQ(p.readByte(0x00), 0xFF); // erased
    p.writeByte(0x00, 0x00);
    p.cycles(10'000); // the program's 10 ms wait covers tWR
    rom.reset(p.t);   // the reset key: the count is kept
    EXPECT_EQ(p.readByte(0x00), 0x00);
    p.writeByte(0x00, 0x01);
    p.cycles(10'000);
    EXPECT_EQ(rom.memory()[0], 0x01);
}

TEST(Eeprom24c02, AcknowledgesOnlyItsAddressAndNothingDuringTheWriteCycle) {
    Eeprom24c02 rom("ic", 2); // A1 high: 1010 010x
    DeviceTestHost host(rom);
    rom.reset(0);
    I2cProgram p(host, rom);
    p.start();
    EXPECT_FALSE(p.send(0xA0));
    p.stop();
    p.start();
    EXPECT_TRUE(p.send(0xA4));
    EXPECT_TRUE(p.send(0x30));
    EXPECT_TRUE(p.send(0x5A));
    p.stop();
    const Time stopAt = p.t;
    p.start();
    EXPECT_FALSE(p.send(0xA4)) << "acknowledge polling during tWR";
    p.stop();
    p.t = stopAt + Eeprom24c02::kWriteCycle;
    p.start();
    EXPECT_TRUE(p.send(0xA4));
    p.stop();
    EXPECT_EQ(rom.memory()[0x30], 0x5A);
}

TEST(Eeprom24c02, PageWriteWrapsInItsPageAndSequentialReadCrossesPages) {
    Eeprom24c02 rom("ic");
    DeviceTestHost host(rom);
    rom.reset(0);
    I2cProgram p(host, rom);
    p.start(), p.send(0xA0), p.send(0x0D);
    for (int i = 0; i < 10; ++i) // 0D 0E 0F, then 08 … 0E again
        EXPECT_TRUE(p.send(std::uint8_t(0xD0 + i)));
    p.stop();
    p.cycles(6000);
    const std::uint8_t page[] = {0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xD2};
    // Random read of 08H, then sequential into the next page, which the write left alone.
    p.start(), p.send(0xA0), p.send(0x08), p.start(), p.send(0xA1);
    for (int i = 0; i < 9; ++i) {
        const std::uint8_t b = p.receive();
        if (i < 8) {
            EXPECT_EQ(b, page[i]) << i;
            p.setSda(false), p.clock(); // the master's acknowledge
        } else {
            EXPECT_EQ(b, 0xFF);
            p.setSda(true), p.clock();
        }
    }
    p.stop();
    // A write ended by a repeated START instead of STOP writes nothing.
    p.start(), p.send(0xA0), p.send(0x40), p.send(0x11), p.start(), p.send(0xA1);
    p.receive();
    p.setSda(true), p.clock(), p.stop();
    EXPECT_EQ(rom.memory()[0x40], 0xFF);
    EXPECT_FALSE(rom.busy(p.t));
}

// --- DS18B20 (Maxim data sheet: reset/presence, time slots, ROM code, scratchpad, CRC) -------------

TEST(Ds18b20, PresencePulseFollowsAResetPulseOnly) {
    Ds18b20 ts("ds");
    DeviceTestHost host(ts);
    ts.reset(0);
    PortPin dq{host, ts, "DQ"};
    dq.write(false, 100 * us);
    dq.write(true, 500 * us); // 400 us: too short for tRSTL
    host.advanceTo(2000 * us);
    EXPECT_EQ(host.history("DQ").size(), 1u); // only the released line at power-on
    dq.write(false, 3000 * us);
    dq.write(true, 3480 * us);
    host.advanceTo(4000 * us);
    const auto& h = host.history("DQ");
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[1].second.strength, Strength::Low);
    const Time wait = h[1].first - 3480 * us, low = h[2].first - h[1].first;
    EXPECT_TRUE(wait >= 15 * us && wait <= 60 * us) << "tPDHIGH";
    EXPECT_TRUE(low >= 60 * us && low <= 240 * us) << "tPDLOW";
    EXPECT_EQ(h[2].second.strength, Strength::Off);
}

TEST(Ds18b20, ReadRomGivesFamilyCodeAndCrc) {
    // The CRC against the 1-wire application note's worked example (ROM 02 1C B8 01 00 00 00 -> A2H).
    const std::uint8_t example[] = {0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(Ds18b20::crc8(example, 7), 0xA2);

    Ds18b20 ts("ds", 0x123456789ABCull);
    DeviceTestHost host(ts);
    ts.reset(0);
    OneWireProgram p(host, ts);
    ASSERT_TRUE(p.reset());
    p.write(0x33);
    std::uint8_t code[8];
    for (auto& b : code)
        b = p.read();
    const std::uint8_t expected[8] = {0x28, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(code[i], expected[i]) << i;
    EXPECT_EQ(code[7], Ds18b20::crc8(code, 7));
    // MATCH ROM with another code drops the device out: READ SCRATCHPAD then reads all ones.
    ASSERT_TRUE(p.reset());
    p.write(0x55);
    for (int i = 0; i < 8; ++i)
        p.write(std::uint8_t(code[i] ^ (i == 3)));
    p.write(0xBE);
    EXPECT_EQ(p.read(), 0xFF);
}

TEST(Ds18b20, ProgramConvertsAndReadsTheTemperature) {
    // Data sheet table 1: +85 -> 0550H (power-on), +25.0625 -> 0191H, -10.125 -> FF5EH, -55 -> FC90H.
    EXPECT_EQ(std::uint16_t(Ds18b20::toRegister(-10.125, 12)), 0xFF5E);
    EXPECT_EQ(std::uint16_t(Ds18b20::toRegister(-55, 12)), 0xFC90);
    EXPECT_EQ(std::uint16_t(Ds18b20::toRegister(125, 12)), 0x07D0);

    Ds18b20 ts("ds");
    DeviceTestHost host(ts);
    ts.reset(0);
    ts.set("TEMP", 25.0625, 0);
    OneWireProgram p(host, ts);
    ASSERT_TRUE(p.reset());
    p.write(0xCC), p.write(0xBE);
    EXPECT_EQ(p.read16(), 0x0550);

    ASSERT_TRUE(p.reset());
    p.write(0xCC), p.write(0x44);
    const Time converting = p.t;
    EXPECT_EQ(p.read(), 0x00) << "busy while converting";
    p.t = converting + 750 * kMillisecond;
    EXPECT_EQ(p.read(), 0xFF) << "done after tCONV at 12 bits";

    ASSERT_TRUE(p.reset());
    p.write(0xCC), p.write(0xBE);
    std::uint8_t pad[9];
    for (auto& b : pad)
        b = p.read();
    EXPECT_EQ(pad[0] | pad[1] << 8, 0x0191);
    EXPECT_EQ(pad[4], 0x7F); // 12 bits at power-on
    EXPECT_EQ(Ds18b20::crc8(pad, 9), 0) << "the CRC byte closes the scratchpad";

    // 9 bits (R1 R0 = 00; the reserved bits stay as they are: 1FH): tCONV 93.75 ms, the low three bits 0.
    ASSERT_TRUE(p.reset());
    p.write(0xCC), p.write(0x4E), p.write(0x4B), p.write(0x46), p.write(0x00);
    ASSERT_TRUE(p.reset());
    p.write(0xCC), p.write(0x44);
    p.t += 94 * kMillisecond;
    EXPECT_EQ(p.read(), 0xFF);
    ASSERT_TRUE(p.reset());
    p.write(0xCC), p.write(0xBE);
    EXPECT_EQ(p.read16(), 0x0190);
    p.read16();
    EXPECT_EQ(p.read(), 0x1F);
}

// --- Motors, relay, divider: the models' defining behaviour ----------------------------------------

TEST(DcMotor, SettlesAtTheDutyShareOfFullSpeed) {
    // dcmotor.asm: 10 ms PWM period, 25/50/75/100 % high.
    for (int duty : {25, 50, 75, 100}) {
        DcMotor motor("dj", 3000, 0.3);
        DeviceTestHost host(motor);
        motor.reset(0);
        const Time period = 10 * kMillisecond;
        Snapshot s;
        for (int i = 0; i < 300; ++i) { // 3 s: ten time constants
            if (i == 290)
                motor.show(s, i * period, 0); // starts the last frame: ten whole periods
            host.setLevel("DJ", true, i * period);
            if (duty < 100)
                host.setLevel("DJ", false, i * period + period * duty / 100);
        }
        motor.show(s, 300 * period, 0);
        ASSERT_TRUE(s.dcMotor);
        EXPECT_NEAR(s.dcMotor->rpm, 30.0 * duty, 3000 * 0.002) << duty << " %";
    }
    // The lag: from rest, full drive reaches 1 - 1/e of full speed after one time constant.
    DcMotor motor("dj", 3000, 0.3);
    DeviceTestHost host(motor);
    motor.reset(0);
    host.setLevel("DJ", true, 0);
    EXPECT_NEAR(motor.rpm(fromSeconds(0.3)), 3000 * (1 - std::exp(-1.0)), 0.01);
    // and has turned the integral of that: 50 r/s x (t - tau (1 - e^-1)) = 5.52 turns.
    EXPECT_NEAR(motor.angle(fromSeconds(0.3)), std::fmod(50 * 0.3 * std::exp(-1.0) * 360, 360), 1e-6);
}

TEST(StepperMotor, PhaseOrderGivesDirection) {
    StepperMotor motor("sm");
    DeviceTestHost host(motor);
    motor.reset(0);
    const char* phases[] = {"HA", "HB", "HC", "HD"};
    Time t = 0;
    // P1's low four bits: one port write, seen one pin after the other at one time.
    auto put = [&](std::uint8_t code, bool fromHd = false) {
        for (int k = 0; k < 4; ++k) {
            const int i = fromHd ? 3 - k : k;
            host.setLevel(phases[i], (code >> i) & 1, t);
        }
        t += 5 * kMillisecond;
    };
    const std::uint8_t eight[] = {0x01, 0x03, 0x02, 0x06, 0x04, 0x0C, 0x08, 0x09}; // stepmotor.asm's table
    for (int i = 0; i < 17; ++i)
        put(eight[i % 8]);
    EXPECT_EQ(motor.halfSteps(), 16);
    Snapshot s;
    motor.show(s, t - 5 * kMillisecond, 0);
    ASSERT_TRUE(s.stepper);
    EXPECT_NEAR(s.stepper->rpm, 200.0 * StepperMotor::kDefaultStep / 360 * 60,
                1e-9); // 200 half steps a second
    for (int i = 16; i >= 0; --i)
        put(eight[i % 8]);
    EXPECT_EQ(motor.halfSteps(), 0);
    motor.show(s, t - 5 * kMillisecond, 0);
    EXPECT_LT(s.stepper->rpm, 0);
    // Full steps, two phases on (AB BC CD DA), pins in either order: two half steps each.
    for (std::uint8_t code : {0x03, 0x06, 0x0C, 0x09})
        put(code, code == 0x0C);
    EXPECT_EQ(motor.halfSteps(), 1 + 2 * 3);
    // The opposite phases (DA to BC) pull from neither side: no move, whatever the pins' order.
    put(0x06);
    put(0x09);
    put(0x06, true);
    EXPECT_EQ(motor.halfSteps(), 7);
    motor.show(s, t + kSecond, 0);
    EXPECT_EQ(s.stepper->rpm, 0);
}

TEST(Relay, ContactsFollowTheCoil) {
    Relay relay("k");
    DeviceTestHost host(relay);
    relay.reset(0);
    const auto jzjk = std::make_pair(host.index("JZ"), host.index("JK"));
    const auto jzjb = std::make_pair(host.index("JZ"), host.index("JB"));
    EXPECT_FALSE(host.switches.at(jzjk));
    EXPECT_TRUE(host.switches.at(jzjb));
    host.setLevel("JIN", true, kMillisecond); // relay.asm: SETB P1.0 energises it
    EXPECT_TRUE(host.switches.at(jzjk));
    EXPECT_FALSE(host.switches.at(jzjb));
    Snapshot s;
    relay.show(s, 2 * kMillisecond, 0);
    EXPECT_EQ(s.relays, std::vector<bool>{true});
    host.setLevel("JIN", false, 3 * kMillisecond);
    EXPECT_FALSE(host.switches.at(jzjk));
    EXPECT_TRUE(host.switches.at(jzjb));
}

TEST(Divider393, CountsFallingEdgesAndDividesRates) {
    Divider393 div("div");
    DeviceTestHost host(div);
    div.reset(0);
    for (int i = 1; i <= 6; ++i) { // 74LS393: the count advances on T's falling edge
        host.setLevel("T", true, i * 10 * us);
        EXPECT_EQ(div.count(), i - 1);
        host.setLevel("T", false, i * 10 * us + 5 * us);
    }
    EXPECT_TRUE(host.drivenHigh("T1") && host.drivenHigh("T2") && !host.drivenHigh("T0"));
    host.setClock("T", 8e6, 100 * us); // the 8M socket
    EXPECT_EQ(host.driven("T2").hz, 1e6);
    EXPECT_EQ(host.driven("T7").hz, 31250);
    // A slow rate: outputs below 1 kHz are made edge by edge (T7 from 1 kHz: 256 ms a period).
    host.setClock("T", 1000, kSecond);
    host.advanceTo(kSecond + 2 * kSecond);
    const auto& t7 = host.history("T7");
    ASSERT_GE(t7.size(), 4u);
    const Time half = t7.back().first - t7[t7.size() - 2].first;
    EXPECT_EQ(half, 128 * kMillisecond);
}

// --- The terminal ---------------------------------------------------------------------------------

TEST(UartTerminal, ReceivesAtItsBaudAndFlagsAnotherOne) {
    UartTerminal pc("pc", 2400);
    DeviceTestHost host(pc);
    pc.reset(0);
    pc.receive(pc.pin("TXD"), Frame{'Q', 8, 2403.8}, kMillisecond); // 12 MHz, TH1 = F3H: 0.16 % off
    pc.receive(pc.pin("TXD"), Frame{'K', 8, 4800}, 2 * kMillisecond);
    pc.receive(pc.pin("TXD"), Frame{'5', 8, 4800}, 3 * kMillisecond);
    EXPECT_EQ(pc.text(), "Q??");
    ASSERT_EQ(host.events.size(), 1u); // once for a run of bad frames
    EXPECT_EQ(host.events[0].text, "串口波特率不符：收到 4800 波特，终端为 2400 波特");
    // Typed bytes leave one after another, each a frame time (10 bits) long.
    pc.set("UART", 'A', 10 * kMillisecond);
    pc.set("UART", 'B', 10 * kMillisecond);
    host.advanceTo(20 * kMillisecond);
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.sent[0].second.data, 'A');
    EXPECT_EQ(host.sent[0].second.baud, 2400);
    EXPECT_EQ(host.sent[1].first - host.sent[0].first, fromSeconds(10.0 / 2400));
}

TEST(BoardPartTypes, WrongParametersAreNamed) {
    DeviceTypeTable types;
    addBoardPartTypes(types);
    for (const char* type : {"lamps", "switches", "pulse", "divider", "power", "pot", "clock", "stepper",
                             "dcmotor", "relay", "speaker", "amp", "uart", "eeprom24c02", "ds18b20"})
        ASSERT_TRUE(types.count(type)) << type;
    EXPECT_EQ(types.at("clock")("osc", QJsonObject{{"pin", "18432M"}, {"hz", 1843200}})->pins()[0].name,
              "18432M");
    auto complaint = [&](const char* type, const QJsonObject& params) {
        try {
            types.at(type)("u1", params);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(complaint("eeprom24c02", {{"address", 8}}), "设备 u1 的参数 address 应为 0 到 7 的整数");
    EXPECT_EQ(complaint("uart", {{"baud", "fast"}}), "设备 u1 的参数 baud 应为 50 到 10000000 之间的数");
    EXPECT_EQ(complaint("lamps", {{"cuont", 8}}), "设备 u1 没有参数 cuont");
}

} // namespace
