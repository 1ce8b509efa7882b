// The MCS-51 core held against ucsim's s51 (Debian sdcc-ucsim, run as a black box) on the lab's programs
// and on random instruction streams, and against the Intel MCS-51 data book where s51 cannot show a rule
// (pins driven from outside, the serial line, interrupt latency) or differs from it.
#include "sim/Core8051.h"

#include "sim/Core8051Sfr.h"
#include "sim/Mcs51Opcodes.h"
#include "support/As31Image.h"
#include "support/S51Reference.h"
#include "tests/support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

namespace {

using sim::Core8051;
using simtest::S51State;

// External RAM in an array; the ports and the serial line as the test wants to see them.
struct RamIo : Core8051::Io {
    std::vector<std::uint8_t> xram = std::vector<std::uint8_t>(0x10000, 0);
    std::vector<std::pair<int, std::uint8_t>> portWrites;
    struct Sent {
        std::uint16_t data;
        int bits;
        double baud;
        std::uint64_t cycle;
    };
    std::vector<Sent> sent;
    const Core8051* core = nullptr;

    std::uint8_t xread(std::uint16_t address) override { return xram[address]; }
    void xwrite(std::uint16_t address, std::uint8_t value) override { xram[address] = value; }
    void portWritten(int port, std::uint8_t latch) override { portWrites.emplace_back(port, latch); }
    void serialSent(std::uint16_t data, int bits, double baud) override {
        sent.push_back({data, bits, baud, core ? core->cycles() : 0});
    }
};

// Runs whole instructions until the core has executed `count` of them (an interrupt's call to its
// vector is not an instruction; one pending at the end is left pending, as s51 leaves it), and in idle
// mode on to the cycle `cycles` (s51 steps idle cycles one by one).
void runTo(Core8051& core, std::uint64_t count, std::uint64_t cycles) {
    const std::uint64_t limit = std::max(cycles, core.cycles() + 4 * (count - std::min(count, core.instructions()))) + 64;
    while ((core.instructions() < count || ((core.sfr(0x87) & sim::sfr::IDL) && core.cycles() < cycles)) &&
           !core.stopped() && core.cycles() < limit)
        core.run(core.cycles() + 1);
}

// Registers s51 and the core both hold (SFR addresses the 8052 does not decode are left out).
constexpr int kComparedSfrs[] = {0x80, 0x81, 0x82, 0x83, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x90, 0x98,
                                 0x99, 0xA0, 0xA8, 0xB0, 0xB8, 0xC8, 0xCA, 0xCB, 0xCC, 0xCD, 0xD0, 0xE0, 0xF0};

std::string hex2(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02X", v);
    return b;
}

// The differences between the core and s51's state, one line each (empty when none).
std::string differences(const Core8051& core, const RamIo& io, const S51State& ref) {
    std::ostringstream out;
    if (core.instructions() != ref.instructions)
        out << "instructions " << core.instructions() << " vs s51 " << ref.instructions << "\n";
    if (core.pc() != ref.pc)
        out << "PC " << hex2(core.pc() >> 8) << hex2(core.pc() & 0xFF) << " vs s51 " << hex2(ref.pc >> 8)
            << hex2(ref.pc & 0xFF) << (ref.pc > 0xFFFF ? " (s51 ran past FFFFH)" : "") << "\n";
    if (core.cycles() != ref.cycles)
        out << "cycles " << core.cycles() << " vs s51 " << ref.cycles << "\n";
    for (int a = 0; a < 256; ++a)
        if (core.iram(a) != ref.iram[std::size_t(a)])
            out << "iram " << hex2(unsigned(a)) << ": " << hex2(core.iram(a)) << " vs s51 " << hex2(ref.iram[std::size_t(a)]) << "\n";
    for (const int a : kComparedSfrs) {
        const std::uint8_t ours = core.sfr(a), theirs = ref.sfr[std::size_t(a - 0x80)];
        if (ours != theirs)
            out << "sfr " << hex2(unsigned(a)) << ": " << hex2(ours) << " vs s51 " << hex2(theirs) << "\n";
    }
    if (!ref.xram.empty())
        for (std::size_t a = 0; a < ref.xram.size(); ++a)
            if (io.xram[a] != ref.xram[a])
                out << "xram " << hex2(unsigned(a >> 8)) << hex2(unsigned(a & 0xFF)) << ": " << hex2(io.xram[a])
                    << " vs s51 " << hex2(ref.xram[a]) << "\n";
    return out.str();
}

// Runs an image on s51 and on the core to the same checkpoints; returns a description of the first
// checkpoint where they differ (empty when they agree at all of them).
std::string compareWithS51(const std::vector<std::uint8_t>& image, const std::vector<std::uint64_t>& steps,
                           bool xram) {
    QString error;
    const std::vector<S51State> reference = simtest::runS51(image, steps, xram, &error);
    if (reference.empty())
        return "s51: " + error.toStdString();
    RamIo io;
    Core8051 core(io);
    // Where s51 differs from the data book (README, "Differences from s51": interrupt latency and
    // priority, where an instruction acts within its cycles, pin sampling, serial bit times, register
    // bank and parity bits, leaving idle), the core takes s51's rule here; Core8051DataBook pins its own.
    core.setReferenceTiming(true);
    core.load(image);
    io.core = &core;
    for (std::size_t k = 0; k < reference.size(); ++k) {
        runTo(core, reference[k].instructions, reference[k].cycles);
        const std::string d = differences(core, io, reference[k]);
        if (!d.empty()) {
            std::string text = "at s51's step " + std::to_string(steps[k]) + " (instruction " +
                               std::to_string(reference[k].instructions) + "):\n" + d;
            if (text.size() > 2000)
                text = text.substr(0, 2000) + "…\n";
            return text;
        }
    }
    return {};
}

const std::vector<std::uint64_t> kCheckpoints = {10, 100, 1000, 10000, 100000, 1000000};

#define REQUIRE_S51()                                                                                         \
    if (simtest::s51Program().isEmpty())                                                                      \
    GTEST_SKIP() << "s51 (Debian package sdcc-ucsim, scripts/debian-packages.txt) is not installed"

TEST(Core8051VersusS51, LabProgramsAgreeAtEveryCheckpoint) {
    REQUIRE_S51();
    ASSERT_FALSE(simtest::as31Program().isEmpty()) << "as31 is missing (scripts/debian-packages.txt)";
    const QDir dir(testsupport::sourceDir() + "/data/asm/51");
    const QStringList files = dir.entryList({"*.asm"}, QDir::Files);
    ASSERT_GE(files.size(), 15);
    for (const QString& f : files) {
        QString log;
        const std::vector<std::uint8_t> image = simtest::assembleWithAs31(testsupport::readFile(dir.filePath(f)), &log);
        ASSERT_FALSE(image.empty()) << f.toStdString() << ": " << log.toStdString();
        EXPECT_EQ(compareWithS51(image, kCheckpoints, false), "") << f.toStdString();
    }
}

TEST(Core8051VersusS51, ArithmeticOnEveryAccumulatorValueAgrees) {
    REQUIRE_S51();
    ASSERT_FALSE(simtest::as31Program().isEmpty()) << "as31 is missing (scripts/debian-packages.txt)";
    // Every result and PSW into external RAM: DA for every A under each AC/CY pair; ADD, ADDC, SUBB
    // (borrow clear and set), MUL and DIV for every A against sixteen operands (the corners of the
    // nibbles, of the sign and of BCD). Random programs rarely carry such a corner to a byte compared.
    QString log;
    const std::vector<std::uint8_t> image = simtest::assembleWithAs31(R"(
        ORG 0
        MOV 40H,#00H
        MOV 41H,#01H
        MOV 42H,#02H
        MOV 43H,#07H
        MOV 44H,#08H
        MOV 45H,#09H
        MOV 46H,#0FH
        MOV 47H,#10H
        MOV 48H,#3FH
        MOV 49H,#40H
        MOV 4AH,#7FH
        MOV 4BH,#80H
        MOV 4CH,#81H
        MOV 4DH,#99H
        MOV 4EH,#0FEH
        MOV 4FH,#0FFH
        MOV DPTR,#0
        MOV R2,#0
DAA:    MOV R4,#0
DAF:    MOV PSW,R4
        MOV A,R2
        DA A
        LCALL PUT
        MOV A,R4
        ADD A,#40H
        MOV R4,A
        JNZ DAF
        INC R2
        CJNE R2,#0,DAA
TWO:    MOV R0,#40H
OP:     MOV A,R2
        CLR C
        ADD A,@R0
        LCALL PUT
        MOV A,R2
        SETB C
        ADDC A,@R0
        LCALL PUT
        MOV A,R2
        CLR C
        SUBB A,@R0
        LCALL PUT
        MOV A,R2
        SETB C
        SUBB A,@R0
        LCALL PUT
        MOV A,R2
        MOV B,@R0
        MUL AB
        LCALL PUTB
        MOV A,R2
        MOV B,@R0
        DIV AB
        LCALL PUTB
        INC R0
        CJNE R0,#50H,OP
        INC R2
        CJNE R2,#0,TWO
        SJMP $
PUTB:   PUSH PSW
        MOVX @DPTR,A
        INC DPTR
        MOV A,B
        MOVX @DPTR,A
        INC DPTR
        POP ACC
        MOVX @DPTR,A
        INC DPTR
        RET
PUT:    MOVX @DPTR,A
        INC DPTR
        MOV A,PSW
        MOVX @DPTR,A
        INC DPTR
        RET
        END
)",
                                                                      &log);
    ASSERT_FALSE(image.empty()) << log.toStdString();
    EXPECT_EQ(compareWithS51(image, {1000, 100000, 400000}, true), "");
}

