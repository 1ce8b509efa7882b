// The 8051 assembler on arbitrary bytes: it never crashes or hangs, and what it returns holds together:
// an image only without errors, errors in line order each naming its line, every mapped address inside
// the image and emitted.
#include "sim/Assembler51.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray source =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const sim::AsmResult r = sim::assemble51(source);
    const int lines = static_cast<int>(source.count('\n')) + 1;
    if (!r.errors.empty() && !r.image.empty())
        std::abort();
    if (r.image.size() != r.used.size() || r.image.size() > 0x10000)
        std::abort();
    if (!r.image.empty() && !r.used.back())
        std::abort(); // the image ends at the highest byte emitted
    int previous = 0;
    for (const sim::AsmError& e : r.errors) {
        if (e.line < previous || e.line < 1 || e.line > lines)
            std::abort();
        if (!e.message.startsWith(QStringLiteral("第%1行：").arg(e.line)))
            std::abort();
        previous = e.line;
    }
    if (r.errors.size() > 1001)
        std::abort();
    if (r.ok()) {
        for (const auto& [address, line] : r.lineAt)
            if (address >= r.image.size() || !r.used[address] || line < 1 || line > lines)
                std::abort();
        for (const auto& [line, address] : r.addressOf)
            if (line < 1 || line > lines)
                std::abort();
    }
    if (r.listing.count('\n') < lines - 1)
        std::abort(); // every source line is listed
    return 0;
}
