// The 8051 assembler against as31, the reference assembler the project already checks its sources with:
// every bundled 8051 source and a generated source that uses every opcode with varied operands must come
// out byte for byte as as31 assembles them. Our dialect's features that as31 cannot take (SET, BIT, DATA,
// HIGH/LOW, MOD/SHL/…, `$` in expressions beside symbols, 17Q, 'strings' in DB) are checked against
// encodings worked out by hand from the Intel MCS-51 data book's instruction tables. Then the errors:
// every line's, in line order, in Chinese, and no image with them.
#include "sim/Assembler51.h"
#include "sim/Mcs51Opcodes.h"

#include "tests/support/As31.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using sim::AsmResult;
using sim::assemble51;
namespace mcs51 = sim::mcs51;

QByteArray lines(std::initializer_list<const char*> text) {
    QByteArray out;
    for (const char* l : text)
        out += QByteArray(l) + "\r\n";
    return out;
}

// The bytes emitted, by address.
std::map<int, std::uint8_t> emitted(const AsmResult& r) {
    std::map<int, std::uint8_t> out;
    for (std::size_t a = 0; a < r.image.size(); ++a)
        if (r.used[a])
            out[static_cast<int>(a)] = r.image[a];
    return out;
}

// The image from `from` on, as hex pairs: "74 05 80 FE".
std::string hexFrom(const AsmResult& r, std::size_t from = 0, std::size_t count = 0x10000) {
    std::string out;
    char buf[4];
    for (std::size_t a = from; a < r.image.size() && a < from + count; ++a) {
        std::snprintf(buf, sizeof buf, "%02X", r.image[a]);
        out += (out.empty() ? "" : " ") + std::string(buf);
    }
    return out;
}

std::string messages(const AsmResult& r) {
    std::string out;
    for (const sim::AsmError& e : r.errors)
        out += e.message.toStdString() + "\n";
    return out;
}

// What a source assembles to, or the errors when it has any.
std::string code(const QByteArray& source) {
    const AsmResult r = assemble51(source);
    return r.ok() ? hexFrom(r) : "errors:\n" + messages(r);
}

std::string dump(const std::map<int, std::uint8_t>& bytes) {
    std::string out;
    char buf[16];
    int previous = -2;
    for (const auto& [a, b] : bytes) {
        if (a != previous + 1) {
            std::snprintf(buf, sizeof buf, "\n%04X:", a);
            out += buf;
        }
        std::snprintf(buf, sizeof buf, " %02X", b);
        out += buf;
        previous = a;
    }
    return out;
}

// ---------------------------------------------------------------- as31

TEST(Assembler51, EveryBundledSourceAssemblesAsAs31Does) {
    ASSERT_TRUE(testsupport::haveAs31()) << "as31 is missing (scripts/debian-packages.txt)";
    const QDir dir(testsupport::sourceDir() + "/data/asm/51");
    const QStringList files = dir.entryList({"*.asm"}, QDir::Files);
    EXPECT_EQ(files.size(), 20);
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        const QByteArray source = testsupport::readFile(dir.filePath(f));
        const AsmResult ours = assemble51(source);
        ASSERT_TRUE(ours.ok()) << messages(ours);
        const testsupport::As31Run theirs = testsupport::runAs31(source);
        ASSERT_EQ(theirs.exitCode, 0) << theirs.log.toStdString();
        ASSERT_FALSE(theirs.bytes.empty());
        EXPECT_EQ(dump(emitted(ours)), dump(theirs.bytes));
        EXPECT_EQ(ours.image.size(), static_cast<std::size_t>(theirs.bytes.rbegin()->first + 1));
    }
}

// A source that uses each of the 255 defined opcodes four times, with operands drawn from every spelling
// the two assemblers share: numbers in each radix, character constants, EQU symbols, labels, SFR and bit
// names, byte.bit, `$`, forward and backward jumps, AJMP/ACALL to each of the eight pages' codes.
struct Generated {
    QByteArray source;
    std::vector<std::pair<int, int>> firstByte; // line (1-based) -> the opcode byte it must start with
};

