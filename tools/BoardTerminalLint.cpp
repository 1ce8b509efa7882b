#include "tools/CatalogueLint.h"

#include "boards/BoardInfo.h"
#include "boards/BoardLayout.h"
#include "engine/linksheet.h"

QStringList lintBoardTerminals(int cpuType, const QList<QByteArray>& steps) {
    QStringList lines;
    for (const auto& [board, types] : boards::boardTypeOffers()) {
        Q_UNUSED(types);
        if (!boards::offeredCpuTypes(board).contains(cpuType))
            continue;
        const QSet<QString> names = boards::terminalNames(board);
        QStringList lacking;
        for (const QByteArray& step : steps) {
            if (!step.contains('>'))
                continue; // reported as a step without ">"
            const auto [first, second] = stepTerminalNames(step);
            for (const QByteArray& n : {first, second}) {
                QString name = QString::fromLatin1(n.mid(4));
                if (names.contains(name))
                    continue;
                if (name.isEmpty())
                    name = QStringLiteral("(an empty name)");
                if (!lacking.contains(name))
                    lacking << name;
            }
        }
        if (!lacking.isEmpty())
            lines << QStringLiteral("board %1 lacks terminals %2").arg(board, lacking.join(", "));
    }
    return lines;
}
