#pragma once
// The board's address decoder: each output pin selects an address range. The machine maps the range to
// the chips whose select pins share the output's net; the decoder drives nothing itself.
#include "sim/Device.h"

#include <QJsonObject>

namespace sim {

class Decoder : public Device {
public:
    struct Range {
        int pin = 0;
        std::uint32_t base = 0;
        std::uint32_t size = 0;
    };
    Decoder(const std::string& name, std::vector<PinSpec> pins, std::vector<Range> ranges);
    static std::unique_ptr<Decoder> make(const std::string& name, const QJsonObject& params);
    const std::vector<Range>& ranges() const { return ranges_; }

private:
    std::vector<Range> ranges_;
};

// Static RAM on the bus (the 62256 of the CPU board).
class Ram : public Device {
public:
    Ram(const std::string& name, std::uint32_t size);
    std::uint8_t read(std::uint32_t offset, Time) override { return bytes_[offset % bytes_.size()]; }
    void write(std::uint32_t offset, std::uint8_t v, Time) override { bytes_[offset % bytes_.size()] = v; }

private:
    std::vector<std::uint8_t> bytes_;
};

// "FF80H", "0FF80H", "65408", "0x10" -> value; false when it is not a number.
bool parseNumber(const QString& text, std::uint32_t* value);

} // namespace sim
