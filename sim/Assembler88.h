#pragma once
// The assembler for the lab's 8088 sources: the MASM subset is translated line for line (Masm88) and
// assembled by nasm (Debian's nasm, run as a program in a temporary folder). Errors come back on the
// source's own lines in Chinese; the image holds memory from linear address 0 (gaps 00H), lineAt and
// addressOf take linear addresses, and the entry is END's label as CS:IP.
#include "sim/Assembler51.h"

#include <QString>

namespace sim {

// Whether nasm can be run here; `why` names the package when not.
bool nasmAvailable(QString* why = nullptr);

AsmResult assemble88(const QByteArray& source);

} // namespace sim
