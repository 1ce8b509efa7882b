#pragma once
// The catalogue as the editor holds it: its rows in table order, read from and written back to one catalogue
// file. Opening and saving take the catalogue's exclusive lock, so a running labguide makes both fail
// plainly instead of writing under it.
#include "engine/CatalogueSource.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace editor {

// The text shown when labguide holds the catalogue.
QString inUseText();

class ExperimentSet {
public:
    // Reads the catalogue at `path`; raises Error (inUseText() when labguide holds it).
    static ExperimentSet open(const QString& path);

    const QString& path() const { return path_; }
    void setPath(const QString& path) { path_ = path; }
    // The working folder: the folder of the catalogue, ending in "/".
    QString workingFolder() const;

    QList<CatalogueRow> rows;

    // The indexes of the rows of a type, in table order.
    QList<int> rowsOfType(int cpuType) const;
    // Whether another row of the type (any but `except`) has that name.
    bool nameTaken(int cpuType, const QString& name, int except = -1) const;
    // A name not yet taken in the type: `base`, else "base (2)", "base (3)", ...
    QString freeName(int cpuType, const QString& base) const;

    // What stops a save: one text a problem ("[51] 名称：实验接线 300 字节，超过 255 字节"); empty when it
    // may be saved.
    QStringList saveBlockers() const;
    // What a save only warns about: fields (other than the wiring) that will be cut when loaded.
    QStringList saveWarnings() const;

    // Writes the rows beside the catalogue and renames, keeping the previous file as "<path>.bak". Raises
    // Error, also for saveBlockers(), and inUseText() when labguide holds the catalogue; then nothing
    // changed.
    void save() const;

private:
    QString path_;
};

} // namespace editor
