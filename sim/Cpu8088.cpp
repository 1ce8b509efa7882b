#include "sim/Cpu8088.h"

#include "sim/Timing8088.h"

#include <x86emu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

enum Pin { INTR, INTA, NMI };

// Where the board's monitor leaves the stack when it starts a program: below the programs at 0000:2000H,
// above the interrupt vectors.
constexpr std::uint16_t kStackSegment = 0x0000;
constexpr std::uint16_t kStackPointer = 0x2000;
constexpr std::uint32_t kAddressMask = 0xFFFFF; // twenty address lines: FFFF:0010H wraps to 0

constexpr std::uint16_t kIF = 0x0200, kTF = 0x0100;

Cpu8088& self(x86emu_t* emu) { return *static_cast<Cpu8088*>(emu->_private); }

unsigned onMemory(x86emu_t* emu, u32 address, u32* value, unsigned type) { return self(emu).memoryIo(address, value, type); }
int onCode(x86emu_t* emu) { return self(emu).beforeInstruction(); }
int onInterrupt(x86emu_t* emu, u8 number, unsigned type) { return self(emu).interrupt(number, type); }

std::string hex(unsigned v, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*XH", digits, v);
    return text;
}

// What the chip's interrupt types mean, for the message when a program has no handler for one.
std::string interruptName(std::uint8_t number) {
    switch (number) {
    case 0: return "除法出错（除数为零或商超出范围）";
    case 1: return "单步中断";
    case 2: return "NMI 非屏蔽中断";
    case 3: return "断点中断 INT 3";
    case 4: return "溢出中断 INTO";
    case 0x21: return "INT 21H 是 DOS 的功能调用，实验箱上没有 DOS"; // how PC-taught programs end
    default: return "中断 " + hex(number, 2);
    }
}

} // namespace

Cpu8088::Cpu8088(const std::string& name, double clockHz, std::uint32_t ramSize)
    : Device(name, {{"INTR", PinDir::In}, {"INTA", PinDir::InOut}, {"NMI", PinDir::In}}),
      ram_(ramSize, 0),
      boardClock_(clockHz),
      clock_(std::uint64_t(std::llround(clockHz))) {
    emu_ = x86emu_new(X86EMU_PERM_RWX, X86EMU_PERM_RW);
    emu_->_private = this;
    x86emu_set_memio_handler(emu_, onMemory);
    x86emu_set_code_handler(emu_, onCode);
    x86emu_set_intr_handler(emu_, onInterrupt);
}

Cpu8088::~Cpu8088() { x86emu_done(emu_); }

void Cpu8088::setCrystal(double hz) {
    if (hz > 0)
        clock_ = std::uint64_t(std::llround(hz));
}

void Cpu8088::load(const std::vector<std::uint8_t>& image) { image_ = image; }

void Cpu8088::setEntry(std::uint16_t segment, std::uint16_t offset) {
    entrySegment_ = segment;
    entryOffset_ = offset;
}

// The reset key: the program is in RAM again as it was loaded (the monitor downloads it) and starts at its
// entry; RAM outside it is cleared, so that a run gives the same answer each time.
void Cpu8088::reset(Time t) {
    std::fill(ram_.begin(), ram_.end(), 0);
    std::copy_n(image_.begin(), std::min(image_.size(), ram_.size()), ram_.begin());
    x86emu_reset(emu_);
    x86emu_set_seg_register(emu_, emu_->x86.R_CS_SEL, entrySegment_);
    x86emu_set_seg_register(emu_, emu_->x86.R_DS_SEL, entrySegment_);
    x86emu_set_seg_register(emu_, emu_->x86.R_ES_SEL, entrySegment_);
    x86emu_set_seg_register(emu_, emu_->x86.R_SS_SEL, kStackSegment);
    emu_->x86.R_EIP = entryOffset_;
    emu_->x86.R_ESP = kStackPointer;
    emu_->x86.R_EFLG = 0x0002;
    emu_->x86.mode = 0;
    epoch_ = t;
    epochCycles_ = cycles_;
    target_ = cycles_;
    stopped_ = waiting_ = nmiPending_ = false;
    repeatPer_ = 0;
    reason_.clear();
    drive(INTA, Drive::high(), t);
}

