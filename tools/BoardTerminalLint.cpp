#include "tools/BoardTerminals.h"
#include "tools/CatalogueLint.h"

#include "boards/BoardInfo.h"
#include "engine/linksheet.h"

#include <algorithm>
#include <vector>

namespace {

// Letters and digits only, upper case: "P3 0" and "P3.0" compare as "P30", "T/RXC" as "TRXC".
QString key(const QString& name) {
    QString k;
    for (const QChar c : name)
        if (c.isLetterOrNumber())
            k += c.toUpper();
    return k;
}

int editDistance(const QString& a, const QString& b) {
    std::vector<int> row(static_cast<size_t>(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[static_cast<size_t>(j)];
            row[static_cast<size_t>(j)] = std::min({above + 1, row[static_cast<size_t>(j - 1)] + 1,
                                                    diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

QString orList(QStringList names) {
    names.sort();
    names.removeDuplicates();
    if (names.size() == 1)
        return names.first();
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// The line for a name the board lacks, or empty when nothing on the board resembles it. First names equal but
// for spaces and punctuation ("P3.0" reaches lint as "P3 0"); then terminals whose hint it is (teachers copy
// what the program shows); then the nearest names by edit distance, at most one edit in four characters and
// no more than three of them.
QString suggestion(const QString& board, const QString& unknown, const QList<labtool::TerminalInfo>& terminals) {
    const QString k = key(unknown);
    if (k.isEmpty())
        return {};
    QStringList hinted, same;
    for (const labtool::TerminalInfo& t : terminals) {
        if (key(t.name) == k)
            same << t.name;
        else if (key(t.hint) == k)
            hinted << t.name;
    }
    const QString head = QStringLiteral("board %1 has no terminal %2").arg(board, unknown);
    if (same.isEmpty() && !hinted.isEmpty())
        return QStringLiteral("%1 (the hint of %2); did you mean %2?").arg(head, orList(hinted));
    if (same.isEmpty()) {
        int best = std::max(1, static_cast<int>(k.size()) / 4) + 1;
        for (const labtool::TerminalInfo& t : terminals) {
            const int d = editDistance(k, key(t.name));
            if (d < best) {
                best = d;
                same.clear();
            }
            if (d == best)
                same << t.name;
        }
        if (same.size() > 3)
            return {};
    }
    return same.isEmpty() ? QString() : QStringLiteral("%1; did you mean %2?").arg(head, orList(same));
}

} // namespace

QStringList lintBoardTerminals(int cpuType, const QList<QByteArray>& steps) {
    const QString emptyName = QStringLiteral("(an empty name)");
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
                    name = emptyName;
                if (!lacking.contains(name))
                    lacking << name;
            }
        }
        if (lacking.isEmpty())
            continue;
        lines << QStringLiteral("board %1 lacks terminals %2").arg(board, lacking.join(", "));
        const QList<labtool::TerminalInfo> terminals = labtool::boardTerminals(board);
        for (const QString& name : lacking)
            if (const QString s = name == emptyName ? QString() : suggestion(board, name, terminals); !s.isEmpty())
                lines << s;
    }
    return lines;
}
