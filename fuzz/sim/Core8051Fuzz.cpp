// The 8051 core on arbitrary code: the bytes are the code image (the rest of code memory reads FFH).
// It runs a bounded number of cycles in slices, with the pins of P1 and P3 and a received character
// taken from the image between slices, half the inputs under the reference timing; it never crashes,
// reads out of bounds or hangs, and its state holds together: time only moves forward and a slice ends
// where it should, and a stopped core stands on an A5H and says so.
#include "sim/Core8051.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct FuzzIo : sim::Core8051::Io {
    std::array<std::uint8_t, 0x10000> xram{};
    std::uint8_t xread(std::uint16_t address) override { return xram[address]; }
    void xwrite(std::uint16_t address, std::uint8_t value) override { xram[address] = value; }
    void portWritten(int port, std::uint8_t) override {
        if (port < 0 || port > 3)
            std::abort();
    }
    void serialSent(std::uint16_t data, int bits, double baud) override {
        if ((bits != 8 && bits != 9) || data >= (1u << bits) || baud < 0)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::uint8_t> image(data, data + size);
    FuzzIo io;
    sim::Core8051 core(io);
    core.setReferenceTiming(size % 2 == 1);
    core.load(image);
    constexpr std::uint64_t kSlice = 997, kSlices = 200;
    for (std::uint64_t slice = 0; slice < kSlices; ++slice) {
        const std::uint64_t before = core.cycles();
        const std::uint64_t until = before + kSlice;
        core.run(until);
        if (core.cycles() < before)
            std::abort();
        if (core.stopped()) {
            if (core.code(core.pc()) != 0xA5 || core.stopReason().rfind("非法指令 A5H", 0) != 0)
                std::abort();
            break;
        }
        if (core.cycles() < until || core.cycles() > until + 3) // the longest instruction is 4 cycles
            std::abort();
        if (core.instructions() > core.cycles())
            std::abort();
        if (size > 0) { // the board's side, from the input's bytes
            const std::uint8_t b = data[slice % size];
            if (b & 1)
                core.setPins(3, b);
            if (b & 2)
                core.setPins(1, std::uint8_t(b ^ 0x5A));
            if ((b & 0x0C) == 0x0C)
                core.receiveSerial(std::uint16_t(b | (b & 0x10) << 4), (b & 0x20) ? 9 : 8, 9600);
        }
    }
    return 0;
}