void Cpu8088::input(int pin, Time) {
    if (pin == INTR) {
        intr_ = high(INTR);
    } else if (pin == NMI) {
        const bool h = high(NMI);
        if (h && !nmiLevel_)
            nmiPending_ = true; // NMI is taken on its rising edge
        nmiLevel_ = h;
    }
}

void Cpu8088::receive(int pin, const Frame& frame, Time) {
    if (pin == INTA)
        vector_ = frame.data & 0xFF;
}

Time Cpu8088::cpuTime() const { return epoch_ + clockTime(cycles_ - epochCycles_, clock_); }

std::uint64_t Cpu8088::cyclesAt(Time t) const {
    if (t <= epoch_)
        return epochCycles_;
    const unsigned __int128 clocks = ((unsigned __int128)(t - epoch_) * clock_ + kSecond - 1) / kSecond;
    return epochCycles_ + std::uint64_t(clocks);
}

void Cpu8088::shortenTo(Time until) { target_ = std::min(target_, cyclesAt(until)); }

std::uint32_t Cpu8088::programCounter() const { return (emu_->x86.R_CS_BASE + emu_->x86.R_IP) & kAddressMask; }

std::string Cpu8088::where(int back) const {
    char text[32];
    std::snprintf(text, sizeof text, "地址 %04X:%04XH", unsigned(emu_->x86.R_CS), unsigned(emu_->x86.R_IP - back) & 0xFFFF);
    return text;
}

void Cpu8088::stop(const std::string& reason) {
    stopped_ = true;
    reason_ = reason;
    report(cpuTime(), "8088 停止：" + reason);
    x86emu_stop(emu_);
}

void Cpu8088::runTo(Time until) {
    target_ = cyclesAt(until);
    while (!stopped_ && cycles_ < target_) {
        const std::uint16_t flags = std::uint16_t(emu_->x86.R_EFLG);
        if (nmiPending_) {
            nmiPending_ = false;
            waiting_ = false;
            enter(2, emu_->x86.R_IP, kInterruptClocks8088, "");
            continue;
        }
        if (intr_ && (flags & kIF)) {
            waiting_ = false;
            acknowledge();
            continue;
        }
        if (waiting_) { // HLT: the clock runs on until an interrupt
            cycles_ = target_;
            break;
        }
        x86emu_run(emu_, 0);
        settleRepeat();
        if (emu_->x86.mode & _MODE_HALTED) {
            emu_->x86.mode &= ~_MODE_HALTED;
            if (emu_->x86.R_EFLG & kIF)
                waiting_ = true;
            else if (!stopped_)
                stop("HLT 时中断已关闭（IF=0），8088 停机，只有复位或 NMI 能使它继续，" + where(1));
        }
    }
}

// Called before each instruction: counts its clocks, or stops the run for the loop above to take an
// interrupt or to end the slice.
int Cpu8088::beforeInstruction() {
    settleRepeat();
    if (stopped_ || cycles_ >= target_ || nmiPending_ || (intr_ && (emu_->x86.R_EFLG & kIF)))
        return 1;
    const std::uint32_t at = programCounter();
    std::uint8_t code[8];
    for (int i = 0; i < 8; ++i)
        code[i] = memory((at + std::uint32_t(i)) & kAddressMask);
    const Timing8088Result t = clocks8088(code, {std::uint16_t(emu_->x86.R_EFLG), emu_->x86.R_CX});
    cycles_ += t.clocks;
    if (t.perRepeat) {
        repeatPer_ = t.perRepeat;
        repeatCx_ = emu_->x86.R_CX;
    }
    ++instructions_;
    return 0;
}

void Cpu8088::settleRepeat() {
    if (!repeatPer_)
        return;
    cycles_ += std::uint64_t(repeatPer_) * std::uint16_t(repeatCx_ - emu_->x86.R_CX);
    repeatPer_ = 0;
}

