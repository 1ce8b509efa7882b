#pragma once
// The PC's serial terminal behind the board's MAX232 (EX_RXD, EX_TXD), set to 8 data bits, no parity,
// one stop bit at its baud. RXD carries what the PC sends to the CPU's RXD; TXD takes the CPU's frames.
// A frame whose baud is more than kTolerance off the terminal's arrives as garbage ('?'), as on a real
// terminal, with one event until the next good frame. Bytes are kept as received (Latin-1).
#include "sim/Device.h"

#include <cstdint>
#include <deque>

namespace sim {

class UartTerminal : public Device {
public:
    explicit UartTerminal(std::string name, double baud = 9600);

    void reset(Time t) override;
    void receive(int pin, const Frame& frame, Time t) override;
    void wake(int tag, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;
    // "UART": sends a byte (0 … 255) as typed at t; it arrives a frame time later, after the bytes
    // already on the way. "BAUD": the terminal's baud.
    bool set(std::string_view setting, double value, Time t) override;

    const std::string& text() const { return text_; }
    double baud() const { return baud_; }

    static constexpr double kTolerance = 0.03;
    static constexpr size_t kMaxText = 32 * 1024; // the newest text kept

private:
    void problem(Time t, std::string text);

    double baud_;
    std::string text_;
    struct Outgoing {
        Time end; // when its stop bit ends: the time the receiver gets it
        Frame frame;
    };
    std::deque<Outgoing> outgoing_;
    Time lineFree_ = 0;
    std::string reported_; // the last problem reported, until a good frame
};

} // namespace sim
