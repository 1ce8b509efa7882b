#include "sim/Machine.h"

#include "sim/DeviceTypes.h"
#include "sim/devices/Decoder.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace sim {

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::string hex4(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%04XH", v & 0xFFFF);
    return text;
}

bool sameLevel(const NetLevel& a, const NetLevel& b) {
    return a.high == b.high && a.volts == b.volts && a.hz == b.hz;
}

constexpr std::size_t kMaxEvents = 10000;
constexpr int kMaxNotifications = 200000; // a net that keeps changing within one moment oscillates

} // namespace

Machine::Machine(const Circuit& circuit, int cpuType, const std::vector<WiringLink>& wiring, double crystalHz) {
    const DeviceTypeTable& types = deviceTypes();
    int nodes = 0;
    for (const CircuitDevice& d : circuit.devices) {
        const auto maker = types.find(d.type);
        if (maker == types.end())
            throw std::runtime_error("电路中有未知的器件类型 " + d.type);
        std::unique_ptr<Device> device = maker->second(d.name, d.params);
        device->attach(this);
        indexOf_[device.get()] = int(devices_.size());
        firstNode_.push_back(nodes);
        for (int p = 0; p < int(device->pins().size()); ++p)
            nodeOwner_.emplace_back(int(devices_.size()), p);
        nodes += int(device->pins().size());
        devices_.push_back(std::move(device));
    }
    nets_ = std::make_unique<Nets>(nodes);
    const auto nodeOf = [&](const PinRef& ref) {
        const Device* dev = device(ref.device);
        const int pin = dev ? dev->pin(ref.pin) : -1;
        return pin < 0 ? -1 : node(*dev, pin);
    };
    for (const auto& wire : circuit.wires) {
        int first = -1;
        for (const PinRef& ref : wire) {
            const int n = nodeOf(ref);
            if (n < 0)
                continue;
            if (first < 0)
                first = n;
            else
                nets_->join(first, n);
        }
    }
    for (const auto& [name, refs] : circuit.terminals)
        for (const PinRef& ref : refs)
            if (const int n = nodeOf(ref); n >= 0 && !terminalOfNode_.count(n))
                terminalOfNode_[n] = name;
    // The links the board's texts assume for this type, where the experiment's wiring names neither end.
    std::vector<WiringLink> links = wiring;
    if (const auto assumed = circuit.assumedLinks.find(cpuType); assumed != circuit.assumedLinks.end())
        for (const auto& [a, b] : assumed->second) {
            const bool named = std::any_of(wiring.begin(), wiring.end(), [&, a = a, b = b](const WiringLink& l) {
                for (const std::string& end : {upper(l.from), upper(l.to)})
                    if (end == a || end == b)
                        return true;
                return false;
            });
            if (!named)
                links.push_back({a, b});
        }
    joinWiring(circuit, links);
    nets_->finish();
    seen_.assign(size_t(nodes), NetLevel{});
    seenValid_.assign(size_t(nodes), 0);
    netDirty_.assign(size_t(nets_->netCount()), 0);

    const auto cpuName = circuit.cpuForType.find(cpuType);
    cpuDevice_ = cpuName == circuit.cpuForType.end() ? nullptr : device(cpuName->second);
    cpu_ = dynamic_cast<Cpu*>(cpuDevice_);
    if (!cpu_)
        throw std::runtime_error("本类型暂不能虚拟运行");
    cpu_->setCrystal(crystalHz > 0 ? crystalHz : cpu_->boardClock() > 0 ? cpu_->boardClock() : circuit.crystalHz);
    mapBus();
    reset();
}

Machine::~Machine() = default;

Device* Machine::device(const std::string& name) const {
    for (const auto& d : devices_)
        if (d->name() == name)
            return d.get();
    return nullptr;
}

int Machine::deviceIndex(const Device& device) const { return indexOf_.at(&device); }

int Machine::node(const Device& device, int pin) const { return firstNode_[size_t(deviceIndex(device))] + pin; }

