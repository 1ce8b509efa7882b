#pragma once
// as31, the reference 8051 assembler of the tests (scripts/debian-packages.txt installs it): our sources'
// dialect converted to its spelling, run in a scratch folder, and the Intel HEX file it writes read back.
// Header-only, so that a test group uses it without another library.
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <map>

namespace testsupport {

// Our 8051 sources use the Intel assembler's directives (ORG, EQU, DB, DW, DS, END, "$"); as31 spells
// them .ORG, .EQU name, value, .DB, .DW, .SKIP, .END and "*". Comments are dropped on the way; a ';' or a
// '$' inside a 'string' or a "string" stays.
inline QByteArray toAs31(const QByteArray& source) {
    static const QRegularExpression equ(R"(^\s*(\w+)\s+EQU\s+(.+?)\s*$)",
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression directive(R"(^(\s*(?:\w+:)?\s*)(ORG|DB|DW|DS|END)\b(.*)$)",
                                              QRegularExpression::CaseInsensitiveOption);
    static const QMap<QString, QString> dotted = {
        {"ORG", ".ORG"}, {"DB", ".DB"}, {"DW", ".DW"}, {"DS", ".SKIP"}, {"END", ".END"}};
    QByteArray out;
    for (QByteArray line : source.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        QByteArray code;
        char quote = 0;
        for (const char c : line) {
            if (quote ? c == quote : (c == '"' || c == '\''))
                quote = quote ? 0 : c;
            if (c == ';' && !quote)
                break;
            code += (c == '$' && !quote) ? '*' : c;
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

// The bytes of an Intel HEX text by address; false when a record is malformed or its checksum wrong.
inline bool parseIntelHex(const QByteArray& hex, std::map<int, std::uint8_t>* bytes) {
    for (QByteArray record : hex.split('\n')) {
        record = record.trimmed();
        if (record.isEmpty())
            continue;
        if (!record.startsWith(':') || record.size() < 11 || record.size() % 2 == 0)
            return false;
        const QByteArray raw = QByteArray::fromHex(record.mid(1));
        if (raw.size() * 2 != record.size() - 1)
            return false;
        const auto at = [&](int i) { return static_cast<std::uint8_t>(raw[i]); };
        const int count = at(0), address = at(1) << 8 | at(2), type = at(3);
        if (raw.size() != count + 5)
            return false;
        std::uint8_t sum = 0;
        for (const char c : raw)
            sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
        if (sum != 0)
            return false;
        if (type == 1)
            break;
        if (type != 0)
            return false;
        for (int i = 0; i < count; ++i)
            (*bytes)[address + i] = at(4 + i);
    }
    return true;
}

struct As31Run {
    int exitCode = -1;                 // 0 when as31 wrote its HEX file without complaint
    QString log;                       // what it printed
    std::map<int, std::uint8_t> bytes; // the code it assembled, by address
    QByteArray listing;                // prog.lst
};

// Assembles an Intel-dialect source with as31 (-l) in a scratch folder.
inline As31Run runAs31(const QByteArray& intelSource) {
    As31Run run;
    QTemporaryDir dir;
    if (!writeFile(dir.filePath("prog.asm"), toAs31(intelSource)))
        return run;
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStandardPaths::findExecutable("as31"), {"-l", "prog.asm"});
    p.waitForFinished(60000);
    run.log = QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit)
        return run;
    run.listing = readFile(dir.filePath("prog.lst"));
    const bool wrote = QFileInfo::exists(dir.filePath("prog.hex"));
    run.exitCode = p.exitCode() == 0 && wrote ? 0 : p.exitCode() ? p.exitCode() : -1;
    if (run.exitCode == 0 && !parseIntelHex(readFile(dir.filePath("prog.hex")), &run.bytes))
        run.exitCode = -1;
    return run;
}

inline bool haveAs31() {
    return !QStandardPaths::findExecutable("as31").isEmpty();
}

} // namespace testsupport