Generated everyOpcodeSource() {
    std::mt19937 rng(8051);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto hex = [](int v, int digits) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0%0*XH", digits, v);
        return std::string(buf);
    };
    const auto number = [&](int v) -> std::string { // 0 … 255 in one of the shared spellings
        switch (pick(5)) {
        case 0:
            return std::to_string(v);
        case 1:
            return hex(v, 2);
        case 2: {
            std::string b;
            for (int i = 7; i >= 0; --i)
                b += (v >> i & 1) ? '1' : '0';
            return b + (pick(2) ? "B" : "b");
        }
        case 3: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%oO", v);
            return buf;
        }
        default:
            return std::to_string(v) + "D";
        }
    };
    const char* sfrs[] = {"P0",    "SP",     "DPL",    "DPH",  "PCON", "TCON", "TMOD", "TL0", "TL1",
                          "TH0",   "TH1",    "P1",     "SCON", "SBUF", "P2",   "IE",   "P3",  "IP",
                          "T2CON", "RCAP2L", "RCAP2H", "TL2",  "TH2",  "PSW",  "ACC",  "B"};
    const char* bitSfrs[] = {"P0", "TCON", "P1", "SCON", "P2", "IE", "P3", "IP", "T2CON", "PSW", "ACC", "B"};
    // (as31 puts T2 and T2EX at P0.0 and P0.1; the 8052's are P1.0 and P1.1, so these two are left out.)
    const char* bits[] = {"IT0", "IE0", "IT1", "IE1", "TR0",  "TF0",  "TR1",  "TF1",  "RI",   "TI",
                          "RB8", "TB8", "REN", "SM2", "SM1",  "SM0",  "EX0",  "ET0",  "EX1",  "ET1",
                          "ES",  "ET2", "EA",  "PX0", "PT0",  "PX1",  "PT1",  "PS",   "PT2",  "P",
                          "OV",  "RS0", "RS1", "F0",  "AC",   "CY",   "EXF2", "RCLK", "TCLK", "EXEN2",
                          "TR2", "TF2", "RXD", "TXD", "INT0", "INT1", "T0",   "T1",   "WR",   "RD"};
    const auto imm8 = [&]() -> std::string {
        switch (pick(6)) {
        case 0:
            return "K1";
        case 1:
            return "K1+" + std::to_string(pick(20));
        case 2:
            return "-" + std::to_string(1 + pick(128));
        case 3: {
            const char c = static_cast<char>("ABCxyz019#@!"[pick(12)]);
            return std::string("'") + c + "'";
        }
        case 4:
            return "(" + std::to_string(pick(100)) + "+" + std::to_string(pick(100)) + ")";
        default:
            return number(pick(256));
        }
    };
    const auto direct = [&]() -> std::string {
        switch (pick(4)) {
        case 0:
            return sfrs[pick(26)];
        case 1:
            return "K2";
        case 2:
            return "K2-" + std::to_string(pick(16));
        default:
            return number(pick(256));
        }
    };
    const auto bit = [&]() -> std::string {
        switch (pick(5)) {
        case 0:
            return std::string(bitSfrs[pick(12)]) + "." + std::to_string(pick(8));
        case 1:
            return hex(0x20 + pick(16), 2) + "." + std::to_string(pick(8));
        case 2:
            return hex(0x80 + 8 * pick(16), 2) + "." + std::to_string(pick(8));
        case 3:
            return bits[pick(50)];
        default:
            return number(pick(256));
        }
    };
    const auto spell = [&](std::string_view word) { // as31 and we take mnemonics and registers in any case
        std::string s(word);
        if (pick(3) == 0)
            for (char& c : s)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };

    struct Entry {
        int opcode;
        int address = 0;
    };
    std::vector<Entry> entries;
    for (int op = 0; op < 256; ++op)
        if (mcs51::kOpcodes[static_cast<std::size_t>(op)].defined())
            for (int i = 0; i < 4; ++i)
                entries.push_back({op});
    std::shuffle(entries.begin(), entries.end(), rng);
    const std::size_t gapAfter = entries.size() / 3; // a DS between two runs of code
    int address = 0x0600; // so that the code runs on from one 2K page into the next
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].address = address;
        address +=
            mcs51::kOpcodes[static_cast<std::size_t>(entries[i].opcode)].length + (i == gapAfter ? 7 : 0);
    }

    Generated g;
    QList<QByteArray> text = {"; every opcode, assembled by as31 and by us",
                              "K1      EQU 5AH",
                              "K2      EQU 0F0H",
                              "K16     EQU 0FF28H",
                              "        ORG 0000H",
                              "        LJMP L0",
                              "        ORG 0600H"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int op = entries[i].opcode;
        const mcs51::Opcode& row = mcs51::kOpcodes[static_cast<std::size_t>(op)];
        const int next = entries[i].address + row.length;
        int first = op;
        std::string operands;
        for (int k = 0; k < row.operandCount(); ++k) {
            std::string o;
            switch (row.operands[static_cast<std::size_t>(k)]) {
            case mcs51::Operand::A:
                o = spell("A");
                break;
            case mcs51::Operand::AB:
                o = spell("AB");
                break;
            case mcs51::Operand::C:
                o = spell("C");
                break;
            case mcs51::Operand::DPTR:
                o = spell("DPTR");
                break;
            case mcs51::Operand::AtR0:
                o = spell("@R0");
                break;
            case mcs51::Operand::AtR1:
                o = spell("@R1");
                break;
            case mcs51::Operand::AtDptr:
                o = spell("@DPTR");
                break;
            case mcs51::Operand::AtADptr:
                o = spell(pick(2) ? "@A+DPTR" : "@A + DPTR");
                break;
            case mcs51::Operand::AtAPc:
                o = spell("@A+PC");
                break;
            case mcs51::Operand::Imm8:
                o = "#" + imm8();
                break;
            case mcs51::Operand::Imm16:
                o = "#" + (pick(3) == 0 ? std::string("K16")
                           : pick(2)    ? "L" + std::to_string(pick(static_cast<int>(entries.size())))
                                        : hex(pick(0x10000), 4));
                break;
            case mcs51::Operand::Direct:
                o = direct();
                break;
            case mcs51::Operand::Bit:
                o = bit();
                break;
            case mcs51::Operand::NotBit:
                o = "/" + bit();
                break;
            case mcs51::Operand::Rel: {
                // A label within reach, or `$` give or take a little.
                std::vector<int> near;
                for (std::size_t j = i >= 40 ? i - 40 : 0; j < entries.size() && j < i + 40; ++j)
                    if (entries[j].address - next >= -128 && entries[j].address - next <= 127)
                        near.push_back(static_cast<int>(j));
                if (pick(3) && !near.empty()) {
                    o = "L" +
                        std::to_string(near[static_cast<std::size_t>(pick(static_cast<int>(near.size())))]);
                } else {
                    const int k = row.length - 128 + pick(256);
                    o = k >= 0 ? "$+" + std::to_string(k) : "$-" + std::to_string(-k);
                }
                break;
            }
            case mcs51::Operand::Addr11: {
                // The opcode's page bits name 256 bytes of the 2K page the next instruction is in.
                const int target = (next & 0xF800) | (op >> 5) << 8 | pick(256);
                o = hex(target, 4);
                first = op;
                break;
            }
            case mcs51::Operand::Addr16:
                o = pick(2) ? "L" + std::to_string(pick(static_cast<int>(entries.size())))
                            : hex(pick(0x10000), 4);
                break;
            default:
                o = spell("R" + std::to_string(static_cast<int>(row.operands[static_cast<std::size_t>(k)]) -
                                               static_cast<int>(mcs51::Operand::R0)));
            }
            operands += (k ? (pick(2) ? "," : ", ") : "") + o;
        }
        const std::string line = "L" + std::to_string(i) + ":" + std::string(pick(2) ? "\t" : "  ") +
                                 spell(row.mnemonic) + (operands.empty() ? "" : "\t" + operands);
        text << QByteArray::fromStdString(line);
        g.firstByte.push_back({static_cast<int>(text.size()), first});
        if (i == gapAfter)
            text << "        DS  7";
    }
    text << "TABLE:  DB  \"A;B$\", 0, 'Z', -1, K1, 255"
         << "        DW  TABLE, L7, K16, 1234H"
         << "        END";
    g.source = text.join("\r\n") + "\r\n";
    return g;
}

