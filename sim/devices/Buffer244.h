#pragma once
// 74LS244 octal buffer used as an input port: a bus read at any address of its chip select returns the
// levels at Y0–Y7 (Y0 is bit 0). Open inputs read high, as TTL inputs do.
#include "sim/Device.h"

#include <cstdint>

namespace sim {

class Buffer244 : public Device {
public:
    explicit Buffer244(std::string name);

    std::uint8_t read(std::uint32_t offset, Time t) override;
};

} // namespace sim
