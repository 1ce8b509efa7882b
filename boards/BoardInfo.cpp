#include "boards/BoardInfo.h"

#include "base/ErrorReport.h"
#include "boards/BoardLayout.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "engine/TerminalName.h"
#include "engine/linksheet.h"

#include <algorithm>
#include <vector>

namespace boards {

QSet<QString> terminalNames(const QString& board) {
    QSet<QString> names;
    for (const Component& c : storedLayout(board).components)
        if (c.kind == ComponentKind::Terminal)
            names.insert(terminalname::of(c.name));
    return names;
}

QStringList offeredTypes(const QString& board) {
    QStringList types;
    for (const TypeItem& t : storedLayout(board).panel.types)
        types << t.caption;
    return types;
}

QList<int> offeredCpuTypes(const QString& board) {
    QList<int> types;
    for (const TypeItem& t : storedLayout(board).panel.types)
        types << t.cpuType;
    return types;
}

QList<std::pair<QString, QStringList>> boardTypeOffers() {
    QList<std::pair<QString, QStringList>> offers;
    for (const QString& b : boardNames())
        offers.append({b, offeredTypes(b)});
    return offers;
}

QString boardDisplayName(const QString& board) {
    // The model menu's spellings where they differ from the stored names.
    static const QList<std::pair<QString, QString>> shown{
        {QStringLiteral("QK310X"), QStringLiteral("QK310X+")}};
    const QString name = canonicalBoardName(board);
    if (name.isEmpty())
        return board;
    for (const auto& [stored, display] : shown)
        if (stored == name)
            return display;
    return name;
}

QStringList lackingTerminals(const QString& board, const QList<QByteArray>& steps) {
    const QSet<QString> names = terminalNames(board);
    QStringList lacking;
    for (const QByteArray& step : steps) {
        if (!step.contains('>'))
            continue; // a step without ">" names no pair; the checks report it on its own
        const auto [first, second] = stepTerminalNames(step);
        for (const QByteArray& n : {first, second}) {
            const QString name = QString::fromLatin1(terminalname::of(n));
            if (!names.contains(name) && !lacking.contains(name))
                lacking << name;
        }
    }
    return lacking;
}

namespace {

// Letters and digits only, upper case: "P3 0" and "P3.0" compare as "P30", "T/RXC" as "TRXC".
QString key(const QString& name) {
    QString k;
    for (const QChar c : name)
        if (c.isLetterOrNumber())
            k += c.toUpper();
    return k;
}

// The key with the letters that look like digits taken as those digits (O as 0, I as 1): teachers copy
// names from the printed board, where "PA0" and "PAO" look alike.
QString lookalike(const QString& key) {
    QString k = key;
    k.replace(u'O', u'0').replace(u'I', u'1');
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
            row[static_cast<size_t>(j)] = std::min(
                {above + 1, row[static_cast<size_t>(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

TerminalGuess sorted(QStringList names, bool byHint) {
    names.sort();
    names.removeDuplicates();
    return {names, byHint};
}

} // namespace

TerminalGuess guessTerminal(const QString& board, const QString& unknown) {
    const QString k = key(unknown);
    if (k.isEmpty())
        return {};
    struct Terminal {
        QString name, nameKey, hintKey;
    };
    QList<Terminal> terminals;
    for (const Component& c : storedLayout(board).components)
        if (c.kind == ComponentKind::Terminal)
            terminals.append({terminalname::of(c.name), key(c.name.mid(terminalname::kPrefixLength)), key(c.hint)});
    // Equal names first, then equal hints (what the program shows), each as written and then with O/0 and
    // I/1 alike; a name always wins over a hint of the same closeness.
    for (const bool alike : {false, true}) {
        const QString wanted = alike ? lookalike(k) : k;
        const auto same = [&](const QString& other) {
            return !other.isEmpty() && (alike ? lookalike(other) : other) == wanted;
        };
        QStringList named, hinted;
        for (const Terminal& t : terminals) {
            if (same(t.nameKey))
                named << t.name;
            else if (same(t.hintKey))
                hinted << t.name;
        }
        if (!named.isEmpty())
            return sorted(named, false);
        if (!hinted.isEmpty())
            return sorted(hinted, true);
    }
    // Then the nearest names, at most one edit in four characters and no more than three of them.
    const QString wanted = lookalike(k);
    int best = std::max(1, static_cast<int>(k.size()) / 4) + 1;
    QStringList nearest;
    for (const Terminal& t : terminals) {
        const int d = editDistance(wanted, lookalike(t.nameKey));
        if (d < best) {
            best = d;
            nearest.clear();
        }
        if (d == best)
            nearest << t.name;
    }
    return nearest.size() > 3 ? TerminalGuess{} : sorted(nearest, false);
}

BoardForm* createBoardForm(const QString& board, QWidget* parent) {
    const QString name = canonicalBoardName(board);
    if (name == u"QK740X")
        return new TFRM_QK740X(parent);
    if (name == u"QK620X")
        return new TFrm_620x(parent);
    if (name == u"QK310X")
        return new TFrm310x1(parent);
    if (name == u"QK930X")
        return new Tfrm8086(parent);
    throw Error(QStringLiteral("Unknown board \"%1\" (known: %2)").arg(board, boardNames().join(u", ")));
}

} // namespace boards