TEST(Core8051VersusS51, IdleAndPowerDownAgree) {
    REQUIRE_S51();
    ASSERT_FALSE(simtest::as31Program().isEmpty()) << "as31 is missing (scripts/debian-packages.txt)";
    // Idle until timer 0's interrupt, twenty times, then power-down (the random programs leave PCON out).
    QString log;
    const std::vector<std::uint8_t> image = simtest::assembleWithAs31("        ORG 0\n"
                                                                      "        LJMP MAIN\n"
                                                                      "        ORG 0BH\n"
                                                                      "        INC R2\n"
                                                                      "        RETI\n"
                                                                      "        ORG 40H\n"
                                                                      "MAIN:   MOV TMOD,#02H\n"
                                                                      "        MOV TH0,#9CH\n"
                                                                      "        MOV IE,#82H\n"
                                                                      "        SETB TR0\n"
                                                                      "LOOP:   ORL PCON,#01H\n"
                                                                      "        INC R3\n"
                                                                      "        CJNE R3,#20,LOOP\n"
                                                                      "        ORL PCON,#02H\n"
                                                                      "        SJMP $\n",
                                                                      &log);
    ASSERT_FALSE(image.empty()) << log.toStdString();
    EXPECT_EQ(compareWithS51(image, {10, 100, 1000, 2000, 3000, 10000}, false), "");
}

