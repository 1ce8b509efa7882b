#pragma once
// Catalogue rows for tests: the name, type and wiring a test cares about, the other columns empty for the
// test to set as it needs.
#include "engine/CatalogueSource.h"

namespace testsupport {

inline CatalogueRow catalogueRow(const QString& name, int type, const QString& wiring = {}) {
    CatalogueRow r;
    r.name = name;
    r.cpuType = type;
    r.wiring = wiring;
    return r;
}

} // namespace testsupport
