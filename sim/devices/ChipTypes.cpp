// The chip types a circuit file may name, with their parameters.
#include "sim/DeviceTypes.h"
#include "sim/devices/Adc0809.h"
#include "sim/devices/Buffer244.h"
#include "sim/devices/Dac0832.h"
#include "sim/devices/Digits.h"
#include "sim/devices/KeyMatrix.h"
#include "sim/devices/Latch273.h"
#include "sim/devices/Lcd44780.h"
#include "sim/devices/LedMatrix.h"
#include "sim/devices/Pic8259.h"
#include "sim/devices/Pit8253.h"
#include "sim/devices/Ppi8255.h"
#include "sim/devices/Usart8251.h"

#include <QJsonArray>

#include <cmath>
#include <initializer_list>
#include <stdexcept>

namespace sim {

namespace {

[[noreturn]] void fail(const std::string& device, const std::string& text) {
    throw std::invalid_argument("器件 " + device + "：" + text);
}

std::string shown(const QJsonValue& v) {
    if (v.isString())
        return "\"" + v.toString().toStdString() + "\"";
    if (v.isDouble())
        return QString::number(v.toDouble()).toStdString();
    if (v.isBool())
        return v.toBool() ? "true" : "false";
    if (v.isArray())
        return "数组";
    if (v.isObject())
        return "对象";
    return "null";
}

// Every key but "name" and "type" must be one of the type's parameters: a misspelt one would be lost.
void onlyKnown(const std::string& device, const QJsonObject& params, std::initializer_list<const char*> known) {
    for (auto it = params.begin(); it != params.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("name") || key == QLatin1String("type"))
            continue;
        bool ok = false;
        for (const char* k : known)
            ok = ok || key == QLatin1String(k);
        if (!ok)
            fail(device, "没有参数 " + key.toStdString());
    }
}

double number(const std::string& device, const QJsonObject& params, const char* key, double fallback, double min,
              double max) {
    const QJsonValue v = params.value(QLatin1String(key));
    if (v.isUndefined())
        return fallback;
    const double x = v.toDouble(std::nan(""));
    if (!v.isDouble() || !std::isfinite(x) || x < min || x > max)
        fail(device, std::string("参数 ") + key + " 应为 " + QString::number(min).toStdString() + " 至 " +
                         QString::number(max).toStdString() + " 之间的数，现为 " + shown(v));
    return x;
}

std::vector<std::string> keyLayout(const std::string& device, const QJsonObject& params) {
    const QJsonValue v = params.value(QLatin1String("keys"));
    if (v.isUndefined())
        return KeyMatrix::defaultLayout();
    if (!v.isArray())
        fail(device, "参数 keys 应为字符串数组（每行一个，按键名以空格分开），现为 " + shown(v));
    std::vector<std::string> rows;
    for (const QJsonValue row : v.toArray()) {
        if (!row.isString())
            fail(device, "参数 keys 的每一行应为字符串，现为 " + shown(row));
        rows.push_back(row.toString().toStdString());
    }
    return rows;
}

template <class Chip>
void plain(DeviceTypeTable& table, const char* type) {
    table[type] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        onlyKnown(name, params, {});
        return std::make_unique<Chip>(name);
    };
}

} // namespace

void addChipTypes(DeviceTypeTable& table) {
    plain<Latch273>(table, "74LS273");
    plain<Buffer244>(table, "74LS244");
    plain<Ppi8255>(table, "8255");
    plain<Pit8253>(table, "8253");
    plain<Pic8259>(table, "8259");
    plain<Usart8251>(table, "8251");
    plain<Lcd44780>(table, "lcd");
    plain<Digits>(table, "digits");
    plain<LedMatrix>(table, "ledmatrix");
    table["adc0809"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        onlyKnown(name, params, {"clockHz", "vref"});
        // The data sheet's clock range is 10 kHz … 1280 kHz.
        const double clockHz = number(name, params, "clockHz", 500000, 10000, 1280000);
        const double vref = number(name, params, "vref", 5.0, 0.1, 10.0);
        return std::make_unique<Adc0809>(name, clockHz, vref);
    };
    table["dac0832"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        onlyKnown(name, params, {"vref"});
        // The data sheet allows ±25 V at VREF; a negative reference inverts the output.
        const double vref = number(name, params, "vref", 5.0, -25.0, 25.0);
        return std::make_unique<Dac0832>(name, vref);
    };
    table["keypad"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        onlyKnown(name, params, {"keys"});
        const std::vector<std::string> layout = keyLayout(name, params);
        try {
            return std::make_unique<KeyMatrix>(name, layout);
        } catch (const std::invalid_argument& e) {
            fail(name, e.what());
        }
    };
}

} // namespace sim
