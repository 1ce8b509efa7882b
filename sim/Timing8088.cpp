#include "sim/Timing8088.h"

#include <array>
#include <cstddef>

namespace sim {

namespace {

enum class Kind : std::uint8_t {
    Fixed,   // reg clocks
    ModRM,   // reg with a register operand, mem + EA with a memory operand
    Group,   // as ModRM, the row chosen by the ModRM reg field (groupRows)
    ShiftCl, // as Group, plus 4 a bit shifted
    Jcc,     // reg taken, mem not taken
    LoopNe, LoopE, Loop, Jcxz,
    Into,    // reg taken (OF set), mem not
    Prefix,  // segment override, LOCK: reg clocks, then the instruction
    Rep,     // REP/REPE/REPNE: reg clocks, then the string instruction repeated
    String,  // reg once, mem per repeat (byte); `words` word transfers in each
};

struct Row {
    std::uint8_t first, last;
    Kind kind;
    std::uint8_t reg, mem;
    std::uint8_t words; // word transfers of the memory form: 4 clocks each on the 8088 when the w bit is set
};

// The data book's table, 8088 figures; byte forms, with `words` adding the word forms' extra clocks.
constexpr Row kRows[] = {
    // ADD OR ADC SBB AND SUB XOR CMP: r/m,reg  reg,r/m  acc,imm
    {0x00, 0x01, Kind::ModRM, 3, 16, 2}, {0x02, 0x03, Kind::ModRM, 3, 9, 1}, {0x04, 0x05, Kind::Fixed, 4, 0, 0},
    {0x08, 0x09, Kind::ModRM, 3, 16, 2}, {0x0A, 0x0B, Kind::ModRM, 3, 9, 1}, {0x0C, 0x0D, Kind::Fixed, 4, 0, 0},
    {0x10, 0x11, Kind::ModRM, 3, 16, 2}, {0x12, 0x13, Kind::ModRM, 3, 9, 1}, {0x14, 0x15, Kind::Fixed, 4, 0, 0},
    {0x18, 0x19, Kind::ModRM, 3, 16, 2}, {0x1A, 0x1B, Kind::ModRM, 3, 9, 1}, {0x1C, 0x1D, Kind::Fixed, 4, 0, 0},
    {0x20, 0x21, Kind::ModRM, 3, 16, 2}, {0x22, 0x23, Kind::ModRM, 3, 9, 1}, {0x24, 0x25, Kind::Fixed, 4, 0, 0},
    {0x28, 0x29, Kind::ModRM, 3, 16, 2}, {0x2A, 0x2B, Kind::ModRM, 3, 9, 1}, {0x2C, 0x2D, Kind::Fixed, 4, 0, 0},
    {0x30, 0x31, Kind::ModRM, 3, 16, 2}, {0x32, 0x33, Kind::ModRM, 3, 9, 1}, {0x34, 0x35, Kind::Fixed, 4, 0, 0},
    {0x38, 0x39, Kind::ModRM, 3, 9, 1},  {0x3A, 0x3B, Kind::ModRM, 3, 9, 1}, {0x3C, 0x3D, Kind::Fixed, 4, 0, 0},
    // PUSH seg, POP seg
    {0x06, 0x06, Kind::Fixed, 14, 0, 0}, {0x0E, 0x0E, Kind::Fixed, 14, 0, 0}, {0x16, 0x16, Kind::Fixed, 14, 0, 0},
    {0x1E, 0x1E, Kind::Fixed, 14, 0, 0}, {0x07, 0x07, Kind::Fixed, 12, 0, 0}, {0x0F, 0x0F, Kind::Fixed, 12, 0, 0},
    {0x17, 0x17, Kind::Fixed, 12, 0, 0}, {0x1F, 0x1F, Kind::Fixed, 12, 0, 0},
    // segment overrides; DAA DAS AAA AAS
    {0x26, 0x26, Kind::Prefix, 2, 0, 0}, {0x2E, 0x2E, Kind::Prefix, 2, 0, 0}, {0x36, 0x36, Kind::Prefix, 2, 0, 0},
    {0x3E, 0x3E, Kind::Prefix, 2, 0, 0}, {0x27, 0x27, Kind::Fixed, 4, 0, 0}, {0x2F, 0x2F, Kind::Fixed, 4, 0, 0},
    {0x37, 0x37, Kind::Fixed, 8, 0, 0}, {0x3F, 0x3F, Kind::Fixed, 8, 0, 0},
    // INC r16, DEC r16, PUSH r16, POP r16
    {0x40, 0x4F, Kind::Fixed, 2, 0, 0}, {0x50, 0x57, Kind::Fixed, 15, 0, 0}, {0x58, 0x5F, Kind::Fixed, 12, 0, 0},
    // 60H-6FH repeat the conditional jumps on the 8088
    {0x60, 0x7F, Kind::Jcc, 16, 4, 0},
    {0x80, 0x83, Kind::Group, 4, 17, 2},
    {0x84, 0x85, Kind::ModRM, 3, 9, 1},  // TEST r/m,reg
    {0x86, 0x87, Kind::ModRM, 4, 17, 2}, // XCHG r/m,reg
    {0x88, 0x89, Kind::ModRM, 2, 9, 1},  // MOV r/m,reg
    {0x8A, 0x8B, Kind::ModRM, 2, 8, 1},  // MOV reg,r/m
    {0x8C, 0x8C, Kind::ModRM, 2, 13, 0}, // MOV r/m,seg
    {0x8D, 0x8D, Kind::ModRM, 2, 2, 0},  // LEA
    {0x8E, 0x8E, Kind::ModRM, 2, 12, 0}, // MOV seg,r/m
    {0x8F, 0x8F, Kind::ModRM, 12, 25, 0}, // POP r/m
    {0x90, 0x90, Kind::Fixed, 3, 0, 0},  {0x91, 0x97, Kind::Fixed, 3, 0, 0}, // NOP, XCHG AX,r16
    {0x98, 0x98, Kind::Fixed, 2, 0, 0},  {0x99, 0x99, Kind::Fixed, 5, 0, 0}, // CBW CWD
    {0x9A, 0x9A, Kind::Fixed, 36, 0, 0}, {0x9B, 0x9B, Kind::Fixed, 4, 0, 0}, // CALL far, WAIT
    {0x9C, 0x9C, Kind::Fixed, 14, 0, 0}, {0x9D, 0x9D, Kind::Fixed, 12, 0, 0}, // PUSHF POPF
    {0x9E, 0x9F, Kind::Fixed, 4, 0, 0},  // SAHF LAHF
    {0xA0, 0xA0, Kind::Fixed, 10, 0, 0}, {0xA1, 0xA1, Kind::Fixed, 14, 0, 0}, // MOV acc,mem
    {0xA2, 0xA2, Kind::Fixed, 10, 0, 0}, {0xA3, 0xA3, Kind::Fixed, 14, 0, 0}, // MOV mem,acc
    {0xA4, 0xA5, Kind::String, 18, 17, 2}, // MOVS
    {0xA6, 0xA7, Kind::String, 22, 22, 2}, // CMPS
    {0xA8, 0xA9, Kind::Fixed, 4, 0, 0},    // TEST acc,imm
    {0xAA, 0xAB, Kind::String, 11, 10, 1}, // STOS
    {0xAC, 0xAD, Kind::String, 12, 13, 1}, // LODS
    {0xAE, 0xAF, Kind::String, 15, 15, 1}, // SCAS
    {0xB0, 0xBF, Kind::Fixed, 4, 0, 0},    // MOV reg,imm
    {0xC0, 0xC0, Kind::Fixed, 24, 0, 0},  {0xC1, 0xC1, Kind::Fixed, 20, 0, 0}, // (RET imm, RET on the 8088)
    {0xC2, 0xC2, Kind::Fixed, 24, 0, 0},  {0xC3, 0xC3, Kind::Fixed, 20, 0, 0}, // RET imm, RET
    {0xC4, 0xC5, Kind::ModRM, 24, 24, 0},  // LES LDS
    {0xC6, 0xC7, Kind::ModRM, 4, 10, 1},   // MOV r/m,imm
    {0xC8, 0xC8, Kind::Fixed, 31, 0, 0},  {0xC9, 0xC9, Kind::Fixed, 32, 0, 0}, // (RETF imm, RETF on the 8088)
    {0xCA, 0xCA, Kind::Fixed, 31, 0, 0},  {0xCB, 0xCB, Kind::Fixed, 32, 0, 0}, // RETF imm, RETF
    {0xCC, 0xCC, Kind::Fixed, 72, 0, 0},  {0xCD, 0xCD, Kind::Fixed, 71, 0, 0}, // INT 3, INT n
    {0xCE, 0xCE, Kind::Into, 73, 4, 0},   {0xCF, 0xCF, Kind::Fixed, 44, 0, 0}, // INTO, IRET
    {0xD0, 0xD1, Kind::ModRM, 2, 15, 2},  {0xD2, 0xD3, Kind::ShiftCl, 8, 20, 2}, // shifts by 1, by CL
    {0xD4, 0xD4, Kind::Fixed, 83, 0, 0},  {0xD5, 0xD5, Kind::Fixed, 60, 0, 0}, // AAM AAD
    {0xD6, 0xD6, Kind::Fixed, 4, 0, 0},   {0xD7, 0xD7, Kind::Fixed, 11, 0, 0}, // (SALC), XLAT
    {0xD8, 0xDF, Kind::ModRM, 2, 8, 0},    // ESC
    {0xE0, 0xE0, Kind::LoopNe, 19, 5, 0}, {0xE1, 0xE1, Kind::LoopE, 18, 6, 0},
    {0xE2, 0xE2, Kind::Loop, 17, 5, 0},   {0xE3, 0xE3, Kind::Jcxz, 18, 6, 0},
    {0xE4, 0xE4, Kind::Fixed, 10, 0, 0},  {0xE5, 0xE5, Kind::Fixed, 14, 0, 0}, // IN acc,port
    {0xE6, 0xE6, Kind::Fixed, 10, 0, 0},  {0xE7, 0xE7, Kind::Fixed, 14, 0, 0}, // OUT port,acc
    {0xE8, 0xE8, Kind::Fixed, 23, 0, 0},  {0xE9, 0xEB, Kind::Fixed, 15, 0, 0}, // CALL near, JMP
    {0xEC, 0xEC, Kind::Fixed, 8, 0, 0},   {0xED, 0xED, Kind::Fixed, 12, 0, 0}, // IN acc,DX
    {0xEE, 0xEE, Kind::Fixed, 8, 0, 0},   {0xEF, 0xEF, Kind::Fixed, 12, 0, 0}, // OUT DX,acc
    {0xF0, 0xF1, Kind::Prefix, 2, 0, 0},  {0xF2, 0xF3, Kind::Rep, 9, 0, 0},     // LOCK, REP
    {0xF4, 0xF5, Kind::Fixed, 2, 0, 0},    // HLT CMC
    {0xF6, 0xF7, Kind::Group, 0, 0, 0},
    {0xF8, 0xFD, Kind::Fixed, 2, 0, 0},    // CLC STC CLI STI CLD STD
    {0xFE, 0xFF, Kind::Group, 0, 0, 0},
};

struct GroupRow {
    std::uint8_t reg, mem, words;
};

// Groups by their ModRM reg field. Ranges of the book (MUL, DIV …) are taken at their middle.
constexpr GroupRow kGroup80[8] = {{4, 17, 2}, {4, 17, 2}, {4, 17, 2}, {4, 17, 2},
                                  {4, 17, 2}, {4, 17, 2}, {4, 17, 2}, {4, 10, 1}}; // … CMP
constexpr GroupRow kGroupF6[8] = {{5, 11, 0},  {5, 11, 0}, {3, 16, 0},  {3, 16, 0},  // TEST, NOT, NEG
                                  {74, 80, 0}, {89, 95, 0}, {85, 91, 0}, {107, 113, 0}}; // MUL IMUL DIV IDIV
constexpr GroupRow kGroupF7[8] = {{5, 15, 0},    {5, 15, 0},    {3, 24, 0},    {3, 24, 0},
                                  {126, 136, 0}, {141, 151, 0}, {153, 163, 0}, {175, 185, 0}};
constexpr GroupRow kGroupFE[8] = {{3, 15, 0}, {3, 15, 0}, {3, 15, 0}, {3, 15, 0},
                                  {3, 15, 0}, {3, 15, 0}, {3, 15, 0}, {3, 15, 0}}; // INC DEC r/m8
constexpr GroupRow kGroupFF[8] = {{2, 23, 0},  {2, 23, 0},  {20, 29, 0}, {53, 53, 0}, // INC DEC CALL CALL far
                                  {11, 22, 0}, {32, 32, 0}, {15, 24, 0}, {15, 24, 0}}; // JMP JMP far PUSH

const GroupRow& groupRow(std::uint8_t opcode, int reg) {
    switch (opcode) {
    case 0xF6: return kGroupF6[reg];
    case 0xF7: return kGroupF7[reg];
    case 0xFE: return kGroupFE[reg];
    case 0xFF: return kGroupFF[reg];
    default: return kGroup80[reg];
    }
}

const std::array<const Row*, 256>& rowOf() {
    static const std::array<const Row*, 256> table = [] {
        std::array<const Row*, 256> t{};
        for (const Row& r : kRows)
            for (int op = r.first; op <= r.last; ++op)
                t[size_t(op)] = &r;
        return t;
    }();
    return table;
}

// Effective-address clocks by mod (00, or with a displacement) and r/m.
unsigned eaClocks(std::uint8_t modrm) {
    static constexpr std::uint8_t noDisp[8] = {7, 8, 8, 7, 5, 5, 6, 5}; // r/m 110 with mod 00: a direct address
    static constexpr std::uint8_t disp[8] = {11, 12, 12, 11, 9, 9, 9, 9};
    const int mod = modrm >> 6, rm = modrm & 7;
    return mod == 0 ? noDisp[rm] : disp[rm];
}

bool condition(std::uint8_t opcode, std::uint16_t f) {
    const bool cf = f & 0x001, pf = f & 0x004, zf = f & 0x040, sf = f & 0x080, of = f & 0x800;
    bool c = false;
    switch ((opcode >> 1) & 7) {
    case 0: c = of; break;
    case 1: c = cf; break;
    case 2: c = zf; break;
    case 3: c = cf || zf; break;
    case 4: c = sf; break;
    case 5: c = pf; break;
    case 6: c = sf != of; break;
    case 7: c = zf || sf != of; break;
    }
    return (opcode & 1) ? !c : c;
}

} // namespace

Timing8088Result clocks8088(const std::uint8_t* code, const Timing8088State& s) {
    Timing8088Result result;
    bool rep = false;
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t op = code[i];
        const Row& row = *rowOf()[op];
        const bool word = op & 1;
        const std::uint8_t modrm = code[i + 1 < 8 ? i + 1 : 7];
        const bool memory = (modrm >> 6) != 3;
        const auto withModRM = [&](unsigned reg, unsigned mem, unsigned words) {
            return memory ? mem + eaClocks(modrm) + (word ? 4 * words : 0) : reg;
        };
        switch (row.kind) {
        case Kind::Prefix: result.clocks += row.reg; continue;
        case Kind::Rep:
            result.clocks += 2;
            rep = true;
            continue;
        case Kind::Fixed: result.clocks += row.reg; break;
        case Kind::ModRM: result.clocks += withModRM(row.reg, row.mem, row.words); break;
        case Kind::Group: {
            const GroupRow& g = groupRow(op, (modrm >> 3) & 7);
            result.clocks += withModRM(g.reg, g.mem, g.words);
            break;
        }
        case Kind::ShiftCl: result.clocks += withModRM(row.reg, row.mem, row.words) + 4u * (s.cx & 0xFF); break;
        case Kind::Jcc: result.clocks += condition(op, s.flags) ? row.reg : row.mem; break;
        case Kind::Loop: result.clocks += s.cx != 1 ? row.reg : row.mem; break;
        case Kind::LoopE: result.clocks += s.cx != 1 && (s.flags & 0x40) ? row.reg : row.mem; break;
        case Kind::LoopNe: result.clocks += s.cx != 1 && !(s.flags & 0x40) ? row.reg : row.mem; break;
        case Kind::Jcxz: result.clocks += s.cx == 0 ? row.reg : row.mem; break;
        case Kind::Into: result.clocks += (s.flags & 0x800) ? row.reg : row.mem; break;
        case Kind::String:
            if (rep) {
                result.clocks += 7; // 9 for the REP prefix with the string instruction, 2 counted above
                result.perRepeat = row.mem + (word ? 4u * row.words : 0);
            } else {
                result.clocks += row.reg + (word ? 4u * row.words : 0);
            }
            break;
        }
        return result;
    }
    return result; // eight prefixes: counted as such
}

} // namespace sim
