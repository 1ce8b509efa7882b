#include "engine/RunWiring.h"

#include "engine/TerminalName.h"
#include "engine/linksheet.h"

namespace engine {

std::vector<sim::WiringLink> runWiring(const QList<QByteArray>& steps) {
    std::vector<sim::WiringLink> links;
    for (const QByteArray& step : steps) {
        const auto [a, b] = stepTerminalNames(step);
        links.push_back({terminalname::of(a).toStdString(), terminalname::of(b).toStdString()});
    }
    return links;
}

} // namespace engine
