#include "engine/FieldCapacity.h"

#include "base/Gbk.h"

namespace cataloguesource {

const QList<FieldCapacity>& fieldCapacities() {
    static const QList<FieldCapacity> table = {
        {"实验名称", &CatalogueRow::name, 100},    {"入口地址", &CatalogueRow::entry, 10},
        {"实验电路", &CatalogueRow::circuit, 50},  {"实验框图", &CatalogueRow::flowChart, 50},
        {"实验接线", &CatalogueRow::wiring, 255},  {"实验程序", &CatalogueRow::program, 50},
        {"实验目的", &CatalogueRow::purpose, 255}, {"实验要求", &CatalogueRow::requirement, 255},
    };
    return table;
}

int capacityOf(QString CatalogueRow::*field) {
    for (const FieldCapacity& c : fieldCapacities())
        if (c.field == field)
            return c.bytes;
    return 0;
}

int gbkBytes(const QString& text) {
    return static_cast<int>(gbk::encode(text).size());
}

QString keptText(QString CatalogueRow::*field, const QString& text) {
    const int capacity = capacityOf(field);
    if (capacity <= 0)
        return text;
    const QByteArray bytes = gbk::encode(text);
    return bytes.size() <= capacity ? text : gbk::decode(bytes.left(gbk::safeCutLength(bytes, capacity)));
}

} // namespace cataloguesource
