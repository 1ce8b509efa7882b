#include "sim/devices/Pic8259.h"

namespace sim {

namespace {
enum Pin { CS, INT, INTA, IR0 };

std::vector<PinSpec> picPins() {
    std::vector<PinSpec> pins{{"CS", PinDir::In, false, true}, {"INT", PinDir::Out}, {"INTA", PinDir::InOut, true}};
    for (int i = 0; i < 8; ++i)
        pins.push_back({"IR" + std::to_string(i), PinDir::In});
    return pins;
}
} // namespace

Pic8259::Pic8259(std::string name) : Device(std::move(name), picPins()) {}

void Pic8259::reset(Time t) {
    irr_ = isr_ = imr_ = 0;
    lowest_ = 7;
    step_ = 0;
    initialised_ = false;
    single_ = true;
    needIcw4_ = level_ = autoEoi_ = rotateAeoi_ = specialMask_ = readIsr_ = poll_ = false;
    intaPulses_ = 0;
    selected_ = -1;
    levels_ = 0;
    for (int i = 0; i < 8; ++i)
        if (high(IR0 + i))
            levels_ |= std::uint8_t(1 << i);
    intaLow_ = !high(INTA);
    drive(INT, Drive::low(), t);
}

int Pic8259::highestRequest() const {
    const std::uint8_t pending = std::uint8_t(irr_ & ~imr_);
    int best = -1;
    for (int ir = 0; ir < 8; ++ir)
        if ((pending >> ir & 1) && (best < 0 || priority(ir) < priority(best)))
            best = ir;
    if (best < 0)
        return -1;
    if (specialMask_) // the data sheet: every unmasked level not in service may interrupt
        return (isr_ >> best & 1) ? -1 : best;
    const int inService = highestInService();
    return inService < 0 || priority(best) < priority(inService) ? best : -1;
}

int Pic8259::highestInService() const {
    int best = -1;
    for (int ir = 0; ir < 8; ++ir)
        if ((isr_ >> ir & 1) && (best < 0 || priority(ir) < priority(best)))
            best = ir;
    return best;
}

void Pic8259::update(Time t) { drive(INT, Drive::level(initialised_ && highestRequest() >= 0), t); }

void Pic8259::input(int pin, Time t) {
    if (pin == INTA) {
        const bool low = !high(INTA);
        if (low && !intaLow_)
            acknowledge(t);
        intaLow_ = low;
        return;
    }
    if (pin < IR0)
        return;
    const int ir = pin - IR0;
    const std::uint8_t bit = std::uint8_t(1 << ir);
    const bool h = high(pin);
    const bool rising = h && !(levels_ & bit);
    levels_ = std::uint8_t(h ? levels_ | bit : levels_ & ~bit);
    // Edge mode latches a rising edge; either mode drops the request when the line falls before INTA.
    if (h && (level_ || rising))
        irr_ |= bit;
    else if (!h)
        irr_ &= std::uint8_t(~bit);
    update(t);
}

// The first INTA pulse freezes the highest request into the ISR; the second puts the vector on the bus.
void Pic8259::acknowledge(Time t) {
    if (!initialised_)
        return;
    if (++intaPulses_ == 1) {
        selected_ = highestRequest();
        if (selected_ >= 0) {
            isr_ |= std::uint8_t(1 << selected_);
            if (!level_)
                irr_ &= std::uint8_t(~(1 << selected_));
        }
        update(t);
        return;
    }
    intaPulses_ = 0;
    const int ir = selected_ < 0 ? 7 : selected_; // no request left: the data sheet's default IR7
    send(INTA, Frame{vector(ir), 8, 0}, t);
    if (autoEoi_ && selected_ >= 0)
        endOfInterrupt(selected_, rotateAeoi_);
    update(t);
}

void Pic8259::endOfInterrupt(int ir, bool rotate) {
    if (ir < 0)
        return;
    isr_ &= std::uint8_t(~(1 << ir));
    if (rotate)
        lowest_ = ir;
    // Level mode: a line still high asks again.
    if (level_ && (levels_ >> ir & 1))
        irr_ |= std::uint8_t(1 << ir);
}

std::uint8_t Pic8259::read(std::uint32_t offset, Time t) {
    if (offset & 1)
        return imr_;
    if (poll_) {
        poll_ = false;
        const int ir = highestRequest();
        if (ir < 0)
            return 0;
        isr_ |= std::uint8_t(1 << ir);
        if (!level_)
            irr_ &= std::uint8_t(~(1 << ir));
        update(t);
        return std::uint8_t(0x80 | ir);
    }
    return readIsr_ ? isr_ : irr_;
}

void Pic8259::write(std::uint32_t offset, std::uint8_t v, Time t) {
    if (!(offset & 1) && (v & 0x10)) { // ICW1
        needIcw4_ = v & 0x01;
        single_ = v & 0x02;
        level_ = v & 0x08;
        irr_ = level_ ? levels_ : 0; // the edge-sense latches are cleared
        isr_ = imr_ = 0;
        lowest_ = 7;
        specialMask_ = readIsr_ = poll_ = false;
        autoEoi_ = rotateAeoi_ = false;
        step_ = 2;
        initialised_ = false;
        intaPulses_ = 0;
        update(t);
        return;
    }
    if (offset & 1) {
        switch (step_) {
        case 2:
            icw2_ = v;
            step_ = !single_ ? 3 : needIcw4_ ? 4 : 0;
            break;
        case 3: step_ = needIcw4_ ? 4 : 0; break; // ICW3: cascading is not modelled
        case 4:
            autoEoi_ = v & 0x02;
            if (!(v & 0x01))
                report(t, name() + "：ICW4 选择了 8080/8085 方式，8088 需要 ICW4 的 D0=1（8086/8088 方式）");
            step_ = 0;
            break;
        default: imr_ = v; break; // OCW1
        }
        if (step_ == 0)
            initialised_ = true;
        update(t);
        return;
    }
    if (step_ != 0) {
        report(t, name() + "：初始化命令字 ICW 尚未写完，就写了偶地址的操作命令字");
        return;
    }
    if (v & 0x08) { // OCW3
        if (v & 0x40)
            specialMask_ = v & 0x20;
        poll_ = v & 0x04;
        if (v & 0x02)
            readIsr_ = v & 0x01;
        update(t);
        return;
    }
    // OCW2: R, SL, EOI in D7-D5, the level in D2-D0.
    const int level = v & 7;
    switch (v >> 5) {
    case 1: endOfInterrupt(highestInService(), false); break; // non-specific EOI
    case 3: endOfInterrupt(level, false); break;              // specific EOI
    case 5: endOfInterrupt(highestInService(), true); break;  // rotate on non-specific EOI
    case 4: rotateAeoi_ = true; break;
    case 0: rotateAeoi_ = false; break;
    case 7: endOfInterrupt(level, true); break;               // rotate on specific EOI
    case 6: lowest_ = level; break;                           // set priority
    default: break;
    }
    update(t);
}

} // namespace sim
