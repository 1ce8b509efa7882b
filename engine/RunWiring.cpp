#include "engine/RunWiring.h"

#include "engine/linksheet.h"

namespace engine {

std::vector<sim::WiringLink> runWiring(const QList<QByteArray>& steps) {
    std::vector<sim::WiringLink> links;
    const qsizetype prefix = QByteArray("SHP_").size();
    for (const QByteArray& step : steps) {
        const auto [a, b] = stepTerminalNames(step);
        links.push_back({a.mid(prefix).toStdString(), b.mid(prefix).toStdString()});
    }
    return links;
}

} // namespace engine
