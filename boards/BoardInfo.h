#pragma once
// What other tools ask of the boards without showing them: which terminals a board has and which
// experiment types it offers (for checking the catalogue's wiring texts), and a form by board name.
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

class BoardForm;
class QWidget;

namespace boards {

// The board's terminal names, upper-cased and without the "SHP_" prefix; raises Error for an unknown board.
QSet<QString> terminalNames(const QString& board);

// The experiment types a board offers, as the captions of its type selector ("51", "88", "96", "PCI").
QStringList offeredTypes(const QString& board);
// The same as CpuType codes (1 "51", 2 "88", 3 "96", 4 "PCI").
QList<int> offeredCpuTypes(const QString& board);
// Every board with the types it offers, in the order of boardNames().
QList<std::pair<QString, QStringList>> boardTypeOffers();

// A new board form of the named board (any letter case); raises Error for an unknown board.
BoardForm* createBoardForm(const QString& board, QWidget* parent = nullptr);

} // namespace boards
