#include "tools/Arguments.h"

#include "tools/Command.h"

#include "boards/BoardLayout.h"

namespace labtool {

namespace {

struct TypeName {
    const char* name;
    int cpuType;
};
constexpr TypeName kTypeNames[] = {{"51", 1}, {"88", 2}, {"96", 3}, {"PCI", 4},
                                   {"1", 1},  {"2", 2},  {"3", 3},  {"4", 4}};

// The model menu's spellings that differ from the stored board names.
struct BoardAlias {
    const char* alias;
    const char* board;
};
constexpr BoardAlias kBoardAliases[] = {{"QK310X+", "QK310X"}};

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
    QString name = text;
    for (const BoardAlias& a : kBoardAliases)
        if (text.compare(QLatin1String(a.alias), Qt::CaseInsensitive) == 0)
            name = QLatin1String(a.board);
    const QString board = boards::canonicalBoardName(name);
    if (board.isEmpty())
        throw UsageError(QStringLiteral("unknown board %1 (%2)").arg(text, QLatin1String(BoardChoices)));
    return board;
}

} // namespace labtool
