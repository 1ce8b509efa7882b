#pragma once
// The board's nets: device pins joined by the board's hard wiring and the experiment's wiring, and
// by switches (a relay's contacts) that open and close while a run goes on. Each pin has one node; a
// net's level is resolved from the drives of its nodes when one of them changes, never polled.
#include "sim/Signal.h"

#include <cstdint>
#include <vector>

namespace sim {

class Nets {
public:
    explicit Nets(int nodeCount);

    // Static joins, before finish(); returns false when the two were already joined (a loop).
    bool join(int a, int b);
    // Groups the static joins into nets; switches may be added after.
    void finish();

    int nodeCount() const { return int(drive_.size()); }
    int netOf(int node) const { return net_[group_[node]]; }
    const std::vector<int>& members(int net) const { return members_[net]; }
    int netCount() const { return int(members_.size()); }

    const Drive& drive(int node) const { return drive_[node]; }
    // Sets a node's drive; returns true when the net's resolved state changed.
    bool setDrive(int node, const Drive& d);

    struct Resolved {
        NetLevel level;       // for a driven net; an undriven net reads each reader's own pull
        bool conflict = false;
        int conflictA = -1, conflictB = -1; // two nodes driving opposite levels
    };
    const Resolved& resolved(int net) const { return resolved_[net]; }
    NetLevel levelAt(int node, bool floatsHigh) const;

    // A switch between the nets of two nodes; returns true when the nets changed.
    bool setSwitch(int a, int b, bool closed);

private:
    void regroup();
    void resolve(int net);

    std::vector<int> group_;      // node -> static group
    std::vector<int> parent_;     // union-find over nodes, before finish()
    std::vector<int> net_;        // group -> net
    std::vector<std::vector<int>> members_; // net -> nodes
    std::vector<Drive> drive_;    // node -> its drive
    std::vector<Resolved> resolved_;
    struct Switch { int groupA, groupB; bool closed; };
    std::vector<Switch> switches_;
    int groups_ = 0;
};

} // namespace sim
