#pragma once
// What a wiring step asks of a board, worked out once so that it can be explained and labelled: the two
// terminal names as the step writes them, where they lie, and why a step cannot be drawn. The terminals are
// found as the link drawing finds them (the first component of that upper-cased name), through an index.
#include "engine/linksheet.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QRect>

// The board's component names, upper-cased, to their first index; built once per board.
class TerminalIndex {
public:
    TerminalIndex() = default;
    explicit TerminalIndex(const WiringBoard& board);
    // The index of the first component named "SHP_" + `name` (upper-cased), or -1.
    int find(const QByteArray& componentName) const { return index_.value(componentName, -1); }

private:
    QHash<QByteArray, int> index_;
};

enum class StepProblem {
    None,         // both terminals found, two different ones
    SameTerminal, // both names find one terminal: drawn as one circle
    Empty,        // the step names no terminal at all
    MissingName,  // one side of the step is empty (or there is no ">")
    Unknown,      // a name is not on the board
};

struct StepPlan {
    QByteArray first; // the terminal names as the step gives them (upper-cased, without the prefix)
    QByteArray second;
    int firstIndex = -1; // component indices, -1 when not found
    int secondIndex = -1;
    QPoint from; // terminal centres in board-area coordinates (valid when drawable)
    QPoint to;
    StepProblem problem = StepProblem::None;
    bool drawable() const { return firstIndex >= 0 && secondIndex >= 0; }
    LinkConnection connection() const { return {from, to}; }
};

// Plans one step on a board.
StepPlan planStep(QByteArrayView step, const WiringBoard& board, const TerminalIndex& index);
// Plans every step.
QList<StepPlan> planWiring(const QList<QByteArray>& steps, const WiringBoard& board,
                           const TerminalIndex& index);