// A random program filling the whole 64 KiB, so that every jump, call and return lands in it: valid
// opcodes in sequence, never A5H (not even as an operand byte, so that a jump into the middle of an
// instruction does not stop the core); direct operands aimed at the internal RAM and at the SFRs the
// 8052 decodes (IE, IP and the interrupt flags among them), bit operands likewise. PCON is left out
// (idle and power-down are compared apart).
// s51 does not wrap code addresses at FFFFH (see README, "Differences from s51"), so no execution may
// cross it: the last page holds NOPs up to a RET and no jumps, and the first page holds NOPs, which is
// what s51 reads past FFFFH (a MOVC there reads 00H in both).
std::vector<std::uint8_t> randomProgram(std::uint32_t seed) {
    std::mt19937 random(seed);
    auto byte = [&] {
        std::uint8_t b;
        do
            b = std::uint8_t(random());
        while (b == 0xA5);
        return b;
    };
    static constexpr std::uint8_t kSfrs[] = {0x80, 0x81, 0x82, 0x83, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x90,
                                             0x98, 0x99, 0xA0, 0xA8, 0xB0, 0xB8, 0xC8, 0xCA, 0xCB, 0xCC, 0xCD,
                                             0xD0, 0xE0, 0xF0};
    static constexpr std::uint8_t kBitSfrs[] = {0x80, 0x88, 0x90, 0x98, 0xA0, 0xA8, 0xB0, 0xB8, 0xC8, 0xD0, 0xE0, 0xF0};
    auto direct = [&] { return random() % 100 < 55 ? std::uint8_t(random() % 0x80) : kSfrs[random() % std::size(kSfrs)]; };
    auto bit = [&] {
        std::uint8_t b;
        do
            b = random() % 2 ? std::uint8_t(random() % 0x80)
                             : std::uint8_t(kBitSfrs[random() % std::size(kBitSfrs)] | (random() % 8));
        while (b == 0xA5); // P2.5
        return b;
    };
    std::vector<std::uint8_t> image(0x100, 0x00);
    image.reserve(0x10000);
    while (image.size() < 0xFF00) {
        std::uint8_t op;
        do
            op = std::uint8_t(random());
        while (op == 0xA5);
        image.push_back(op);
        for (const sim::mcs51::Operand o : sim::mcs51::kOpcodes[op].operands) {
            using sim::mcs51::Operand;
            switch (o) {
            case Operand::Direct: image.push_back(direct()); break;
            case Operand::Bit: case Operand::NotBit: image.push_back(bit()); break;
            case Operand::Imm8: case Operand::Rel: case Operand::Addr11: image.push_back(byte()); break;
            case Operand::Imm16: case Operand::Addr16: image.push_back(byte()); image.push_back(byte()); break;
            default: break;
            }
        }
    }
    image.resize(0xFF00);
    image.resize(0x10000, 0x00);
    image.back() = 0x22;
    return image;
}

TEST(Core8051VersusS51, RandomInstructionStreamsAgreeAtEveryCheckpoint) {
    REQUIRE_S51();
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u})
        EXPECT_EQ(compareWithS51(randomProgram(seed), kCheckpoints, true), "") << "seed " << seed;
}

// ---------------------------------------------------------------------------------------------------
// Rules of the Intel MCS-51 data book that the comparison cannot show (pins and serial lines driven from
// outside) or where s51 differs from it (README, "Differences from s51"); the core runs with its own
// timing here.

