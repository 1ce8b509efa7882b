#include "tools/Command.h"

#include <cstdio>

namespace labtool {

static std::vector<Command>& registry() {
    static std::vector<Command> list;
    return list;
}

bool registerCommand(const Command& command) {
    registry().push_back(command);
    return true;
}

const std::vector<Command>& commands() { return registry(); }

void writeOut(const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout); }
void writeErr(const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr); }

QByteArray readAllStdin() {
    QByteArray all;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0)
        all.append(buf, static_cast<qsizetype>(n));
    return all;
}

} // namespace labtool