// Interrupts libx86emu raises itself: INT n, INTO, the divide error, and opcodes it cannot execute.
int Cpu8088::interrupt(std::uint8_t number, unsigned type) {
    if (number == 0) {
        // The divide error, which libx86emu raises as a restartable fault: the 8088 pushes the address after
        // the DIV (a later chip's restart would repeat it for ever). INT 0's own clocks are in the table.
        const int length = int(std::uint16_t(emu_->x86.R_IP - emu_->x86.saved_eip));
        enter(0, emu_->x86.R_IP, (type & INTR_MODE_RESTART) ? kSoftInterruptClocks8088 : 0, "", length);
        return 1;
    }
    if ((type & 0xFF) == INTR_TYPE_FAULT) {
        // Undefined opcodes do something undocumented on the 8088; the run stops here rather than guess.
        const std::uint32_t at = (std::uint32_t(emu_->x86.saved_cs) * 16 + emu_->x86.saved_eip) & kAddressMask;
        stop("无法执行的指令 " + hex(memory(at), 2) + " " + hex(memory((at + 1) & kAddressMask), 2) + "，地址 " +
             hex(emu_->x86.saved_cs, 4) + ":" + hex(emu_->x86.saved_eip & 0xFFFF, 4) +
             "（程序跑进了数据或没有程序的地方？）");
        return 1;
    }
    // INT n: a vector never set leads nowhere on the board; the monitor would take the program back.
    if (readWord(number * 4u) == 0 && readWord(number * 4u + 2) == 0) {
        stop(interruptName(number) + "：中断向量 " + hex(number, 2) + " 未设置（0000:" + hex(number * 4u, 4) +
             " 处为 0），程序停止，" + where(int(std::uint16_t(emu_->x86.R_IP - emu_->x86.saved_eip))));
        return 1;
    }
    return 0;
}

void Cpu8088::enter(std::uint8_t vector, std::uint16_t returnIp, unsigned clocks, const std::string& cause, int back) {
    const std::uint16_t ip = readWord(vector * 4u), cs = readWord(vector * 4u + 2);
    if (ip == 0 && cs == 0) {
        stop((cause.empty() ? interruptName(vector) : cause) + "：中断向量 " + hex(vector, 2) + " 未设置（0000:" +
             hex(vector * 4u, 4) + " 处为 0），程序停止，" + where(back));
        return;
    }
    const std::uint16_t flags = std::uint16_t((emu_->x86.R_EFLG & 0x0FD5) | 0xF002); // the 8088's FLAGS image
    push(flags);
    push(emu_->x86.R_CS);
    push(returnIp);
    emu_->x86.R_EFLG &= ~std::uint32_t(kIF | kTF);
    x86emu_set_seg_register(emu_, emu_->x86.R_CS_SEL, cs);
    emu_->x86.R_EIP = ip;
    cycles_ += clocks;
}

// Two INTA cycles; the 8259 answers the second with the vector on the INTA net.
void Cpu8088::acknowledge() {
    const Time t = cpuTime();
    vector_ = -1;
    drive(INTA, Drive::low(), t);
    drive(INTA, Drive::high(), t);
    drive(INTA, Drive::low(), t);
    drive(INTA, Drive::high(), t);
    if (vector_ < 0) {
        if (!reportedInta_)
            report(t, "8088 响应中断时没有芯片送出中断类型号（INTA 没有接到 8259？），读到 FFH");
        reportedInta_ = true;
    }
    const std::uint8_t vector = std::uint8_t(vector_ < 0 ? 0xFF : vector_);
    enter(vector, emu_->x86.R_IP, kInterruptClocks8088, "外部中断 INTR（类型 " + hex(vector, 2) + "）");
}

void Cpu8088::push(std::uint16_t value) {
    emu_->x86.R_SP = std::uint16_t(emu_->x86.R_SP - 2);
    const std::uint32_t at = emu_->x86.R_SS_BASE + emu_->x86.R_SP;
    writeByte(at, std::uint8_t(value));
    writeByte(at + 1, std::uint8_t(value >> 8));
}

