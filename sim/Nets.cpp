#include "sim/Nets.h"

#include <cstddef>
#include <numeric>

using std::size_t;

namespace sim {

Nets::Nets(int nodeCount) : group_(size_t(nodeCount)), parent_(size_t(nodeCount)), drive_(size_t(nodeCount)) {
    std::iota(parent_.begin(), parent_.end(), 0);
}

static int findRoot(std::vector<int>& parent, int x) {
    while (parent[size_t(x)] != x) {
        parent[size_t(x)] = parent[size_t(parent[size_t(x)])];
        x = parent[size_t(x)];
    }
    return x;
}

bool Nets::join(int a, int b) {
    const int ra = findRoot(parent_, a), rb = findRoot(parent_, b);
    if (ra == rb)
        return false;
    parent_[size_t(rb)] = ra;
    return true;
}

void Nets::finish() {
    std::vector<int> groupOfRoot(parent_.size(), -1);
    groups_ = 0;
    for (size_t n = 0; n < parent_.size(); ++n) {
        const int r = findRoot(parent_, int(n));
        if (groupOfRoot[size_t(r)] < 0)
            groupOfRoot[size_t(r)] = groups_++;
        group_[n] = groupOfRoot[size_t(r)];
    }
    regroup();
}

// Nets are the groups joined through closed switches; switches are few and change rarely.
void Nets::regroup() {
    std::vector<int> parent(static_cast<size_t>(groups_));
    std::iota(parent.begin(), parent.end(), 0);
    for (const Switch& s : switches_)
        if (s.closed) {
            const int ra = findRoot(parent, s.groupA), rb = findRoot(parent, s.groupB);
            if (ra != rb)
                parent[size_t(rb)] = ra;
        }
    net_.assign(size_t(groups_), -1);
    int nets = 0;
    std::vector<int> netOfRoot(size_t(groups_), -1);
    for (int g = 0; g < groups_; ++g) {
        const int r = findRoot(parent, g);
        if (netOfRoot[size_t(r)] < 0)
            netOfRoot[size_t(r)] = nets++;
        net_[size_t(g)] = netOfRoot[size_t(r)];
    }
    members_.assign(size_t(nets), {});
    for (size_t n = 0; n < group_.size(); ++n)
        members_[size_t(net_[size_t(group_[n])])].push_back(int(n));
    resolved_.assign(size_t(nets), {});
    for (int net = 0; net < nets; ++net)
        resolve(net);
}

bool Nets::setDrive(int node, const Drive& d) {
    if (drive_[size_t(node)] == d)
        return false;
    drive_[size_t(node)] = d;
    const int net = netOf(node);
    const Resolved before = resolved_[size_t(net)];
    resolve(net);
    const Resolved& after = resolved_[size_t(net)];
    return before.level.high != after.level.high || before.level.volts != after.level.volts ||
           before.level.hz != after.level.hz || before.level.driven != after.level.driven ||
           before.conflict != after.conflict;
}

void Nets::resolve(int net) {
    Resolved r;
    int low = -1, high = -1, analog = -1, pull = -1;
    int strong = 0;
    for (const int n : members_[size_t(net)]) {
        const Drive& d = drive_[size_t(n)];
        switch (d.strength) {
        case Strength::Off: break;
        case Strength::PullUp: pull = n; break;
        case Strength::Low: low = low < 0 ? n : low; ++strong; break;
        case Strength::High: high = high < 0 ? n : high; ++strong; break;
        case Strength::Analog: analog = analog < 0 ? n : analog; ++strong; break;
        }
    }
    // Two strong drivers disagree when they are of different kinds or both analog at different volts;
    // two outputs at the same logic level are no conflict (the chip would not notice either).
    if ((low >= 0 && high >= 0) || (analog >= 0 && (low >= 0 || high >= 0))) {
        r.conflict = true;
        r.conflictA = low >= 0 ? low : analog;
        r.conflictB = high >= 0 ? high : analog == r.conflictA ? low : analog;
    }
    if (low >= 0) {
        r.level = {false, 0.0, 0, true};
    } else if (high >= 0) {
        r.level = {true, 5.0, drive_[size_t(high)].hz, true};
    } else if (analog >= 0) {
        const double v = drive_[size_t(analog)].volts;
        r.level = {v >= 2.5, v, 0, true};
    } else if (pull >= 0) {
        r.level = {true, 5.0, 0, true};
    }
    (void)strong;
    resolved_[size_t(net)] = r;
}

NetLevel Nets::levelAt(int node, bool floatsHigh) const {
    const Resolved& r = resolved_[size_t(netOf(node))];
    if (r.level.driven)
        return r.level;
    return {floatsHigh, floatsHigh ? 5.0 : 0.0, 0, false};
}

bool Nets::setSwitch(int a, int b, bool closed) {
    const int ga = group_[size_t(a)], gb = group_[size_t(b)];
    for (Switch& s : switches_)
        if ((s.groupA == ga && s.groupB == gb) || (s.groupA == gb && s.groupB == ga)) {
            if (s.closed == closed)
                return false;
            s.closed = closed;
            regroup();
            return true;
        }
    switches_.push_back({ga, gb, closed});
    if (!closed)
        return false;
    regroup();
    return true;
}

} // namespace sim
