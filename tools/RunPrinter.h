#pragma once
// The text `labtool run` prints: one line each time what an instrument shows changes, the simulated time
// first. The format is read by other tools; it is described in `labtool run --help` and the manual page.
#include "sim/Event.h"
#include "sim/Snapshot.h"

#include <QByteArray>

#include <array>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace runprint {

// "   1.003 s  " for a time.
QByteArray stamp(sim::Time t);

class Printer {
public:
    // Takes the snapshot of a short frame (1 ms); returns the lines to print for it.
    QByteArray frame(const sim::Snapshot& s);
    QByteArray events(const std::vector<sim::Event>& events);

private:
    struct Window; // multiplexed displays are read over a longer window than a frame
    QByteArray lamps(const sim::Snapshot& s);
    QByteArray digits(const sim::Snapshot& s);
    QByteArray matrix(const sim::Snapshot& s);
    QByteArray lcd(const sim::Snapshot& s);
    QByteArray motors(const sim::Snapshot& s);
    QByteArray others(const sim::Snapshot& s);

    bool wideLamps_ = false;
    std::string lampText_;
    // Digits and matrix: brightness summed over the last frames, the text read from it, and a change
    // waiting to prove it is not a blend of two pictures.
    std::deque<sim::Snapshot> recent_;
    std::string digitText_, digitCandidate_;
    sim::Time digitSince_ = 0;
    std::string matrixText_, matrixCandidate_;
    sim::Time matrixSince_ = 0;
    std::vector<std::string> lcdLines_;
    bool lcdShown_ = false;
    std::string stepperText_, dcText_, speakerText_, relayText_;
    double stepperRpm_ = 0, dcRpm_ = 0;
    sim::Time stepperAt_ = 0, dcAt_ = 0;
    std::size_t uartSeen_ = 0;
};

} // namespace runprint
