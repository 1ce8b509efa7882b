#include "tests/window/Catalogue.h"

#include "tests/support/TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace window {

const QList<SourceExperiment>& sourceCatalogue() {
    static const QList<SourceExperiment> all = [] {
        QList<SourceExperiment> list;
        QDirIterator it(testsupport::sourceDir() + "/data/catalogue", {"*.json"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
            SourceExperiment e;
            e.name = o.value("实验名称").toString();
            e.cpuType = o.value("CPU类型").toInt();
            e.program = o.value("实验程序").toString();
            e.entry = o.value("入口地址").toString();
            e.circuit = o.value("实验电路").toString();
            e.flow = o.value("实验框图").toString();
            e.wiring = o.value("实验接线").toString();
            e.purpose = o.value("实验目的").toString();
            e.requirement = o.value("实验要求").toString();
            e.description = o.value("实验说明").toString();
            if (!e.name.isEmpty())
                list.append(e);
        }
        return list;
    }();
    return all;
}

const SourceExperiment* findExperiment(int cpuType, const QString& name) {
    for (const SourceExperiment& e : sourceCatalogue())
        if (e.cpuType == cpuType && e.name == name)
            return &e;
    return nullptr;
}

QStringList namesOfType(int cpuType) {
    QStringList names;
    for (const SourceExperiment& e : sourceCatalogue())
        if (e.cpuType == cpuType)
            names << e.name;
    names.sort();
    return names;
}

} // namespace window