void Machine::joinWiring(const Circuit& circuit, const std::vector<WiringLink>& wiring) {
    for (const WiringLink& link : wiring) {
        const std::string text = link.from + ">" + link.to;
        const auto a = circuit.terminals.find(upper(link.from));
        const auto b = circuit.terminals.find(upper(link.to));
        bool missing = false;
        for (const auto& [it, name] : {std::pair{a, link.from}, std::pair{b, link.to}})
            if (it == circuit.terminals.end()) {
                report({0, "端子 " + name + " 不在本板的电路中，连线 " + text + " 未接入"});
                missing = true;
            }
        if (missing)
            continue;
        const std::size_t width = std::min(a->second.size(), b->second.size());
        if (a->second.size() != b->second.size())
            report({0, "连线 " + text + " 两端的引脚数不同（" + std::to_string(a->second.size()) + " 与 " +
                           std::to_string(b->second.size()) + "），只接了 " + std::to_string(width) + " 根"});
        bool loop = false;
        for (std::size_t i = 0; i < width; ++i) {
            const Device* da = device(a->second[i].device);
            const Device* db = device(b->second[i].device);
            if (!da || !db || da->pin(a->second[i].pin) < 0 || db->pin(b->second[i].pin) < 0)
                continue;
            if (!nets_->join(node(*da, da->pin(a->second[i].pin)), node(*db, db->pin(b->second[i].pin))))
                loop = true;
        }
        if (loop)
            report({0, "连线 " + text + " 的两端已经相连，这根线形成回路"});
    }
}

void Machine::mapBus() {
    busMap_.assign(0x10000, 0);
    selections_.assign(1, {}); // list 0: nothing answers
    std::map<std::pair<int, int>, int> merged;
    for (const auto& d : devices_) {
        const auto* decoder = dynamic_cast<const Decoder*>(d.get());
        if (!decoder)
            continue;
        for (const Decoder::Range& r : decoder->ranges()) {
            std::vector<Selection> chips;
            for (const int n : nets_->members(nets_->netOf(node(*decoder, r.pin)))) {
                const auto [dev, pin] = nodeOwner_[size_t(n)];
                if (devices_[size_t(dev)]->pins()[size_t(pin)].select)
                    chips.push_back({devices_[size_t(dev)].get(), r.base});
            }
            if (chips.empty())
                continue;
            selections_.push_back(chips);
            const int id = int(selections_.size() - 1);
            for (std::uint32_t a = r.base; a < r.base + r.size && a < 0x10000; ++a) {
                const int old = busMap_[a];
                if (old == 0) {
                    busMap_[a] = std::uint16_t(id);
                    continue;
                }
                // Two outputs decode the same address: both chips answer.
                auto [it, added] = merged.try_emplace({old, id}, 0);
                if (added) {
                    std::vector<Selection> both = selections_[size_t(old)];
                    both.insert(both.end(), chips.begin(), chips.end());
                    selections_.push_back(both);
                    it->second = int(selections_.size() - 1);
                }
                busMap_[a] = std::uint16_t(it->second);
            }
        }
    }
}

void Machine::load(const std::vector<std::uint8_t>& image) {
    cpu_->load(image);
    reset();
}

void Machine::reset() {
    // Every pending wake is forgotten: the devices start again.
    for (auto& [key, generation] : wakeGeneration_)
        ++generation;
    wakes_ = {};
    for (const auto& d : devices_)
        d->reset(now_);
    settle(now_);
}

// Tells every pin of its net's level once, as at power-on.
void Machine::settle(Time t) {
    std::fill(seenValid_.begin(), seenValid_.end(), 0);
    for (int net = 0; net < nets_->netCount(); ++net)
        if (!netDirty_[size_t(net)]) {
            netDirty_[size_t(net)] = 1;
            dirtyNets_.push_back(net);
        }
    notify(t);
}

