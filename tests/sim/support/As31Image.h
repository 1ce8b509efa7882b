#pragma once
// Program images for the 8051 core's tests: the lab's sources assembled by as31 (the reference
// assembler, run as a program), and Intel HEX read and written.
#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace simtest {

// The lab's Intel-style directives in as31's spelling (.ORG, .DB, .EQU …), `$` as `*`, comments dropped.
inline QByteArray toAs31(const QByteArray& source) {
    static const QRegularExpression equ(R"(^\s*(\w+)\s+EQU\s+(.+?)\s*$)", QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression directive(R"(^(\s*(?:\w+:)?\s*)(ORG|DB|DW|DS|END)\b(.*)$)",
                                              QRegularExpression::CaseInsensitiveOption);
    static const QMap<QString, QString> dotted = {
        {"ORG", ".ORG"}, {"DB", ".DB"}, {"DW", ".DW"}, {"DS", ".SKIP"}, {"END", ".END"}};
    QByteArray out;
    for (QByteArray line : source.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        QByteArray code;
        bool inString = false;
        for (const char c : line) {
            if (c == '"')
                inString = !inString;
            if (c == ';' && !inString)
                break;
            code += (c == '$' && !inString) ? '*' : c;
        }
        QString text = QString::fromLatin1(code);
        if (const auto m = equ.match(text); m.hasMatch())
            text = QStringLiteral("\t.EQU %1, %2").arg(m.captured(1), m.captured(2));
        else if (const auto d = directive.match(text); d.hasMatch())
            text = d.captured(1) + dotted.value(d.captured(2).toUpper()) + d.captured(3);
        out += text.toLatin1() + '\n';
    }
    return out;
}

// Code memory from address 0 up to the highest byte a file fills; gaps are FFH. Empty on a bad record.
inline std::vector<std::uint8_t> parseIntelHex(const QByteArray& hex) {
    std::vector<std::uint8_t> image;
    for (QByteArray line : hex.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (!line.startsWith(':') || line.size() < 11)
            return {};
        const QByteArray bytes = QByteArray::fromHex(line.mid(1));
        const int count = std::uint8_t(bytes[0]);
        if (bytes.size() != count + 5)
            return {};
        std::uint8_t sum = 0;
        for (const char b : bytes)
            sum = std::uint8_t(sum + std::uint8_t(b));
        if (sum != 0)
            return {};
        const int type = std::uint8_t(bytes[3]);
        if (type == 1)
            break;
        if (type != 0)
            continue;
        const std::size_t address = std::size_t(std::uint8_t(bytes[1]) << 8 | std::uint8_t(bytes[2]));
        if (image.size() < address + std::size_t(count))
            image.resize(address + std::size_t(count), 0xFF);
        for (int i = 0; i < count; ++i)
            image[address + std::size_t(i)] = std::uint8_t(bytes[4 + i]);
    }
    return image;
}

// Sixteen bytes a record; lines of FFH alone are left out (the reader fills code memory with FFH first).
inline QByteArray intelHex(const std::vector<std::uint8_t>& image) {
    QByteArray out;
    for (std::size_t at = 0; at < image.size(); at += 16) {
        const std::size_t n = std::min<std::size_t>(16, image.size() - at);
        bool blank = true;
        for (std::size_t i = 0; i < n; ++i)
            blank = blank && image[at + i] == 0xFF;
        if (blank)
            continue;
        QByteArray record;
        record += char(n);
        record += char(at >> 8);
        record += char(at & 0xFF);
        record += char(0);
        for (std::size_t i = 0; i < n; ++i)
            record += char(image[at + i]);
        std::uint8_t sum = 0;
        for (const char b : record)
            sum = std::uint8_t(sum + std::uint8_t(b));
        record += char(std::uint8_t(-sum));
        out += ':' + record.toHex().toUpper() + '\n';
    }
    out += ":00000001FF\n";
    return out;
}

inline QString as31Program() { return QStandardPaths::findExecutable("as31"); }

// The image as31 makes of a source in the lab's dialect; empty, with as31's messages in `log`, on failure.
inline std::vector<std::uint8_t> assembleWithAs31(const QByteArray& source, QString* log) {
    QTemporaryDir dir;
    QFile file(dir.filePath("prog.asm"));
    if (!file.open(QIODevice::WriteOnly) || file.write(toAs31(source)) < 0)
        return {};
    file.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(as31Program(), {"prog.asm"});
    p.waitForFinished(60000);
    *log = QString::fromLocal8Bit(p.readAll());
    QFile hex(dir.filePath("prog.hex"));
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || !hex.open(QIODevice::ReadOnly))
        return {};
    return parseIntelHex(hex.readAll());
}

} // namespace simtest
