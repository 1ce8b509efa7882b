#pragma once
// The MASM subset of the lab's 8088 sources, turned line for line into nasm's syntax: SEGMENT/ENDS,
// ASSUME, ORG, END label, EQU and =, PROC NEAR/FAR … ENDP (RET in a FAR procedure is RETF, a CALL to one
// is a far call), LABEL, DB/DW/DD with DUP and ?, OFFSET, SEG, BYTE/WORD/DWORD PTR with segment overrides,
// SHORT, NEAR/FAR PTR, VAR[SI], a bare variable as a memory operand (sized from its definition), HIGH,
// LOW and MASM's word operators. Every user symbol is written `$NAME` in upper case (MASM ignores case;
// `$` lets a label be called REL or SEG). Line N of the source is line N + kPrologueLines of the text.
#include "sim/Assembler51.h"

#include <QByteArray>

#include <map>
#include <string>
#include <vector>

namespace sim {

struct Masm88Segment {
    std::string name;   // upper case
    int firstLine = 0;  // the SEGMENT line
};

struct Masm88Translation {
    static constexpr int kPrologueLines = 3; // bits, cpu, and the map of the sections nasm writes
    QByteArray text;                   // nasm source
    std::vector<AsmError> errors;      // constructs outside the subset, by source line
    std::vector<Masm88Segment> segments;
    std::vector<int> segmentOfLine;    // source line (1-based; [0] unused) -> index into segments, -1 outside
    std::vector<char> padding;         // source line -> 1 where an ORG was turned into filler bytes
    std::string entryLabel;            // END's label, upper case; empty when END names none
    int endLine = 0;                   // the END line, 0 when there is none
    std::map<std::string, int> labelLine; // symbol -> the line defining it
};

// `paragraphs` gives each segment's paragraph (its segment register value), in the order of `segments`
// of an earlier translation of the same source; empty on the first translation, which places every
// segment at paragraph 0.
Masm88Translation translateMasm88(const QByteArray& source, const std::vector<std::uint32_t>& paragraphs = {});

} // namespace sim