// A program in the lab's dialect, assembled by as31, on a core of its own.
struct Program {
    RamIo io;
    Core8051 core{io};
    explicit Program(const char* source, double crystal = 12e6) {
        QString log;
        const std::vector<std::uint8_t> image = simtest::assembleWithAs31(source, &log);
        EXPECT_FALSE(image.empty()) << log.toStdString();
        core.load(image);
        core.setCrystal(crystal);
        io.core = &core;
    }
    // Instruction by instruction (an interrupt's call counts as one) until the PC is `pc`.
    void runToPc(std::uint16_t pc, std::uint64_t within = 100000) {
        const std::uint64_t limit = core.cycles() + within;
        while (core.pc() != pc && core.cycles() < limit)
            core.run(core.cycles() + 1);
    }
    void runFor(std::uint64_t cycles) { core.run(core.cycles() + cycles); }
    std::uint8_t operator[](int address) const { return core.iram(address); }
};

#define REQUIRE_AS31() ASSERT_FALSE(simtest::as31Program().isEmpty()) << "as31 is missing (scripts/debian-packages.txt)"

TEST(Core8051DataBook, UndefinedOpcodeStopsTheCoreUntilReset) {
    // A5H is the one opcode the data book leaves undefined: the core stops on it and names it.
    RamIo io;
    Core8051 core(io);
    std::vector<std::uint8_t> image(0x123, 0x00); // NOPs
    image.push_back(0xA5);
    core.load(image);
    core.run(1000);
    EXPECT_TRUE(core.stopped());
    EXPECT_EQ(core.stopReason(), "非法指令 A5H，地址 0123H");
    EXPECT_EQ(core.pc(), 0x123);
    EXPECT_EQ(core.cycles(), 0x123u);
    core.run(2000); // nothing more happens
    EXPECT_EQ(core.cycles(), 0x123u);
    EXPECT_EQ(core.instructions(), 0x123u);
    core.reset();
    EXPECT_FALSE(core.stopped());
    EXPECT_EQ(core.pc(), 0);
    core.run(core.cycles() + 5);
    EXPECT_EQ(core.pc(), 5);
}

TEST(Core8051DataBook, CodeAddressesWrapAt64KAndCodeBeyondTheImageReadsFF) {
    // The PC and the MOVC address are 16 bits wide (s51 runs past FFFFH). Code memory past the image
    // reads FFH, MOV R7,A, which runs on as a chip would.
    RamIo io;
    Core8051 core(io);
    std::vector<std::uint8_t> movc = {0x90, 0xFF, 0xF0, // MOV DPTR,#0FFF0H
                                      0x74, 0x20,       // MOV A,#20H
                                      0x93,             // MOVC A,@A+DPTR: address 0010H
                                      0xF9,             // MOV R1,A
                                      0x80, 0xFE};      // SJMP $
    movc.resize(0x11, 0x00);
    movc[0x10] = 0x5A;
    core.load(movc);
    core.run(10);
    EXPECT_EQ(core.iram(1), 0x5A);

    std::vector<std::uint8_t> sjmp(0x10000, 0xFF);
    const std::uint8_t start[] = {0x02, 0xFF, 0xFE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  0x74, 0x77, 0x80, 0xFE}; // 0012H: MOV A,#77H; SJMP $
    std::copy(std::begin(start), std::end(start), sjmp.begin());
    sjmp[0xFFFE] = 0x80; // SJMP 0012H across FFFFH
    sjmp[0xFFFF] = 0x12;
    core.load(sjmp);
    core.reset();
    const std::uint64_t from = core.cycles();
    core.run(from + 5);
    EXPECT_EQ(core.pc(), 0x14);
    EXPECT_EQ(core.sfr(sim::sfr::ACC), 0x77);

    core.load({0x74, 0x05}); // MOV A,#5, then 65534 bytes of MOV R7,A to FFFFH, and round again
    core.reset();
    core.run(core.cycles() + 65535 + 1);
    EXPECT_FALSE(core.stopped());
    EXPECT_EQ(core.pc(), 2);
    EXPECT_EQ(core.iram(7), 5);
}

