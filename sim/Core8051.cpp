// The MCS-51 core: the instruction set with its machine cycles, the SFRs' side effects and the interrupt
// system. Timers, the serial port and the pins are in Core8051Peripherals.cpp.
#include "sim/Core8051.h"

#include "sim/Core8051Sfr.h"
#include "sim/Mcs51Opcodes.h"

#include <algorithm>
#include <cstdio>

namespace sim {

using namespace sfr;

namespace {

constexpr std::array<std::uint8_t, 256> kCycles = [] {
    std::array<std::uint8_t, 256> cycles{};
    for (std::size_t i = 0; i < cycles.size(); ++i)
        cycles[i] = mcs51::kOpcodes[i].cycles;
    return cycles;
}();

constexpr std::uint8_t kUndefined = 0xA5;

// ucsim's s51, for the comparison with it (setReferenceTiming): how many of an instruction's cycles pass
// before it reads and writes its operands. One for most; JB, JNB, CJNE A,direct and DJNZ direct act
// after both of theirs. (Measured on s51 with a running timer 0.)
constexpr std::array<std::uint8_t, 256> kReferenceActsAfter = [] {
    std::array<std::uint8_t, 256> after{};
    after.fill(1);
    after[0x20] = after[0x30] = after[0xB5] = after[0xD5] = 2;
    return after;
}();

// The instructions that write A (s51 keeps a parity bit written to PSW until one of them runs).
constexpr std::array<bool, 256> kWritesA = [] {
    std::array<bool, 256> writes{};
    for (const int op : {0x03, 0x04, 0x13, 0x14, 0x23, 0x33, 0x74, 0x83, 0x84, 0x93, 0xA4, 0xC4, 0xD4, 0xD6, 0xD7,
                         0xE0, 0xE2, 0xE3, 0xE4, 0xF4})
        writes[std::size_t(op)] = true;
    for (const int base : {0x24, 0x34, 0x44, 0x54, 0x64, 0x94, 0xC5, 0xE5}) // ADD, ADDC, ORL, ANL, XRL, SUBB, XCH, MOV A,…
        for (int op = base; op < (base & 0xF0) + 0x10; ++op)
            writes[std::size_t(op)] = true;
    return writes;
}();

} // namespace

// The cycles of one instruction (or of the call to an interrupt vector, or of an idle cycle) pass.
inline void Core8051::elapse(unsigned cycles) {
    cycles_ += cycles;
    // A flag raised between instructions is sampled in the first cycle of the next one: after a
    // single-cycle instruction it is still too late for the poll.
    lateRequests_ = cycles == 1 ? edgeRequests_ : 0;
    edgeRequests_ = 0;
    if (ticking_)
        advance(cycles);
}

Core8051::Core8051(Io& io, bool is8052) : io_(io), is8052_(is8052), code_(0x10000, 0xFF) { powerOn(); }

void Core8051::load(const std::vector<std::uint8_t>& code) {
    std::fill(code_.begin(), code_.end(), 0xFF);
    std::copy_n(code.begin(), std::min<std::size_t>(code.size(), code_.size()), code_.begin());
}

// The reset values of the data book; the internal RAM keeps its contents, as on the chip.
void Core8051::powerOn() {
    sfr_.fill(0);
    reg(P0) = reg(P1) = reg(P2) = reg(P3) = 0xFF;
    reg(SP) = 0x07;
    pc_ = 0;
    bank_ = 0;
    halt_ = Halt::None;
    stopReason_.clear();
    inService_ = lateRequests_ = edgeRequests_ = 0;
    parityHeld_ = false;
    pollBlocked_ = false;
    txBusy_ = false;
    t1Overflows_ = t2Overflows_ = 0;
    dueCounts_ = 0;
    t2exLevel_ = true;
    t2Falls_ = 0;
    sampledP1_ = pinLevels(1);
    sampledP3_ = pinLevels(3);
    pinsPending_ = true; // level-triggered inputs held low request at once
    timerChanged();
}

void Core8051::reset() {
    std::array<std::uint8_t, 4> before{};
    for (int port = 0; port < 4; ++port)
        before[std::size_t(port)] = latch(P0 + 0x10 * port);
    powerOn();
    for (int port = 0; port < 4; ++port)
        if (before[std::size_t(port)] != 0xFF)
            io_.portWritten(port, 0xFF);
}

std::uint8_t Core8051::sfr(int address) const {
    address = 0x80 | (address & 0x7F);
    return address == PSW ? pswValue() : latch(address);
}

std::uint8_t Core8051::pswValue() const {
    if (parityHeld_)
        return latch(PSW);
    return std::uint8_t((latch(PSW) & 0xFE) | __builtin_parity(latch(ACC)));
}

// ---------------------------------------------------------------------------------------------------
// Running

void Core8051::run(std::uint64_t until) {
    until_ = until;
    while (cycles_ < until_) {
        if (halt_ != Halt::None) [[unlikely]] {
            if (halt_ == Halt::Stopped)
                return;
            if (halt_ == Halt::PowerDown) { // the oscillator stops; only reset ends it
                cycles_ = until_;
                return;
            }
        }
        const std::uint8_t late = lateRequests_;
        if (!pollBlocked_ && (latch(IE) & EA) && takeInterrupt(late))
            continue;
        pollBlocked_ = false;
        if (halt_ == Halt::Idle) [[unlikely]] {
            elapse(1); // the clock still runs the timers, the serial port and the interrupts
            continue;
        }
        step();
    }
}

// The interrupt flags as request bits in polling order (IE0, TF0, IE1, TF1, RI|TI, TF2|EXF2), which is
// also the order of the enable and priority bits in IE and IP.
std::uint8_t Core8051::requests() const {
    const unsigned tcon = latch(TCON);
    unsigned r = ((tcon >> 1) & 0x05) | ((tcon >> 4) & 0x0A);
    if (latch(SCON) & (TI | RI))
        r |= 0x10;
    if (is8052_ && (latch(T2CON) & (TF2 | EXF2)))
        r |= 0x20;
    return std::uint8_t(r);
}

// The poll at the end of an instruction. A flag is seen when it was set before the instruction's last
// cycle (it is sampled at S5P2 and polled in the following cycle), and a request is not taken while a
// routine of the same or a higher level runs. The answer is a hardware LCALL to the vector.
bool Core8051::takeInterrupt(std::uint8_t late) {
    std::uint8_t pending = std::uint8_t(requests() & latch(IE) & 0x3F);
    if (!referenceTiming_)
        pending &= std::uint8_t(~late);
    if (!pending)
        return false;
    const std::uint8_t high = std::uint8_t(pending & latch(IP));
    std::uint8_t level;
    if (referenceTiming_) { // s51 takes the first request in polling order that may interrupt what runs
        pending = (inService_ & 2) ? 0 : inService_ ? high : pending;
        if (!pending)
            return false;
        level = (high >> __builtin_ctz(pending)) & 1 ? 2 : 1;
    } else if (high) {
        if (inService_ & 2)
            return false;
        pending = high;
        level = 2;
    } else {
        if (inService_)
            return false;
        level = 1;
    }
    if (referenceTiming_ && halt_ == Halt::Idle) { // s51 leaves idle, runs an instruction, then calls
        halt_ = Halt::None;
        reg(PCON) &= std::uint8_t(~IDL);
        pollBlocked_ = true;
        return true;
    }
    const int source = __builtin_ctz(pending);
    // The hardware clears TF0/TF1, and IE0/IE1 when edge-triggered; the serial and timer 2 flags stay.
    std::uint8_t& tcon = reg(TCON);
    switch (source) {
    case 0: if ((tcon & IT0) || referenceTiming_) tcon &= std::uint8_t(~IE0); break; // s51: in level mode too
    case 1: tcon &= std::uint8_t(~TF0); break;
    case 2: if ((tcon & IT1) || referenceTiming_) tcon &= std::uint8_t(~IE1); break;
    case 3: tcon &= std::uint8_t(~TF1); break;
    default: break;
    }
    if (referenceTiming_ && (source == 0 || source == 2))
        pinsChanged(3, 0, 0); // a pin still low requests again at the next sample
    if (halt_ == Halt::Idle) {
        halt_ = Halt::None;
        reg(PCON) &= std::uint8_t(~IDL);
    }
    push(std::uint8_t(pc_));
    push(std::uint8_t(pc_ >> 8));
    pc_ = std::uint16_t(3 + 8 * source);
    inService_ |= level;
    pollBlocked_ = referenceTiming_; // s51 runs the routine's first instruction before it polls again
    elapse(referenceTiming_ ? 1 : 2);
    return true;
}

void Core8051::setReferenceTiming(bool on) { referenceTiming_ = on; }

// ---------------------------------------------------------------------------------------------------
// Memory and SFR access

std::uint8_t Core8051::pinLevels(int port) const {
    return (pinsGiven_ >> port) & 1 ? pins_[std::size_t(port)] : latch(P0 + 0x10 * port);
}

// A source operand: ports read their pins.
std::uint8_t Core8051::readDirect(std::uint8_t address) {
    if (address < 0x80)
        return iram_[address];
    switch (address) {
    case P0: case P1: case P2: case P3: return pinLevels((address >> 4) & 3);
    case PSW: return pswValue();
    default: return latch(address);
    }
}

// The read of a read-modify-write instruction: ports read their latch.
std::uint8_t Core8051::readLatch(std::uint8_t address) {
    if (address < 0x80)
        return iram_[address];
    return address == PSW ? pswValue() : latch(address);
}

void Core8051::writeDirect(std::uint8_t address, std::uint8_t value) {
    if (address < 0x80)
        iram_[address] = value;
    else
        writeSfr(address, value);
}

void Core8051::writeSfr(std::uint8_t address, std::uint8_t value) {
    switch (address) {
    case P0: case P1: case P2: case P3: {
        if (latch(address) == value)
            return;
        const int port = (address >> 4) & 3;
        const std::uint8_t before = latch(address);
        reg(address) = value;
        if (!(pinsGiven_ & (1 << port))) // nothing else drives the pins: they follow the latch
            pinsChanged(port, before, value);
        io_.portWritten(port, value);
        return;
    }
    case PSW:
        reg(PSW) = value;
        bank_ = value & 0x18;
        parityHeld_ = referenceTiming_; // s51 keeps the parity bit written
        return;
    case ACC:
        reg(ACC) = value;
        parityHeld_ = false;
        return;
    case TCON: {
        const std::uint8_t before = requests();
        reg(TCON) = value;
        written(before);
        pinsChanged(3, 0, 0); // a level-triggered flag is the pin's again at the next sample
        timerChanged();
        return;
    }
    case TMOD:
        reg(TMOD) = value;
        timerChanged();
        return;
    case SCON: {
        const std::uint8_t before = requests();
        reg(SCON) = value;
        written(before);
        return;
    }
    case SBUF: // the write goes to the transmitter; the register read is the receive buffer
        startTransmit(value);
        return;
    case IE: case IP:
        reg(address) = value;
        pollBlocked_ = !referenceTiming_ || address == IE; // s51 lets the poll follow a write to IP
        return;
    case PCON:
        reg(PCON) = value;
        if (value & PD)
            halt_ = Halt::PowerDown;
        else if (value & IDL)
            halt_ = Halt::Idle;
        return;
    case T2CON: {
        const std::uint8_t before = requests();
        reg(T2CON) = value;
        if (is8052_) {
            written(before);
            if (referenceTiming_) // s51 samples T2EX again once EXEN2 is set
                pinsChanged(1, 0, 0);
            timerChanged();
        }
        return;
    }
    default:
        reg(address) = value;
        return;
    }
}

// Flags that software sets are written in the instruction's last cycle and sampled in the next one.
void Core8051::written(std::uint8_t before) {
    const std::uint8_t rose = std::uint8_t(requests() & ~before);
    lateRequests_ |= rose;
    edgeRequests_ |= rose;
}

static inline std::uint8_t bitByte(std::uint8_t bit) {
    return bit < 0x80 ? std::uint8_t(0x20 + (bit >> 3)) : std::uint8_t(bit & 0xF8);
}

bool Core8051::readBit(std::uint8_t bit) { return (readDirect(bitByte(bit)) >> (bit & 7)) & 1; }

bool Core8051::readBitLatch(std::uint8_t bit) { return (readLatch(bitByte(bit)) >> (bit & 7)) & 1; }

void Core8051::writeBit(std::uint8_t bit, bool value) {
    const std::uint8_t mask = std::uint8_t(1 << (bit & 7));
    if (bit < 0x80) {
        std::uint8_t& byte = iram_[0x20 + (bit >> 3)];
        byte = value ? std::uint8_t(byte | mask) : std::uint8_t(byte & ~mask);
        return;
    }
    const std::uint8_t address = bit & 0xF8;
    const std::uint8_t old = readLatch(address);
    const std::uint8_t bank = bank_;
    writeSfr(address, value ? std::uint8_t(old | mask) : std::uint8_t(old & ~mask));
    if (referenceTiming_) {
        if (address == IE) // s51 lets the poll follow a bit write to IE,
            pollBlocked_ = false;
        else if (address == PSW) // and changes register banks on byte writes to PSW only
            bank_ = bank;
    }
}

// The upper 128 bytes exist on the 8052 only (indirectly addressed); on the 8051 they read FFH.
std::uint8_t Core8051::readIndirect(std::uint8_t address) const {
    return (address & 0x80) && !is8052_ ? 0xFF : iram_[address];
}

void Core8051::writeIndirect(std::uint8_t address, std::uint8_t value) {
    if (!(address & 0x80) || is8052_)
        iram_[address] = value;
}

void Core8051::push(std::uint8_t value) { writeIndirect(++reg(SP), value); }

std::uint8_t Core8051::pop() { return readIndirect(reg(SP)--); }

// ---------------------------------------------------------------------------------------------------
// The instructions

void Core8051::add(std::uint8_t value, unsigned carry) {
    std::uint8_t& a = reg(ACC);
    const unsigned sum = a + value + carry;
    const unsigned half = (a & 0x0F) + (value & 0x0F) + carry;
    const unsigned low7 = (a & 0x7F) + (value & 0x7F) + carry;
    std::uint8_t& psw = reg(PSW);
    psw = std::uint8_t((psw & ~(CY | AC | OV)) | (sum > 0xFF ? CY : 0) | (half > 0x0F ? AC : 0) |
                       (((low7 >> 7) ^ (sum >> 8)) & 1 ? OV : 0));
    a = std::uint8_t(sum);
}

void Core8051::subb(std::uint8_t value) {
    std::uint8_t& a = reg(ACC);
    std::uint8_t& psw = reg(PSW);
    const int borrow = (psw & CY) ? 1 : 0;
    const int diff = a - value - borrow;
    const int half = (a & 0x0F) - (value & 0x0F) - borrow;
    const int low7 = (a & 0x7F) - (value & 0x7F) - borrow;
    psw = std::uint8_t((psw & ~(CY | AC | OV)) | (diff < 0 ? CY : 0) | (half < 0 ? AC : 0) |
                       (((low7 < 0) != (diff < 0)) ? OV : 0));
    a = std::uint8_t(diff);
}

void Core8051::compareJump(std::uint8_t x, std::uint8_t y, std::uint8_t rel) {
    std::uint8_t& psw = reg(PSW);
    psw = std::uint8_t(x < y ? psw | CY : psw & ~CY);
    if (x != y)
        pc_ = std::uint16_t(pc_ + std::int8_t(rel));
}

void Core8051::stop(std::uint16_t address) {
    char text[64];
    std::snprintf(text, sizeof text, "非法指令 A5H，地址 %04XH", unsigned(address));
    stopReason_ = text;
    halt_ = Halt::Stopped;
}

inline void Core8051::execute(std::uint8_t op) {
    std::uint8_t& a = reg(ACC);
    std::uint8_t& psw = reg(PSW);
    auto fetch = [this] { return code_[pc_++]; };
    auto rn = [&]() -> std::uint8_t& { return iram_[bank_ + (op & 7)]; };
    auto ri = [&] { return iram_[bank_ + (op & 1)]; };
    auto jumpIf = [this](bool condition, std::uint8_t rel) {
        if (condition)
            pc_ = std::uint16_t(pc_ + std::int8_t(rel));
    };
    auto carry = [&] { return unsigned(psw >> 7); };
    auto setCarry = [&](bool c) { psw = std::uint8_t(c ? psw | CY : psw & ~CY); };

    switch (op) {
    case 0x00: break; // NOP

    case 0x01: case 0x21: case 0x41: case 0x61: case 0x81: case 0xA1: case 0xC1: case 0xE1: { // AJMP
        const std::uint8_t low = fetch();
        pc_ = std::uint16_t((pc_ & 0xF800) | ((op & 0xE0) << 3) | low);
        break;
    }
    case 0x11: case 0x31: case 0x51: case 0x71: case 0x91: case 0xB1: case 0xD1: case 0xF1: { // ACALL
        const std::uint8_t low = fetch();
        push(std::uint8_t(pc_));
        push(std::uint8_t(pc_ >> 8));
        pc_ = std::uint16_t((pc_ & 0xF800) | ((op & 0xE0) << 3) | low);
        break;
    }
    case 0x02: { // LJMP
        const std::uint8_t high = fetch();
        pc_ = std::uint16_t(high << 8 | code_[pc_]);
        break;
    }
    case 0x12: { // LCALL
        const std::uint8_t high = fetch();
        const std::uint8_t low = fetch();
        push(std::uint8_t(pc_));
        push(std::uint8_t(pc_ >> 8));
        pc_ = std::uint16_t(high << 8 | low);
        break;
    }
    case 0x22: { // RET
        const std::uint8_t high = pop();
        pc_ = std::uint16_t(high << 8 | pop());
        break;
    }
    case 0x32: { // RETI
        const std::uint8_t high = pop();
        pc_ = std::uint16_t(high << 8 | pop());
        inService_ &= (inService_ & 2) ? 1 : 0;
        pollBlocked_ = true;
        break;
    }
    case 0x73: pc_ = std::uint16_t(a + (latch(DPH) << 8 | latch(DPL))); break; // JMP @A+DPTR
    case 0x80: { const std::uint8_t r = fetch(); jumpIf(true, r); break; }                // SJMP
    case 0x40: { const std::uint8_t r = fetch(); jumpIf(psw & CY, r); break; }            // JC
    case 0x50: { const std::uint8_t r = fetch(); jumpIf(!(psw & CY), r); break; }         // JNC
    case 0x60: { const std::uint8_t r = fetch(); jumpIf(a == 0, r); break; }              // JZ
    case 0x70: { const std::uint8_t r = fetch(); jumpIf(a != 0, r); break; }              // JNZ
    case 0x10: { // JBC bit,rel (reads the latch)
        const std::uint8_t bit = fetch();
        const std::uint8_t r = fetch();
        if (readBitLatch(bit)) {
            writeBit(bit, false);
            jumpIf(true, r);
        }
        break;
    }
    case 0x20: { const std::uint8_t bit = fetch(), r = fetch(); jumpIf(readBit(bit), r); break; }  // JB
    case 0x30: { const std::uint8_t bit = fetch(), r = fetch(); jumpIf(!readBit(bit), r); break; } // JNB
    case 0xB4: { const std::uint8_t v = fetch(), r = fetch(); compareJump(a, v, r); break; } // CJNE A,#
    case 0xB5: { // CJNE A,direct,rel
        const std::uint8_t d = fetch(), r = fetch();
        compareJump(a, readDirect(d), r);
        break;
    }
    case 0xB6: case 0xB7: { const std::uint8_t v = fetch(), r = fetch(); compareJump(readIndirect(ri()), v, r); break; }
    case 0xB8: case 0xB9: case 0xBA: case 0xBB: case 0xBC: case 0xBD: case 0xBE: case 0xBF: {
        const std::uint8_t v = fetch(), r = fetch();
        compareJump(rn(), v, r);
        break;
    }
    case 0xD5: { // DJNZ direct,rel (reads the latch)
        const std::uint8_t d = fetch(), r = fetch();
        const std::uint8_t v = std::uint8_t(readLatch(d) - 1);
        writeDirect(d, v);
        jumpIf(v != 0, r);
        break;
    }
    case 0xD8: case 0xD9: case 0xDA: case 0xDB: case 0xDC: case 0xDD: case 0xDE: case 0xDF: {
        const std::uint8_t r = fetch();
        jumpIf(--rn() != 0, r);
        break;
    }

    case 0x03: a = std::uint8_t(a >> 1 | a << 7); break; // RR A
    case 0x23: a = std::uint8_t(a << 1 | a >> 7); break; // RL A
    case 0x13: { const bool c = a & 1; a = std::uint8_t(a >> 1 | carry() << 7); setCarry(c); break; } // RRC
    case 0x33: { const bool c = a & 0x80; a = std::uint8_t(a << 1 | carry()); setCarry(c); break; }  // RLC
    case 0xC4: a = std::uint8_t(a << 4 | a >> 4); break; // SWAP A
    case 0xE4: a = 0; break;                             // CLR A
    case 0xF4: a = std::uint8_t(~a); break;              // CPL A
    case 0xD4: { // DA A
        unsigned v = a;
        if ((v & 0x0F) > 9 || (psw & AC)) {
            v += 0x06;
            if (v > 0xFF)
                psw |= CY;
            v &= 0xFF;
        }
        if ((v >> 4) > 9 || (psw & CY)) {
            v += 0x60;
            if (v > 0xFF)
                psw |= CY;
        }
        a = std::uint8_t(v);
        break;
    }
    case 0xA4: { // MUL AB
        const unsigned product = unsigned(a) * latch(B);
        a = std::uint8_t(product);
        reg(B) = std::uint8_t(product >> 8);
        psw = std::uint8_t((psw & ~(CY | OV)) | (product > 0xFF ? OV : 0));
        break;
    }
    case 0x84: { // DIV AB
        const std::uint8_t divisor = latch(B);
        psw &= std::uint8_t(~(CY | OV));
        if (divisor == 0) {
            psw |= OV; // the data book leaves A and B undefined; they keep their values
        } else {
            const std::uint8_t q = std::uint8_t(a / divisor), r = std::uint8_t(a % divisor);
            a = q;
            reg(B) = r;
        }
        break;
    }

    case 0x04: ++a; break;                                                    // INC A
    case 0x05: { const std::uint8_t d = fetch(); writeDirect(d, std::uint8_t(readLatch(d) + 1)); break; }
    case 0x06: case 0x07: { const std::uint8_t r = ri(); writeIndirect(r, std::uint8_t(readIndirect(r) + 1)); break; }
    case 0x08: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x0E: case 0x0F: ++rn(); break;
    case 0x14: --a; break;                                                    // DEC A
    case 0x15: { const std::uint8_t d = fetch(); writeDirect(d, std::uint8_t(readLatch(d) - 1)); break; }
    case 0x16: case 0x17: { const std::uint8_t r = ri(); writeIndirect(r, std::uint8_t(readIndirect(r) - 1)); break; }
    case 0x18: case 0x19: case 0x1A: case 0x1B: case 0x1C: case 0x1D: case 0x1E: case 0x1F: --rn(); break;
    case 0xA3: { // INC DPTR
        const unsigned dptr = (latch(DPH) << 8 | latch(DPL)) + 1;
        reg(DPL) = std::uint8_t(dptr);
        reg(DPH) = std::uint8_t(dptr >> 8);
        break;
    }

    case 0x24: add(fetch(), 0); break;
    case 0x25: add(readDirect(fetch()), 0); break;
    case 0x26: case 0x27: add(readIndirect(ri()), 0); break;
    case 0x28: case 0x29: case 0x2A: case 0x2B: case 0x2C: case 0x2D: case 0x2E: case 0x2F: add(rn(), 0); break;
    case 0x34: add(fetch(), carry()); break;
    case 0x35: add(readDirect(fetch()), carry()); break;
    case 0x36: case 0x37: add(readIndirect(ri()), carry()); break;
    case 0x38: case 0x39: case 0x3A: case 0x3B: case 0x3C: case 0x3D: case 0x3E: case 0x3F: add(rn(), carry()); break;
    case 0x94: subb(fetch()); break;
    case 0x95: subb(readDirect(fetch())); break;
    case 0x96: case 0x97: subb(readIndirect(ri())); break;
    case 0x98: case 0x99: case 0x9A: case 0x9B: case 0x9C: case 0x9D: case 0x9E: case 0x9F: subb(rn()); break;

    // ORL, ANL, XRL: into A from a source operand, or into a direct byte (reading a port's latch).
    case 0x42: { const std::uint8_t d = fetch(); writeDirect(d, readLatch(d) | a); break; }
    case 0x43: { const std::uint8_t d = fetch(), v = fetch(); writeDirect(d, readLatch(d) | v); break; }
    case 0x44: a |= fetch(); break;
    case 0x45: a |= readDirect(fetch()); break;
    case 0x46: case 0x47: a |= readIndirect(ri()); break;
    case 0x48: case 0x49: case 0x4A: case 0x4B: case 0x4C: case 0x4D: case 0x4E: case 0x4F: a |= rn(); break;
    case 0x52: { const std::uint8_t d = fetch(); writeDirect(d, readLatch(d) & a); break; }
    case 0x53: { const std::uint8_t d = fetch(), v = fetch(); writeDirect(d, readLatch(d) & v); break; }
    case 0x54: a &= fetch(); break;
    case 0x55: a &= readDirect(fetch()); break;
    case 0x56: case 0x57: a &= readIndirect(ri()); break;
    case 0x58: case 0x59: case 0x5A: case 0x5B: case 0x5C: case 0x5D: case 0x5E: case 0x5F: a &= rn(); break;
    case 0x62: { const std::uint8_t d = fetch(); writeDirect(d, readLatch(d) ^ a); break; }
    case 0x63: { const std::uint8_t d = fetch(), v = fetch(); writeDirect(d, readLatch(d) ^ v); break; }
    case 0x64: a ^= fetch(); break;
    case 0x65: a ^= readDirect(fetch()); break;
    case 0x66: case 0x67: a ^= readIndirect(ri()); break;
    case 0x68: case 0x69: case 0x6A: case 0x6B: case 0x6C: case 0x6D: case 0x6E: case 0x6F: a ^= rn(); break;

    // Bits
    case 0x72: { const bool b = readBit(fetch()); if (b) psw |= CY; break; }         // ORL C,bit
    case 0xA0: { const bool b = readBit(fetch()); if (!b) psw |= CY; break; }        // ORL C,/bit
    case 0x82: { const bool b = readBit(fetch()); if (!b) psw &= ~CY; break; }       // ANL C,bit
    case 0xB0: { const bool b = readBit(fetch()); if (b) psw &= ~CY; break; }        // ANL C,/bit
    case 0xA2: setCarry(readBit(fetch())); break;                                    // MOV C,bit
    case 0x92: writeBit(fetch(), psw & CY); break;                                   // MOV bit,C
    case 0xB2: { const std::uint8_t bit = fetch(); writeBit(bit, !readBitLatch(bit)); break; } // CPL bit
    case 0xC2: writeBit(fetch(), false); break;                                      // CLR bit
    case 0xD2: writeBit(fetch(), true); break;                                       // SETB bit
    case 0xB3: psw ^= CY; break;                                                     // CPL C
    case 0xC3: psw &= ~CY; break;                                                    // CLR C
    case 0xD3: psw |= CY; break;                                                     // SETB C

    // Moves
    case 0x74: a = fetch(); break;
    case 0x75: { const std::uint8_t d = fetch(), v = fetch(); writeDirect(d, v); break; }
    case 0x76: case 0x77: writeIndirect(ri(), fetch()); break;
    case 0x78: case 0x79: case 0x7A: case 0x7B: case 0x7C: case 0x7D: case 0x7E: case 0x7F: rn() = fetch(); break;
    case 0x85: { const std::uint8_t s = fetch(), d = fetch(); writeDirect(d, readDirect(s)); break; } // source first
    case 0x86: case 0x87: { const std::uint8_t d = fetch(); writeDirect(d, readIndirect(ri())); break; }
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F: {
        const std::uint8_t d = fetch();
        writeDirect(d, rn());
        break;
    }
    case 0xA6: case 0xA7: { const std::uint8_t v = readDirect(fetch()); writeIndirect(ri(), v); break; }
    case 0xA8: case 0xA9: case 0xAA: case 0xAB: case 0xAC: case 0xAD: case 0xAE: case 0xAF: {
        const std::uint8_t v = readDirect(fetch());
        rn() = v;
        break;
    }
    case 0xE5: { const std::uint8_t v = readDirect(fetch()); a = v; break; }
    case 0xE6: case 0xE7: a = readIndirect(ri()); break;
    case 0xE8: case 0xE9: case 0xEA: case 0xEB: case 0xEC: case 0xED: case 0xEE: case 0xEF: a = rn(); break;
    case 0xF5: writeDirect(fetch(), a); break;
    case 0xF6: case 0xF7: writeIndirect(ri(), a); break;
    case 0xF8: case 0xF9: case 0xFA: case 0xFB: case 0xFC: case 0xFD: case 0xFE: case 0xFF: rn() = a; break;
    case 0x90: reg(DPH) = fetch(); reg(DPL) = fetch(); break; // MOV DPTR,#data16
    case 0x83: a = code_[std::uint16_t(pc_ + a)]; break;                               // MOVC A,@A+PC
    case 0x93: a = code_[std::uint16_t(a + (latch(DPH) << 8 | latch(DPL)))]; break;    // MOVC A,@A+DPTR
    case 0xE0: a = io_.xread(std::uint16_t(latch(DPH) << 8 | latch(DPL))); break;      // MOVX A,@DPTR
    case 0xE2: case 0xE3: a = io_.xread(std::uint16_t(latch(P2) << 8 | ri())); break;  // MOVX A,@Ri
    case 0xF0: io_.xwrite(std::uint16_t(latch(DPH) << 8 | latch(DPL)), a); break;      // MOVX @DPTR,A
    case 0xF2: case 0xF3: io_.xwrite(std::uint16_t(latch(P2) << 8 | ri()), a); break;  // MOVX @Ri,A
    case 0xC0: { // PUSH: SP is incremented first (PUSH SP stores the new value)
        const std::uint8_t d = fetch();
        const std::uint8_t sp = ++reg(SP);
        writeIndirect(sp, readDirect(d));
        break;
    }
    case 0xD0: { const std::uint8_t d = fetch(); writeDirect(d, pop()); break; }       // POP
    case 0xC5: { // XCH A,direct
        const std::uint8_t d = fetch();
        const std::uint8_t v = readDirect(d);
        writeDirect(d, a);
        a = v;
        break;
    }
    case 0xC6: case 0xC7: {
        const std::uint8_t r = ri();
        const std::uint8_t v = readIndirect(r);
        writeIndirect(r, a);
        a = v;
        break;
    }
    case 0xC8: case 0xC9: case 0xCA: case 0xCB: case 0xCC: case 0xCD: case 0xCE: case 0xCF: std::swap(a, rn()); break;
    case 0xD6: case 0xD7: { // XCHD A,@Ri
        const std::uint8_t r = ri();
        const std::uint8_t v = readIndirect(r);
        writeIndirect(r, std::uint8_t((v & 0xF0) | (a & 0x0F)));
        a = std::uint8_t((a & 0xF0) | (v & 0x0F));
        break;
    }
    default: break; // A5H is handled above
    }
}

void Core8051::step() {
    const std::uint8_t op = code_[pc_];
    if (op == kUndefined) [[unlikely]] {
        stop(pc_);
        return;
    }
    ++pc_;
    ++instructions_;
    // The data book's instruction acts in its last cycle: the counts of all its cycles come first.
    const unsigned cycles = kCycles[op];
    const unsigned first = referenceTiming_ ? kReferenceActsAfter[op] : cycles;
    elapse(first);
    execute(op);
    if (first != cycles)
        elapse(cycles - first);
    if (referenceTiming_) [[unlikely]] {
        if (kWritesA[op]) // s51 computes P when A is written,
            parityHeld_ = false;
        if (op == 0xD4 || op == 0x84 || (op >= 0x96 && op <= 0x9F)) // and selects the bank after DA, DIV,
            bank_ = latch(PSW) & 0x18;                                 // SUBB A,@Ri and SUBB A,Rn
    }
}

} // namespace sim