TEST(Assembler51, EveryOpcodeAssemblesAsAs31Does) {
    ASSERT_TRUE(testsupport::haveAs31()) << "as31 is missing (scripts/debian-packages.txt)";
    const Generated g = everyOpcodeSource();
    const AsmResult ours = assemble51(g.source);
    ASSERT_TRUE(ours.ok()) << messages(ours);
    const testsupport::As31Run theirs = testsupport::runAs31(g.source);
    ASSERT_EQ(theirs.exitCode, 0) << theirs.log.toStdString();
    EXPECT_EQ(dump(emitted(ours)), dump(theirs.bytes));

    // Each line starts with the opcode it was written for: all 255 of them, AJMP and ACALL in each page.
    std::vector<bool> seen(256);
    for (const auto& [line, opcode] : g.firstByte) {
        ASSERT_TRUE(ours.addressOf.count(line)) << line;
        const int address = ours.addressOf.at(line);
        EXPECT_EQ(ours.image[static_cast<std::size_t>(address)], opcode) << "line " << line;
        EXPECT_EQ(ours.lineAt.at(static_cast<std::uint32_t>(address)), line);
        seen[static_cast<std::size_t>(opcode)] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 255);
    EXPECT_FALSE(seen[0xA5]);
    EXPECT_GT(ours.image.size(), 0x800u) << "the code should reach into the second 2K page";
}

