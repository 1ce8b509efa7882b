#include "tools/CatalogueLint.h"

#include "boards/BoardInfo.h"

namespace {

// "A", "A or B", "A, B or C".
QString orList(QStringList names) {
    if (names.size() == 1)
        return names.first();
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// The line for a name the board lacks, or empty when nothing on the board resembles it.
QString suggestion(const QString& board, const QString& shownBoard, const QString& unknown) {
    const boards::TerminalGuess guess = boards::guessTerminal(board, unknown);
    if (guess.names.isEmpty())
        return {};
    const QString head = QStringLiteral("board %1 has no terminal %2").arg(shownBoard, unknown);
    const QString meant = orList(guess.names);
    return guess.byHint ? QStringLiteral("%1 (the hint of %2); did you mean %2?").arg(head, meant)
                        : QStringLiteral("%1; did you mean %2?").arg(head, meant);
}

} // namespace

QStringList lintBoardTerminals(int cpuType, const QList<QByteArray>& steps) {
    QStringList lines;
    for (const auto& [board, types] : boards::boardTypeOffers()) {
        Q_UNUSED(types);
        if (!boards::offeredCpuTypes(board).contains(cpuType))
            continue;
        const QStringList lacking = boards::lackingTerminals(board, steps);
        if (lacking.isEmpty())
            continue;
        const QString shown = boards::boardDisplayName(board);
        QStringList listed;
        for (const QString& name : lacking)
            listed << (name.isEmpty() ? QStringLiteral("(an empty name)") : name);
        lines << QStringLiteral("board %1 lacks terminals %2").arg(shown, listed.join(", "));
        for (const QString& name : lacking)
            if (const QString s = suggestion(board, shown, name); !s.isEmpty())
                lines << s;
    }
    return lines;
}