TEST(Core8051DataBook, SerialModeOneAt9600BaudFrom11059200Hz) {
    REQUIRE_AS31();
    // Timer 1 in mode 2 reloading FDH overflows every 3 cycles; without SMOD, 32 overflows make a bit
    // (9600 baud). TI comes at the 10th rollover of the divide-by-16 counter after the write to SBUF.
    Program p("        ORG 0\n"
              "        MOV TMOD,#20H\n"
              "        MOV TH1,#0FDH\n"
              "        MOV TL1,#0FDH\n"
              "        MOV SCON,#40H\n"   // mode 1
              "        SETB TR1\n"        // cycle 9 (it does not count itself)
              "        MOV A,#55H\n"      // cycle 10
              "SEND:   MOV SBUF,A\n"      // cycle 11
              "WAIT:   JNB TI,WAIT\n"
              "        CLR TI\n"
              "        INC A\n"
              "        SJMP SEND\n",
              11059200);
    p.runFor(5000);
    ASSERT_GE(p.io.sent.size(), 5u);
    // Overflow k comes in cycle 12 + 3(k-1); rollovers at every 32nd: the 10th after cycle 11 is
    // overflow 320, cycle 969 (the end of a JNB).
    EXPECT_EQ(p.io.sent[0].cycle, 969u);
    for (std::size_t i = 0; i < p.io.sent.size(); ++i) {
        EXPECT_EQ(p.io.sent[i].data, 0x55 + i);
        EXPECT_EQ(p.io.sent[i].bits, 8);
        EXPECT_DOUBLE_EQ(p.io.sent[i].baud, 9600.0);
    }
    // Back to back: ten bits of 96 cycles each (s51 takes 480 without SMOD); a JNB reports a cycle late.
    EXPECT_NEAR(double(p.io.sent[4].cycle - p.io.sent[0].cycle), 4 * 960.0, 1.0);
}

TEST(Core8051DataBook, SerialModesZeroAndTwoTiming) {
    REQUIRE_AS31();
    // Mode 0: TI at S1P1 of the 10th machine cycle after the write, bits at fosc/12. Mode 2: bits at
    // fosc/64 (fosc/32 with SMOD) on a divide-by-16 counter's rollovers, TI at the 11th after the write.
    // The programs end after the write: the FFH bytes after them run a cycle each.
    Program zero("        ORG 0\n"
                 "        MOV SCON,#00H\n"   // cycles 1-2
                 "        MOV SBUF,#0A5H\n"); // cycles 3-4: written in cycle 4
    zero.runFor(40);
    ASSERT_EQ(zero.io.sent.size(), 1u);
    EXPECT_EQ(zero.io.sent[0].data, 0xA5);
    EXPECT_DOUBLE_EQ(zero.io.sent[0].baud, 1e6);
    EXPECT_EQ(zero.io.sent[0].cycle, 14u);
    Program two("        ORG 0\n"
                "        MOV SCON,#88H\n"   // mode 2, TB8
                "        MOV SBUF,#5AH\n"); // written in cycle 4 (crystal period 48): rollovers every 64
    two.runFor(100);
    ASSERT_EQ(two.io.sent.size(), 1u);
    EXPECT_EQ(two.io.sent[0].data, 0x15A);
    EXPECT_EQ(two.io.sent[0].bits, 9);
    EXPECT_DOUBLE_EQ(two.io.sent[0].baud, 12e6 / 64);
    EXPECT_EQ(two.io.sent[0].cycle, 59u); // the 11th rollover: crystal period 704, in cycle 59
    Program fast("        ORG 0\n"
                 "        MOV PCON,#80H\n"
                 "        MOV SCON,#80H\n"
                 "        MOV SBUF,#5AH\n"); // written in cycle 6 (period 72): rollovers every 32
    fast.runFor(100);
    ASSERT_EQ(fast.io.sent.size(), 1u);
    EXPECT_DOUBLE_EQ(fast.io.sent[0].baud, 12e6 / 32);
    EXPECT_EQ(fast.io.sent[0].cycle, 35u); // the 11th rollover: period 96 + 320 = 416, in cycle 35
}

TEST(Core8051DataBook, ReceivedCharactersFollowRenRiAndSm2) {
    REQUIRE_AS31();
    // A character enters SBUF only with REN and RI clear; in mode 3 with SM2 only when its ninth bit is 1.
    Program p("        ORG 0\n"
              "        MOV SCON,#0F0H\n" // mode 3, SM2, REN
              "        SJMP $\n");
    p.runFor(10);
    p.core.receiveSerial(0x041, 9, 9600); // ninth bit 0: ignored under SM2
    EXPECT_EQ(p.core.sfr(sim::sfr::SCON) & sim::sfr::RI, 0);
    p.core.receiveSerial(0x142, 9, 9600);
    EXPECT_EQ(p.core.sfr(sim::sfr::SCON), 0xF5); // RI and RB8
    EXPECT_EQ(p.core.sfr(sim::sfr::SBUF), 0x42);
    p.core.receiveSerial(0x143, 9, 9600); // RI still set: lost
    EXPECT_EQ(p.core.sfr(sim::sfr::SBUF), 0x42);
}

