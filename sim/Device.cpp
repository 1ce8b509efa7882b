#include "sim/Device.h"

#include <algorithm>

namespace sim {

Device::Device(std::string name, std::vector<PinSpec> pins) : name_(std::move(name)), pins_(std::move(pins)) {}

Device::~Device() = default;

int Device::pin(std::string_view pinName) const {
    const auto it = std::find_if(pins_.begin(), pins_.end(), [&](const PinSpec& p) { return p.name == pinName; });
    return it == pins_.end() ? -1 : int(it - pins_.begin());
}

} // namespace sim
