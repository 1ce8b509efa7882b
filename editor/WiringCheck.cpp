#include "editor/WiringCheck.h"

#include "base/Gbk.h"
#include "boards/BoardInfo.h"
#include "engine/FieldCapacity.h"
#include "engine/linksheet.h"

namespace editor {

QString wiringText(const QStringList& steps) {
    return steps.join(QStringLiteral("\r\n"));
}

QStringList wiringSteps(const QString& text) {
    QStringList steps;
    for (const QByteArray& step : parseWiringSteps(gbk::encode(text)))
        steps << gbk::decode(step);
    return steps;
}

QString stepFor(const QString& first, const QString& second) {
    return first.toUpper() + '>' + second.toUpper();
}

QStringList checkWiring(int cpuType, const QStringList& steps) {
    QStringList lines;
    const int bytes = cataloguesource::gbkBytes(wiringText(steps));
    const int capacity = cataloguesource::capacityOf(&CatalogueRow::wiring);
    lines << (bytes > capacity ? QStringLiteral("接线 %1/%2 字节，超出部分的步骤会丢失，不能保存")
                               : QStringLiteral("接线 %1/%2 字节"))
                 .arg(bytes)
                 .arg(capacity);
    QList<QByteArray> parsed;
    for (int i = 0; i < steps.size(); ++i) {
        const QByteArray step = gbk::encode(steps[i]).trimmed();
        if (step.isEmpty())
            lines << QStringLiteral("第 %1 步为空").arg(i + 1);
        else if (!step.contains('>'))
            lines << QStringLiteral("第 %1 步缺少“>”").arg(i + 1);
        else
            parsed << step;
    }
    for (const auto& [board, types] : boards::boardTypeOffers()) {
        Q_UNUSED(types);
        if (!boards::offeredCpuTypes(board).contains(cpuType))
            continue;
        const QStringList lacking = boards::lackingTerminals(board, parsed);
        if (lacking.isEmpty())
            continue;
        const QString shown = boards::boardDisplayName(board);
        QStringList listed;
        for (const QString& name : lacking)
            listed << (name.isEmpty() ? QStringLiteral("（空）") : name);
        lines << QStringLiteral("%1 没有接线端 %2").arg(shown, listed.join(QStringLiteral("、")));
        // The same guess as labtool's lint, one line a name that resembles a terminal.
        for (const QString& name : lacking) {
            const boards::TerminalGuess guess = boards::guessTerminal(board, name);
            if (guess.names.isEmpty())
                continue;
            QStringList meant = guess.names;
            const QString last = meant.takeLast();
            const QString alternatives =
                meant.isEmpty() ? last : meant.join(QStringLiteral("、")) + QStringLiteral(" 或 ") + last;
            lines << (guess.byHint ? QStringLiteral("%1 没有接线端 %2（%3 的提示文字），是否指 %3？")
                                   : QStringLiteral("%1 没有接线端 %2，是否指 %3？"))
                         .arg(shown, name, alternatives);
        }
    }
    return lines;
}

bool wiringHasProblems(int cpuType, const QStringList& steps) {
    return checkWiring(cpuType, steps).size() > 1 ||
           cataloguesource::gbkBytes(wiringText(steps)) > cataloguesource::capacityOf(&CatalogueRow::wiring);
}

} // namespace editor