void Machine::notify(Time t) {
    if (notifying_)
        return;
    notifying_ = true;
    int budget = kMaxNotifications;
    for (std::size_t i = 0; i < dirtyNets_.size(); ++i) {
        const int net = dirtyNets_[i];
        netDirty_[size_t(net)] = 0;
        if (nets_->resolved(net).conflict)
            reportConflict(net, t);
        for (const int n : nets_->members(net)) {
            const auto [dev, pin] = nodeOwner_[size_t(n)];
            Device& device = *devices_[size_t(dev)];
            const PinSpec& pinInfo = device.pins()[size_t(pin)];
            if (pinInfo.dir == PinDir::Out)
                continue;
            const NetLevel l = nets_->levelAt(n, pinInfo.floatsHigh);
            if (seenValid_[size_t(n)] && sameLevel(seen_[size_t(n)], l))
                continue;
            seen_[size_t(n)] = l;
            seenValid_[size_t(n)] = 1;
            if (--budget < 0)
                break;
            device.input(pin, t);
        }
        if (budget < 0) {
            report({t, "电路振荡：某个网络在同一时刻反复翻转，已停止传播"});
            for (std::size_t j = i + 1; j < dirtyNets_.size(); ++j)
                netDirty_[size_t(dirtyNets_[j])] = 0;
            break;
        }
    }
    dirtyNets_.clear();
    notifying_ = false;
}

void Machine::reportConflict(int net, Time t) {
    const Nets::Resolved& r = nets_->resolved(net);
    const std::pair<int, int> key{std::min(r.conflictA, r.conflictB), std::max(r.conflictA, r.conflictB)};
    if (!reportedConflicts_.insert(key).second)
        return;
    const auto name = [&](int n) {
        const auto [dev, pin] = nodeOwner_[size_t(n)];
        return terminalOf(*devices_[size_t(dev)], pin);
    };
    report({t, "冲突：" + name(r.conflictA) + " 与 " + name(r.conflictB) + " 同时输出相反的电平"});
}

void Machine::drive(Device& device, int pin, const Drive& d, Time t) {
    const int n = node(device, pin);
    if (!nets_->setDrive(n, d))
        return;
    if (tracer_ && &device == cpuDevice_)
        tracer_(t, terminalOf(device, pin) + (d.strength == Strength::Low ? " ← 0" : " ← 1"));
    const int net = nets_->netOf(n);
    if (!netDirty_[size_t(net)]) {
        netDirty_[size_t(net)] = 1;
        dirtyNets_.push_back(net);
    }
    notify(t);
}

NetLevel Machine::level(const Device& device, int pin) const {
    return nets_->levelAt(node(device, pin), device.pins()[size_t(pin)].floatsHigh);
}

void Machine::sendFrame(Device& device, int pin, const Frame& frame, Time t) {
    const int from = node(device, pin);
    if (tracer_)
        tracer_(t, terminalOf(device, pin) + " 发送 " + hex4(frame.data).substr(2));
    for (const int n : nets_->members(nets_->netOf(from)))
        if (n != from) {
            const auto [dev, p] = nodeOwner_[size_t(n)];
            devices_[size_t(dev)]->receive(p, frame, t);
        }
}

void Machine::connect(Device& device, int pinA, int pinB, bool closed, Time t) {
    if (!nets_->setSwitch(node(device, pinA), node(device, pinB), closed))
        return;
    netDirty_.assign(size_t(nets_->netCount()), 0);
    dirtyNets_.clear();
    for (int net = 0; net < nets_->netCount(); ++net) {
        netDirty_[size_t(net)] = 1;
        dirtyNets_.push_back(net);
    }
    notify(t);
}

void Machine::wakeAt(Device& device, int tag, Time t) {
    const int dev = deviceIndex(device);
    const std::uint64_t generation = ++wakeGeneration_[{dev, tag}];
    wakes_.push({t, wakeOrder_++, dev, tag, generation});
    cpu_->shortenTo(t);
}

void Machine::cancelWake(Device& device, int tag) { ++wakeGeneration_[{deviceIndex(device), tag}]; }

