// Every bundled type-88 experiment runs on QK740X's circuit with its own wiring and shows what its own
// texts say ("现象"): "8088-1" on the digits, the 8253's 1 Hz on L1, the 8259's count of pulses on the
// lamps, the 8251's loop counting on the lamps, the LCD's lines, music.asm's scale. Delay loops are timed
// by the Intel data book's 8088 clocks at 4.77 MHz (LOOP: 17 clocks taken, 5 not).
#include "sim/Assembler88.h"
#include "sim/Circuit.h"
#include "sim/Cpu8088.h"
#include "sim/Machine.h"
#include "tests/sim/support/BoardRun.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace sim;
using namespace simtest;

namespace {

#define NEED_NASM()                                                                                             \
    if (!nasmAvailable())                                                                                       \
    GTEST_SKIP() << "nasm is not installed"

std::unique_ptr<Machine> boot(const AsmResult& program, const QString& wiring) {
    auto m = std::make_unique<Machine>(boardCircuit("QK740X"), 2, links(wiring));
    m->cpu().setEntry(program.entrySegment, program.entryOffset);
    m->load(program.image);
    return m;
}

// The experiment of a catalogue file ("009.json") on the board, its program loaded and reset.
std::unique_ptr<Machine> start(const char* file) {
    const QString dir = QStringLiteral(LABGUIDE_SOURCE_DIR "/data/");
    const QJsonObject row = QJsonDocument::fromJson(readBytes(dir + "catalogue/88/" + file)).object();
    const AsmResult program = assemble88(readBytes(dir + "asm/88/" + row.value("实验程序").toString()));
    EXPECT_TRUE(program.ok()) << file << ": " << (program.errors.empty() ? "" : program.errors[0].message.toStdString());
    EXPECT_EQ(program.entryOffset, 0x2000) << file; // the catalogue's 入口地址
    return boot(program, row.value("实验接线").toString());
}

std::unique_ptr<Machine> source(const char* text, const QString& wiring = {}) {
    const AsmResult program = assemble88(QByteArray(text).replace("\n", "\r\n"));
    EXPECT_TRUE(program.ok()) << (program.errors.empty() ? "" : program.errors[0].message.toStdString());
    return boot(program, wiring);
}

} // namespace

