#pragma once
// A board's wiring terminals as a teacher needs them: the name to write in a wiring text, the hint the
// program shows, the module block they lie in and their form.
#include <QList>
#include <QString>

namespace labtool {

struct TerminalInfo {
    QString name;         // upper case, without "SHP_": what a wiring text names
    QString hint;         // the tooltip, as stored
    QString blockCaption; // the caption of the smallest block holding the terminal's centre, trimmed; or empty
    const char* kind;     // "circle", "hbar" (horizontal bar) or "vbar" (vertical bar)
};

// The terminals of a board in stored order; raises Error for an unknown board.
QList<TerminalInfo> boardTerminals(const QString& board);

} // namespace labtool
