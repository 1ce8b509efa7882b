#pragma once
// The experiments as their readable source under data/catalogue/ states them: what the windows must show.
#include <QList>
#include <QString>

namespace window {

struct SourceExperiment {
    QString name;
    int cpuType = 0;
    QString program;
    QString entry;
    QString circuit;
    QString flow;
    QString wiring;
    QString purpose;
    QString requirement;
    QString description;
};

// Every experiment of the repository's catalogue source (read once).
const QList<SourceExperiment>& sourceCatalogue();
// The one of that type and name, or nullptr.
const SourceExperiment* findExperiment(int cpuType, const QString& name);
// The names of one type, sorted.
QStringList namesOfType(int cpuType);

} // namespace window
