#pragma once
// The wiring of an experiment as the virtual run takes it: one link per step, between the two terminals
// the step names (without the "SHP_" prefix, as the circuit files name them).
#include "sim/Machine.h"

#include <QByteArray>
#include <QList>

#include <vector>

namespace engine {

std::vector<sim::WiringLink> runWiring(const QList<QByteArray>& steps);

} // namespace engine
