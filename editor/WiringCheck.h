#pragma once
// The wiring text as the editor edits it: a list of steps, written with CR LF between them, and the live
// check of those steps against every board that offers the experiment's type.
#include <QString>
#include <QStringList>

namespace editor {

// The wiring text of the steps: CR LF between them, nothing after the last.
QString wiringText(const QStringList& steps);
// The steps the program takes from a wiring text (its own parse, so the list shows what labguide walks).
QStringList wiringSteps(const QString& text);
// The step for a click on one terminal, then on another: "A>B", the names as the board spells them,
// upper-cased.
QString stepFor(const QString& first, const QString& second);

// The live check, one line a finding: the byte budget first ("接线 87/255 字节"), then empty steps and steps
// without ">", then for each board that offers the type the terminals it lacks, each followed by what it
// most likely meant when it resembles a terminal of that board (the guess labtool's lint makes).
QStringList checkWiring(int cpuType, const QStringList& steps);
// Whether the check found a problem (anything beyond the budget line within its capacity).
bool wiringHasProblems(int cpuType, const QStringList& steps);

} // namespace editor