TEST(Assembler51, OpcodeTableLengthsMatchTheOperands) {
    int defined = 0;
    for (int op = 0; op < 256; ++op) {
        const mcs51::Opcode& row = mcs51::kOpcodes[static_cast<std::size_t>(op)];
        if (!row.defined()) {
            EXPECT_EQ(op, 0xA5);
            continue;
        }
        ++defined;
        int length = 1;
        for (int k = 0; k < row.operandCount(); ++k)
            switch (row.operands[static_cast<std::size_t>(k)]) {
            case mcs51::Operand::Imm16:
            case mcs51::Operand::Addr16:
                length += 2;
                break;
            case mcs51::Operand::Imm8:
            case mcs51::Operand::Direct:
            case mcs51::Operand::Bit:
            case mcs51::Operand::NotBit:
            case mcs51::Operand::Rel:
            case mcs51::Operand::Addr11:
                length += 1;
                break;
            default:
                break;
            }
        EXPECT_EQ(row.length, length) << std::hex << op;
        EXPECT_TRUE(row.cycles == 1 || row.cycles == 2 || row.cycles == 4) << std::hex << op;
    }
    EXPECT_EQ(defined, 255);
    // The four-cycle ones are MUL and DIV; a few two-cycle ones from the data book's table.
    EXPECT_EQ(mcs51::opcode(0xA4).cycles, 4);
    EXPECT_EQ(mcs51::opcode(0x84).cycles, 4);
    EXPECT_EQ(mcs51::opcode(0xA3).cycles, 2); // INC DPTR
    EXPECT_EQ(mcs51::opcode(0x85).cycles, 2); // MOV direct,direct
    EXPECT_EQ(mcs51::opcode(0xA2).cycles, 1); // MOV C,bit
    EXPECT_EQ(mcs51::opcode(0x92).cycles, 2); // MOV bit,C
    EXPECT_EQ(mcs51::opcode(0x63).cycles, 2); // XRL direct,#data
    EXPECT_EQ(mcs51::instructionLength(0x90), 3);
}

// ---------------------------------------------------------------- our dialect, by hand from the data book

TEST(Assembler51, SetRedefinesAndTakesEffectLineByLine) {
    // MOV A,#data is 74 data.
    EXPECT_EQ(code(lines({"N SET 5", "  MOV A,#N", "N SET N+1", "  MOV A,#N", "n set n*2", "  MOV A,#N"})),
              "74 05 74 06 74 0C");
    EXPECT_EQ(code(lines({"  MOV A,#N", "N SET 1"})), "errors:\n第1行：符号 N 在 SET 赋值之前使用\n");
    EXPECT_EQ(code(lines({"N EQU 1", "N SET 2"})), "errors:\n第2行：符号 N 重复定义\n");
    EXPECT_EQ(code(lines({"N SET 1", "N EQU 2"})), "errors:\n第2行：符号 N 重复定义\n");
}

TEST(Assembler51, BitDataIdataXdataAndCodeSymbols) {
    // SETB bit D2, CPL bit B2, CLR bit C2, JNB bit,rel 30, INC direct 05, DJNZ direct,rel D5,
    // MOV Rn,#data 78+n, MOV DPTR,#data16 90, LJMP 02.
    EXPECT_EQ(code(lines({"LED   BIT  P1.3", "FLAG  BIT  20H.3", "FLAG2 BIT  7FH", "  SETB LED", "  CPL FLAG",
                          "  CLR FLAG2", "  JNB TI,$"})),
              "D2 93 B2 03 C2 7F 30 99 FD");
    EXPECT_EQ(code(lines({"CNT DATA 30H", "BUF IDATA 80H", "PORTX XDATA 0FF28H", "START CODE 0", "  INC CNT",
                          "  DJNZ CNT,$", "  MOV R0,#BUF", "  MOV DPTR,#PORTX", "  LJMP START"})),
              "05 30 D5 30 FD 78 80 90 FF 28 02 00 00");
    EXPECT_EQ(code(lines({"X DATA 100H"})), "errors:\n第1行：DATA 地址超出范围（256）\n");
    EXPECT_EQ(code(lines({"F BIT 30H.1"})), "errors:\n第1行：30H.1 不可位寻址（30H）\n");
    // A DATA or SFR byte where a bit is meant, and a bit where a byte is meant.
    EXPECT_EQ(code(lines({"  SETB P1"})), "errors:\n第1行：P1 是字节地址，这里要的是位地址（例如 P1.0）\n");
    EXPECT_EQ(code(lines({"CNT DATA 30H", "  CLR CNT"})),
              "errors:\n第2行：CNT 是字节地址，这里要的是位地址（例如 P1.0）\n");
    EXPECT_EQ(code(lines({"  MOV A,P1.0"})), "errors:\n第1行：P1.0 是位地址，这里要的是字节地址\n");
    EXPECT_EQ(code(lines({"LED EQU P1.0", "  MOV C,LED", "  MOV LED,C", "  PUSH LED"})),
              "errors:\n第4行：LED 是位地址，这里要的是字节地址\n");
}

TEST(Assembler51, HighLowAndDollarArithmetic) {
    // MOV direct,#data is 75 direct data; 65536-50000 = 15536 = 3CB0H. SJMP rel is 80 rel.
    EXPECT_EQ(code(lines({"  MOV TH0,#HIGH(65536-50000)", "  MOV TL0,#LOW(65536-50000)",
                          "  MOV A,#HIGH 1234H+1", "  MOV A,#LOW(TAB)", "TAB: SJMP $", "  SJMP $+2",
                          "  SJMP $-2", "HERE EQU $", "  DB $-TAB, HERE"})),
              "75 8C 3C 75 8A B0 74 13 74 0A 80 FE 80 00 80 FC 06 10");
}

