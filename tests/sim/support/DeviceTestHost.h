#pragma once
// A host for testing one device alone: the test sets the levels at its input pins, sees what it
// drives and the frames it sends, and advances time so that the wakes it asked for happen in order.
// Pins are not joined into nets here; a pin reads what the test set, else its own drive, else its pull.
#include "sim/Device.h"

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace simtest {

class DeviceTestHost : public sim::DeviceHost {
public:
    explicit DeviceTestHost(sim::Device& device) : device_(device) { device_.attach(this); }

    // The test's side.
    void setLevel(const std::string& pin, bool high, sim::Time t) { setInput(pin, {high, high ? 5.0 : 0.0, 0, true}, t); }
    void setVolts(const std::string& pin, double v, sim::Time t) { setInput(pin, {v >= 2.5, v, 0, true}, t); }
    void setClock(const std::string& pin, double hz, sim::Time t) { setInput(pin, {true, 5.0, hz, true}, t); }
    void release(const std::string& pin, sim::Time t) {
        inputs_.erase(index(pin));
        device_.input(index(pin), t);
    }
    void setInput(const std::string& pin, sim::NetLevel l, sim::Time t) {
        advanceTo(t);
        inputs_[index(pin)] = l;
        device_.input(index(pin), t);
    }
    // Runs the wakes due up to t, in time order; later reads and writes happen at t.
    void advanceTo(sim::Time t) {
        for (;;) {
            auto next = wakes_.end();
            for (auto it = wakes_.begin(); it != wakes_.end(); ++it)
                if (it->second <= t && (next == wakes_.end() || it->second < next->second))
                    next = it;
            if (next == wakes_.end())
                break;
            const int tag = next->first;
            const sim::Time when = next->second;
            wakes_.erase(next);
            now_ = when;
            device_.wake(tag, when);
        }
        now_ = t;
    }
    sim::Drive driven(const std::string& pin) const {
        const auto it = drives_.find(index(pin));
        return it == drives_.end() ? sim::Drive{} : it->second;
    }
    bool drivenHigh(const std::string& pin) const {
        const sim::Drive d = driven(pin);
        return d.strength == sim::Strength::High || d.strength == sim::Strength::PullUp ||
               (d.strength == sim::Strength::Analog && d.volts >= 2.5);
    }
    // Every change of a pin's drive, in order, as (time, drive).
    const std::vector<std::pair<sim::Time, sim::Drive>>& history(const std::string& pin) { return history_[index(pin)]; }
    std::vector<std::pair<sim::Time, sim::Frame>> sent;
    std::vector<sim::Event> events;
    std::map<std::pair<int, int>, bool> switches; // pins joined by connect()
    sim::Time now() const { return now_; }

    // The device's side.
    void drive(sim::Device&, int pin, const sim::Drive& d, sim::Time t) override {
        if (drives_[pin] == d && !history_[pin].empty())
            return;
        drives_[pin] = d;
        history_[pin].emplace_back(t, d);
    }
    sim::NetLevel level(const sim::Device& dev, int pin) const override {
        if (const auto it = inputs_.find(pin); it != inputs_.end())
            return it->second;
        if (const auto it = drives_.find(pin); it != drives_.end() && it->second.strength != sim::Strength::Off) {
            const sim::Drive& d = it->second;
            if (d.strength == sim::Strength::Analog)
                return {d.volts >= 2.5, d.volts, 0, true};
            const bool h = d.strength != sim::Strength::Low;
            return {h, h ? 5.0 : 0.0, d.hz, true};
        }
        const bool pulled = dev.pins()[size_t(pin)].floatsHigh;
        return {pulled, pulled ? 5.0 : 0.0, 0, false};
    }
    void sendFrame(sim::Device&, int, const sim::Frame& f, sim::Time t) override { sent.emplace_back(t, f); }
    void connect(sim::Device&, int a, int b, bool closed, sim::Time) override { switches[{a, b}] = closed; }
    void wakeAt(sim::Device&, int tag, sim::Time t) override { wakes_[tag] = t; }
    void cancelWake(sim::Device&, int tag) override { wakes_.erase(tag); }
    void report(const sim::Event& e) override { events.push_back(e); }
    std::uint8_t busRead(std::uint32_t, sim::Time) override { return 0xFF; }
    void busWrite(std::uint32_t, std::uint8_t, sim::Time) override {}
    std::string terminalOf(const sim::Device& dev, int pin) const override { return dev.pins()[size_t(pin)].name; }

    int index(const std::string& pin) const {
        const int i = device_.pin(pin);
        if (i < 0)
            throw std::invalid_argument("no pin " + pin);
        return i;
    }

private:
    sim::Device& device_;
    sim::Time now_ = 0;
    std::map<int, sim::NetLevel> inputs_;
    std::map<int, sim::Drive> drives_;
    std::map<int, std::vector<std::pair<sim::Time, sim::Drive>>> history_;
    std::map<int, sim::Time> wakes_;
};

} // namespace simtest
