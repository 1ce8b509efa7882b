#pragma once
// Running a bundled experiment on a board in a test, and reading what its instruments show: the lamps as
// bits, the digits as text, the changes over time, the events a run reported.
#include "engine/linksheet.h"
#include "sim/Machine.h"
#include "sim/devices/Digits.h"

#include <QFile>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace simtest {

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The wiring text as the program reads it.
inline std::vector<sim::WiringLink> links(const QString& wiring) {
    std::vector<sim::WiringLink> out;
    for (const QByteArray& step : parseWiringSteps(wiring.toUtf8())) {
        const auto [a, b] = stepTerminalNames(step);
        out.push_back({a.mid(4).toStdString(), b.mid(4).toStdString()});
    }
    return out;
}

// L1 … L8 as bits (L1 = bit 0), lit when on for at least half of the frame.
inline unsigned lampBits(const sim::Snapshot& s) {
    unsigned bits = 0;
    for (int i = 0; i < 8; ++i)
        if (const auto it = s.lamps.find("L" + std::to_string(i + 1)); it != s.lamps.end() && it->second >= 0.5)
            bits |= 1u << i;
    return bits;
}

// Runs in frames of `frame` until `until`, calling `look` with each frame's snapshot.
inline void watch(sim::Machine& m, sim::Time until, sim::Time frame, const std::function<void(const sim::Snapshot&)>& look) {
    while (m.now() + frame <= until) {
        m.runFor(frame);
        look(m.snapshot());
    }
}

// The lamp pattern after running a while.
inline unsigned lampsAfter(sim::Machine& m, sim::Time span) {
    m.runFor(span - sim::kMillisecond);
    m.snapshot();
    m.runFor(sim::kMillisecond);
    return lampBits(m.snapshot());
}

// The times at which the lamps changed, with the new pattern.
inline std::vector<std::pair<sim::Time, unsigned>> lampChanges(sim::Machine& m, sim::Time until) {
    std::vector<std::pair<sim::Time, unsigned>> changes;
    unsigned last = ~0u;
    watch(m, until, sim::kMillisecond, [&](const sim::Snapshot& s) {
        if (lampBits(s) != last)
            changes.emplace_back(s.time, last = lampBits(s));
    });
    return changes;
}

// The digits as read over a whole frame of 20 ms.
inline std::string digitsAfter(sim::Machine& m, sim::Time span) {
    m.runFor(span - 20 * sim::kMillisecond);
    m.snapshot();
    m.runFor(20 * sim::kMillisecond);
    return sim::readDigits(m.snapshot().digits);
}

inline std::string noEvents(sim::Machine& m) {
    std::string all;
    for (const sim::Event& e : m.takeEvents())
        all += e.text + "\n";
    return all;
}

} // namespace simtest