TEST(Experiments88, DigitsSwitchesLampsAndThe8255Bits) {
    NEED_NASM();
    auto display = start("009.json");
    EXPECT_EQ(digitsAfter(*display, 100 * kMillisecond), "8088-1");
    EXPECT_EQ(noEvents(*display), "");

    // simpleio (244 at FF90H -> 273 at FF80H) passes K1..K8 straight; 8255.asm shows them inverted.
    for (const auto& [file, inverted] : {std::pair{"001.json", false}, std::pair{"002.json", true}}) {
        auto m = start(file);
        for (const char* k : {"K2", "K5", "K8"})
            m->set(k, 1);
        const unsigned want = 0b10010010u;
        EXPECT_EQ(lampsAfter(*m, 50 * kMillisecond), inverted ? (~want & 0xFF) : want) << file;
        EXPECT_EQ(noEvents(*m), "") << file;
    }

    // 8255bit.asm: PC0..PC7 set one by one, then cleared, a LOOP of 65536 (0.234 s) apart.
    auto bits = start("003.json");
    const auto changes = lampChanges(*bits, 2100 * kMillisecond);
    ASSERT_GE(changes.size(), 9u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(changes[i].second, (2u << i) - 1) << i;
    EXPECT_EQ(changes[8].second, 0xFEu);
    // OUT DX,AL 8, CALL 23, PUSH CX 15, MOV CX,0 4, 65535 LOOPs taken 17 and one not 5, POP CX 12, RET 20,
    // ADD AL 4, CMP AL 4, JB taken 16: 1,114,206 clocks.
    EXPECT_NEAR(toSeconds(changes[2].first - changes[1].first), 1114206 / 4.77e6, 0.0015);
}

TEST(Experiments88, TimerCountsAndTheSpeakerPlaysTheScale) {
    NEED_NASM();
    // 8 MHz / 8 (T2) / 1000 / 1000: L1 changes every half second.
    auto pit = start("004.json");
    const auto changes = lampChanges(*pit, 3200 * kMillisecond);
    ASSERT_GE(changes.size(), 6u);
    for (std::size_t i = 2; i < changes.size(); ++i)
        EXPECT_NEAR(toSeconds(changes[i].first - changes[i - 1].first), 0.5, 0.002);
    EXPECT_EQ(noEvents(*pit), "");

    // music.asm: 1 MHz / N for do re mi fa sol la si do, each note two LOOPs of 65536 (0.47 s) long.
    auto music = start("015.json");
    // A note is a tone held for 100 ms; the moment of a change reads between two.
    std::vector<int> notes;
    int run = 0, last = 0;
    watch(*music, 4 * kSecond, 10 * kMillisecond, [&](const Snapshot& s) {
        const int hz = int(std::lround(s.speakerHz));
        run = hz == last ? run + 1 : 0;
        last = hz;
        if (run == 10 && hz > 0)
            notes.push_back(hz);
    });
    const std::vector<int> scale{262, 294, 330, 349, 392, 440, 494, 523};
    ASSERT_GE(notes.size(), scale.size());
    for (std::size_t i = 0; i < scale.size(); ++i)
        EXPECT_NEAR(notes[i], scale[i], 1) << i;
    EXPECT_EQ(noEvents(*music), "");
}

TEST(Experiments88, InterruptsCountPulsesAndTheUsartLoopsItsCharacters) {
    NEED_NASM();
    // 8259.asm: each press of the pulse key (IR3, rising edge when it is let go) adds one on L1..L8.
    auto pic = start("005.json");
    EXPECT_EQ(lampsAfter(*pic, 20 * kMillisecond), 0u);
    for (int press = 0; press < 5; ++press) {
        pic->set("PULSE", 1);
        pic->runFor(30 * kMillisecond);
        pic->set("PULSE", 0);
        pic->runFor(30 * kMillisecond);
    }
    EXPECT_EQ(lampsAfter(*pic, 10 * kMillisecond), 5u);
    EXPECT_EQ(noEvents(*pic), "");

    // 8251.asm: TXD joined to RXD at 7200 baud; the character read back is the next count on the lamps.
    auto usart = start("006.json");
    const auto changes = lampChanges(*usart, 1500 * kMillisecond);
    ASSERT_GE(changes.size(), 6u);
    for (std::size_t i = 1; i < changes.size(); ++i)
        EXPECT_EQ(changes[i].second, unsigned(i)) << i;
    EXPECT_EQ(noEvents(*usart), "");
}

TEST(Experiments88, LcdMatrixKeypadMotorsAndConverters) {
    NEED_NASM();
    auto lcd = start("012.json");
    lcd->runFor(100 * kMillisecond);
    Snapshot s = lcd->snapshot();
    ASSERT_EQ(s.lcdLines.size(), 2u);
    EXPECT_EQ(s.lcdLines[0].substr(0, 13), "8088 LCD TEST");
    EXPECT_EQ(s.lcdLines[1].substr(0, 4), "0000");
    lcd->runFor(2900 * kMillisecond); // the count goes up about once a second (4 x 65536 LOOPs: 0.93 s)
    EXPECT_EQ(lcd->snapshot().lcdLines[1].substr(0, 4), "0003");
    EXPECT_EQ(noEvents(*lcd), "");

    auto matrix = start("011.json");
    matrix->runFor(40 * kMillisecond);
    const Snapshot first = matrix->snapshot();
    ASSERT_EQ(first.matrix.size(), 16u);
    matrix->runFor(1200 * kMillisecond);
    matrix->snapshot();
    matrix->runFor(40 * kMillisecond);
    EXPECT_NE(matrix->snapshot().matrix, first.matrix) << "the second character after about a second";

    auto keys = start("010.json");
    EXPECT_EQ(digitsAfter(*keys, 100 * kMillisecond), "------");

    auto stepper = start("013.json");
    stepper->set("K1", 1);
    stepper->runFor(500 * kMillisecond);
    stepper->snapshot();
    stepper->runFor(500 * kMillisecond);
    const double forward = stepper->snapshot().stepper->rpm;
    stepper->set("K1", 0);
    stepper->runFor(500 * kMillisecond);
    stepper->snapshot();
    stepper->runFor(500 * kMillisecond);
    EXPECT_GT(forward, 0);
    EXPECT_LT(stepper->snapshot().stepper->rpm, 0);

    auto adc = start("007.json");
    adc->set("AOUT1", 5.0);
    EXPECT_EQ(lampsAfter(*adc, 600 * kMillisecond), 0xFFu);
    adc->set("AOUT1", 0.0);
    EXPECT_EQ(lampsAfter(*adc, 600 * kMillisecond), 0x00u);
}

TEST(Cpu8088, ClocksFollowTheDataBookAndInterruptsWaitForIf) {
    NEED_NASM();
    // MOV CX,1000 (4) + 999 LOOPs taken (17) + one not (5) + HLT (2), then HLT waits with IF set.
    auto m = source("CODE SEGMENT\n ORG 2000H\nSTART: STI\n MOV CX,1000\nL: LOOP L\n HLT\nCODE ENDS\n END START\n");
    m->runFor(10 * kMillisecond);
    const auto& cpu = dynamic_cast<const Cpu8088&>(m->cpu());
    EXPECT_FALSE(cpu.halted());
    EXPECT_EQ(cpu.instructionCount(), 1003u);
    const std::vector<RegisterValue> regs = m->cpu().registers();
    ASSERT_EQ(regs.size(), 15u);
    EXPECT_EQ(regs[12].name, "IP");
    EXPECT_EQ(regs[12].value, "2007H"); // after the HLT at 2006H
    EXPECT_EQ(regs[13].value, "F202H  IF");
    EXPECT_EQ(regs[14].name, "时间");

    // CLI: an 8259 request stays pending until STI (libx86emu alone would take it).
    auto pic = source("P8259A EQU 0FF80H\nCODE SEGMENT\n ORG 2000H\nSTART: CLI\n MOV AX,0\n MOV DS,AX\n"
                      " MOV WORD PTR DS:[0BH*4],OFFSET IRQ3\n MOV WORD PTR DS:[0BH*4+2],CS\n"
                      " MOV DX,P8259A\n MOV AL,13H\n OUT DX,AL\n INC DX\n MOV AL,08H\n OUT DX,AL\n MOV AL,01H\n"
                      " OUT DX,AL\n MOV AL,0F7H\n OUT DX,AL\n MOV CX,0\nW1: LOOP W1\n STI\nW2: JMP W2\n"
                      "IRQ3: MOV BL,1\n JMP IRQ3\nCODE ENDS\n END START\n",
                      "CS>FF80H\r\nINTA>8088INTA\r\nIR3>PL");
    pic->runFor(10 * kMillisecond);
    pic->set("PULSE", 1);
    pic->runFor(10 * kMillisecond);
    pic->set("PULSE", 0); // the rising edge on IR3 while IF is clear
    pic->runFor(50 * kMillisecond);
    EXPECT_EQ(pic->cpu().registers()[1].value, "0000H") << "BX: not taken with IF clear";
    pic->runFor(300 * kMillisecond); // past the delay and STI
    EXPECT_EQ(pic->cpu().registers()[1].value, "0001H");
}

TEST(Cpu8088, BadProgramsStopWithAClearMessageOrRunOnAsTheChipWould) {
    NEED_NASM();
    auto div = source("CODE SEGMENT\n ORG 2000H\nSTART: MOV AX,5\n MOV BL,0\n DIV BL\nCODE ENDS\n END START\n");
    div->runFor(kMillisecond);
    ASSERT_TRUE(div->cpu().halted());
    EXPECT_NE(div->cpu().haltReason().find("除法出错"), std::string::npos) << div->cpu().haltReason();
    EXPECT_NE(div->cpu().haltReason().find("0000:2005H"), std::string::npos) << div->cpu().haltReason();

    // With a handler the divide error returns after the DIV (the 8088 pushes the next instruction).
    auto handled = source("CODE SEGMENT\n ORG 2000H\nSTART: MOV AX,0\n MOV DS,AX\n MOV WORD PTR DS:[0],OFFSET H\n"
                          " MOV WORD PTR DS:[2],CS\n MOV BL,0\n DIV BL\n MOV CL,7\nW: JMP W\nH: INC CH\n IRET\n"
                          "CODE ENDS\n END START\n");
    handled->runFor(kMillisecond);
    EXPECT_FALSE(handled->cpu().halted()) << handled->cpu().haltReason();
    EXPECT_EQ(handled->cpu().registers()[2].value, "0107H"); // CX: the handler ran once, then MOV CL,7

    // A program written for DOS ends with INT 21H: there is no DOS on the board, and the run says so.
    auto dos = source("CODE SEGMENT\n ORG 2000H\nSTART: MOV AH,4CH\n INT 21H\nCODE ENDS\n END START\n");
    dos->runFor(kMillisecond);
    ASSERT_TRUE(dos->cpu().halted());
    EXPECT_NE(dos->cpu().haltReason().find("DOS"), std::string::npos) << dos->cpu().haltReason();
    EXPECT_NE(dos->cpu().haltReason().find("0000:2002H"), std::string::npos) << dos->cpu().haltReason();

    auto hlt = source("CODE SEGMENT\n ORG 2000H\nSTART: CLI\n HLT\nCODE ENDS\n END START\n");
    hlt->runFor(kMillisecond);
    ASSERT_TRUE(hlt->cpu().halted());
    EXPECT_NE(hlt->cpu().haltReason().find("IF=0"), std::string::npos);
    EXPECT_NE(hlt->cpu().haltReason().find("0000:2001H"), std::string::npos) << hlt->cpu().haltReason();

    // Running into empty memory (FFH bytes) stops; a stack pushed round its segment runs on.
    auto wild = source("CODE SEGMENT\n ORG 2000H\nSTART: DB 0EAH\n DW 0,2000H\nCODE ENDS\n END START\n"); // JMP 2000:0
    wild->runFor(kMillisecond);
    EXPECT_TRUE(wild->cpu().halted());
    auto stack = source("CODE SEGMENT\n ORG 2000H\nSTART: MOV AX,2000H\n MOV SS,AX\nP: PUSH AX\n JMP P\n"
                        "CODE ENDS\n END START\n");
    stack->runFor(100 * kMillisecond);
    EXPECT_FALSE(stack->cpu().halted());
}

TEST(Experiments88, EveryRowAssemblesAndItsWiringIsCoveredByTheCircuit) {
    NEED_NASM();
    for (int i = 1; i <= 15; ++i) {
        const std::string file = QStringLiteral("%1.json").arg(i, 3, 10, QLatin1Char('0')).toStdString();
        auto m = start(file.c_str());
        m->runFor(300 * kMillisecond);
        for (const Event& e : m->takeEvents())
            EXPECT_EQ(e.text.find("不在本板的电路中"), std::string::npos) << file << ": " << e.text;
        EXPECT_FALSE(m->cpu().halted()) << file << ": " << m->cpu().haltReason();
    }
}
