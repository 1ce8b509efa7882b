// The wiring parse on arbitrary bytes: it never fails, and its steps hold only the meaningful characters,
// upper-cased and trimmed, each step ending where a separator was.
#include "engine/linksheet.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> steps = parseWiringSteps(text);
    qsizetype total = 0;
    for (const QByteArray& s : steps) {
        if (s.startsWith(' ') || s.endsWith(' '))
            std::abort();
        for (char c : s)
            if (!(c == ' ' || c == '>' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')))
                std::abort();
        total += s.size() + 1;
    }
    if (total > static_cast<qsizetype>(size) + 1)
        std::abort();
    for (const QByteArray& s : steps) {
        const auto names = stepTerminalNames(s);
        if (!names.first.startsWith("SHP_") || !names.second.startsWith("SHP_"))
            std::abort();
    }
    return 0;
}