void Machine::report(const Event& event) {
    if (events_.size() < kMaxEvents)
        events_.push_back(event);
    else if (events_.size() == kMaxEvents)
        events_.push_back({event.time, "事件过多，以后的事件不再报告"});
}

std::vector<Event> Machine::takeEvents() {
    std::vector<Event> taken;
    taken.swap(events_);
    return taken;
}

std::uint8_t Machine::busRead(std::uint32_t address, Time t) {
    const auto& chips = selections_[busMap_[address & 0xFFFF]];
    std::uint8_t value = 0xFF;
    for (const Selection& s : chips)
        value &= s.device->read(address - s.base, t);
    if (chips.empty() && reportedEmpty_.insert(address & 0xFFF0).second)
        report({t, "读地址 " + hex4(address) + " 时没有芯片应答（片选线未接？），读到 FFH"});
    if (tracer_)
        tracer_(t, "读 " + hex4(address) + " → " + hex4(value).substr(2));
    return value;
}

void Machine::busWrite(std::uint32_t address, std::uint8_t value, Time t) {
    if (tracer_)
        tracer_(t, "写 " + hex4(address) + " ← " + hex4(value).substr(2));
    const auto& chips = selections_[busMap_[address & 0xFFFF]];
    for (const Selection& s : chips)
        s.device->write(address - s.base, value, t);
    if (chips.empty() && reportedEmpty_.insert(address & 0xFFF0).second)
        report({t, "写地址 " + hex4(address) + " 时没有芯片应答（片选线未接？）"});
}

std::string Machine::terminalOf(const Device& device, int pin) const {
    const auto it = terminalOfNode_.find(node(device, pin));
    return it != terminalOfNode_.end() ? it->second : device.name() + "." + device.pins()[size_t(pin)].name;
}

bool Machine::terminalLevel(const std::string& terminal, NetLevel* level) const {
    for (const auto& [n, name] : terminalOfNode_)
        if (name == upper(terminal)) {
            const auto [dev, pin] = nodeOwner_[size_t(n)];
            *level = this->level(*devices_[size_t(dev)], pin);
            return true;
        }
    return false;
}

void Machine::runWakes(Time upTo) {
    while (!wakes_.empty() && wakes_.top().time <= upTo) {
        const Wake w = wakes_.top();
        wakes_.pop();
        if (wakeGeneration_[{w.device, w.tag}] != w.generation)
            continue;
        now_ = std::max(now_, w.time);
        devices_[size_t(w.device)]->wake(w.tag, w.time);
    }
}

void Machine::runFor(Time span) { runUntil(now_ + span); }

void Machine::runUntil(Time until) {
    while (now_ < until) {
        // Stale wakes (cancelled or replaced) are dropped before they decide how far the CPU runs.
        while (!wakes_.empty() && wakeGeneration_[{wakes_.top().device, wakes_.top().tag}] != wakes_.top().generation)
            wakes_.pop();
        const Time next = wakes_.empty() ? until : std::min(until, wakes_.top().time);
        Time reached = next;
        if (!cpu_->halted()) {
            cpu_->runTo(next);
            reached = cpu_->cpuTime();
            // A CPU that did not get there without a wake cutting it short (power-down) waits for the time.
            const Time nextWake = wakes_.empty() ? kNever : wakes_.top().time;
            if (reached < next && nextWake > reached)
                reached = next;
        }
        now_ = std::max(now_, reached);
        runWakes(now_);
    }
}

Snapshot Machine::snapshot() {
    Snapshot s;
    s.time = now_;
    s.frame = now_ - lastSnapshot_;
    for (const auto& d : devices_)
        d->show(s, now_, s.frame);
    lastSnapshot_ = now_;
    return s;
}

bool Machine::set(const std::string& setting, double value) {
    for (const auto& d : devices_)
        if (d->set(setting, value, now_))
            return true;
    return false;
}

} // namespace sim
