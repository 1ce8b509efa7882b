// The two chips only the 8088 experiments use, held to their data sheets: Intel's 8259A (programmable
// interrupt controller) and Intel's 8251A (programmable communication interface).
#include "sim/devices/Pic8259.h"
#include "sim/devices/Usart8251.h"

#include "tests/sim/support/DeviceTestHost.h"

#include <gtest/gtest.h>

using namespace sim;
using simtest::DeviceTestHost;

namespace {

constexpr Time us = kMicrosecond;

struct Pic {
    Pic8259 chip{"pic"};
    DeviceTestHost host{chip};
    Time t = 0;

    Pic() {
        host.setLevel("INTA", true, 0);
        for (int i = 0; i < 8; ++i)
            host.setLevel("IR" + std::to_string(i), false, 0);
        chip.reset(0);
    }
    void out(int a0, std::uint8_t v) { chip.write(std::uint32_t(a0), v, t += us); }
    std::uint8_t in(int a0) { return chip.read(std::uint32_t(a0), t += us); }
    void ir(int n, bool high) { host.setLevel("IR" + std::to_string(n), high, t += us); }
    bool intHigh() const { return host.drivenHigh("INT"); }
    // The 8086-mode INTA sequence: two pulses; the vector comes back on the second. -1: nothing sent.
    int inta() {
        const std::size_t before = host.sent.size();
        for (int pulse = 0; pulse < 2; ++pulse) {
            host.setLevel("INTA", false, t += us);
            host.setLevel("INTA", true, t += us);
        }
        return host.sent.size() == before + 1 ? host.sent.back().second.data : -1;
    }
    // 8259.asm's initialisation: edge, single, ICW4; vectors 08H-0FH; 8086 mode; the given mask.
    void init(std::uint8_t icw1 = 0x13, std::uint8_t icw4 = 0x01, std::uint8_t mask = 0x00) {
        out(0, icw1);
        out(1, 0x08);
        out(1, icw4);
        out(1, mask);
    }
};

TEST(Pic8259, EdgeRequestInterruptsOnceAndEoiOpensTheLevelAgain) {
    Pic p;
    p.ir(3, true);
    EXPECT_FALSE(p.intHigh()) << "no INT before the ICWs";
    p.init(0x13, 0x01, 0xF7); // ICW1 clears the edge latches: the old high is no request
    EXPECT_FALSE(p.intHigh());
    p.ir(3, false);
    p.ir(2, true);
    EXPECT_FALSE(p.intHigh()) << "IR2 is masked by OCW1 F7H";
    p.ir(3, true);
    ASSERT_TRUE(p.intHigh());
    EXPECT_EQ(p.inta(), 0x0B); // ICW2 08H + IR3
    EXPECT_EQ(p.chip.isr(), 0x08);
    EXPECT_FALSE(p.intHigh()) << "taken: the IRR bit is cleared";
    p.ir(3, false);
    p.ir(3, true); // a new edge while IR3 is in service
    EXPECT_FALSE(p.intHigh()) << "the same level waits for its EOI";
    p.out(0, 0x20); // OCW2: non-specific EOI
    EXPECT_EQ(p.chip.isr(), 0x00);
    EXPECT_TRUE(p.intHigh());
    // OCW3 0AH reads the IRR, 0BH the ISR; A0=1 reads the IMR.
    p.out(0, 0x0A);
    EXPECT_EQ(p.in(0), 0x0C) << "the IRR holds masked requests too";
    EXPECT_EQ(p.in(1), 0xF7);
}

TEST(Pic8259, FullyNestedPrioritiesRotationAndSpecificEoi) {
    Pic p;
    p.init();
    p.ir(5, true);
    p.ir(1, true);
    EXPECT_EQ(p.inta(), 0x09) << "IR0 highest, IR7 lowest after ICW1";
    EXPECT_FALSE(p.intHigh()) << "IR5 waits below IR1 in service";
    p.ir(0, true);
    EXPECT_TRUE(p.intHigh()) << "IR0 is above IR1: it nests";
    EXPECT_EQ(p.inta(), 0x08);
    EXPECT_EQ(p.chip.isr(), 0x03);
    p.out(0, 0x61); // specific EOI for IR1, the lower of the two in service
    EXPECT_EQ(p.chip.isr(), 0x01);
    p.out(0, 0x20);
    EXPECT_EQ(p.inta(), 0x0D);
    p.out(0, 0xA0); // rotate on non-specific EOI: IR5 becomes the lowest, IR6 the highest
    p.ir(4, false), p.ir(4, true);
    p.ir(6, true);
    EXPECT_EQ(p.inta(), 0x0E);
    p.out(0, 0xC3); // set priority: IR3 lowest, IR4 highest
    p.out(0, 0x66); // specific EOI for IR6
    EXPECT_EQ(p.inta(), 0x0C);
}

TEST(Pic8259, LevelModeAutoEoiPollAndTheDefaultIr7) {
    Pic level;
    level.init(0x1B); // LTIM: level triggered
    level.ir(2, true);
    EXPECT_EQ(level.inta(), 0x0A);
    level.out(0, 0x20);
    EXPECT_TRUE(level.intHigh()) << "a level still high asks again after the EOI";
    level.ir(2, false);
    EXPECT_FALSE(level.intHigh()) << "and stops asking when it falls";

    Pic aeoi;
    aeoi.init(0x13, 0x03); // ICW4 AEOI
    aeoi.ir(4, true);
    EXPECT_EQ(aeoi.inta(), 0x0C);
    EXPECT_EQ(aeoi.chip.isr(), 0x00) << "the ISR bit goes at the end of the second INTA pulse";

    Pic poll;
    poll.init();
    poll.ir(6, true);
    poll.out(0, 0x0C); // OCW3 poll
    EXPECT_EQ(poll.in(0), 0x86);
    EXPECT_EQ(poll.chip.isr(), 0x40);
    poll.out(0, 0x0C);
    EXPECT_EQ(poll.in(0), 0x00) << "no request: I bit clear";

    Pic spurious;
    spurious.init();
    spurious.ir(3, true);
    spurious.ir(3, false); // gone before INTA: the data sheet's default IR7, ISR left alone
    EXPECT_EQ(spurious.inta(), 0x0F);
    EXPECT_EQ(spurious.chip.isr(), 0x00);
}

struct Usart {
    Usart8251 chip{"usart"};
    DeviceTestHost host{chip};
    Time t = 0;

