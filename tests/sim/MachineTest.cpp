// The machine around the devices: wiring that the board cannot take, outputs shorted together, a chip
// select left open, and the one opcode that stops an 8051. What a real board does decides each case: it
// runs on, and the run says what is wrong.
#include "sim/Assembler51.h"
#include "sim/Circuit.h"
#include "sim/Machine.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

std::unique_ptr<Machine> board(const char* source, std::vector<WiringLink> wiring) {
    const AsmResult program = assemble51(source);
    EXPECT_TRUE(program.ok()) << (program.errors.empty() ? "" : program.errors[0].message.toStdString());
    auto m = std::make_unique<Machine>(boardCircuit("QK740X"), 1, wiring);
    m->load(program.image);
    return m;
}

std::string events(Machine& m) {
    std::string all;
    for (const Event& e : m.takeEvents())
        all += e.text + "\n";
    return all;
}

} // namespace

TEST(Machine, OutputsDrivingOppositeLevelsAreOneConflictNamingBoth) {
    // The port pin pulls low, the switch drives high: the 8051 data sheet's port sinks, the net reads low.
    auto m = board("MOV P1,#0\r\nSJMP $\r\n", {{"K1", "P10"}, {"P11", "L2"}});
    m->set("K1", 1);
    m->runFor(10 * kMillisecond);
    const std::string text = events(*m);
    EXPECT_NE(text.find("冲突"), std::string::npos) << text;
    EXPECT_NE(text.find("K1"), std::string::npos) << text;
    EXPECT_NE(text.find("P10"), std::string::npos) << text;
    NetLevel l;
    ASSERT_TRUE(m->terminalLevel("P10", &l));
    EXPECT_FALSE(l.high);
    m->runFor(10 * kMillisecond);
    EXPECT_EQ(events(*m), ""); // said once, not at every change
    // A weak high (the latch holding 1) gives way without a conflict.
    auto quiet = board("MOV P1,#0FFH\r\nSJMP $\r\n", {{"K1", "P10"}});
    quiet->runFor(10 * kMillisecond);
    EXPECT_EQ(events(*quiet), "");
}

TEST(Machine, WiringTheBoardCannotTakeRunsAndSaysSo) {
    auto m = board("MOV P1,#55H\r\nSJMP $\r\n", {{"X9", "P10"}, {"P10", "L1"}, {"L1", "P10"}, {"JX9", "P11"}});
    m->runFor(10 * kMillisecond);
    const std::string text = events(*m);
    EXPECT_NE(text.find("X9"), std::string::npos) << text;
    EXPECT_NE(text.find("回路"), std::string::npos) << text;
    EXPECT_NE(text.find("引脚数不同"), std::string::npos) << text;
    EXPECT_GT(m->snapshot().lamps.at("L1"), 0.99); // P1.0 holds 1 through all that
}

TEST(Machine, AnAddressNoChipAnswersReadsFFAndIsReportedOnce) {
    auto m = board("MOV DPTR,#0FF90H\r\nL: MOVX A,@DPTR\r\nMOV P1,A\r\nSJMP L\r\n", {{"P10", "L1"}});
    m->runFor(10 * kMillisecond);
    const std::string text = events(*m);
    EXPECT_NE(text.find("FF90H"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    EXPECT_GT(m->snapshot().lamps.at("L1"), 0.99);
}

TEST(Machine, TheUndefinedOpcodeStopsTheCpuButNotTheBoard) {
    auto m = board("MOV P1,#0FH\r\nNOP\r\nDB 0A5H\r\nMOV P1,#0\r\n", {{"P10", "L1"}});
    m->runFor(5 * kMillisecond);
    ASSERT_TRUE(m->cpu().halted());
    EXPECT_EQ(m->cpu().haltReason(), "非法指令 A5H，地址 0004H");
    EXPECT_EQ(m->now(), 5 * kMillisecond); // time goes on for the rest of the board
    EXPECT_GT(m->snapshot().lamps.at("L1"), 0.99);
    m->reset(); // the reset key starts the program again
    EXPECT_FALSE(m->cpu().halted());
}
