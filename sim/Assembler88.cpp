#include "sim/Assembler88.h"

#include "sim/Masm88.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

namespace sim {

namespace {

const QString kNeedNasm = QStringLiteral("需要安装 nasm（Debian 软件包 nasm）才能汇编 8088 程序");
constexpr int kNasmTimeoutMs = 30000;

QString nasmPath() { return QStandardPaths::findExecutable(QStringLiteral("nasm")); }

// nasm's messages as the 8051 assembler words them; anything else becomes a general message on its line.
QString chineseMessage(const QString& nasm) {
    static const QRegularExpression symbol(QStringLiteral("symbol `\\$?([^']*)' (?:not defined|undefined)"));
    static const QRegularExpression redefined(QStringLiteral("(?:label|symbol) `\\$?([^']*)' (?:inconsistently )?redefined"));
    if (const auto m = symbol.match(nasm); m.hasMatch())
        return QStringLiteral("未定义的符号 %1").arg(m.captured(1));
    if (const auto m = redefined.match(nasm); m.hasMatch())
        return QStringLiteral("符号 %1 重复定义").arg(m.captured(1));
    static const std::pair<const char*, const char*> table[] = {
        {"invalid combination of opcode and operands", "指令与操作数的组合无效"},
        {"operation size not specified", "没有指明操作数的大小（用 BYTE PTR 或 WORD PTR）"},
        {"mismatch in operand sizes", "两个操作数的大小不一致"},
        {"short jump is out of range", "转移目标太远（条件转移、LOOP 和 JMP SHORT 只能转移 -128～+127 字节）"},
        {"jump out of range", "转移目标太远（条件转移、LOOP 和 JMP SHORT 只能转移 -128～+127 字节）"},
        {"no instruction for this cpu level", "8088 没有这条指令（或没有这种操作数）"},
        {"effective address", "无效的存储器寻址方式（8088 只能用 BX、BP、SI、DI 寻址）"},
        {"impossible combination of address sizes", "无效的存储器寻址方式（8088 只能用 BX、BP、SI、DI 寻址）"},
        {"exceeds bounds", "数值超出范围"},
        {"TIMES value", "ORG 的地址小于当前地址"},
        {"division by zero", "表达式中除以零"},
        {"unterminated string", "字符串没有结束"},
        {"unterminated character", "字符串没有结束"},
        {"non-constant argument supplied to TIMES", "DUP 的次数或 ORG 的地址应为常数"},
        {"non-constant", "这里需要常数（不能用后面才定义的符号）"},
        {"comma", "操作数之间缺少逗号或有多余的内容"},
        {"expression syntax error", "表达式语法错误"},
        {"expecting", "语法错误"},
        {"parser", "语法错误"},
        {"overlap", "段与段重叠"},
    };
    for (const auto& [english, chinese] : table)
        if (nasm.contains(QLatin1String(english)))
            return QString::fromUtf8(chinese);
    return QStringLiteral("无法汇编这一行");
}

bool fatalWarning(const QString& nasm) { return nasm.contains(QLatin1String("exceeds bounds")); }

struct Run {
    QByteArray bin, listing, map, stderrText;
    QString failure; // nasm could not be run
};

Run runNasm(const QByteArray& text) {
    Run r;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        r.failure = QStringLiteral("无法创建临时文件夹，汇编未进行");
        return r;
    }
    const QString path = nasmPath();
    if (path.isEmpty()) {
        r.failure = kNeedNasm;
        return r;
    }
    QFile src(dir.filePath(QStringLiteral("program.asm")));
    if (!src.open(QIODevice::WriteOnly) || src.write(text) != text.size()) {
        r.failure = QStringLiteral("无法写入临时文件，汇编未进行");
        return r;
    }
    src.close();
    QProcess nasm;
    nasm.setWorkingDirectory(dir.path());
    nasm.start(path, {QStringLiteral("-f"), QStringLiteral("bin"), QStringLiteral("-w-zeroing"), QStringLiteral("-l"),
                      QStringLiteral("program.lst"), QStringLiteral("-o"), QStringLiteral("program.bin"),
                      QStringLiteral("program.asm")});
    if (!nasm.waitForStarted(kNasmTimeoutMs)) {
        r.failure = kNeedNasm;
        return r;
    }
    if (!nasm.waitForFinished(kNasmTimeoutMs)) {
        nasm.kill();
        nasm.waitForFinished();
        r.failure = QStringLiteral("nasm 没有在 30 秒内完成，汇编未进行");
        return r;
    }
    r.stderrText = nasm.readAllStandardError() + nasm.readAllStandardOutput();
    const auto read = [&](const char* name) {
        QFile f(dir.filePath(QLatin1String(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    r.bin = read("program.bin");
    r.listing = read("program.lst");
    r.map = read("nasm.map");
    return r;
}

// Section name -> its start, from the map nasm writes.
std::map<std::string, std::uint32_t> sectionStarts(const QByteArray& map) {
    static const QRegularExpression row(
        QStringLiteral("^\\s*([0-9A-Fa-f]+)\\s+([0-9A-Fa-f]+)\\s+([0-9A-Fa-f]+)\\s+([0-9A-Fa-f]+)\\s+\\S+\\s+seg_(\\S+)\\s*$"));
    std::map<std::string, std::uint32_t> starts;
    for (const QByteArray& line : map.split('\n')) {
        const auto m = row.match(QString::fromLatin1(line));
        if (m.hasMatch())
            starts[m.captured(5).toStdString()] = m.captured(2).toUInt(nullptr, 16);
    }
    return starts;
}

// How many bytes a listing row's byte field stands for: "8CC8", "3EC7062C00[0200]", "00<rep 2000h>".
std::uint32_t byteCount(QString field) {
    static const QRegularExpression rep(QStringLiteral("<rep\\s+([0-9A-Fa-f]+)h>"));
    std::uint32_t times = 1;
    if (const auto m = rep.match(field); m.hasMatch()) {
        times = m.captured(1).toUInt(nullptr, 16);
        field = field.left(m.capturedStart());
    }
    int digits = 0;
    for (const QChar c : field)
        if (c.isDigit() || (c >= u'A' && c <= u'F') || c == u'?')
            ++digits;
    return std::uint32_t(digits / 2) * times;
}

} // namespace

bool nasmAvailable(QString* why) {
    if (!nasmPath().isEmpty())
        return true;
    if (why)
        *why = kNeedNasm;
    return false;
}

AsmResult assemble88(const QByteArray& source) {
    AsmResult r;
    Masm88Translation tr = translateMasm88(source);
    Run run;
    if (tr.segments.size() > 1) {
        // nasm lays the segments one after another on paragraph boundaries; their values are known after.
        run = runNasm(tr.text);
        if (run.failure.isEmpty()) {
            const auto starts = sectionStarts(run.map);
            std::vector<std::uint32_t> paragraphs;
            for (const Masm88Segment& s : tr.segments) {
                const auto it = starts.find(s.name);
                paragraphs.push_back(it == starts.end() ? 0 : it->second / 16);
            }
            tr = translateMasm88(source, paragraphs);
        }
    }
    if (run.failure.isEmpty())
        run = runNasm(tr.text);
    if (!run.failure.isEmpty()) {
        r.errors.push_back({0, run.failure});
        return r;
    }

    const int lineCount = int(tr.segmentOfLine.size()) - 1;
    std::map<int, QString> errors;
    for (const AsmError& e : tr.errors)
        errors.emplace(e.line, e.message);
    static const QRegularExpression message(QStringLiteral("^[^:\\n]*:(\\d+): (error|warning|fatal): (.*)$"));
    for (const QByteArray& raw : run.stderrText.split('\n')) {
        const QString text = QString::fromUtf8(raw).trimmed();
        const auto m = message.match(text);
        if (!m.hasMatch()) {
            if (text.contains(QLatin1String("error")) && errors.empty())
                errors.emplace(0, QStringLiteral("汇编失败：%1").arg(chineseMessage(text)));
            continue;
        }
        if (m.captured(2) == u"warning" && !fatalWarning(m.captured(3)))
            continue;
        int line = m.captured(1).toInt() - Masm88Translation::kPrologueLines;
        if (line < 1 || line > lineCount)
            line = std::clamp(line, 0, lineCount);
        errors.emplace(line, line > 0 ? QStringLiteral("第%1行：%2").arg(line).arg(chineseMessage(m.captured(3)))
                                      : chineseMessage(m.captured(3)));
    }

    // Where each source line's bytes went.
    const auto starts = sectionStarts(run.map);
    const auto segmentBase = [&](int s) -> std::uint32_t {
        if (s < 0)
            return 0;
        const auto it = starts.find(tr.segments[size_t(s)].name);
        return it == starts.end() ? 0 : it->second;
    };
    const auto base = [&](int line) {
        return segmentBase(line >= 0 && line <= lineCount ? tr.segmentOfLine[size_t(line)] : -1);
    };
    std::map<int, std::pair<std::uint32_t, std::uint32_t>> placed; // line -> (linear address, bytes)
    static const QRegularExpression row(QStringLiteral("^\\s*(\\d+) ([0-9A-F]{8}) (.*)$"));
    for (const QByteArray& raw : run.listing.split('\n')) {
        const QString text = QString::fromLatin1(raw);
        const auto m = row.match(text);
        if (!m.hasMatch())
            continue;
        const int line = m.captured(1).toInt() - Masm88Translation::kPrologueLines;
        if (line < 1 || line > lineCount)
            continue;
        QString field = m.captured(3).left(24).trimmed();
        if (const qsizetype gap = field.indexOf(QLatin1String("  ")); gap >= 0)
            field = field.left(gap);
        field = field.section(u' ', 0, field.contains(u'<') ? 1 : 0);
        if (field.endsWith(u'-'))
            field.chop(1);
        const std::uint32_t address = base(line) + m.captured(2).toUInt(nullptr, 16);
        auto [it, added] = placed.try_emplace(line, address, 0);
        it->second.second += byteCount(field);
    }

    // END's label names where the program starts.
    std::uint32_t entry = 0;
    bool haveEntry = false;
    int entrySegment = -1;
    if (!tr.entryLabel.empty()) {
        const auto def = tr.labelLine.find(tr.entryLabel);
        if (def == tr.labelLine.end()) {
            errors.emplace(tr.endLine, QStringLiteral("第%1行：END 后的标号 %2 未定义")
                                           .arg(tr.endLine)
                                           .arg(QString::fromStdString(tr.entryLabel)));
        } else {
            const auto at = placed.lower_bound(def->second); // a label alone on its line starts the next one
            if (at != placed.end()) {
                entry = at->second.first;
                haveEntry = true;
                entrySegment = tr.segmentOfLine[size_t(def->second)];
            }
        }
    }
    for (const auto& [line, text] : errors)
        r.errors.push_back({line, text});
    if (!r.errors.empty())
        return r;

    r.image.assign(run.bin.begin(), run.bin.end());
    r.used.assign(r.image.size(), false);
    for (const auto& [line, where] : placed) {
        const auto [address, size] = where;
        r.addressOf.emplace(line, address);
        if (size == 0 || tr.padding[size_t(line)])
            continue;
        r.lineAt.emplace(address, line);
        if (!haveEntry && tr.entryLabel.empty()) {
            entry = address;
            haveEntry = true;
            entrySegment = tr.segmentOfLine[size_t(line)];
        }
        for (std::uint32_t a = address; a < address + size && a < r.used.size(); ++a)
            r.used[a] = true;
    }
    const std::uint32_t paragraph = segmentBase(entrySegment) / 16;
    r.entrySegment = std::uint16_t(paragraph);
    r.entryOffset = std::uint16_t(entry - paragraph * 16);

    // "02000  8C C8              START:  MOV   AX,CS": linear address, up to six bytes, the source line.
    QByteArray src = source;
    src.replace("\r\n", "\n");
    const QList<QByteArray> lines = src.split('\n');
    char buf[64];
    for (int i = 0; i < lines.size() && i < lineCount; ++i) {
        const auto it = placed.find(i + 1);
        QByteArray head;
        if (it != placed.end() && !tr.padding[size_t(i + 1)]) {
            std::snprintf(buf, sizeof buf, "%05X  ", it->second.first);
            head = buf;
            for (std::uint32_t b = 0; b < std::min<std::uint32_t>(it->second.second, 6); ++b) {
                std::snprintf(buf, sizeof buf, "%02X ", r.image[std::min<std::size_t>(it->second.first + b, r.image.size() - 1)]);
                head += buf;
            }
        }
        r.listing += head.leftJustified(26, ' ') + lines[i] + '\n';
    }
    return r;
}

} // namespace sim
