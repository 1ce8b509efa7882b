#include "tools/BoardTerminals.h"

#include "boards/BoardLayout.h"

namespace labtool {

QList<TerminalInfo> boardTerminals(const QString& board) {
    using boards::ComponentKind;
    const QList<boards::Component>& components = boards::storedLayout(board).components;
    QList<TerminalInfo> terminals;
    for (const boards::Component& c : components) {
        if (c.kind != ComponentKind::Terminal)
            continue;
        // Positions as stored: the board's data groups terminals by the block holding the stored centre.
        const QPoint centre(c.rect.left() + c.rect.width() / 2, c.rect.top() + c.rect.height() / 2);
        const boards::Component* block = nullptr;
        for (const boards::Component& b : components) {
            if (b.kind != ComponentKind::Block || !b.rect.contains(centre))
                continue;
            if (!block || b.rect.width() * b.rect.height() < block->rect.width() * block->rect.height())
                block = &b;
        }
        const char* kind = c.shape == boards::TerminalShape::Circle ? "circle"
                           : c.rect.width() < c.rect.height()       ? "vbar"
                                                                    : "hbar";
        terminals.append({c.name.mid(4).toUpper(), c.hint, block ? block->caption.trimmed() : QString(), kind});
    }
    return terminals;
}

} // namespace labtool
