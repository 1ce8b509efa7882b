#pragma once
#include "engine/CatalogueSource.h"

#include <QStringList>

// One line per problem, "[TYPE] NAME: what is wrong", in catalogue order. Sources and pictures are looked
// up in the working folder (the catalogue's folder) first, then in the program folder.
QStringList lintCatalogue(const QList<CatalogueRow>& rows, const QString& programDir, const QString& workingDir = {});

// The checks of one row on its own, which import also warns about; texts without the "[TYPE] NAME: " prefix.
// "unknown type 7", or empty when the type is one of 1..4:
QString typeProblem(const CatalogueRow& row);
// One text per field longer than its capacity in GBK bytes: "实验接线 is 302 bytes; only the first 255 are used".
QStringList capacityProblems(const CatalogueRow& row);

// The steps' terminal names checked against every board that offers the type: one line per board that
// lacks names, "board QK620X lacks terminals A1, B2", then for each lacking name that resembles a terminal
// of that board (boards::guessTerminal, the guess labedit's check shows too) one line "board QK740X has no
// terminal FF90 (the hint of FF90H); did you mean FF90H?" or "board QK740X has no terminal PAO; did you
// mean PA0?". Boards are named as people read them ("QK310X+").
QStringList lintBoardTerminals(int cpuType, const QList<QByteArray>& steps);
