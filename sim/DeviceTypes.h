#pragma once
// The device types a circuit file may name ("8255", "lamps", "decoder" …), each with its maker.
#include "sim/Device.h"

#include <QJsonObject>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace sim {

// Makes a device from its name and the circuit file's parameters for it; throws std::invalid_argument
// with a Chinese message naming the parameter when one is wrong.
using DeviceMaker = std::function<std::unique_ptr<Device>(const std::string& name, const QJsonObject& params)>;
using DeviceTypeTable = std::map<std::string, DeviceMaker>;

const DeviceTypeTable& deviceTypes();

// Each group of devices adds its own types (devices/ChipTypes.cpp, devices/BoardPartTypes.cpp,
// BusTypes.cpp).
void addChipTypes(DeviceTypeTable& table);
void addBoardPartTypes(DeviceTypeTable& table);
void addBusTypes(DeviceTypeTable& table); // the CPUs, the address decoder, memory

} // namespace sim