TEST(Assembler51, BitAddressesOfRamAndSfrBytes) {
    // SETB bit D2, CLR bit C2, MOV C,bit A2, ANL C,/bit B0, JB bit,rel 20.
    EXPECT_EQ(code(lines({"FLAGS EQU 21H", "  SETB 20H.3", "  CLR 2FH.7", "  MOV C,ACC.7", "  SETB FLAGS.2",
                          "  ANL C,/P3.2", "  SETB B.0", "  JB (20H+1).0,$"})),
              "D2 03 C2 7F A2 E7 D2 0A B0 B2 D2 F0 20 08 FD");
    EXPECT_EQ(code(lines({"  SETB 20H.8"})), "errors:\n第1行：位号必须是 0～7（20H.8）\n");
    EXPECT_EQ(code(lines({"  SETB 81H.1"})), "errors:\n第1行：81H.1 不可位寻址（81H）\n");
}

TEST(Assembler51, NumbersCharactersAndOperators) {
    EXPECT_EQ(code(lines({"  DB 17Q, 17O, 17o, 1010B, 123D, 123, 0FFH, 0x1F, 'A', \"B\""})),
              "0F 0F 0F 0A 7B 7B FF 1F 41 42");
    // Intel's precedence: * / MOD SHL SHR above + -, above the comparisons, above NOT, AND, then OR XOR.
    EXPECT_EQ(code(lines({"  DB 1+2*3, (1+2)*3, 7 MOD 3, 1 SHL 4, 80H SHR 3, 0F0H AND 3CH, 0F0H OR 0FH",
                          "  DB 0F0H XOR 0FFH, 2*3 SHL 1, 1 OR 2 AND 3, NOT 0FFH, -1, 10/3, 10-2-3"})),
              "07 09 01 10 10 30 FF 0F 0C 03 00 FF 03 05");
    EXPECT_EQ(code(lines({"  DB 1 EQ 1, 2 LT 1, 2 GE 2, 3 NE 3, 1 = 1, 1 <> 1, 2 > 1, 1 <= 0"})),
              "FF 00 FF 00 FF 00 FF 00");
    EXPECT_EQ(code(lines({"  DB 1<<3, 40H>>2, (0F0H & 3CH) | 1, 0FH ^ 0FFH, ~0 & 0FH, 7 % 4"})),
              "08 10 31 F0 0F 03");
    // ANL A,#data 54: NOT is a 16-bit complement, whose high byte FFH still fits a byte operand.
    EXPECT_EQ(code(lines({"  ANL A,#NOT 80H", "  MOV A,#-1", "  MOV A,#'a'+1", "  DW 'AB', -2"})),
              "54 7F 74 FF 74 62 41 42 FF FE");
    EXPECT_EQ(code(lines({"  MOV A,#300"})), "errors:\n第1行：数值超出 8 位范围（300）\n");
    EXPECT_EQ(code(lines({"  MOV A,#1/0"})), "errors:\n第1行：除数为零\n");
    EXPECT_EQ(code(lines({"  MOV A,#12AH"})), "errors:\n第1行：数值超出 8 位范围（298）\n");
    EXPECT_EQ(code(lines({"  MOV A,#12AB"})), "errors:\n第1行：非法的数字 12AB\n");
    EXPECT_EQ(code(lines({"  MOV A,#(1+2"})), "errors:\n第1行：缺少右括号\n");
    EXPECT_EQ(code(lines({"  MOV A,#1 2"})), "errors:\n第1行：表达式中多出 2\n");
    EXPECT_EQ(code(lines({"  MOV 100H,A"})), "errors:\n第1行：直接地址超出范围（100H）\n");
}

TEST(Assembler51, StringsAreTakenByteForByte) {
    // Quotes doubled inside a string stand for themselves; ';' and '$' in strings are no comment or address.
    EXPECT_EQ(code(lines({"  DB 'It''s', \"A;B$\", '\"', \"\"\"\" ; comment"})),
              "49 74 27 73 41 3B 42 24 22 22");
    // GBK and UTF-8 text in strings and comments: the bytes as they are.
    QByteArray gbk = "  DB \"\xD6\xD0\xCE\xC4\", 0 ; \xD7\xA2\xCA\xCD\r\n";
    EXPECT_EQ(code(gbk), "D6 D0 CE C4 00");
    EXPECT_EQ(code("\xEF\xBB\xBF  DB \"\xE4\xB8\xAD\" ; \xE4\xB8\xAD\n"), "E4 B8 AD");
    EXPECT_EQ(code(lines({"  DB 'abc"})), "errors:\n第1行：字符串缺少结束的引号\n");
    // Source text quoted in a message is read as UTF-8 when it is that, and as GBK otherwise.
    EXPECT_EQ(code(lines({"  DB 1 '\xD6\xD0'"})), "errors:\n第1行：表达式中多出 '中'\n");
    EXPECT_EQ(code(lines({"  DB 1 '\xE4\xB8\xAD'"})), "errors:\n第1行：表达式中多出 '中'\n");
    EXPECT_EQ(code(lines({"  MOV A,\xA3\xAC#1"})),
              "errors:\n第1行：非法字符（全角符号和汉字只能写在注释或字符串里）\n");
}

