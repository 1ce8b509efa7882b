#pragma once
// The 8088's clock count for one instruction, from the instruction timings of Intel's iAPX 86/88 data
// book (8088 column: four more clocks for each word the 8-bit bus moves). Decoded from the instruction's
// bytes and the registers that decide the count (a conditional jump's flags, LOOP's CX, a shift's CL).
// Where the book gives a range (MUL, DIV) the middle is taken; the prefetch queue is not modelled.
#include <cstdint>

namespace sim {

struct Timing8088State {
    std::uint16_t flags = 0;
    std::uint16_t cx = 0;
};

// A repeated string instruction's clocks depend on how many times it ran, known only afterwards: the
// caller adds perRepeat for each step CX went down.
struct Timing8088Result {
    unsigned clocks = 0;
    unsigned perRepeat = 0;
};

// `code` holds at least 8 bytes from CS:IP on (prefixes, opcode, ModRM).
Timing8088Result clocks8088(const std::uint8_t* code, const Timing8088State& state);

// The response to a hardware interrupt (INTR with its two INTA cycles, or NMI) before the first
// instruction of the handler.
constexpr unsigned kInterruptClocks8088 = 61;
// INT n, and the divide-error trap, which the chip takes as INT 0.
constexpr unsigned kSoftInterruptClocks8088 = 71;

} // namespace sim