TEST(Core8051DataBook, FallingEdgeAtInt0RequestsOnceAndALevelAsLongAsItLasts) {
    REQUIRE_AS31();
    // Edge-triggered: a high-to-low change of P3.2 between two samples sets IE0, which the call to the
    // vector clears. Level-triggered: the pin low requests; IE0 follows the pin (s51 keeps it set).
    const char* source = "        ORG 0\n"
                         "        LJMP MAIN\n"
                         "        ORG 03H\n"
                         "        INC R2\n"
                         "        RETI\n"
                         "        ORG 30H\n"
                         "MAIN:   MOV TCON,#%02XH\n"
                         "        MOV IE,#81H\n"
                         "        SJMP $\n";
    char text[256];
    std::snprintf(text, sizeof text, source, 0x01);
    Program edge(text);
    edge.runFor(100);
    edge.core.setPins(3, 0xFB);
    EXPECT_EQ(edge.core.sfr(sim::sfr::TCON) & sim::sfr::IE0, 0); // sampled in the next cycle (s51: at once)
    edge.runFor(20);
    EXPECT_EQ(edge[2], 1);
    EXPECT_EQ(edge.core.sfr(sim::sfr::TCON) & sim::sfr::IE0, 0);
    edge.runFor(100); // still low: no new edge
    EXPECT_EQ(edge[2], 1);
    edge.core.setPins(3, 0xFF);
    edge.runFor(5);
    edge.core.setPins(3, 0xFB);
    edge.runFor(20);
    EXPECT_EQ(edge[2], 2);

    std::snprintf(text, sizeof text, source, 0x00);
    Program level(text);
    level.runFor(100);
    level.core.setPins(3, 0xFB);
    level.runFor(100);
    EXPECT_GE(level[2], 5); // again and again while low
    EXPECT_NE(level.core.sfr(sim::sfr::TCON) & sim::sfr::IE0, 0);
    level.core.setPins(3, 0xFF);
    level.runFor(10);
    const std::uint8_t count = level[2];
    EXPECT_EQ(level.core.sfr(sim::sfr::TCON) & sim::sfr::IE0, 0);
    level.runFor(100);
    EXPECT_EQ(level[2], count);
}

TEST(Core8051DataBook, InterruptLatency) {
    REQUIRE_AS31();
    // Flags are sampled at S5P2 and polled in the next cycle, which must be an instruction's last: a flag
    // written by an instruction is seen only after the instruction after next (if that one is a single
    // cycle), a timer overflow in an instruction's last cycle after the next instruction. The call to
    // the vector takes two cycles. Writes to IE or IP (bit writes too) hold the next poll back.
    const char* isr = "        ORG 0\n"
                      "        LJMP MAIN\n"
                      "        ORG 0BH\n"
                      "        MOV 30H,R0\n"
                      "        MOV 31H,R1\n"
                      "        MOV 32H,R2\n"
                      "        SJMP $\n"
                      "        ORG 40H\n"
                      "MAIN:   ";
    Program written((std::string(isr) + "MOV IE,#82H\n"  // cycles 3-4
                                        "        SETB TF0\n"  // 5
                                        "        INC R0\n"    // 6: TF0 sampled
                                        "        INC R1\n"    // 7: polled
                                        "        INC R2\n"
                                        "        SJMP $\n").c_str());
    written.runToPc(0x0B);
    EXPECT_EQ(written.core.cycles(), 9u); // 7 + the two cycles of the call
    written.runFor(10);
    EXPECT_EQ(written[0x30], 1);
    EXPECT_EQ(written[0x31], 1);
    EXPECT_EQ(written[0x32], 0);

    Program overflow((std::string(isr) + "MOV TMOD,#02H\n"
                                         "        MOV TL0,#0FEH\n"
                                         "        MOV IE,#82H\n"
                                         "        SETB TR0\n"  // its own cycle is not counted
                                         "        NOP\n"       // TL0 = FFH
                                         "        NOP\n"       // overflow in its last cycle
                                         "        INC R0\n"
                                         "        INC R1\n"
                                         "        SJMP $\n").c_str());
    overflow.runFor(40);
    EXPECT_EQ(overflow[0x30], 1); // s51 calls right after the second NOP
    EXPECT_EQ(overflow[0x31], 0);

    Program enable((std::string(isr) + "MOV IE,#02H\n"
                                       "        SETB TF0\n"
                                       "        NOP\n"
                                       "        NOP\n"
                                       "        SETB EA\n"  // a bit write to IE
                                       "        INC R0\n"
                                       "        INC R1\n"
                                       "        SJMP $\n").c_str());
    enable.runFor(40);
    EXPECT_EQ(enable[0x30], 1); // s51 calls right after SETB EA
    EXPECT_EQ(enable[0x31], 0);
}

TEST(Core8051DataBook, AnInstructionWritesInItsLastCycle) {
    REQUIRE_AS31();
    // A write lands at S6P2 of the instruction's last cycle, after that cycle's timer count: a running
    // timer written by a 2-cycle MOV holds the value written (s51 has counted once more).
    Program p("        ORG 0\n"
              "        MOV TMOD,#01H\n"
              "        SETB TR0\n"
              "        NOP\n"
              "        MOV TL0,#10H\n"
              "        MOV A,TL0\n"   // reads after its own count
              "        MOV R0,A\n"
              "        SJMP $\n");
    p.runFor(9);
    EXPECT_EQ(p[0], 0x11);
}

