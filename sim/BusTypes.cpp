// The CPUs, the address decoder and memory as circuit device types.
#include "sim/Cpu8051.h"
#include "sim/Cpu8088.h"
#include "sim/DeviceTypes.h"
#include "sim/devices/Decoder.h"

#include <stdexcept>

namespace sim {

void addBusTypes(DeviceTypeTable& table) {
    table["8051"] = [](const std::string& name, const QJsonObject&) { return std::make_unique<Cpu8051>(name); };
    // The 8088's clock (Hz) and RAM (bytes from address 0) on the CPU board.
    table["8088"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const double clock = params.value("clock").toDouble(4.77e6);
        std::uint32_t ram = 0x10000;
        if (const QJsonValue v = params.value("ram"); v.isDouble())
            ram = std::uint32_t(v.toInt());
        else if (!v.isUndefined() && !parseNumber(v.toString(), &ram))
            ram = 0;
        if (!(clock >= 1e5 && clock <= 50e6))
            throw std::invalid_argument("8088 " + name + " 的参数 clock 不正确（赫兹）");
        if (ram == 0 || ram > 0x100000)
            throw std::invalid_argument("8088 " + name + " 的参数 ram 不正确（字节数，至多 100000H）");
        return std::make_unique<Cpu8088>(name, clock, ram);
    };
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
