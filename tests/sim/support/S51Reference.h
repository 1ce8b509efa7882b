#pragma once
// ucsim's s51 as a black-box reference for the 8051 core: it runs an image as an 80C52 at 12 MHz, with
// code memory past the image FFH and internal and external RAM cleared, steps to checkpoints and reports
// at each the instruction and cycle counts, the PC, the internal RAM and the SFRs (and at the end, if
// asked, the external RAM), read from its console.
#include "As31Image.h"

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <vector>

namespace simtest {

struct S51State {
    std::uint64_t instructions = 0;
    std::uint64_t cycles = 0; // machine cycles (s51 counts crystal periods)
    std::uint32_t pc = 0; // s51 lets it run past FFFFH
    std::array<std::uint8_t, 256> iram{};
    std::array<std::uint8_t, 128> sfr{}; // 80H … FFH
    std::vector<std::uint8_t> xram;      // 64 KiB, at the last checkpoint when asked for
};

inline QString s51Program() { return QStandardPaths::findExecutable("s51"); }

namespace detail {

// The lines of a `dump /h` with 16 bytes a line whose addresses have `digits` hex digits, in order.
inline bool readDump(const QStringList& lines, int& at, int digits, int count, std::uint8_t* out) {
    const QRegularExpression row(QStringLiteral("^0x([0-9a-f]{%1})((?: [0-9a-f]{2}){16}) ").arg(digits));
    for (int n = 0; n < count; ++at) {
        if (at >= lines.size())
            return false;
        const auto m = row.match(lines[at]);
        if (!m.hasMatch())
            continue;
        const QStringList bytes = m.captured(2).split(' ', Qt::SkipEmptyParts);
        for (int i = 0; i < 16; ++i)
            out[n * 16 + i] = std::uint8_t(bytes[i].toUInt(nullptr, 16));
        ++n;
    }
    return true;
}

} // namespace detail

// Steps s51 to each cumulative step count (a step that takes an interrupt also runs the routine's first
// instruction, so a state's instruction count may run ahead of its step count). Returns one state a
// checkpoint, or nothing with `error` set when s51 cannot be run or its answer not read.
inline std::vector<S51State> runS51(const std::vector<std::uint8_t>& image, const std::vector<std::uint64_t>& steps,
                                    bool xramAtEnd, QString* error) {
    QTemporaryDir dir;
    const QString hexPath = dir.filePath("prog.hex");
    {
        QFile hex(hexPath);
        if (!hex.open(QIODevice::WriteOnly) || hex.write(intelHex(image)) < 0) {
            *error = "cannot write " + hexPath;
            return {};
        }
    }
    QByteArray commands = "fill rom 0 0xffff 0xff\nfile \"" + hexPath.toUtf8() +
                          "\"\nfill iram 0 0xff 0\nfill xram 0 0xffff 0\n";
    std::uint64_t done = 0;
    for (const std::uint64_t s : steps) {
        commands += "step " + QByteArray::number(quint64(s - done)) +
                    "\nstate\ndump /h iram 0 0xff 16\ndump /h sfr 0x80 0xff 16\n";
        done = s;
    }
    if (xramAtEnd)
        commands += "dump /h xram 0 0xffff 16\n";
    commands += "quit\n";

    // Commands from a file (-C): typed into its console they would be echoed into the middle of its answers.
    const QString commandPath = dir.filePath("commands.txt");
    {
        QFile file(commandPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(commands) < 0) {
            *error = "cannot write " + commandPath;
            return {};
        }
    }
    QProcess p;
    // The CMOS 80C52: the HMOS 8052 has no idle and power-down modes.
    p.start(s51Program(), {"-b", "-t", "C52", "-X", "12M", "-C", commandPath});
    if (!p.waitForStarted(10000)) {
        *error = "s51 does not start";
        return {};
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        *error = "s51 did not finish";
        return {};
    }
    const QStringList lines = QString::fromLatin1(p.readAllStandardOutput()).split('\n');

    static const QRegularExpression instRe(QStringLiteral("^Inst= (\\d+)"));
    static const QRegularExpression pcRe(QStringLiteral("^CPU state= \\S+ PC= 0x([0-9a-f]+)"));
    static const QRegularExpression clksRe(QStringLiteral("^Total time since last reset= .*\\((\\d+) clks\\)"));
    std::vector<S51State> states;
    int at = 0;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        S51State s;
        bool havePc = false;
        for (; at < lines.size(); ++at) {
            if (const auto m = pcRe.match(lines[at]); m.hasMatch()) {
                s.pc = m.captured(1).toUInt(nullptr, 16);
                havePc = true;
            } else if (const auto i = instRe.match(lines[at]); i.hasMatch() && havePc) {
                s.instructions = i.captured(1).toULongLong();
            } else if (const auto c = clksRe.match(lines[at]); c.hasMatch() && havePc) {
                s.cycles = c.captured(1).toULongLong() / 12;
                ++at;
                break;
            }
        }
        if (!havePc || !detail::readDump(lines, at, 2, 16, s.iram.data()) ||
            !detail::readDump(lines, at, 2, 8, s.sfr.data())) {
            *error = QStringLiteral("s51's answer ends before checkpoint %1").arg(k + 1);
            return {};
        }
        states.push_back(s);
    }
    if (xramAtEnd) {
        states.back().xram.resize(0x10000);
        if (!detail::readDump(lines, at, 4, 0x1000, states.back().xram.data())) {
            *error = "s51's external RAM dump is incomplete";
            return {};
        }
    }
    return states;
}

} // namespace simtest
