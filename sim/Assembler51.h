#pragma once
// The assembler for the lab's 8051 sources: Intel-style directives (ORG, EQU, SET, DATA, IDATA, XDATA,
// BIT, DB, DW, DS, END), `$`, HIGH/LOW, arithmetic and logic expressions, bit addresses (P1.0, ACC.7,
// 20H.3), the 8052's SFR and bit names, labels, GBK comments and strings. Two passes; every error is
// collected with its line, and an image is returned only when there are none.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace sim {

struct AsmError {
    int line = 0;    // 1-based
    QString message; // "第12行：未定义的符号 DELAY1"
};

struct AsmResult {
    bool ok() const { return errors.empty(); }
    std::vector<std::uint8_t> image;     // code memory from 0 up to the highest byte emitted (gaps are FFH;
                                         // 00H on the 8088, whose image is RAM from linear address 0)
    std::vector<bool> used;              // which bytes of the image were emitted (DS and gaps are not)
    std::map<std::uint32_t, int> lineAt; // address of each instruction or data line -> its 1-based line
    std::map<int, std::uint32_t> addressOf; // line -> the address it starts at (linear on the 8088)
    QByteArray listing;                  // address, bytes and the source line, one line each (GBK as given)
    std::vector<AsmError> errors;        // in line order
    // Where the program starts (Cpu::setEntry): the 8088's CS and IP of END's label; 0 and 0 on the 8051.
    std::uint16_t entrySegment = 0;
    std::uint16_t entryOffset = 0;
};

// `source` is the text as the source tab holds it (GBK or UTF-8 bytes; only ASCII matters to the syntax,
// strings are taken byte for byte).
AsmResult assemble51(const QByteArray& source);

} // namespace sim
