#include "tools/Command.h"

#include <QFileInfo>

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

QString catalogueInUseText(const QString& catalogue) {
    const QString name = QFileInfo(catalogue).fileName();
    if (name.isEmpty())
        return QStringLiteral("实验演示向导正在使用实验目录：请先关闭它");
    return QStringLiteral("实验演示向导正在使用 %1：请先关闭它").arg(name);
}

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