TEST(Core8051DataBook, PrioritiesNestAndPollingOrderDecidesWithinALevel) {
    REQUIRE_AS31();
    // Each routine logs its number at @R0. A high-priority request (INT1) interrupts a low-priority
    // routine (timer 0) at once; a low one (INT0) waits for its RETI. With nothing running, of two
    // requests the high one goes first (s51 calls the first in polling order and lets the high one
    // interrupt it). A write to IP holds the next poll back for one instruction.
    Program p("        ORG 0\n"
              "        LJMP MAIN\n"
              "        ORG 03H\n"
              "        MOV @R0,#1\n"
              "        INC R0\n"
              "        RETI\n"
              "        ORG 0BH\n"
              "        LJMP T0ISR\n"
              "        ORG 13H\n"
              "        MOV @R0,#3\n"
              "        INC R0\n"
              "        RETI\n"
              "        ORG 40H\n"
              "MAIN:   MOV R0,#50H\n"
              "        MOV TCON,#05H\n"   // both edge-triggered
              "        MOV IP,#04H\n"     // INT1 high
              "        MOV IE,#87H\n"
              "        SETB TF0\n"
              "LOOP:   SJMP LOOP\n"
              "T0ISR:  MOV @R0,#2\n"
              "        INC R0\n"
              "        MOV R7,#100\n"
              "WAIT:   DJNZ R7,WAIT\n"
              "        MOV @R0,#22H\n"
              "        INC R0\n"
              "        RETI\n");
    p.runToPc(0x0B);
    p.runFor(50); // inside the timer routine's wait
    p.core.setPins(3, 0xF3); // INT0 and INT1 fall together
    p.runFor(400);
    p.core.setPins(3, 0xFF);
    p.runFor(10);
    p.core.setPins(3, 0xF3); // again, with nothing running
    p.runFor(100);
    const std::vector<std::uint8_t> log = {p[0x50], p[0x51], p[0x52], p[0x53], p[0x54], p[0x55]};
    EXPECT_EQ(log, (std::vector<std::uint8_t>{2, 3, 0x22, 1, 3, 1}));

    Program ip("        ORG 0\n"
               "        LJMP MAIN\n"
               "        ORG 0BH\n"
               "        LJMP T0ISR\n"
               "        ORG 13H\n"
               "        MOV 31H,30H\n"    // what the timer routine had done when INT1 came
               "        RETI\n"
               "        ORG 40H\n"
               "MAIN:   MOV TCON,#05H\n"
               "        MOV IE,#86H\n"
               "        SETB TF0\n"
               "        SJMP $\n"
               "T0ISR:  SETB 8BH\n"       // IE1, low: waits
               "        MOV IP,#04H\n"    // now high: one more instruction first
               "        MOV 30H,#21H\n"
               "        MOV 30H,#22H\n"
               "        RETI\n");
    ip.runFor(100);
    EXPECT_EQ(ip[0x31], 0x21);
}

TEST(Core8051DataBook, PortsReadPinsAndReadModifyWriteReadsTheLatch) {
    REQUIRE_AS31();
    // A source operand reads the pins; ANL/ORL/XRL, INC, DEC, DJNZ, JBC, CPL/CLR/SETB/MOV bit read the
    // latch. A port nothing drives from outside reads its latch. MOVX @Ri puts P2 on the high address.
    Program p("        ORG 0\n"
              "        MOV A,P1\n"
              "        MOV R1,A\n"
              "        CPL P1.7\n"
              "        MOV A,P1\n"
              "        MOV R2,A\n"
              "        INC P1\n"
              "        MOV P2,#12H\n"
              "        MOV P2,#12H\n"    // unchanged: not reported again
              "        MOV R0,#34H\n"
              "        MOVX A,@R0\n"
              "        MOV R3,A\n"
              "        MOV P3,#0F0H\n"
              "        MOV A,P3\n"
              "        MOV R4,A\n"
              "        SJMP $\n");
    p.io.xram[0x1234] = 0x5A;
    p.core.setPins(1, 0x0F); // the board pulls the upper four pins low
    p.runFor(30);
    EXPECT_EQ(p[1], 0x0F);
    EXPECT_EQ(p[2], 0x0F);
    EXPECT_EQ(p.core.sfr(0x90), 0x80); // FFH → CPL P1.7 → 7FH → INC → 80H, from the latch
    EXPECT_EQ(p[3], 0x5A);
    EXPECT_EQ(p[4], 0xF0);
    const std::vector<std::pair<int, std::uint8_t>> writes = {{1, 0x7F}, {1, 0x80}, {2, 0x12}, {3, 0xF0}};
    EXPECT_EQ(p.io.portWrites, writes);
}

