#pragma once
// The input of the scanning benchmarks: the bundled sources under data/asm concatenated, topped up with a
// generated source in the style of the lab experiments (8086 and 8051 code, Chinese comments in GBK).
#include <QByteArray>

namespace benchcorpus {

// At least minBytes of source text (GBK, CR LF line ends).
QByteArray corpus(qsizetype minBytes);

// A generated source of exactly `lines` lines.
QByteArray generated(int lines);

} // namespace benchcorpus