    explicit Usart(double clockHz = 115200) {
        host.setClock("TXC", clockHz, 0);
        host.setClock("RXC", clockHz, 0);
        chip.reset(0);
    }
    void control(std::uint8_t v) { chip.write(1, v, t += us); }
    std::uint8_t status() { return chip.read(1, t += us); }
    // 8251.asm's sequence: three 00H, internal reset, mode 4EH (async x16, 8 bits, no parity, 1 stop),
    // command 37H (TxEN, DTR, RxE, ER, RTS).
    void init(std::uint8_t command = 0x37) {
        for (const std::uint8_t v : {0x00, 0x00, 0x00, 0x40, 0x4E})
            control(v);
        control(command);
    }
};

TEST(Usart8251, ResetSequenceModeAndTransmitterTiming) {
    Usart u;
    u.init();
    EXPECT_DOUBLE_EQ(u.chip.baud(), 7200.0); // 115.2 kHz / 16
    EXPECT_EQ(u.status() & 0x07, 0x05) << "TxRDY and TxEMPTY";
    u.chip.write(0, 0x5A, u.t += us);
    const Time start = u.t;
    EXPECT_EQ(u.status() & 0x07, 0x01) << "the character went to the shift register: TxRDY, not TxEMPTY";
    u.chip.write(0, 0xA5, u.t += us);
    EXPECT_EQ(u.status() & 0x01, 0x00) << "the buffer holds the second character";
    u.host.advanceTo(start + fromSeconds(10.0 / 7200) + us); // start, 8 data, 1 stop at 7200 baud
    ASSERT_EQ(u.host.sent.size(), 1u);
    EXPECT_EQ(u.host.sent[0].second.data, 0x5A);
    EXPECT_DOUBLE_EQ(u.host.sent[0].second.baud, 7200.0);
    EXPECT_NEAR(toSeconds(u.host.sent[0].first - start), 10.0 / 7200, 1e-6);
    u.host.advanceTo(start + fromSeconds(20.0 / 7200) + us);
    ASSERT_EQ(u.host.sent.size(), 2u);
    EXPECT_EQ(u.host.sent[1].second.data, 0xA5);
    EXPECT_EQ(u.status() & 0x05, 0x05);
}

TEST(Usart8251, ReceiverStatusOverrunFramingAndErrorReset) {
    Usart u;
    u.init();
    const int rxd = u.chip.pin("RXD");
    u.chip.receive(rxd, Frame{0x41, 8, 7200}, u.t += us);
    EXPECT_EQ(u.status() & 0x02, 0x02) << "RxRDY";
    EXPECT_EQ(u.chip.read(0, u.t += us), 0x41);
    EXPECT_EQ(u.status() & 0x02, 0x00) << "reading the data clears RxRDY";
    u.chip.receive(rxd, Frame{0x42, 8, 7200}, u.t += us);
    u.chip.receive(rxd, Frame{0x43, 8, 7200}, u.t += us);
    EXPECT_EQ(u.status() & 0x10, 0x10) << "OE: a character arrived before the last was read";
    EXPECT_EQ(u.chip.read(0, u.t += us), 0x43);
    u.chip.receive(rxd, Frame{0x44, 8, 9600}, u.t += us);
    EXPECT_EQ(u.status() & 0x20, 0x20) << "FE: a 9600 baud character at 7200";
    u.control(0x37 | 0x10); // ER
    EXPECT_EQ(u.status() & 0x38, 0x00);

    Usart off;
    off.init(0x33); // TxEN without RxE: the receiver ignores the line; writes wait for TxEN
    off.chip.receive(off.chip.pin("RXD"), Frame{0x41, 8, 7200}, off.t += us);
    EXPECT_EQ(off.status() & 0x02, 0x00);

    Usart noClock(0); // TRXC not wired: nothing is sent, and the run says why
    noClock.init();
    noClock.chip.write(0, 0x55, noClock.t += us);
    noClock.host.advanceTo(noClock.t + fromSeconds(0.01));
    EXPECT_TRUE(noClock.host.sent.empty());
    ASSERT_FALSE(noClock.host.events.empty());
    EXPECT_NE(noClock.host.events[0].text.find("TxC"), std::string::npos);
}

} // namespace
