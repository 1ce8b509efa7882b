#include "sim/devices/Decoder.h"

#include <QJsonArray>

#include <stdexcept>

namespace sim {

bool parseNumber(const QString& text, std::uint32_t* value) {
    QString t = text.trimmed().toUpper();
    bool ok = false;
    qulonglong v = 0;
    if (t.startsWith("0X"))
        v = t.mid(2).toULongLong(&ok, 16);
    else if (t.endsWith('H'))
        v = t.chopped(1).toULongLong(&ok, 16);
    else
        v = t.toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull)
        return false;
    *value = std::uint32_t(v);
    return true;
}

Decoder::Decoder(const std::string& name, std::vector<PinSpec> pins, std::vector<Range> ranges)
    : Device(name, std::move(pins)), ranges_(std::move(ranges)) {}

// "outputs": {"FF80": ["FF80H", 16], …}: the pin's name and the range it selects.
std::unique_ptr<Decoder> Decoder::make(const std::string& name, const QJsonObject& params) {
    const QJsonObject outputs = params.value("outputs").toObject();
    if (outputs.isEmpty())
        throw std::invalid_argument("译码器 " + name + " 缺少参数 outputs");
    std::vector<PinSpec> pins;
    std::vector<Range> ranges;
    for (auto it = outputs.begin(); it != outputs.end(); ++it) {
        const QJsonArray a = it.value().toArray();
        Range r;
        r.pin = int(pins.size());
        const QJsonValue sizeValue = a.size() == 2 ? a.at(1) : QJsonValue();
        std::uint32_t size = 0;
        const bool sizeOk = sizeValue.isDouble() ? (size = std::uint32_t(sizeValue.toInt()), size > 0)
                                                 : parseNumber(sizeValue.toString(), &size) && size > 0;
        if (a.size() != 2 || !parseNumber(a.at(0).toString(), &r.base) || !sizeOk)
            throw std::invalid_argument("译码器 " + name + " 的输出 " + it.key().toStdString() + " 应为 [\"基地址\", 字节数]");
        r.size = size;
        pins.push_back({it.key().toStdString(), PinDir::Out});
        ranges.push_back(r);
    }
    return std::make_unique<Decoder>(name, std::move(pins), std::move(ranges));
}

Ram::Ram(const std::string& name, std::uint32_t size)
    : Device(name, {{"CS", PinDir::In, false, true}}), bytes_(size ? size : 1, 0) {}

} // namespace sim
