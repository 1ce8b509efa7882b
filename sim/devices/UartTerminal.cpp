#include "sim/devices/UartTerminal.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
enum Pin { RXD, TXD };
constexpr int kSend = 1;

std::string bauds(double baud) {
    return std::to_string(std::lround(baud));
}
} // namespace

UartTerminal::UartTerminal(std::string name, double baud)
    : Device(std::move(name), {{"RXD", PinDir::Out}, {"TXD", PinDir::In}}), baud_(baud) {}

void UartTerminal::reset(Time t) {
    // The terminal's window is the PC's: the board's reset leaves its text.
    outgoing_.clear();
    cancelWake(kSend);
    lineFree_ = t;
    reported_.clear();
    drive(RXD, Drive::high(), t); // an idle line is at mark
}

void UartTerminal::problem(Time t, std::string text) {
    text_ += '?';
    if (text != reported_) {
        reported_ = text;
        report(t, std::move(text));
    }
}

void UartTerminal::receive(int pin, const Frame& frame, Time t) {
    if (pin != TXD)
        return;
    if (!(frame.baud > 0) || std::abs(frame.baud - baud_) > kTolerance * baud_)
        problem(t, "串口波特率不符：收到 " + bauds(frame.baud) + " 波特，终端为 " + bauds(baud_) + " 波特");
    else if (frame.bits == 9 && !(frame.data & 0x100)) // a 0 where the terminal expects its stop bit
        problem(t, "串口帧错误：收到9位数据的帧，第9位为0，终端为8位数据、1位停止位");
    else {
        reported_.clear();
        text_ += char(frame.data & 0xFF);
    }
    if (text_.size() > kMaxText)
        text_.erase(0, text_.size() - kMaxText);
}

bool UartTerminal::set(std::string_view setting, double value, Time t) {
    if (setting == "BAUD") {
        if (std::isfinite(value) && value > 0)
            baud_ = value;
        return true;
    }
    if (setting != "UART")
        return false;
    if (!(value >= 0 && value <= 255 && value == std::floor(value)))
        return true;
    const Time frameTime = fromSeconds(10.0 / baud_); // start, 8 data bits, stop
    lineFree_ = std::max(lineFree_, t) + frameTime;
    outgoing_.push_back({lineFree_, Frame{std::uint16_t(value), 8, baud_}});
    if (outgoing_.size() == 1)
        wakeAt(kSend, lineFree_);
    return true;
}

void UartTerminal::wake(int tag, Time t) {
    if (tag != kSend || outgoing_.empty())
        return;
    const Frame f = outgoing_.front().frame;
    outgoing_.pop_front();
    send(RXD, f, t);
    if (!outgoing_.empty())
        wakeAt(kSend, outgoing_.front().end);
}

void UartTerminal::show(Snapshot& snapshot, Time, Time) {
    snapshot.uartText = text_;
}

} // namespace sim
