#pragma once
// The 8251A USART in asynchronous mode, after Intel's 8251A data sheet: the mode instruction after a
// reset (and the sync characters a synchronous mode byte asks for, which is how the usual "three 00H,
// then 40H" reset sequence works), command instructions (TxEN, RxE, error reset, internal reset), the
// status byte (TxRDY, RxRDY, TxEMPTY, PE, OE, FE, DSR), one character of transmit buffer beside the
// shift register, overrun. Characters travel as Frames from TXD to whatever RXD the wiring joins it to;
// the bit rate is the TxC/RxC clock (the TRXC net's rate) over the mode's factor.
#include "sim/Device.h"

#include <cstdint>
#include <optional>

namespace sim {

class Usart8251 : public Device {
public:
    explicit Usart8251(std::string name);

    void reset(Time t) override;
    void receive(int pin, const Frame& frame, Time t) override;
    void wake(int tag, Time t) override;
    std::uint8_t read(std::uint32_t offset, Time t) override;
    void write(std::uint32_t offset, std::uint8_t value, Time t) override;

    std::uint8_t status() const;
    double baud() const; // 0 without a clock or a mode

private:
    void internalReset();
    void startSending(Time t);
    int dataBits() const { return 5 + ((mode_ >> 2) & 3); }
    double frameBits() const;
    double rate(int clockPin) const;

    enum class Expect { Mode, Sync1, Sync2, Command } expect_ = Expect::Mode;
    std::uint8_t mode_ = 0, command_ = 0;
    std::optional<std::uint8_t> buffer_;  // written, waiting for the shift register
    std::optional<std::uint8_t> shifting_;
    std::uint8_t received_ = 0;
    bool rxReady_ = false, overrun_ = false, framing_ = false, parity_ = false;
    bool reportedClock_ = false, reportedRate_ = false, reportedSync_ = false;
};

} // namespace sim