TEST(Assembler51, GenericJumpsAndCallsAreLongOnes) {
    // as31 takes only JMP @A+DPTR (73); a plain JMP or CALL becomes LJMP (02) or LCALL (12).
    EXPECT_EQ(code(lines({"X: JMP X", "  CALL Y", "  JMP @A+DPTR", "Y: RET"})), "02 00 00 12 00 07 73 22");
}

TEST(Assembler51, LabelsSymbolsAndLayout) {
    // Case does not matter; a label without its colon before DB; EQU may refer forward; text after END
    // is not read. ORG leaves FFH gaps that are not "used"; DS reserves without emitting.
    const AsmResult r =
        assemble51(lines({"; comment", "        org 0", "start:  sjmp LATER", "TABLE   db 1,2",
                          "        ds 2", "later:  mov a,#Value", "        ORG 10H", "        dw Start,table",
                          "VALUE   equ later-start", "        END", "garbage MOVV ((("}));
    ASSERT_TRUE(r.ok()) << messages(r);
    EXPECT_EQ(hexFrom(r), "80 04 01 02 FF FF 74 06 FF FF FF FF FF FF FF FF 00 00 00 02");
    EXPECT_EQ(r.used, std::vector<bool>({1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(r.lineAt, (std::map<std::uint32_t, int>{{0, 3}, {2, 4}, {6, 6}, {0x10, 8}}));
    EXPECT_EQ(r.addressOf, (std::map<int, std::uint32_t>{{3, 0}, {4, 2}, {5, 4}, {6, 6}, {8, 0x10}}));
    // Predefined SFR and bit names may be defined again by the program (Keil sources often do).
    EXPECT_EQ(code(lines({"T2CON EQU 0C8H", "TR2 BIT T2CON.2", "  SETB TR2", "  MOV T2CON,#0", "  SETB T2",
                          "  SETB T2EX", "  SETB C_T2", "  SETB CP_RL2", "  MOV RCAP2H,#0FFH"})),
              "D2 CA 75 C8 00 D2 90 D2 91 D2 C9 D2 C8 75 CB FF");
    // Control lines of Intel's and Keil's assemblers are passed over.
    EXPECT_EQ(code(lines({"$NOMOD51", "$INCLUDE (REG52.INC)", "  NOP"})), "00");
    EXPECT_EQ(code(""), "");
    EXPECT_TRUE(assemble51("").ok());
    EXPECT_EQ(code("  NOP\n  RET"), "00 22"); // LF alone, no line break at the end
}

TEST(Assembler51, ListingShowsAddressBytesAndTheLineAsGiven) {
    const AsmResult r = assemble51(
        lines({"X       EQU 30H ; \xD6\xD0", "        ORG 0100H", "MAIN:   MOV X,#1",
               "LOOP:", "        SJMP LOOP", "T:      DB 1,2,3,4,5,6", "        END", "after the end"}));
    ASSERT_TRUE(r.ok()) << messages(r);
    EXPECT_EQ(r.listing.toStdString(), "      =0030       X       EQU 30H ; \xD6\xD0\n"
                                       "0100                      ORG 0100H\n"
                                       "0100  75 30 01    MAIN:   MOV X,#1\n"
                                       "0103              LOOP:\n"
                                       "0103  80 FE               SJMP LOOP\n"
                                       "0105  01 02 03 04 T:      DB 1,2,3,4,5,6\n"
                                       "0109  05 06\n"
                                       "                          END\n"
                                       "                  after the end\n");
}

// ---------------------------------------------------------------- errors

TEST(Assembler51, EveryErrorIsReportedWithItsLineInOrder) {
    const AsmResult r = assemble51(lines({
        "        ORG 0",        // 1
        "        SJMP FAR",     // 2: offset 0CAH - 2 = 200
        "        MOVV A,#1",    // 3
        "        MOV A,",       // 4
        "        MOV @R2,A",    // 5
        "        AJMP PAGE2",   // 6
        "LOOP:   NOP",          // 7
        "LOOP:   NOP",          // 8
        "        MOV A,#300",   // 9
        "        ORG 0CAH",     // 10
        "FAR:    NOP",          // 11
        "        LCALL DELAY1", // 12
        "        ORG 800H",     // 13
        "PAGE2:  RET",          // 14
    }));
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.image.empty());
    EXPECT_TRUE(r.used.empty());
    EXPECT_EQ(messages(r), "第2行：跳转目标超出范围（相对偏移 200）\n"
                           "第3行：未知的指令 MOVV\n"
                           "第4行：操作数不合法\n"
                           "第5行：操作数不合法\n"
                           "第6行：AJMP 目标不在同一 2K 页\n"
                           "第8行：符号 LOOP 重复定义\n"
                           "第9行：数值超出 8 位范围（300）\n"
                           "第12行：未定义的符号 DELAY1\n");
    std::vector<int> numbers;
    for (const sim::AsmError& e : r.errors)
        numbers.push_back(e.line);
    EXPECT_EQ(numbers, (std::vector<int>{2, 3, 4, 5, 6, 8, 9, 12}));
    // The listing is still there, to look at the lines in question.
    EXPECT_TRUE(r.listing.contains("MOVV A,#1"));
}

TEST(Assembler51, UndefinedSymbolsAndOutOfRangeJumps) {
    EXPECT_EQ(code(lines({"  ORG 0", "  LJMP MAIN", "MAIN: LCALL DELAY1", "  SJMP MAIN"})),
              "errors:\n第3行：未定义的符号 DELAY1\n");
    EXPECT_EQ(code(lines({"  SJMP FAR", "  DS 128", "FAR: NOP"})),
              "errors:\n第1行：跳转目标超出范围（相对偏移 128）\n");
    AsmResult r = assemble51(lines({"  SJMP FAR", "  DS 127", "FAR: NOP"}));
    EXPECT_EQ(hexFrom(r, 0, 2) + " " + hexFrom(r, 129), "80 7F 00");
    r = assemble51(lines({"BACK: DS 126", "  DJNZ R7,BACK"}));
    EXPECT_EQ(hexFrom(r, 126), "DF 80");
    EXPECT_EQ(code(lines({"BACK: DS 127", "  DJNZ R7,BACK"})),
              "errors:\n第2行：跳转目标超出范围（相对偏移 -129）\n");
    EXPECT_EQ(code(lines({"  ORG 7FDH", "  ACALL 800H"})), "errors:\n第2行：ACALL 目标不在同一 2K 页\n");
    // The page is the next instruction's: ACALL at 7FEH reaches 800H … 0FFFH, AJMP at 0FFEH 1000H … 17FFH.
    r = assemble51(lines({"  ORG 7FEH", "  ACALL 0FFFH", "  ORG 0FFEH", "  AJMP 1100H"}));
    EXPECT_EQ(hexFrom(r, 0x7FE, 2) + " " + hexFrom(r, 0xFFE), "F1 FF 21 00") << messages(r);
    EXPECT_EQ(code(lines({"  ORG 0FFDH", "  AJMP 1000H"})), "errors:\n第2行：AJMP 目标不在同一 2K 页\n");
}

TEST(Assembler51, DefinitionErrors) {
    EXPECT_EQ(code(lines({"X EQU X+1", "  MOV A,#X"})), "errors:\n第1行：符号 X 循环定义\n");
    EXPECT_EQ(code(lines({"A1 EQU B1", "B1 EQU C1+1", "C1 EQU A1", "  MOV A,#B1"})),
              "errors:\n第1行：符号 A1 循环定义\n");
    EXPECT_EQ(code(lines({"A EQU 5"})), "errors:\n第1行：A 是保留字，不能用作符号\n");
    EXPECT_EQ(code(lines({"R0: NOP"})), "errors:\n第1行：R0 是保留字，不能用作符号\n");
    EXPECT_EQ(code(lines({"X EQU"})), "errors:\n第1行：缺少操作数\n");
    EXPECT_EQ(code(lines({"  EQU 5"})), "errors:\n第1行：EQU 前面缺少符号名\n");
    EXPECT_EQ(code(lines({"  ORG LATER", "LATER: NOP"})),
              "errors:\n第1行：ORG 的值不能引用后面才定义的符号 LATER\n");
    EXPECT_EQ(code(lines({"  DS N", "N EQU 2"})), "errors:\n第1行：DS 的值不能引用后面才定义的符号 N\n");
    EXPECT_EQ(code(lines({"  ORG NOWHERE"})), "errors:\n第1行：未定义的符号 NOWHERE\n");
    EXPECT_EQ(code(lines({"  ORG 0", "  NOP", "  ORG 0", "  RET"})),
              "errors:\n第4行：地址 0000H 处与第2行的代码重叠\n");
    EXPECT_EQ(code(lines({"  ORG 0FFFFH", "  LJMP 0"})), "errors:\n第2行：代码超出 64K 地址空间\n");
    EXPECT_EQ(code(lines({"  ORG 10000H"})), "errors:\n第1行：ORG 地址超出范围（65536）\n");
    EXPECT_EQ(code(lines({"LOOP NOP"})), "errors:\n第1行：未知的指令 LOOP\n");
    EXPECT_EQ(code(lines({"  MOV A,#R0"})), "errors:\n第1行：R0 不能用在表达式里\n");
    // An undefined symbol in a definition is reported there, once, not at each use.
    EXPECT_EQ(code(lines({"X EQU Y+1", "  MOV A,#X", "  MOV R0,#X"})), "errors:\n第1行：未定义的符号 Y\n");
    // A line in error still defines its label, so that its users do not report it too.
    EXPECT_EQ(code(lines({"L: MOV A,", "  SJMP L"})), "errors:\n第1行：操作数不合法\n");
}

TEST(Assembler51, NestingIsBoundedWithAnError) {
    const QByteArray deep = "  MOV A,#" + QByteArray(100000, '(') + "1" + QByteArray(100000, ')') + "\r\n";
    EXPECT_EQ(code(deep), "errors:\n第1行：表达式嵌套过深\n");
    EXPECT_EQ(code("  DB " + QByteArray(50000, '-') + "1\r\n"), "errors:\n第1行：表达式嵌套过深\n");
    QByteArray nots = "  DB ";
    for (int i = 0; i < 50000; ++i)
        nots += "NOT ";
    EXPECT_EQ(code(nots + "1\r\n"), "errors:\n第1行：表达式嵌套过深\n");
    EXPECT_EQ(code("  DB " + QByteArray(50, '(') + "1" + QByteArray(50, ')') + "\r\n"), "01");

    // A chain of 10,000 EQUs each naming the next one down the file.
    QByteArray chain;
    for (int i = 0; i < 10000; ++i)
        chain += "S" + QByteArray::number(i) + " EQU S" + QByteArray::number(i + 1) + "+1\r\n";
    chain += "S10000 EQU 0\r\n  DW S0\r\n";
    const AsmResult r = assemble51(chain);
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.errors.front().message.contains(QStringLiteral("定义嵌套过深"))) << messages(r);
    // … while the same chain written in order works: each is worked out at its line.
    QByteArray ordered = "S10000 EQU 0\r\n";
    for (int i = 9999; i >= 0; --i)
        ordered += "S" + QByteArray::number(i) + " EQU S" + QByteArray::number(i + 1) + "+1\r\n";
    EXPECT_EQ(code(ordered + "  DW S0\r\n"), "27 10");
}

TEST(Assembler51, AThousandErrorsAreAllListed) {
    QByteArray source;
    for (int i = 0; i < 1000; ++i)
        source += "  MOVV A,#" + QByteArray::number(i) + "\r\n";
    AsmResult r = assemble51(source);
    ASSERT_EQ(r.errors.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(r.errors[static_cast<std::size_t>(i)].line, i + 1);
    EXPECT_EQ(r.errors.back().message, QStringLiteral("第1000行：未知的指令 MOVV"));

    // Past a thousand, the rest are counted in one last message.
    for (int i = 0; i < 500; ++i)
        source += "  SJMP NOWHERE\r\n";
    r = assemble51(source);
    ASSERT_EQ(r.errors.size(), 1001u);
    EXPECT_EQ(r.errors.back().message, QStringLiteral("第1001行：此行起还有 500 个错误未列出"));
}

TEST(Assembler51, LargeSourcesAssemble) {
    // 100,000 labels (the timing is in bench/sim/Assembler51Bench.cpp).
    QByteArray labels = "  ORG 0\r\n";
    for (int i = 0; i < 100000; ++i)
        labels += "L" + QByteArray::number(i) + ":\r\n";
    labels += "  SJMP L99999\r\n";
    AsmResult r = assemble51(labels);
    ASSERT_TRUE(r.ok()) << messages(r);
    EXPECT_EQ(hexFrom(r), "80 FE");

    // More code than 64K: one error, where it overflows.
    QByteArray big;
    for (int i = 0; i < 30000; ++i)
        big += "  LJMP 1234H\r\n";
    r = assemble51(big);
    ASSERT_EQ(r.errors.size(), 1u) << messages(r);
    EXPECT_EQ(r.errors[0].message, QStringLiteral("第21846行：代码超出 64K 地址空间"));
}

TEST(Assembler51, ArbitraryBytesNeitherCrashNorHang) {
    // The fuzz target (fuzz/sim/Assembler51Fuzz.cpp) does this at length; a few here keep it honest.
    std::mt19937 rng(51);
    const QByteArray alphabet =
        "  ,:#@/+-*().$'\";\r\n\tAHBQOXDR01789ACCP1MOVSJMPDBDWEQUSETORGNOTHIGH\xB0\xA1";
    for (int round = 0; round < 300; ++round) {
        QByteArray source;
        const int length = static_cast<int>(rng() % 400);
        for (int i = 0; i < length; ++i)
            source += alphabet[static_cast<qsizetype>(rng() % static_cast<unsigned>(alphabet.size()))];
        const AsmResult r = assemble51(source);
        EXPECT_TRUE(r.ok() || r.image.empty());
        int previous = 0;
        for (const sim::AsmError& e : r.errors) {
            EXPECT_GE(e.line, previous);
            previous = e.line;
        }
    }
}

} // namespace
