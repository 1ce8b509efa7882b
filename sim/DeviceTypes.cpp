#include "sim/DeviceTypes.h"

namespace sim {

const DeviceTypeTable& deviceTypes() {
    static const DeviceTypeTable table = [] {
        DeviceTypeTable t;
        addChipTypes(t);
        addBoardPartTypes(t);
        addBusTypes(t);
        return t;
    }();
    return table;
}

} // namespace sim
