#pragma once
// The names a teacher types for experiment types and boards, read the same way by every labtool command.
#include <QString>

namespace labtool {

// An experiment type as CpuType 1..4: "51", "88", "96", "PCI" (any letter case) or "1".."4". Anything else
// raises UsageError.
int cpuTypeArgument(const QString& text);
// What cpuTypeArgument accepts, for messages and --help.
extern const char* const CpuTypeChoices;

// A board's canonical name for a name in any letter case, also as the menu spells it ("QK310X+"). Anything
// else raises UsageError.
QString boardArgument(const QString& text);
extern const char* const BoardChoices;

} // namespace labtool
