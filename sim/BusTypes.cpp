// The CPUs, the address decoder and memory as circuit device types.
#include "sim/Cpu8051.h"
#include "sim/DeviceTypes.h"
#include "sim/devices/Decoder.h"

#include <stdexcept>

namespace sim {

void addBusTypes(DeviceTypeTable& table) {
    table["8051"] = [](const std::string& name, const QJsonObject&) { return std::make_unique<Cpu8051>(name); };
    table["decoder"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        return Decoder::make(name, params);
    };
    table["ram"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        std::uint32_t size = 0;
        const QJsonValue v = params.value("size");
        if (v.isDouble())
            size = std::uint32_t(v.toInt());
        else if (!parseNumber(v.toString(), &size))
            size = 0;
        if (size == 0 || size > 0x100000)
            throw std::invalid_argument("存储器 " + name + " 的参数 size 不正确");
        return std::make_unique<Ram>(name, size);
    };
}

} // namespace sim
