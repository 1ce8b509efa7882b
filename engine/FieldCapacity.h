#pragma once
// The byte capacities of the catalogue's columns: how many GBK bytes of each the program keeps when it loads
// an experiment. Lint, import and the editor count against the same table.
#include "engine/CatalogueSource.h"

#include <QList>

namespace cataloguesource {

struct FieldCapacity {
    const char* column; // the column's name, UTF-8 ("实验接线")
    QString CatalogueRow::*field;
    int bytes;
};

// The capped columns, in the order lint reports them.
const QList<FieldCapacity>& fieldCapacities();
// The capacity of a column's field; 0 for a field without one (实验说明).
int capacityOf(QString CatalogueRow::*field);
// A text's length in GBK bytes.
int gbkBytes(const QString& text);
// What the program keeps of a field's text when it loads the experiment: the text cut at the field's
// capacity, never through a double-byte character (all of it for a field without a capacity).
QString keptText(QString CatalogueRow::*field, const QString& text);

} // namespace cataloguesource
