#pragma once
// What the board benchmarks read: the bundled sources and catalogue rows, and the rows' plain "A>B" wirings.
#include "sim/Machine.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

namespace benchdata {

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The catalogue's wirings are plain "A>B" lines.
inline std::vector<sim::WiringLink> plainWiring(const QString& text) {
    std::vector<sim::WiringLink> links;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const QStringList ends = line.split(u'>');
        if (ends.size() == 2)
            links.push_back({ends[0].trimmed().toStdString(), ends[1].trimmed().toStdString()});
    }
    return links;
}

// A bundled catalogue row ("51/011.json") and its program's source.
struct Experiment {
    QJsonObject row;
    QByteArray source;
};
inline Experiment experiment(const QString& type, const char* file) {
    const QString dir = QStringLiteral(LABGUIDE_SOURCE_DIR "/data/");
    Experiment e;
    e.row = QJsonDocument::fromJson(readBytes(dir + "catalogue/" + type + "/" + file)).object();
    e.source = readBytes(dir + "asm/" + type + "/" + e.row.value("实验程序").toString());
    return e;
}

} // namespace benchdata
