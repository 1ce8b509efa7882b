// The MASM-to-nasm translation on arbitrary bytes (nasm itself is not run): it never crashes or hangs,
// keeps one nasm line for each source line after its prologue, and reports errors in line order, each
// naming its line in Chinese.
#include "sim/Masm88.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray source =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const sim::Masm88Translation t = sim::translateMasm88(source);
    const int lines = int(t.segmentOfLine.size()) - 1;
    QByteArray normalised = source;
    normalised.replace("\r\n", "\n").replace('\r', '\n');
    const int expected = int(normalised.count('\n')) + (normalised.isEmpty() || normalised.endsWith('\n') ? 0 : 1);
    if (lines != expected)
        std::abort();
    if (t.text.count('\n') != lines + sim::Masm88Translation::kPrologueLines)
        std::abort(); // line N of the source stays line N + prologue of the text nasm reads
    int previous = 0;
    for (const sim::AsmError& e : t.errors) {
        if (e.line < previous || e.line < 1 || e.line > lines)
            std::abort();
        if (!e.message.startsWith(QStringLiteral("第%1行：").arg(e.line)))
            std::abort();
        previous = e.line;
    }
    for (const auto& [name, line] : t.labelLine)
        if (line < 1 || line > lines)
            std::abort();
    return 0;
}