std::uint8_t Cpu8088::readByte(std::uint32_t linear) {
    linear &= kAddressMask;
    if (linear < ram_.size())
        return ram_[linear];
    if (reportedMemory_.insert(linear >> 12).second)
        report(cpuTime(), "8088 读存储器地址 " + hex(linear, 5) + " 时没有存储器应答，读到 FFH（板上 RAM 为 00000H–" +
                              hex(std::uint32_t(ram_.size() - 1), 5) + "）");
    return 0xFF;
}

void Cpu8088::writeByte(std::uint32_t linear, std::uint8_t value) {
    linear &= kAddressMask;
    if (linear < ram_.size())
        ram_[linear] = value;
    else if (reportedMemory_.insert(linear >> 12).second)
        report(cpuTime(), "8088 写存储器地址 " + hex(linear, 5) + " 时没有存储器应答（板上 RAM 为 00000H–" +
                              hex(std::uint32_t(ram_.size() - 1), 5) + "）");
}

unsigned Cpu8088::memoryIo(std::uint32_t address, std::uint32_t* value, unsigned type) {
    const unsigned size = type & 0xFF;
    const int bytes = size == X86EMU_MEMIO_16 ? 2 : size == X86EMU_MEMIO_32 ? 4 : 1;
    switch (type & ~0xFFu) {
    case X86EMU_MEMIO_R:
    case X86EMU_MEMIO_X: {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint32_t(readByte(address + std::uint32_t(i))) << (8 * i);
        *value = v;
        break;
    }
    case X86EMU_MEMIO_W:
        for (int i = 0; i < bytes; ++i)
            writeByte(address + std::uint32_t(i), std::uint8_t(*value >> (8 * i)));
        break;
    case X86EMU_MEMIO_I: { // a word port is two bus cycles on the 8088's 8-bit bus
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint32_t(host().busRead((address + std::uint32_t(i)) & 0xFFFF, cpuTime())) << (8 * i);
        *value = v;
        break;
    }
    case X86EMU_MEMIO_O:
        for (int i = 0; i < bytes; ++i)
            host().busWrite((address + std::uint32_t(i)) & 0xFFFF, std::uint8_t(*value >> (8 * i)), cpuTime());
        break;
    default: break;
    }
    return 0;
}

std::vector<RegisterValue> Cpu8088::registers() const {
    const auto& x = emu_->x86;
    std::vector<RegisterValue> r{
        {"AX", hex(x.R_AX, 4)}, {"BX", hex(x.R_BX, 4)}, {"CX", hex(x.R_CX, 4)}, {"DX", hex(x.R_DX, 4)},
        {"SI", hex(x.R_SI, 4)}, {"DI", hex(x.R_DI, 4)}, {"BP", hex(x.R_BP, 4)}, {"SP", hex(x.R_SP, 4)},
        {"CS", hex(x.R_CS, 4)}, {"DS", hex(x.R_DS, 4)}, {"SS", hex(x.R_SS, 4)}, {"ES", hex(x.R_ES, 4)},
        {"IP", hex(x.R_IP, 4)},
    };
    const std::uint16_t flags = std::uint16_t((x.R_EFLG & 0x0FD5) | 0xF002);
    static const std::pair<std::uint16_t, const char*> names[] = {{0x800, "OF"}, {0x400, "DF"}, {0x200, "IF"},
                                                                  {0x100, "TF"}, {0x080, "SF"}, {0x040, "ZF"},
                                                                  {0x010, "AF"}, {0x004, "PF"}, {0x001, "CF"}};
    std::string set;
    for (const auto& [bit, name] : names)
        if (flags & bit)
            set += std::string(set.empty() ? "" : " ") + name;
    r.push_back({"FLAGS", hex(flags, 4) + (set.empty() ? "" : "  " + set)});
    char text[32];
    std::snprintf(text, sizeof text, "%.6f s", toSeconds(cpuTime()));
    r.push_back({"时间", text});
    return r;
}

} // namespace sim
