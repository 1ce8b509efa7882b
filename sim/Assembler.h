#pragma once
// The assembler for an experiment type: the run menu and `labtool run` call this and do not know which
// CPU's assembler answers.
#include "sim/Assembler51.h"

#include <QString>

namespace sim {

// Whether programs of this type (1 = 51, 2 = 88, …) can be assembled here; `why` gets the reason when not.
bool canAssemble(int cpuType, QString* why = nullptr);
// Assembles a source of that type; a type that cannot be assembled gives one error on line 0.
AsmResult assembleFor(int cpuType, const QByteArray& source);

} // namespace sim
