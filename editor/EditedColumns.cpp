#include "editor/EditedColumns.h"

namespace editor {

const QStringList& typeCaptions() { return cataloguesource::typeNames(); }

const QList<FieldDef>& editedFields() {
    static const QList<FieldDef> fields = {
        {"实验名称", &CatalogueRow::name, FieldDef::Line},
        {"实验程序", &CatalogueRow::program, FieldDef::File},
        {"入口地址", &CatalogueRow::entry, FieldDef::Line},
        {"实验电路", &CatalogueRow::circuit, FieldDef::File},
        {"实验框图", &CatalogueRow::flowChart, FieldDef::File},
        {"实验目的", &CatalogueRow::purpose, FieldDef::Text},
        {"实验要求", &CatalogueRow::requirement, FieldDef::Text},
        {"实验说明", &CatalogueRow::description, FieldDef::Text},
    };
    return fields;
}

QString columnOf(QString CatalogueRow::*field) {
    for (const FieldDef& f : editedFields())
        if (f.field == field)
            return QString::fromUtf8(f.column);
    return {};
}

int mergeKeyOf(QString CatalogueRow::*field) {
    int i = 0;
    for (const FieldDef& f : editedFields()) {
        if (f.field == field)
            return i + 1;
        ++i;
    }
    return 100; // the wiring
}

QString contentFolder(QString CatalogueRow::*field, int cpuType) {
    if (field != &CatalogueRow::program)
        return QStringLiteral("pic/");
    return cataloguesource::sourceFolder(cpuType);
}

} // namespace editor
