#pragma once
#include "engine/CatalogueSource.h"

#include <QStringList>

// One line per problem, "[TYPE] NAME: what is wrong", in catalogue order.
QStringList lintCatalogue(const QList<CatalogueRow>& rows, const QString& programDir);

// The steps' terminal names checked against every board that offers the type: one line per board that
// lacks names, "board QK620X lacks terminals A1, B2".
QStringList lintBoardTerminals(int cpuType, const QList<QByteArray>& steps);
