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

// The board's name as people read it (the model menu, labedit's board list, handouts, labtool's messages):
// "QK310X+" for QK310X, the stored name for the others. Layout files and keys keep the stored name; a name
// that is no board comes back as given.
QString boardDisplayName(const QString& board);

// The terminal names of the steps (those with ">") that the board lacks, each once, in the order met; an
// empty name is an empty string. Raises Error for an unknown board.
QStringList lackingTerminals(const QString& board, const QList<QByteArray>& steps);

// What a terminal name the board lacks most likely meant: `names`, sorted, or none when nothing on the
// board resembles it; `byHint` when the name is what the board shows over them (the hint, e.g. "FF90" for
// FF90H) rather than near their names.
struct TerminalGuess {
    QStringList names;
    bool byHint = false;
};
TerminalGuess guessTerminal(const QString& board, const QString& unknown);

// A new board form of the named board (any letter case); raises Error for an unknown board.
BoardForm* createBoardForm(const QString& board, QWidget* parent = nullptr);

} // namespace boards
