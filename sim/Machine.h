#pragma once
// The virtual board at run time: the devices of the board's circuit, the nets the board's hard wiring and
// the experiment's wiring make, the bus that maps the CPU's addresses to chips, the wake-up queue, and
// the clock. Time is the CPU's clock count; the caller decides how much of it to run (a test runs ten
// simulated seconds at once, the screen runs what the wall clock allows). The machine never calls out:
// what it shows is read with snapshot(), what happened with takeEvents().
#include "sim/Circuit.h"
#include "sim/Cpu.h"
#include "sim/Device.h"
#include "sim/Nets.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <queue>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct WiringLink {
    std::string from, to; // terminal names as the wiring text writes them
};

class Machine : public DeviceHost {
public:
    // Builds the board for an experiment type (1 = 51) with the given wiring; throws std::runtime_error
    // with a Chinese message when the circuit has no CPU for the type. Wiring the circuit does not cover
    // is reported as events and left out.
    Machine(const Circuit& circuit, int cpuType, const std::vector<WiringLink>& wiring, double crystalHz = 0);
    ~Machine() override;

    void load(const std::vector<std::uint8_t>& image);
    void reset();                      // the reset key: the CPU and every device to power-on, time goes on
    void runFor(Time span);            // runs the board for this much simulated time
    void runUntil(Time until);
    Time now() const { return now_; }

    // What the instruments show over the frame since the last snapshot.
    Snapshot snapshot();
    std::vector<Event> takeEvents();
    // A user's setting (a switch, a key, the potentiometer …) now: the first device that knows the name.
    bool set(const std::string& setting, double value);

    Cpu& cpu() { return *cpu_; }
    Device* device(const std::string& name) const;
    const std::vector<std::unique_ptr<Device>>& devices() const { return devices_; }
    // The level a terminal's (first) pin reads now; false when the circuit has no such terminal.
    bool terminalLevel(const std::string& terminal, NetLevel* level) const;

    // Every bus cycle and port change, for `labtool run --trace`.
    using Tracer = std::function<void(Time, const std::string&)>;
    void setTracer(Tracer tracer) { tracer_ = std::move(tracer); }

    // DeviceHost
    void drive(Device& device, int pin, const Drive& drive, Time t) override;
    NetLevel level(const Device& device, int pin) const override;
    void sendFrame(Device& device, int pin, const Frame& frame, Time t) override;
    void connect(Device& device, int pinA, int pinB, bool closed, Time t) override;
    void wakeAt(Device& device, int tag, Time t) override;
    void cancelWake(Device& device, int tag) override;
    void report(const Event& event) override;
    std::uint8_t busRead(std::uint32_t address, Time t) override;
    void busWrite(std::uint32_t address, std::uint8_t value, Time t) override;
    std::string terminalOf(const Device& device, int pin) const override;

private:
    int node(const Device& device, int pin) const;
    int deviceIndex(const Device& device) const;
    void joinWiring(const Circuit& circuit, const std::vector<WiringLink>& wiring);
    void mapBus();
    void notify(Time t);
    void settle(Time t);
    void runWakes(Time upTo);
    void reportConflict(int net, Time t);

    std::vector<std::unique_ptr<Device>> devices_;
    std::map<const Device*, int> indexOf_;
    std::vector<int> firstNode_;   // device index -> its first pin's node
    std::vector<std::pair<int, int>> nodeOwner_; // node -> (device index, pin)
    std::unique_ptr<Nets> nets_;
    std::vector<NetLevel> seen_;   // node -> the level its pin last read (to tell devices only of changes)
    std::vector<char> seenValid_;
    std::vector<int> dirtyNets_;
    std::vector<char> netDirty_;
    bool notifying_ = false;
    std::map<int, std::string> terminalOfNode_;
    Cpu* cpu_ = nullptr;
    Device* cpuDevice_ = nullptr;

    // Bus: address -> the chips selected there (index into selections_), 0 for none.
    struct Selection { Device* device; std::uint32_t base; };
    std::vector<std::vector<Selection>> selections_;
    std::vector<std::uint16_t> busMap_;
    std::set<std::uint32_t> reportedEmpty_;

    struct Wake {
        Time time;
        std::uint64_t order;
        int device;
        int tag;
        std::uint64_t generation;
        bool operator>(const Wake& o) const { return time != o.time ? time > o.time : order > o.order; }
    };
    std::priority_queue<Wake, std::vector<Wake>, std::greater<Wake>> wakes_;
    std::map<std::pair<int, int>, std::uint64_t> wakeGeneration_;
    std::uint64_t wakeOrder_ = 0;

    std::vector<Event> events_;
    std::set<std::pair<int, int>> reportedConflicts_;
    Time now_ = 0;
    Time lastSnapshot_ = 0;
    Tracer tracer_;
};

} // namespace sim
