#include "sim/devices/Usart8251.h"

#include <cmath>

namespace sim {

namespace {
enum Pin { CS, TXD, RXD, TXC, RXC, TXRDY, RXRDY };
constexpr int kSent = 1;
constexpr double kTolerance = 0.05; // a receiver samples mid-bit: a few per cent apart still reads
constexpr std::uint8_t kTxEn = 0x01, kRxE = 0x04, kErrorReset = 0x10, kInternalReset = 0x40;
} // namespace

Usart8251::Usart8251(std::string name)
    : Device(std::move(name), {{"CS", PinDir::In, false, true},
                               {"TXD", PinDir::Out},
                               {"RXD", PinDir::In, true},
                               {"TXC", PinDir::In},
                               {"RXC", PinDir::In},
                               {"TXRDY", PinDir::Out},
                               {"RXRDY", PinDir::Out}}) {}

void Usart8251::internalReset() {
    expect_ = Expect::Mode;
    command_ = 0;
    buffer_.reset();
    rxReady_ = overrun_ = framing_ = parity_ = false;
}

void Usart8251::reset(Time t) {
    internalReset();
    mode_ = 0;
    shifting_.reset();
    cancelWake(kSent);
    drive(TXD, Drive::high(), t); // the line idles at mark
    drive(TXRDY, Drive::low(), t);
    drive(RXRDY, Drive::low(), t);
}

double Usart8251::baud() const { return rate(TXC); }

double Usart8251::rate(int clockPin) const {
    static constexpr double factors[4] = {0, 1, 16, 64};
    const double factor = factors[mode_ & 3];
    const double hz = level(clockPin).hz;
    return factor > 0 && hz > 0 ? hz / factor : 0;
}

double Usart8251::frameBits() const {
    static constexpr double stops[4] = {1, 1, 1.5, 2};
    return 1 + dataBits() + ((mode_ & 0x10) ? 1 : 0) + stops[mode_ >> 6];
}

std::uint8_t Usart8251::status() const {
    std::uint8_t s = 0;
    if (!buffer_)
        s |= 0x01; // TxRDY: the buffer takes a character
    if (rxReady_)
        s |= 0x02;
    if (!buffer_ && !shifting_)
        s |= 0x04; // TxEMPTY
    if (parity_)
        s |= 0x08;
    if (overrun_)
        s |= 0x10;
    if (framing_)
        s |= 0x20;
    return s;
}

void Usart8251::startSending(Time t) {
    if (shifting_ || !buffer_ || !(command_ & kTxEn))
        return;
    if (!(mode_ & 3)) {
        if (!reportedSync_)
            report(t, name() + "：方式字选择了同步方式，本模型只模拟异步方式，字符不发送");
        reportedSync_ = true;
        return;
    }
    const double rate = baud();
    if (rate <= 0) {
        if (!reportedClock_)
            report(t, name() + "：发送时钟 TxC 没有接入（TRXC 未接？），字符发不出去");
        reportedClock_ = true;
        return;
    }
    shifting_ = buffer_;
    buffer_.reset();
    wakeAt(kSent, t + fromSeconds(frameBits() / rate));
}

void Usart8251::wake(int tag, Time t) {
    if (tag != kSent || !shifting_)
        return;
    const std::uint16_t mask = std::uint16_t((1 << dataBits()) - 1);
    send(TXD, Frame{std::uint16_t(*shifting_ & mask), dataBits(), baud()}, t);
    shifting_.reset();
    startSending(t);
    drive(TXRDY, Drive::level(!buffer_ && (command_ & kTxEn)), t);
}

void Usart8251::receive(int pin, const Frame& frame, Time t) {
    if (pin != RXD || !(command_ & kRxE))
        return;
    const double rate = this->rate(RXC);
    if (!(rate > 0) || !(frame.baud > 0) || std::abs(frame.baud - rate) > kTolerance * rate) {
        framing_ = true; // the stop bit is not where this receiver looks for it
        if (!reportedRate_)
            report(t, name() + "：收到的字符波特率 " + std::to_string(std::lround(frame.baud)) + " 与本片的 " +
                          std::to_string(std::lround(rate)) + " 不符，帧错误");
        reportedRate_ = true;
    }
    if (rxReady_)
        overrun_ = true;
    received_ = std::uint8_t(frame.data & ((1 << dataBits()) - 1));
    rxReady_ = true;
    drive(RXRDY, Drive::high(), t);
}

std::uint8_t Usart8251::read(std::uint32_t offset, Time t) {
    if (offset & 1)
        return status();
    rxReady_ = false;
    drive(RXRDY, Drive::low(), t);
    return received_;
}

void Usart8251::write(std::uint32_t offset, std::uint8_t v, Time t) {
    if (!(offset & 1)) {
        buffer_ = v;
        startSending(t);
        drive(TXRDY, Drive::level(!buffer_ && (command_ & kTxEn)), t);
        return;
    }
    switch (expect_) {
    case Expect::Mode:
        mode_ = v;
        // A synchronous mode byte is followed by one or two sync characters (SCS, D7).
        expect_ = (v & 3) ? Expect::Command : (v & 0x80) ? Expect::Sync2 : Expect::Sync1;
        break;
    case Expect::Sync1: expect_ = Expect::Sync2; break;
    case Expect::Sync2: expect_ = Expect::Command; break;
    case Expect::Command:
        if (v & kInternalReset) {
            internalReset();
            break;
        }
        command_ = v;
        if (v & kErrorReset)
            overrun_ = framing_ = parity_ = false;
        startSending(t);
        break;
    }
    drive(TXRDY, Drive::level(!buffer_ && (command_ & kTxEn)), t);
}

} // namespace sim
