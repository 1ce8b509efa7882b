#include "tools/Arguments.h"

#include "tools/Command.h"

#include "boards/BoardInfo.h"
#include "boards/BoardLayout.h"

namespace labtool {

namespace {

struct TypeName {
    const char* name;
    int cpuType;
};
constexpr TypeName kTypeNames[] = {{"51", 1}, {"88", 2}, {"96", 3}, {"PCI", 4},
                                   {"1", 1},  {"2", 2},  {"3", 3},  {"4", 4}};

} // namespace

const char* const CpuTypeChoices = "51, 88, 96, PCI, or 1 to 4";
const char* const BoardChoices = "QK740X, QK620X, QK310X or QK310X+, QK930X";

int cpuTypeArgument(const QString& text) {
    for (const TypeName& t : kTypeNames)
        if (text.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return t.cpuType;
    throw UsageError(QStringLiteral("unknown experiment type \"%1\" (%2)").arg(text, QLatin1String(CpuTypeChoices)));
}

QString boardArgument(const QString& text) {
    QString board = boards::canonicalBoardName(text);
    for (const QString& b : boards::boardNames())
        if (text.compare(boards::boardDisplayName(b), Qt::CaseInsensitive) == 0)
            board = b; // as the menu spells it
    if (board.isEmpty())
        throw UsageError(QStringLiteral("unknown board %1 (%2)").arg(text, QLatin1String(BoardChoices)));
    return board;
}

} // namespace labtool
