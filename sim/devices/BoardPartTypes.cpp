// The board parts' device types: lamps, switches, keys, sources, motors, the relay, the speaker path,
// the serial terminal and the two serial-bus chips of the IC card and the thermometer.
#include "sim/DeviceTypes.h"
#include "sim/devices/Amplifier386.h"
#include "sim/devices/ClockSource.h"
#include "sim/devices/DcMotor.h"
#include "sim/devices/Divider393.h"
#include "sim/devices/Ds18b20.h"
#include "sim/devices/Eeprom24c02.h"
#include "sim/devices/Lamps.h"
#include "sim/devices/Potentiometer.h"
#include "sim/devices/Power.h"
#include "sim/devices/PulseKey.h"
#include "sim/devices/Relay.h"
#include "sim/devices/Speaker.h"
#include "sim/devices/StepperMotor.h"
#include "sim/devices/Switches.h"
#include "sim/devices/UartTerminal.h"

#include <QJsonValue>

#include <cmath>
#include <initializer_list>
#include <stdexcept>

namespace sim {

namespace {

// Reads one device's parameters and names the device and the parameter in each complaint.
class Params {
public:
    Params(const std::string& device, const QJsonObject& params, std::initializer_list<const char*> known)
        : device_(device), params_(params) {
        for (auto it = params.begin(); it != params.end(); ++it) {
            const QString key = it.key();
            bool ok = key == "name" || key == "type";
            for (const char* k : known)
                ok = ok || key == QLatin1String(k);
            if (!ok)
                throw std::invalid_argument("设备 " + device + " 没有参数 " + key.toStdString());
        }
    }

    double number(const char* key, double fallback, double min, double max) const {
        const QJsonValue v = params_.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        const double x = v.toDouble(NAN);
        if (!v.isDouble() || !(x >= min && x <= max))
            wrong(key, "应为 " + show(min) + " 到 " + show(max) + " 之间的数");
        return x;
    }

    // A whole number, as a JSON number or a text ("0FFH", "0x1F", "255").
    std::uint64_t integer(const char* key, std::uint64_t fallback, std::uint64_t min,
                          std::uint64_t max) const {
        const QJsonValue v = params_.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        std::uint64_t x = 0;
        bool ok = false;
        if (v.isDouble()) {
            const double d = v.toDouble();
            ok = d >= double(min) && d <= double(max) && d == std::floor(d);
            x = ok ? std::uint64_t(d) : 0;
        } else if (v.isString()) {
            QString t = v.toString().trimmed().toUpper();
            int base = 10;
            if (t.startsWith("0X"))
                t = t.mid(2), base = 16;
            else if (t.endsWith('H'))
                t.chop(1), base = 16;
            x = t.toULongLong(&ok, base);
            ok = ok && x >= min && x <= max;
        }
        if (!ok)
            wrong(key, "应为 " + std::to_string(min) + " 到 " + std::to_string(max) + " 的整数");
        return x;
    }

    std::string text(const char* key, const char* fallback) const {
        const QJsonValue v = params_.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        if (!v.isString() || v.toString().trimmed().isEmpty())
            wrong(key, "应为非空的文字");
        return v.toString().trimmed().toStdString();
    }

private:
    [[noreturn]] void wrong(const char* key, const std::string& what) const {
        throw std::invalid_argument("设备 " + device_ + " 的参数 " + key + " " + what);
    }
    static std::string show(double x) {
        std::string s = std::to_string(x);
        s.erase(s.find_last_not_of('0') + 1);
        if (!s.empty() && s.back() == '.')
            s.pop_back();
        return s;
    }

    const std::string& device_;
    const QJsonObject& params_;
};

template <class T> DeviceMaker plain() {
    return [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {});
        return std::make_unique<T>(name);
    };
}

} // namespace

void addBoardPartTypes(DeviceTypeTable& table) {
    table["lamps"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"count"});
        return std::make_unique<Lamps>(name, int(p.integer("count", 12, 1, 64)));
    };
    table["switches"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"initial"}); // bit i: K(i+1) up at power-on
        return std::make_unique<Switches>(name, unsigned(p.integer("initial", 0, 0, 0xFF)));
    };
    table["pulse"] = plain<PulseKey>();
    table["divider"] = plain<Divider393>();
    table["power"] = plain<Power>();
    table["pot"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"volts"});
        return std::make_unique<Potentiometer>(name, p.number("volts", 2.5, 0, Potentiometer::kMaxVolts));
    };
    table["clock"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"pin", "hz"});
        return std::make_unique<ClockSource>(name, p.text("pin", "18432M"),
                                             p.number("hz", 1843200, 1e-3, 1e9));
    };
    table["stepper"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"stepAngle"}); // shaft degrees per half step
        return std::make_unique<StepperMotor>(name,
                                              p.number("stepAngle", StepperMotor::kDefaultStep, 1e-4, 90));
    };
    table["dcmotor"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"fullRpm", "timeConstant"});
        return std::make_unique<DcMotor>(name, p.number("fullRpm", 3000, 1, 100000),
                                         p.number("timeConstant", 0.3, 0.001, 10));
    };
    table["relay"] = plain<Relay>();
    table["speaker"] = plain<Speaker>();
    table["amp"] = plain<Amplifier386>();
    table["uart"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"baud"});
        return std::make_unique<UartTerminal>(name, p.number("baud", 9600, 50, 1e7));
    };
    table["eeprom24c02"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"address"}); // the A2 A1 A0 pins
        return std::make_unique<Eeprom24c02>(name, int(p.integer("address", 0, 0, 7)));
    };
    table["ds18b20"] = [](const std::string& name, const QJsonObject& params) -> std::unique_ptr<Device> {
        const Params p(name, params, {"serial", "temperature"});
        return std::make_unique<Ds18b20>(name,
                                         p.integer("serial", Ds18b20::kDefaultSerial, 0, 0xFFFFFFFFFFFFull),
                                         p.number("temperature", 25.0, -55, 125));
    };
}

} // namespace sim
