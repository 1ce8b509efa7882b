// The MCS-51 core's timers 0, 1 and 2, its serial port and its pins, advanced by the machine cycles each
// instruction takes (the Intel MCS-51 data book's timer/counter and serial interface chapters).
#include "sim/Core8051.h"

#include "sim/Core8051Sfr.h"

namespace sim {

using namespace sfr;

namespace {

// `steps` counts of an up-counter holding `value` that overflows at `modulus` and starts again at `reload`.
struct Count {
    unsigned overflows = 0;
    unsigned first = 0;  // the step (from 1) that overflowed first
    unsigned period = 0; // steps between later overflows
    unsigned value = 0;  // the count afterwards
};

Count countUp(unsigned value, unsigned modulus, unsigned reload, unsigned steps) {
    const unsigned toOverflow = modulus - value;
    if (steps < toOverflow)
        return {0, 0, 0, value + steps};
    const unsigned period = modulus - reload;
    const unsigned after = steps - toOverflow;
    return {1 + after / period, toOverflow, period, reload + after % period};
}

// Mode 0's TL: five bits of prescaler under three bits the data book calls indeterminate; they keep
// their value until the prescaler rolls over, and are clear after (as s51 has them).
std::uint8_t mode0Low(std::uint8_t tl, unsigned steps, unsigned count) {
    return steps >= 0x20u - (tl & 0x1Fu) ? std::uint8_t(count & 0x1F) : std::uint8_t((tl & 0xE0) | (count & 0x1F));
}

// Timers 0 and 1 count alike in modes 0 to 2; mode 3 (timer 0 only: TL0 alone) counts TL without reload.
Count countTimer(std::uint8_t& tl, std::uint8_t& th, unsigned mode, unsigned steps) {
    Count c;
    switch (mode) {
    case 0: // 13 bits: TH and the low five bits of TL
        c = countUp(unsigned(th << 5 | (tl & 0x1F)), 0x2000, 0, steps);
        tl = mode0Low(tl, steps, c.value);
        th = std::uint8_t(c.value >> 5);
        break;
    case 1:
        c = countUp(unsigned(th << 8 | tl), 0x10000, 0, steps);
        tl = std::uint8_t(c.value);
        th = std::uint8_t(c.value >> 8);
        break;
    case 2: // TL reloaded from TH
        c = countUp(tl, 0x100, th, steps);
        tl = std::uint8_t(c.value);
        break;
    default:
        c = countUp(tl, 0x100, 0, steps);
        tl = std::uint8_t(c.value);
        break;
    }
    return c;
}

} // namespace

// A flag that hardware sets in an instruction's last cycle is polled only after the next instruction.
Core8051::Rise Core8051::riseAt(std::uint64_t cycle) const { return cycle >= cycles_ ? Rise::Final : Rise::Early; }

void Core8051::raise(int address, std::uint8_t flag, Rise kind) {
    const std::uint8_t before = requests();
    reg(address) |= flag;
    if (kind == Rise::Early)
        return;
    const std::uint8_t rose = std::uint8_t(requests() & ~before);
    lateRequests_ |= rose;
    if (kind == Rise::Edge)
        edgeRequests_ |= rose;
}

// Which counters advance with the cycles and which with their pins, after TCON, TMOD, T2CON, a GATE
// input or the transmitter changed.
void Core8051::timerChanged() {
    const std::uint8_t tcon = latch(TCON), tmod = latch(TMOD), p3 = pinLevels(3);
    const bool gate0 = !(tmod & 0x08) || (p3 & 0x04);
    const bool gate1 = !(tmod & 0x80) || (p3 & 0x08);
    const bool run0 = (tcon & TR0) && gate0;
    const bool mode3 = (tmod & 0x03) == 0x03;
    t0Cycles_ = run0 && !(tmod & 0x04);
    t0Pin_ = run0 && (tmod & 0x04);
    th0Cycles_ = mode3 && (tcon & TR1); // TH0 in mode 3 counts cycles under TR1 alone
    // With timer 0 in mode 3, TH0 has taken TR1 and TF1: timer 1 runs whenever it is out of its own mode 3
    // (s51 still asks for TR1).
    const bool run1 = ((tmod >> 4) & 3) != 3 && gate1 && ((mode3 && !referenceTiming_) || (tcon & TR1));
    t1Cycles_ = run1 && !(tmod & 0x40);
    t1Pin_ = run1 && (tmod & 0x40);
    t2Rate_ = 0;
    t2Pin_ = false;
    if (is8052_) {
        const std::uint8_t t2con = latch(T2CON);
        if (t2con & TR2) {
            // The baud rate generator counts every state (fosc/2), else every machine cycle. (s51 counts
            // cycles in counter mode too, unless it generates a baud rate.)
            const bool baud = t2con & (RCLK | TCLK);
            const bool counter = (t2con & CT2) && (!referenceTiming_ || baud);
            t2Pin_ = counter;
            t2Rate_ = counter ? 0 : baud ? 6 : 1;
        }
    }
    ticking_ = pinsPending_ || t0Cycles_ || th0Cycles_ || t1Cycles_ || t2Rate_ || (txBusy_ && !(txMode_ & 1));
}

void Core8051::advance(unsigned cycles) {
    const std::uint64_t first = cycles_ - cycles + 1;
    if (pinsPending_)
        samplePins(first);
    if (t0Cycles_)
        countT0(cycles, first, 1);
    if (th0Cycles_)
        countTh0(cycles, first);
    if (t1Cycles_)
        countT1(cycles, first, 1);
    if (t2Rate_)
        countT2(cycles * t2Rate_, first, t2Rate_);
    if (txBusy_ && !(txMode_ & 1) && cycles_ >= txEnd_)
        finishTransmit(txEnd_);
}

void Core8051::countT0(unsigned steps, std::uint64_t first, unsigned perCycle) {
    const Count c = countTimer(reg(TL0), reg(TH0), latch(TMOD) & 3, steps);
    if (c.overflows)
        raise(TCON, TF0, riseAt(first + (c.first - 1) / perCycle));
}

void Core8051::countTh0(unsigned steps, std::uint64_t first) {
    std::uint8_t& th = reg(TH0);
    const Count c = countUp(th, 0x100, 0, steps);
    th = std::uint8_t(c.value);
    if (c.overflows)
        raise(TCON, TF1, riseAt(first + c.first - 1));
}

void Core8051::countT1(unsigned steps, std::uint64_t first, unsigned perCycle) {
    // Mode 3 holds timer 1's count and is not called.
    const Count c = countTimer(reg(TL1), reg(TH1), (latch(TMOD) >> 4) & 3, steps);
    if (!c.overflows)
        return;
    if ((latch(TMOD) & 3) != 3) // else TF1 belongs to TH0
        raise(TCON, TF1, riseAt(first + (c.first - 1) / perCycle));
    clockSerial(false, c.overflows, c.first, c.period, first, perCycle);
}

void Core8051::countT2(unsigned steps, std::uint64_t first, unsigned perCycle) {
    const std::uint8_t t2con = latch(T2CON);
    const bool baud = t2con & (RCLK | TCLK);
    const unsigned reload = (baud || !(t2con & CPRL2)) ? unsigned(latch(RCAP2H) << 8 | latch(RCAP2L)) : 0;
    const Count c = countUp(unsigned(latch(TH2) << 8 | latch(TL2)), 0x10000, reload, steps);
    reg(TL2) = std::uint8_t(c.value);
    reg(TH2) = std::uint8_t(c.value >> 8);
    if (!c.overflows)
        return;
    if (baud) // a baud rate generator's overflow does not set TF2
        clockSerial(true, c.overflows, c.first, c.period, first, perCycle);
    else
        raise(T2CON, TF2, riseAt(first + (c.first - 1) / perCycle));
}

// A negative edge at T2EX with EXEN2: capture or reload, and EXF2.
void Core8051::t2ExternalEdge(std::uint64_t cycle) {
    const std::uint8_t t2con = latch(T2CON);
    if (!(t2con & EXEN2))
        return;
    if (!(t2con & (RCLK | TCLK))) {
        if (t2con & CPRL2) {
            reg(RCAP2L) = latch(TL2);
            reg(RCAP2H) = latch(TH2);
        } else {
            reg(TL2) = latch(RCAP2L);
            reg(TH2) = latch(RCAP2H);
        }
    }
    raise(T2CON, EXF2, riseAt(cycle));
}

void Core8051::setPins(int port, std::uint8_t levels) {
    port &= 3;
    const std::uint8_t before = pinLevels(port);
    pins_[std::size_t(port)] = levels;
    pinsGiven_ |= std::uint8_t(1 << port);
    if (before != levels)
        pinsChanged(port, before, levels);
}

// INT0/INT1, T0/T1 (P3) and T2/T2EX (P1) are sampled once a machine cycle: a change shows in the
// next cycle. (s51 sets IE0/IE1 at a falling edge at once.)
void Core8051::pinsChanged(int port, std::uint8_t before, std::uint8_t now) {
    if (port == 3 || (port == 1 && is8052_)) {
        pinsPending_ = true;
        ticking_ = true;
    }
    if (referenceTiming_ && port == 3) {
        const std::uint8_t falls = std::uint8_t(before & ~now), tcon = latch(TCON);
        const std::uint8_t edges = std::uint8_t(((falls & 0x04) && (tcon & IT0) ? IE0 : 0) |
                                                ((falls & 0x08) && (tcon & IT1) ? IE1 : 0));
        if (edges)
            raise(TCON, edges, Rise::Early);
    }
}

// The sample in `cycle`: a high sample followed by a low one is a falling edge. In level mode IE0/IE1
// follow their pins (the external source controls the request flag). A counter's input edge shows in
// its count in the cycle after the one that saw it.
void Core8051::samplePins(std::uint64_t cycle) {
    pinsPending_ = false;
    if (dueCounts_) {
        const std::uint8_t due = dueCounts_;
        dueCounts_ = 0;
        if ((due & 1) && t0Pin_)
            countT0(1, cycle, 1);
        if ((due & 2) && t1Pin_)
            countT1(1, cycle, 1);
        if ((due & 4) && t2Pin_)
            countT2(1, cycle, 1);
    }
    const std::uint8_t p3 = pinLevels(3);
    const std::uint8_t falls3 = std::uint8_t(sampledP3_ & ~p3);
    // s51 counts a pulse at T0/T1 when the pin rises again, at once.
    const std::uint8_t counted3 = referenceTiming_ ? std::uint8_t(~sampledP3_ & p3) : falls3;
    sampledP3_ = p3;
    const std::uint8_t tcon = latch(TCON);
    std::uint8_t flags = tcon;
    if (tcon & IT0) {
        if ((falls3 & 0x04) && !referenceTiming_)
            flags |= IE0;
    } else if (!(p3 & 0x04)) {
        flags |= IE0;
    } else if (!referenceTiming_) { // s51 keeps a level-triggered flag until software clears it
        flags &= std::uint8_t(~IE0);
    }
    if (tcon & IT1) {
        if ((falls3 & 0x08) && !referenceTiming_)
            flags |= IE1;
    } else if (!(p3 & 0x08)) {
        flags |= IE1;
    } else if (!referenceTiming_) {
        flags &= std::uint8_t(~IE1);
    }
    if (flags != tcon) {
        const std::uint8_t before = requests();
        reg(TCON) = flags;
        if (riseAt(cycle) == Rise::Final)
            lateRequests_ |= std::uint8_t(requests() & ~before);
    }
    timerChanged(); // GATE inputs
    if (referenceTiming_) {
        if ((counted3 & 0x10) && t0Pin_)
            countT0(1, cycle, 1);
        if ((counted3 & 0x20) && t1Pin_)
            countT1(1, cycle, 1);
    } else {
        dueCounts_ |= std::uint8_t(((counted3 & 0x10) && t0Pin_ ? 1 : 0) | ((counted3 & 0x20) && t1Pin_ ? 2 : 0));
    }
    if (is8052_) {
        const std::uint8_t p1 = pinLevels(1);
        const std::uint8_t falls1 = std::uint8_t(sampledP1_ & ~p1);
        sampledP1_ = p1;
        if (referenceTiming_) {
            // s51 notes the falls at T2 while timer 2 runs and counts them, at once, when it counts its pin;
            // stopping timer 2 forgets them.
            if (!(latch(T2CON) & TR2))
                t2Falls_ = 0;
            else if (falls1 & 0x01)
                ++t2Falls_;
            if (t2Falls_ && t2Pin_) {
                countT2(t2Falls_, cycle, t2Falls_);
                t2Falls_ = 0;
            }
        } else if ((falls1 & 0x01) && t2Pin_) {
            dueCounts_ |= 4;
        }
        if (referenceTiming_) {
            // s51 follows T2EX in every mode but the stopped auto-reload one, where it looks only while
            // EXEN2 is set: a fall from before counts once EXEN2 is set.
            const std::uint8_t t2con = latch(T2CON);
            const bool level = p1 & 0x02;
            if (t2con & (RCLK | TCLK | TR2 | CPRL2)) {
                if (falls1 & 0x02)
                    t2ExternalEdge(cycle);
                t2exLevel_ = level;
            } else if (t2con & EXEN2) {
                if (t2exLevel_ && !level)
                    t2ExternalEdge(cycle);
                t2exLevel_ = level;
            }
        } else if (falls1 & 0x02) {
            t2ExternalEdge(cycle);
        }
    }
    if (dueCounts_) {
        pinsPending_ = true;
        ticking_ = true;
    }
}

// ---------------------------------------------------------------------------------------------------
// The serial port

// A write to SBUF starts a character. Mode 0 sets TI at S1P1 of the 10th machine cycle after the write;
// modes 1-3 shift on the rollovers of a free-running divide-by-16 counter and set TI at the 10th (mode 1)
// or 11th (modes 2, 3) rollover after the write.
void Core8051::startTransmit(std::uint8_t value) {
    const std::uint8_t scon = latch(SCON);
    txMode_ = std::uint8_t(scon >> 6);
    txBits_ = txMode_ >= 2 ? 9 : 8;
    txData_ = std::uint16_t(value | (txMode_ >= 2 && (scon & TB8) ? 0x100 : 0));
    txBusy_ = true;
    if (referenceTiming_) { // s51: 12 cycles (mode 0), 16 cycles (mode 2), 16 overflows a bit from the write
        txTimer2_ = is8052_ && (latch(T2CON) & TCLK);
        txEnd_ = txMode_ == 0   ? cycles_ + 12
                 : txMode_ == 2 ? cycles_ + 16
                                : (txTimer2_ ? t2Overflows_ : t1Overflows_) + 16 * (txMode_ == 1 ? 10 : 11);
        txFirstBit_ = txFirstCycle_ = 0;
        timerChanged();
        return;
    }
    switch (txMode_) {
    case 0:
        txEnd_ = cycles_ + 10;
        break;
    case 2: { // the bit clock is fosc/64, or fosc/32 with SMOD; counted here in crystal periods
        const std::uint64_t bit = (latch(PCON) & SMOD) ? 32 : 64;
        const std::uint64_t firstRollover = (cycles_ * 12 + bit - 1) / bit * bit; // from the next cycle on
        txEnd_ = (firstRollover + 10 * bit) / 12 + 1;
        break;
    }
    default: { // timer 1 overflows (halved unless SMOD), or timer 2 overflows with TCLK, sixteen a bit
        txTimer2_ = is8052_ && (latch(T2CON) & TCLK);
        const std::uint64_t perBit = txTimer2_ ? 16 : (latch(PCON) & SMOD) ? 16 : 32;
        const std::uint64_t overflows = txTimer2_ ? t2Overflows_ : t1Overflows_;
        txFirstBit_ = (overflows / perBit + 1) * perBit;
        txEnd_ = txFirstBit_ + (txMode_ == 1 ? 9 : 10) * perBit;
        txFirstCycle_ = 0;
        break;
    }
    }
    timerChanged();
}

// `count` overflows of timer 1 or 2 clock the transmitter; the first came at step `firstStep` of a
// span that began at cycle `firstCycle`, with `perCycle` steps a cycle.
void Core8051::clockSerial(bool timer2, unsigned count, unsigned firstStep, unsigned period,
                           std::uint64_t firstCycle, unsigned perCycle) {
    std::uint64_t& total = timer2 ? t2Overflows_ : t1Overflows_;
    const std::uint64_t start = total;
    total += count;
    if (!txBusy_ || !(txMode_ & 1) || txTimer2_ != timer2)
        return;
    auto cycleOf = [&](std::uint64_t n) {
        return firstCycle + (firstStep + (n - start - 1) * period - 1) / perCycle;
    };
    if (txFirstBit_ > start && txFirstBit_ <= total)
        txFirstCycle_ = cycleOf(txFirstBit_);
    if (txEnd_ <= total)
        finishTransmit(cycleOf(txEnd_));
}

void Core8051::finishTransmit(std::uint64_t cycle) {
    txBusy_ = false;
    timerChanged();
    raise(SCON, TI, riseAt(cycle));
    io_.serialSent(txData_, txBits_, transmitBaud(cycle));
}

// Bits a second: from the reload value where the rate is fixed by it, else from the bit times measured.
double Core8051::transmitBaud(std::uint64_t cycle) const {
    const double smod = (latch(PCON) & SMOD) ? 2 : 1;
    switch (txMode_) {
    case 0: return crystal_ / 12;
    case 2: return crystal_ / 64 * smod;
    default: break;
    }
    if (txTimer2_) {
        if (!(latch(T2CON) & CT2))
            return crystal_ / 2 / (0x10000 - (latch(RCAP2H) << 8 | latch(RCAP2L))) / 16;
    } else if ((latch(TMOD) & 0x60) == 0x20) { // timer 1 in mode 2, timer function
        return crystal_ / 12 / (0x100 - latch(TH1)) * smod / 32;
    }
    if (txFirstCycle_ == 0 || cycle <= txFirstCycle_)
        return 0;
    return crystal_ / 12 * (txMode_ == 1 ? 9 : 10) / double(cycle - txFirstCycle_);
}

// The end of a character's stop bit at RXD: with REN, RI clear and the SM2 rule met, it enters SBUF.
void Core8051::receiveSerial(std::uint16_t data, int bits, double baud) {
    (void)baud;
    const std::uint8_t scon = latch(SCON);
    if (!(scon & REN) || (scon & RI))
        return;
    const int mode = scon >> 6;
    if (mode != 0) {
        // Mode 1 latches the stop bit into RB8, modes 2 and 3 the ninth data bit.
        const bool ninth = bits > 8 ? (data >> 8) & 1 : true;
        if ((scon & SM2) && !ninth)
            return;
        reg(SCON) = std::uint8_t(ninth ? scon | RB8 : scon & ~RB8);
    }
    reg(SBUF) = std::uint8_t(data);
    raise(SCON, RI, Rise::Edge);
}

} // namespace sim
