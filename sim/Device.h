#pragma once
// A chip or board part in the virtual run. A device has named pins (the circuit file joins them to
// terminals and to each other), may answer bus reads and writes at the addresses its chip select is
// decoded to, and is told the time with everything it receives. It never sees the CPU, the screen or
// the wall clock: it drives its pins, asks to be woken at a later time, and reports events.
#include "sim/Event.h"
#include "sim/Signal.h"
#include "sim/Snapshot.h"
#include "sim/Time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class PinDir : std::uint8_t { In, Out, InOut, Power };

struct PinSpec {
    std::string name;       // as the chip's data sheet names it: "PA0", "P1.0", "CS", "OUT0"
    PinDir dir = PinDir::In;
    bool floatsHigh = false; // what the pin reads when nothing drives its net (a pull-up on the board)
    bool select = false;     // a chip select: the bus maps the addresses of the decoder output it is wired to
};

class Device;

// The machine a device lives in.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;
    virtual void drive(Device& device, int pin, const Drive& drive, Time t) = 0;
    virtual NetLevel level(const Device& device, int pin) const = 0;
    virtual void sendFrame(Device& device, int pin, const Frame& frame, Time t) = 0;
    // Joins or parts the nets of two pins of the device (a relay's contacts).
    virtual void connect(Device& device, int pinA, int pinB, bool closed, Time t) = 0;
    // Wakes the device at time t with the tag; a later call with the same tag replaces an earlier one.
    virtual void wakeAt(Device& device, int tag, Time t) = 0;
    virtual void cancelWake(Device& device, int tag) = 0;
    virtual void report(const Event& event) = 0;
    // CPU bus cycles, for a CPU device: the chips decoded at the address answer.
    virtual std::uint8_t busRead(std::uint32_t address, Time t) = 0;
    virtual void busWrite(std::uint32_t address, std::uint8_t value, Time t) = 0;
    // Terminal names of a device's pin, for events ("P10"), or the pin's own name when no terminal has it.
    virtual std::string terminalOf(const Device& device, int pin) const = 0;
};

class Device {
public:
    Device(std::string name, std::vector<PinSpec> pins);
    virtual ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::string& name() const { return name_; }
    const std::vector<PinSpec>& pins() const { return pins_; }
    int pin(std::string_view pinName) const; // -1 when the device has no such pin

    void attach(DeviceHost* host) { host_ = host; }

    // The power-on state at time t (a run starts here, and the reset key returns here).
    virtual void reset(Time t) { (void)t; }
    // The level, voltage or rate at one of the device's pins changed.
    virtual void input(int pin, Time t) { (void)pin, (void)t; }
    // A serial character arrived at one of the device's pins.
    virtual void receive(int pin, const Frame& frame, Time t) { (void)pin, (void)frame, (void)t; }
    // A time asked for with wakeAt has come.
    virtual void wake(int tag, Time t) { (void)tag, (void)t; }
    // Bus cycles at an offset from the base of the decoder output the chip select is wired to.
    virtual std::uint8_t read(std::uint32_t offset, Time t) { (void)offset, (void)t; return 0xFF; }
    virtual void write(std::uint32_t offset, std::uint8_t value, Time t) { (void)offset, (void)value, (void)t; }
    // Adds what the device shows over the frame [t - frame, t] to the snapshot, and starts the next frame.
    virtual void show(Snapshot& snapshot, Time t, Time frame) { (void)snapshot, (void)t, (void)frame; }
    // Settings a user makes on the board while it runs (the DS18B20's temperature, the potentiometer,
    // a switch, a key): name and value, false when the device has no such setting.
    virtual bool set(std::string_view setting, double value, Time t) { (void)setting, (void)value, (void)t; return false; }

protected:
    void drive(int pin, const Drive& d, Time t) { host_->drive(*this, pin, d, t); }
    NetLevel level(int pin) const { return host_->level(*this, pin); }
    bool high(int pin) const { return level(pin).high; }
    void send(int pin, const Frame& f, Time t) { host_->sendFrame(*this, pin, f, t); }
    void wakeAt(int tag, Time t) { host_->wakeAt(*this, tag, t); }
    void cancelWake(int tag) { host_->cancelWake(*this, tag); }
    void report(Time t, std::string text) { host_->report(Event{t, std::move(text)}); }
    DeviceHost& host() const { return *host_; }

private:
    std::string name_;
    std::vector<PinSpec> pins_;
    DeviceHost* host_ = nullptr;
};

} // namespace sim
