#include "sim/Assembler.h"

namespace sim {

namespace {
const QString kCannotRun = QStringLiteral("本类型暂不能虚拟运行");
}

bool canAssemble(int cpuType, QString* why) {
    if (cpuType == 1)
        return true;
    if (why)
        *why = kCannotRun;
    return false;
}

AsmResult assembleFor(int cpuType, const QByteArray& source) {
    if (cpuType == 1)
        return assemble51(source);
    AsmResult r;
    r.errors.push_back({0, kCannotRun});
    return r;
}

} // namespace sim
