#pragma once
// What the editor's panes share about the catalogue's columns: the experiment types as the lists name them,
// the columns edited in the fields pane (in table order) and where a file column's files live.
#include "engine/CatalogueSource.h"

#include <QString>
#include <QStringList>

namespace editor {

// "51", "88", "96", "PCI": type 1..4.
const QStringList& typeCaptions();

// The columns edited in the fields pane, in table order (实验接线 has the wiring tab, CPU类型 a choice).
struct FieldDef {
    const char* column;
    QString CatalogueRow::*field;
    enum { Line, File, Text } kind;
};
const QList<FieldDef>& editedFields();

// The column's name as the table spells it ("" for a field not edited there).
QString columnOf(QString CatalogueRow::*field);
// The undo merge key of a field's edits: typing into one field merges, another field starts a new edit.
int mergeKeyOf(QString CatalogueRow::*field);
// The folder (in the working or program folder) a file column's files live in; "" when the type has none.
QString contentFolder(QString CatalogueRow::*field, int cpuType);

} // namespace editor
