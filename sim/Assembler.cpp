#include "sim/Assembler.h"

#include "sim/Assembler88.h"

namespace sim {

namespace {
const QString kCannotRun = QStringLiteral("本类型暂不能虚拟运行");
}

bool canAssemble(int cpuType, QString* why) {
    if (cpuType == 1)
        return true;
    if (cpuType == 2)
        return nasmAvailable(why);
    if (why)
        *why = kCannotRun;
    return false;
}

AsmResult assembleFor(int cpuType, const QByteArray& source) {
    if (cpuType == 1)
        return assemble51(source);
    if (cpuType == 2)
        return assemble88(source);
    AsmResult r;
    r.errors.push_back({0, kCannotRun});
    return r;
}

} // namespace sim