TEST(Core8051DataBook, PswBankBitsAndParity) {
    REQUIRE_AS31();
    // RS0/RS1 select the register bank whichever instruction writes them (s51: byte writes only); P always
    // shows the parity of A (s51 keeps a P written to PSW until A is written).
    Program p("        ORG 0\n"
              "        SETB RS0\n"
              "        INC R0\n"          // 08H
              "        MOV PSW,#01H\n"    // A = 0: P reads 0
              "        MOV 30H,PSW\n"
              "        SJMP $\n");
    p.runFor(10);
    EXPECT_EQ(p[0x08], 1);
    EXPECT_EQ(p[0x00], 0);
    EXPECT_EQ(p[0x30], 0x00);
}

TEST(Core8051DataBook, CountersAndTimer2FollowTheirPins) {
    REQUIRE_AS31();
    // Counters count falling edges at T0 (P3.4) and T2 (P1.0), shown a cycle after the sample that saw
    // them (s51: rising edges for T0, cycles for timer 2). T2EX (P1.1) with EXEN2 captures in capture mode;
    // an edge while EXEN2 is clear is ignored (s51 keeps it). Timer 1 runs, out of its own mode 3, while
    // timer 0 is in mode 3 and TH0 holds TR1 (s51 still asks for TR1).
    Program p("        ORG 0\n"
              "        MOV TMOD,#05H\n"       // timer 0: counter, 16 bits
              "        SETB TR0\n"
              "        MOV T2CON,#06H\n"      // timer 2: counter, auto-reload, EXEN2 clear
              "        MOV R7,#100\n"
              "WAIT:   DJNZ R7,WAIT\n"
              "        MOV T2CON,#0DH\n"      // timer 2: timer, capture, EXEN2
              "        SJMP $\n");
    p.runFor(10);
    p.core.setPins(3, 0xEF); // T0 falls
    p.runFor(1);
    EXPECT_EQ(p.core.sfr(0x8A), 0);
    p.runFor(2);
    EXPECT_EQ(p.core.sfr(0x8A), 1);
    p.core.setPins(3, 0xFF); // rises: no count
    p.core.setPins(1, 0xFE); // T2 falls
    p.runFor(10);
    EXPECT_EQ(p.core.sfr(0x8A), 1);
    EXPECT_EQ(p.core.sfr(0xCC), 1);
    p.core.setPins(1, 0xFC); // T2EX falls while EXEN2 is clear
    p.runFor(300);
    EXPECT_EQ(p.core.sfr(0xC8) & sim::sfr::EXF2, 0);
    p.core.setPins(1, 0xFF);
    p.runFor(10);
    const unsigned count = unsigned(p.core.sfr(0xCD) << 8 | p.core.sfr(0xCC));
    p.core.setPins(1, 0xFD); // T2EX falls with EXEN2: capture
    p.runFor(10);
    EXPECT_NE(p.core.sfr(0xC8) & sim::sfr::EXF2, 0);
    EXPECT_EQ(unsigned(p.core.sfr(0xCB) << 8 | p.core.sfr(0xCA)), count);

    Program mode3("        ORG 0\n"
                  "        MOV TMOD,#23H\n" // timer 1 mode 2, timer 0 mode 3; TR1 clear
                  "        SJMP $\n");
    mode3.runFor(20);
    EXPECT_GT(mode3.core.sfr(0x8B), 10);  // TL1 runs
    EXPECT_EQ(mode3.core.sfr(0x8C), 0);   // TH0 waits for TR1
}

TEST(Core8051DataBook, IdleEndsWithAnInterruptPowerDownOnlyWithReset) {
    REQUIRE_AS31();
    // Idle stops the CPU while the timers and interrupts run; an interrupt clears IDL and, after its
    // RETI, the instruction after the one that set IDL runs. Power-down stops everything until reset.
    Program p("        ORG 0\n"
              "        LJMP MAIN\n"
              "        ORG 0BH\n"
              "        INC R2\n"
              "        MOV 30H,R3\n"   // before the instruction after ORL PCON (s51 runs it first)
              "        RETI\n"
              "        ORG 40H\n"
              "MAIN:   MOV TMOD,#02H\n"
              "        MOV IE,#82H\n"
              "        SETB TR0\n"
              "        ORL PCON,#01H\n"
              "        INC R3\n"
              "        ORL PCON,#02H\n"
              "        INC R4\n"
              "        SJMP $\n");
    p.runFor(100);
    const std::uint64_t idle = p.core.instructions();
    EXPECT_EQ(p.core.sfr(0x87), 0x01);
    EXPECT_EQ(p.core.cycles(), 100u);
    EXPECT_EQ(p[3], 0);
    p.runFor(300); // timer 0 overflows every 256 cycles
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(p[0x30], 0);
    EXPECT_EQ(p[3], 1);
    EXPECT_GT(p.core.instructions(), idle);
    const std::uint64_t down = p.core.instructions();
    p.runFor(100000);
    EXPECT_EQ(p.core.instructions(), down);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(p[4], 0);
    p.core.reset();
    p.runFor(20);
    EXPECT_GT(p.core.instructions(), down);
}

} // namespace
