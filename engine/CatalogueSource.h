#pragma once
// The catalogue's readable source (one JSON file per experiment, UTF-8) and the building of the encrypted
// catalogue file from it; used by labtool and by tests that need a catalogue of their own.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class CatalogueConnection;

struct CatalogueRow {
    QString name;        // 实验名称
    int cpuType = 0;     // CPU类型
    QString program;     // 实验程序
    QString entry;       // 入口地址
    QString circuit;     // 实验电路
    QString flowChart;   // 实验框图
    QString wiring;      // 实验接线
    QString purpose;     // 实验目的
    QString requirement; // 实验要求
    QString description; // 实验说明

    bool operator==(const CatalogueRow&) const = default;
};

namespace cataloguesource {

extern const QString TableName;       // 740X
extern const QString DefaultPassword; // the key of the shipped catalogue

// The ten columns in table order.
const QStringList& columns();

// Parses one experiment file; raises Error naming what is wrong.
CatalogueRow parseRow(const QByteArray& json);
// The file form of a row: keys in table order, two-space indent, UTF-8, ending in a newline.
QByteArray formatRow(const CatalogueRow& row);

// The source folder's files in catalogue order (sorted by relative path).
QStringList sourceFiles(const QString& folder);
// The relative file name export gives the n-th (from 0) row of a type: "51/001.json".
QString exportName(int cpuType, int indexInType);
QString typeName(int cpuType);
// The four types' names in CpuType order (1 "51" … 4 "PCI").
const QStringList& typeNames();
// The folder a type's programs are stored in ("asm/51/", "asm/88/", "asm/96/"); empty for PCI and unknown types.
QString sourceFolder(int cpuType);

// Writes a new catalogue file (replacing `path` at the end, atomically). `omitColumn` leaves one column out
// of the table (tests of damaged catalogues).
void writeCatalogue(const QString& path, const QList<CatalogueRow>& rows, const QString& password = DefaultPassword,
                    const QString& omitColumn = {});
// Reads every row in table order.
QList<CatalogueRow> readCatalogue(const QString& path, const QString& password = DefaultPassword);
QList<CatalogueRow> readCatalogue(CatalogueConnection& connection);
// A connection string for the catalogue file at `path`; `exclusive` keeps everybody else out while it is open.
QString connectionString(const QString& path, const QString& password = DefaultPassword, bool exclusive = false);

} // namespace cataloguesource
