#pragma once
// The MCS-51 instruction set as data: for each of the 256 opcodes its mnemonic, its operands in the order
// the assembler writes them, its length in bytes and its duration in machine cycles (12 crystal periods),
// from the Intel MCS-51 data book. A5H is the one undefined opcode (empty mnemonic, length 1).
// The assembler (sim/Assembler51.cpp) builds its lookup from this table; the core and a disassembler may use
// the lengths and cycles.
#include <array>
#include <cstdint>
#include <string_view>

namespace sim::mcs51 {

// clang-format off
enum class Operand : std::uint8_t {
    None,
    A, AB, C, DPTR,
    R0, R1, R2, R3, R4, R5, R6, R7,
    AtR0, AtR1,  // @R0, @R1
    AtDptr,      // @DPTR
    AtADptr,     // @A+DPTR
    AtAPc,       // @A+PC
    Imm8,        // #data
    Imm16,       // #data16
    Direct,      // an internal RAM or SFR address, one byte
    Bit,         // a bit address, one byte
    NotBit,      // /bit, one byte
    Rel,         // a relative jump, one signed byte from the end of the instruction
    Addr11,      // AJMP/ACALL: the top three bits in the opcode, the low eight in the next byte
    Addr16,      // LJMP/LCALL: high byte first
};
// clang-format on

struct Opcode {
    std::string_view mnemonic; // upper case; empty for A5H
    std::array<Operand, 3> operands;
    std::uint8_t length; // bytes, with the opcode
    std::uint8_t cycles; // machine cycles
    constexpr bool defined() const { return !mnemonic.empty(); }
    constexpr int operandCount() const {
        int n = 0;
        while (n < 3 && operands[static_cast<std::size_t>(n)] != Operand::None)
            ++n;
        return n;
    }
};

// Bytes are written in operand order, except MOV direct,direct (85H), whose source byte comes first:
// "MOV 30H,31H" is 85 31 30.
// clang-format off
inline constexpr std::array<Opcode, 256> kOpcodes = {{
    {"NOP", {}, 1, 1},                                                        // 00H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // 01H
    {"LJMP", {Operand::Addr16}, 3, 2},                                        // 02H
    {"RR", {Operand::A}, 1, 1},                                               // 03H
    {"INC", {Operand::A}, 1, 1},                                              // 04H
    {"INC", {Operand::Direct}, 2, 1},                                         // 05H
    {"INC", {Operand::AtR0}, 1, 1},                                           // 06H
    {"INC", {Operand::AtR1}, 1, 1},                                           // 07H
    {"INC", {Operand::R0}, 1, 1},                                             // 08H
    {"INC", {Operand::R1}, 1, 1},                                             // 09H
    {"INC", {Operand::R2}, 1, 1},                                             // 0AH
    {"INC", {Operand::R3}, 1, 1},                                             // 0BH
    {"INC", {Operand::R4}, 1, 1},                                             // 0CH
    {"INC", {Operand::R5}, 1, 1},                                             // 0DH
    {"INC", {Operand::R6}, 1, 1},                                             // 0EH
    {"INC", {Operand::R7}, 1, 1},                                             // 0FH
    {"JBC", {Operand::Bit, Operand::Rel}, 3, 2},                              // 10H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // 11H
    {"LCALL", {Operand::Addr16}, 3, 2},                                       // 12H
    {"RRC", {Operand::A}, 1, 1},                                              // 13H
    {"DEC", {Operand::A}, 1, 1},                                              // 14H
    {"DEC", {Operand::Direct}, 2, 1},                                         // 15H
    {"DEC", {Operand::AtR0}, 1, 1},                                           // 16H
    {"DEC", {Operand::AtR1}, 1, 1},                                           // 17H
    {"DEC", {Operand::R0}, 1, 1},                                             // 18H
    {"DEC", {Operand::R1}, 1, 1},                                             // 19H
    {"DEC", {Operand::R2}, 1, 1},                                             // 1AH
    {"DEC", {Operand::R3}, 1, 1},                                             // 1BH
    {"DEC", {Operand::R4}, 1, 1},                                             // 1CH
    {"DEC", {Operand::R5}, 1, 1},                                             // 1DH
    {"DEC", {Operand::R6}, 1, 1},                                             // 1EH
    {"DEC", {Operand::R7}, 1, 1},                                             // 1FH
    {"JB", {Operand::Bit, Operand::Rel}, 3, 2},                               // 20H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // 21H
    {"RET", {}, 1, 2},                                                        // 22H
    {"RL", {Operand::A}, 1, 1},                                               // 23H
    {"ADD", {Operand::A, Operand::Imm8}, 2, 1},                               // 24H
    {"ADD", {Operand::A, Operand::Direct}, 2, 1},                             // 25H
    {"ADD", {Operand::A, Operand::AtR0}, 1, 1},                               // 26H
    {"ADD", {Operand::A, Operand::AtR1}, 1, 1},                               // 27H
    {"ADD", {Operand::A, Operand::R0}, 1, 1},                                 // 28H
    {"ADD", {Operand::A, Operand::R1}, 1, 1},                                 // 29H
    {"ADD", {Operand::A, Operand::R2}, 1, 1},                                 // 2AH
    {"ADD", {Operand::A, Operand::R3}, 1, 1},                                 // 2BH
    {"ADD", {Operand::A, Operand::R4}, 1, 1},                                 // 2CH
    {"ADD", {Operand::A, Operand::R5}, 1, 1},                                 // 2DH
    {"ADD", {Operand::A, Operand::R6}, 1, 1},                                 // 2EH
    {"ADD", {Operand::A, Operand::R7}, 1, 1},                                 // 2FH
    {"JNB", {Operand::Bit, Operand::Rel}, 3, 2},                              // 30H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // 31H
    {"RETI", {}, 1, 2},                                                       // 32H
    {"RLC", {Operand::A}, 1, 1},                                              // 33H
    {"ADDC", {Operand::A, Operand::Imm8}, 2, 1},                              // 34H
    {"ADDC", {Operand::A, Operand::Direct}, 2, 1},                            // 35H
    {"ADDC", {Operand::A, Operand::AtR0}, 1, 1},                              // 36H
    {"ADDC", {Operand::A, Operand::AtR1}, 1, 1},                              // 37H
    {"ADDC", {Operand::A, Operand::R0}, 1, 1},                                // 38H
    {"ADDC", {Operand::A, Operand::R1}, 1, 1},                                // 39H
    {"ADDC", {Operand::A, Operand::R2}, 1, 1},                                // 3AH
    {"ADDC", {Operand::A, Operand::R3}, 1, 1},                                // 3BH
    {"ADDC", {Operand::A, Operand::R4}, 1, 1},                                // 3CH
    {"ADDC", {Operand::A, Operand::R5}, 1, 1},                                // 3DH
    {"ADDC", {Operand::A, Operand::R6}, 1, 1},                                // 3EH
    {"ADDC", {Operand::A, Operand::R7}, 1, 1},                                // 3FH
    {"JC", {Operand::Rel}, 2, 2},                                             // 40H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // 41H
    {"ORL", {Operand::Direct, Operand::A}, 2, 1},                             // 42H
    {"ORL", {Operand::Direct, Operand::Imm8}, 3, 2},                          // 43H
    {"ORL", {Operand::A, Operand::Imm8}, 2, 1},                               // 44H
    {"ORL", {Operand::A, Operand::Direct}, 2, 1},                             // 45H
    {"ORL", {Operand::A, Operand::AtR0}, 1, 1},                               // 46H
    {"ORL", {Operand::A, Operand::AtR1}, 1, 1},                               // 47H
    {"ORL", {Operand::A, Operand::R0}, 1, 1},                                 // 48H
    {"ORL", {Operand::A, Operand::R1}, 1, 1},                                 // 49H
    {"ORL", {Operand::A, Operand::R2}, 1, 1},                                 // 4AH
    {"ORL", {Operand::A, Operand::R3}, 1, 1},                                 // 4BH
    {"ORL", {Operand::A, Operand::R4}, 1, 1},                                 // 4CH
    {"ORL", {Operand::A, Operand::R5}, 1, 1},                                 // 4DH
    {"ORL", {Operand::A, Operand::R6}, 1, 1},                                 // 4EH
    {"ORL", {Operand::A, Operand::R7}, 1, 1},                                 // 4FH
    {"JNC", {Operand::Rel}, 2, 2},                                            // 50H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // 51H
    {"ANL", {Operand::Direct, Operand::A}, 2, 1},                             // 52H
    {"ANL", {Operand::Direct, Operand::Imm8}, 3, 2},                          // 53H
    {"ANL", {Operand::A, Operand::Imm8}, 2, 1},                               // 54H
    {"ANL", {Operand::A, Operand::Direct}, 2, 1},                             // 55H
    {"ANL", {Operand::A, Operand::AtR0}, 1, 1},                               // 56H
    {"ANL", {Operand::A, Operand::AtR1}, 1, 1},                               // 57H
    {"ANL", {Operand::A, Operand::R0}, 1, 1},                                 // 58H
    {"ANL", {Operand::A, Operand::R1}, 1, 1},                                 // 59H
    {"ANL", {Operand::A, Operand::R2}, 1, 1},                                 // 5AH
    {"ANL", {Operand::A, Operand::R3}, 1, 1},                                 // 5BH
    {"ANL", {Operand::A, Operand::R4}, 1, 1},                                 // 5CH
    {"ANL", {Operand::A, Operand::R5}, 1, 1},                                 // 5DH
    {"ANL", {Operand::A, Operand::R6}, 1, 1},                                 // 5EH
    {"ANL", {Operand::A, Operand::R7}, 1, 1},                                 // 5FH
    {"JZ", {Operand::Rel}, 2, 2},                                             // 60H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // 61H
    {"XRL", {Operand::Direct, Operand::A}, 2, 1},                             // 62H
    {"XRL", {Operand::Direct, Operand::Imm8}, 3, 2},                          // 63H
    {"XRL", {Operand::A, Operand::Imm8}, 2, 1},                               // 64H
    {"XRL", {Operand::A, Operand::Direct}, 2, 1},                             // 65H
    {"XRL", {Operand::A, Operand::AtR0}, 1, 1},                               // 66H
    {"XRL", {Operand::A, Operand::AtR1}, 1, 1},                               // 67H
    {"XRL", {Operand::A, Operand::R0}, 1, 1},                                 // 68H
    {"XRL", {Operand::A, Operand::R1}, 1, 1},                                 // 69H
    {"XRL", {Operand::A, Operand::R2}, 1, 1},                                 // 6AH
    {"XRL", {Operand::A, Operand::R3}, 1, 1},                                 // 6BH
    {"XRL", {Operand::A, Operand::R4}, 1, 1},                                 // 6CH
    {"XRL", {Operand::A, Operand::R5}, 1, 1},                                 // 6DH
    {"XRL", {Operand::A, Operand::R6}, 1, 1},                                 // 6EH
    {"XRL", {Operand::A, Operand::R7}, 1, 1},                                 // 6FH
    {"JNZ", {Operand::Rel}, 2, 2},                                            // 70H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // 71H
    {"ORL", {Operand::C, Operand::Bit}, 2, 2},                                // 72H
    {"JMP", {Operand::AtADptr}, 1, 2},                                        // 73H
    {"MOV", {Operand::A, Operand::Imm8}, 2, 1},                               // 74H
    {"MOV", {Operand::Direct, Operand::Imm8}, 3, 2},                          // 75H
    {"MOV", {Operand::AtR0, Operand::Imm8}, 2, 1},                            // 76H
    {"MOV", {Operand::AtR1, Operand::Imm8}, 2, 1},                            // 77H
    {"MOV", {Operand::R0, Operand::Imm8}, 2, 1},                              // 78H
    {"MOV", {Operand::R1, Operand::Imm8}, 2, 1},                              // 79H
    {"MOV", {Operand::R2, Operand::Imm8}, 2, 1},                              // 7AH
    {"MOV", {Operand::R3, Operand::Imm8}, 2, 1},                              // 7BH
    {"MOV", {Operand::R4, Operand::Imm8}, 2, 1},                              // 7CH
    {"MOV", {Operand::R5, Operand::Imm8}, 2, 1},                              // 7DH
    {"MOV", {Operand::R6, Operand::Imm8}, 2, 1},                              // 7EH
    {"MOV", {Operand::R7, Operand::Imm8}, 2, 1},                              // 7FH
    {"SJMP", {Operand::Rel}, 2, 2},                                           // 80H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // 81H
    {"ANL", {Operand::C, Operand::Bit}, 2, 2},                                // 82H
    {"MOVC", {Operand::A, Operand::AtAPc}, 1, 2},                             // 83H
    {"DIV", {Operand::AB}, 1, 4},                                             // 84H
    {"MOV", {Operand::Direct, Operand::Direct}, 3, 2},                        // 85H
    {"MOV", {Operand::Direct, Operand::AtR0}, 2, 2},                          // 86H
    {"MOV", {Operand::Direct, Operand::AtR1}, 2, 2},                          // 87H
    {"MOV", {Operand::Direct, Operand::R0}, 2, 2},                            // 88H
    {"MOV", {Operand::Direct, Operand::R1}, 2, 2},                            // 89H
    {"MOV", {Operand::Direct, Operand::R2}, 2, 2},                            // 8AH
    {"MOV", {Operand::Direct, Operand::R3}, 2, 2},                            // 8BH
    {"MOV", {Operand::Direct, Operand::R4}, 2, 2},                            // 8CH
    {"MOV", {Operand::Direct, Operand::R5}, 2, 2},                            // 8DH
    {"MOV", {Operand::Direct, Operand::R6}, 2, 2},                            // 8EH
    {"MOV", {Operand::Direct, Operand::R7}, 2, 2},                            // 8FH
    {"MOV", {Operand::DPTR, Operand::Imm16}, 3, 2},                           // 90H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // 91H
    {"MOV", {Operand::Bit, Operand::C}, 2, 2},                                // 92H
    {"MOVC", {Operand::A, Operand::AtADptr}, 1, 2},                           // 93H
    {"SUBB", {Operand::A, Operand::Imm8}, 2, 1},                              // 94H
    {"SUBB", {Operand::A, Operand::Direct}, 2, 1},                            // 95H
    {"SUBB", {Operand::A, Operand::AtR0}, 1, 1},                              // 96H
    {"SUBB", {Operand::A, Operand::AtR1}, 1, 1},                              // 97H
    {"SUBB", {Operand::A, Operand::R0}, 1, 1},                                // 98H
    {"SUBB", {Operand::A, Operand::R1}, 1, 1},                                // 99H
    {"SUBB", {Operand::A, Operand::R2}, 1, 1},                                // 9AH
    {"SUBB", {Operand::A, Operand::R3}, 1, 1},                                // 9BH
    {"SUBB", {Operand::A, Operand::R4}, 1, 1},                                // 9CH
    {"SUBB", {Operand::A, Operand::R5}, 1, 1},                                // 9DH
    {"SUBB", {Operand::A, Operand::R6}, 1, 1},                                // 9EH
    {"SUBB", {Operand::A, Operand::R7}, 1, 1},                                // 9FH
    {"ORL", {Operand::C, Operand::NotBit}, 2, 2},                             // A0H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // A1H
    {"MOV", {Operand::C, Operand::Bit}, 2, 1},                                // A2H
    {"INC", {Operand::DPTR}, 1, 2},                                           // A3H
    {"MUL", {Operand::AB}, 1, 4},                                             // A4H
    {"", {}, 1, 1},                                                           // A5H (undefined)
    {"MOV", {Operand::AtR0, Operand::Direct}, 2, 2},                          // A6H
    {"MOV", {Operand::AtR1, Operand::Direct}, 2, 2},                          // A7H
    {"MOV", {Operand::R0, Operand::Direct}, 2, 2},                            // A8H
    {"MOV", {Operand::R1, Operand::Direct}, 2, 2},                            // A9H
    {"MOV", {Operand::R2, Operand::Direct}, 2, 2},                            // AAH
    {"MOV", {Operand::R3, Operand::Direct}, 2, 2},                            // ABH
    {"MOV", {Operand::R4, Operand::Direct}, 2, 2},                            // ACH
    {"MOV", {Operand::R5, Operand::Direct}, 2, 2},                            // ADH
    {"MOV", {Operand::R6, Operand::Direct}, 2, 2},                            // AEH
    {"MOV", {Operand::R7, Operand::Direct}, 2, 2},                            // AFH
    {"ANL", {Operand::C, Operand::NotBit}, 2, 2},                             // B0H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // B1H
    {"CPL", {Operand::Bit}, 2, 1},                                            // B2H
    {"CPL", {Operand::C}, 1, 1},                                              // B3H
    {"CJNE", {Operand::A, Operand::Imm8, Operand::Rel}, 3, 2},                // B4H
    {"CJNE", {Operand::A, Operand::Direct, Operand::Rel}, 3, 2},              // B5H
    {"CJNE", {Operand::AtR0, Operand::Imm8, Operand::Rel}, 3, 2},             // B6H
    {"CJNE", {Operand::AtR1, Operand::Imm8, Operand::Rel}, 3, 2},             // B7H
    {"CJNE", {Operand::R0, Operand::Imm8, Operand::Rel}, 3, 2},               // B8H
    {"CJNE", {Operand::R1, Operand::Imm8, Operand::Rel}, 3, 2},               // B9H
    {"CJNE", {Operand::R2, Operand::Imm8, Operand::Rel}, 3, 2},               // BAH
    {"CJNE", {Operand::R3, Operand::Imm8, Operand::Rel}, 3, 2},               // BBH
    {"CJNE", {Operand::R4, Operand::Imm8, Operand::Rel}, 3, 2},               // BCH
    {"CJNE", {Operand::R5, Operand::Imm8, Operand::Rel}, 3, 2},               // BDH
    {"CJNE", {Operand::R6, Operand::Imm8, Operand::Rel}, 3, 2},               // BEH
    {"CJNE", {Operand::R7, Operand::Imm8, Operand::Rel}, 3, 2},               // BFH
    {"PUSH", {Operand::Direct}, 2, 2},                                        // C0H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // C1H
    {"CLR", {Operand::Bit}, 2, 1},                                            // C2H
    {"CLR", {Operand::C}, 1, 1},                                              // C3H
    {"SWAP", {Operand::A}, 1, 1},                                             // C4H
    {"XCH", {Operand::A, Operand::Direct}, 2, 1},                             // C5H
    {"XCH", {Operand::A, Operand::AtR0}, 1, 1},                               // C6H
    {"XCH", {Operand::A, Operand::AtR1}, 1, 1},                               // C7H
    {"XCH", {Operand::A, Operand::R0}, 1, 1},                                 // C8H
    {"XCH", {Operand::A, Operand::R1}, 1, 1},                                 // C9H
    {"XCH", {Operand::A, Operand::R2}, 1, 1},                                 // CAH
    {"XCH", {Operand::A, Operand::R3}, 1, 1},                                 // CBH
    {"XCH", {Operand::A, Operand::R4}, 1, 1},                                 // CCH
    {"XCH", {Operand::A, Operand::R5}, 1, 1},                                 // CDH
    {"XCH", {Operand::A, Operand::R6}, 1, 1},                                 // CEH
    {"XCH", {Operand::A, Operand::R7}, 1, 1},                                 // CFH
    {"POP", {Operand::Direct}, 2, 2},                                         // D0H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // D1H
    {"SETB", {Operand::Bit}, 2, 1},                                           // D2H
    {"SETB", {Operand::C}, 1, 1},                                             // D3H
    {"DA", {Operand::A}, 1, 1},                                               // D4H
    {"DJNZ", {Operand::Direct, Operand::Rel}, 3, 2},                          // D5H
    {"XCHD", {Operand::A, Operand::AtR0}, 1, 1},                              // D6H
    {"XCHD", {Operand::A, Operand::AtR1}, 1, 1},                              // D7H
    {"DJNZ", {Operand::R0, Operand::Rel}, 2, 2},                              // D8H
    {"DJNZ", {Operand::R1, Operand::Rel}, 2, 2},                              // D9H
    {"DJNZ", {Operand::R2, Operand::Rel}, 2, 2},                              // DAH
    {"DJNZ", {Operand::R3, Operand::Rel}, 2, 2},                              // DBH
    {"DJNZ", {Operand::R4, Operand::Rel}, 2, 2},                              // DCH
    {"DJNZ", {Operand::R5, Operand::Rel}, 2, 2},                              // DDH
    {"DJNZ", {Operand::R6, Operand::Rel}, 2, 2},                              // DEH
    {"DJNZ", {Operand::R7, Operand::Rel}, 2, 2},                              // DFH
    {"MOVX", {Operand::A, Operand::AtDptr}, 1, 2},                            // E0H
    {"AJMP", {Operand::Addr11}, 2, 2},                                        // E1H
    {"MOVX", {Operand::A, Operand::AtR0}, 1, 2},                              // E2H
    {"MOVX", {Operand::A, Operand::AtR1}, 1, 2},                              // E3H
    {"CLR", {Operand::A}, 1, 1},                                              // E4H
    {"MOV", {Operand::A, Operand::Direct}, 2, 1},                             // E5H
    {"MOV", {Operand::A, Operand::AtR0}, 1, 1},                               // E6H
    {"MOV", {Operand::A, Operand::AtR1}, 1, 1},                               // E7H
    {"MOV", {Operand::A, Operand::R0}, 1, 1},                                 // E8H
    {"MOV", {Operand::A, Operand::R1}, 1, 1},                                 // E9H
    {"MOV", {Operand::A, Operand::R2}, 1, 1},                                 // EAH
    {"MOV", {Operand::A, Operand::R3}, 1, 1},                                 // EBH
    {"MOV", {Operand::A, Operand::R4}, 1, 1},                                 // ECH
    {"MOV", {Operand::A, Operand::R5}, 1, 1},                                 // EDH
    {"MOV", {Operand::A, Operand::R6}, 1, 1},                                 // EEH
    {"MOV", {Operand::A, Operand::R7}, 1, 1},                                 // EFH
    {"MOVX", {Operand::AtDptr, Operand::A}, 1, 2},                            // F0H
    {"ACALL", {Operand::Addr11}, 2, 2},                                       // F1H
    {"MOVX", {Operand::AtR0, Operand::A}, 1, 2},                              // F2H
    {"MOVX", {Operand::AtR1, Operand::A}, 1, 2},                              // F3H
    {"CPL", {Operand::A}, 1, 1},                                              // F4H
    {"MOV", {Operand::Direct, Operand::A}, 2, 1},                             // F5H
    {"MOV", {Operand::AtR0, Operand::A}, 1, 1},                               // F6H
    {"MOV", {Operand::AtR1, Operand::A}, 1, 1},                               // F7H
    {"MOV", {Operand::R0, Operand::A}, 1, 1},                                 // F8H
    {"MOV", {Operand::R1, Operand::A}, 1, 1},                                 // F9H
    {"MOV", {Operand::R2, Operand::A}, 1, 1},                                 // FAH
    {"MOV", {Operand::R3, Operand::A}, 1, 1},                                 // FBH
    {"MOV", {Operand::R4, Operand::A}, 1, 1},                                 // FCH
    {"MOV", {Operand::R5, Operand::A}, 1, 1},                                 // FDH
    {"MOV", {Operand::R6, Operand::A}, 1, 1},                                 // FEH
    {"MOV", {Operand::R7, Operand::A}, 1, 1},                                 // FFH
}};
// clang-format on

constexpr const Opcode& opcode(std::uint8_t code) {
    return kOpcodes[code];
}
constexpr int instructionLength(std::uint8_t code) {
    return kOpcodes[code].length;
}

} // namespace sim::mcs51
