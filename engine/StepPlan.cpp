#include "engine/StepPlan.h"

#include "engine/TerminalName.h"

namespace {

QPoint centre(const QRect& r) {
    return {r.left() + r.width() / 2, r.top() + r.height() / 2};
}

QByteArray upperAscii(QByteArray s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

} // namespace

TerminalIndex::TerminalIndex(const WiringBoard& board) {
    const int n = board.componentCount();
    index_.reserve(n);
    for (int i = 0; i < n; ++i) {
        const QByteArray name = upperAscii(board.componentName(i).toLatin1());
        if (!index_.contains(name)) // the first component of a name is the one the drawing takes
            index_.insert(name, i);
    }
}

StepPlan planStep(QByteArrayView step, const WiringBoard& board, const TerminalIndex& index) {
    StepPlan plan;
    const auto [name1, name2] = stepTerminalNames(step);
    plan.first = terminalname::of(name1);
    plan.second = terminalname::of(name2);
    plan.firstIndex = index.find(name1);
    plan.secondIndex = index.find(name2);
    if (plan.drawable()) {
        plan.from = centre(board.componentRect(plan.firstIndex));
        plan.to = centre(board.componentRect(plan.secondIndex));
        plan.problem = plan.firstIndex == plan.secondIndex ? StepProblem::SameTerminal : StepProblem::None;
    } else if (plan.first.isEmpty() && plan.second.isEmpty()) {
        plan.problem = StepProblem::Empty;
    } else if (plan.first.isEmpty() || plan.second.isEmpty()) {
        plan.problem = StepProblem::MissingName;
    } else {
        plan.problem = StepProblem::Unknown;
    }
    return plan;
}

QList<StepPlan> planWiring(const QList<QByteArray>& steps, const WiringBoard& board,
                           const TerminalIndex& index) {
    QList<StepPlan> plans;
    plans.reserve(steps.size());
    for (const QByteArray& s : steps)
        plans.append(planStep(s, board, index));
    return plans;
}
