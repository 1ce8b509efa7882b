#include "tools/BoardTerminals.h"

#include "boards/BoardLayout.h"
#include "engine/TerminalName.h"

namespace labtool {

QList<TerminalInfo> boardTerminals(const QString& board) {
    using boards::ComponentKind;
    const QList<boards::Component>& components = boards::storedLayout(board).components;
    QList<TerminalInfo> terminals;
    for (const boards::Component& c : components) {
        if (c.kind != ComponentKind::Terminal)
            continue;
        // Positions as stored: the board's data groups terminals by the block holding the stored centre.
        const int block = boards::blockAround(components, c.rect);
        const char* kind = c.shape == boards::TerminalShape::Circle ? "circle"
                           : c.rect.width() < c.rect.height()       ? "vbar"
                                                                    : "hbar";
        terminals.append({terminalname::of(c.name), c.hint, block >= 0 ? components[block].caption.trimmed() : QString(), kind});
    }
    return terminals;
}

} // namespace labtool
