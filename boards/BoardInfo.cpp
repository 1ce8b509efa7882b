#include "boards/BoardInfo.h"

#include "base/ErrorReport.h"
#include "boards/BoardLayout.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"

namespace boards {

QSet<QString> terminalNames(const QString& board) {
    QSet<QString> names;
    for (const Component& c : storedLayout(board).components)
        if (c.kind == ComponentKind::Terminal)
            names.insert(c.name.mid(4).toUpper());
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
