#include "sim/Masm88.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <cctype>
#include <set>

namespace sim {

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}
std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}
std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n\f\v");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n\f\v") - b + 1);
}

bool identChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '?' || c == '@' || c == '$' || c == '.';
}
bool identStart(const std::string& s, std::size_t i) {
    const char c = s[i];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '.')
        return true;
    // `$` and `?` alone are the location counter and an uninitialised value.
    return (c == '$' || c == '?') && i + 1 < s.size() && identChar(s[i + 1]) && s[i + 1] != '.';
}

// The 8086's instructions, as MASM names them (the 8088 has the same set).
const std::set<std::string>& mnemonics() {
    static const std::set<std::string> set{
        "AAA", "AAD", "AAM", "AAS", "ADC", "ADD", "AND", "CALL", "CBW", "CLC", "CLD", "CLI", "CMC", "CMP",
        "CMPSB", "CMPSW", "CWD", "DAA", "DAS", "DEC", "DIV", "HLT", "IDIV", "IMUL", "IN", "INC", "INT", "INTO",
        "IRET", "JA", "JAE", "JB", "JBE", "JC", "JCXZ", "JE", "JG", "JGE", "JL", "JLE", "JMP", "JNA", "JNAE",
        "JNB", "JNBE", "JNC", "JNE", "JNG", "JNGE", "JNL", "JNLE", "JNO", "JNP", "JNS", "JNZ", "JO", "JP", "JPE",
        "JPO", "JS", "JZ", "LAHF", "LDS", "LEA", "LES", "LODSB", "LODSW", "LOOP", "LOOPE", "LOOPNE", "LOOPNZ",
        "LOOPZ", "MOV", "MOVSB", "MOVSW", "MUL", "NEG", "NOP", "NOT", "OR", "OUT", "POP", "POPF", "PUSH", "PUSHF",
        "RCL", "RCR", "RET", "RETF", "RETN", "ROL", "ROR", "SAHF", "SAL", "SAR", "SBB", "SCASB", "SCASW", "SHL",
        "SHR", "STC", "STD", "STI", "STOSB", "STOSW", "SUB", "TEST", "WAIT", "XCHG", "XLAT", "XLATB", "XOR"};
    return set;
}
const std::set<std::string>& prefixes() {
    static const std::set<std::string> set{"REP", "REPE", "REPZ", "REPNE", "REPNZ", "LOCK"};
    return set;
}
// Directives a line may carry after a name ("CODE SEGMENT", "X DB 1").
const std::set<std::string>& namedDirectives() {
    static const std::set<std::string> set{"SEGMENT", "ENDS", "PROC", "ENDP", "EQU", "=", "DB", "DW", "DD",
                                           "DQ", "DT", "LABEL", "STRUC", "MACRO", "GROUP", "RECORD"};
    return set;
}
// Listing and module directives that change nothing in a one-file program.
const std::set<std::string>& ignoredDirectives() {
    static const std::set<std::string> set{"TITLE", "SUBTTL", "PAGE", "PUBLIC", ".LIST", ".XLIST", ".LALL",
                                           ".SALL", ".XALL", ".8086", ".8087", "%OUT", ".CREF", ".XCREF"};
    return set;
}
const std::set<std::string>& registers16() {
    static const std::set<std::string> set{"AX", "BX", "CX", "DX", "SI", "DI", "BP", "SP"};
    return set;
}
const std::set<std::string>& registers8() {
    static const std::set<std::string> set{"AL", "AH", "BL", "BH", "CL", "CH", "DL", "DH"};
    return set;
}
const std::set<std::string>& segmentRegisters() {
    static const std::set<std::string> set{"CS", "DS", "ES", "SS"};
    return set;
}
bool isShift(const std::string& m) {
    return m == "SHL" || m == "SHR" || m == "SAL" || m == "SAR" || m == "ROL" || m == "ROR" || m == "RCL" || m == "RCR";
}

enum class Kind { Code, Data, Const, Segment };
struct Symbol {
    Kind kind = Kind::Code;
    int size = 0;     // data: 1, 2, 4
    bool far = false; // a FAR procedure or label
    int segment = -1;
};

// Splits at commas outside quotes, brackets and parentheses.
std::vector<std::string> splitOperands(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    int depth = 0;
    char quote = 0;
    for (const char c : s) {
        if (quote) {
            cur += c;
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"')
            quote = c;
        else if (c == '[' || c == '(')
            ++depth;
        else if (c == ']' || c == ')')
            --depth;
        if (c == ',' && depth == 0) {
            out.push_back(trim(cur));
            cur.clear();
            continue;
        }
        cur += c;
    }
    if (!trim(cur).empty() || !out.empty())
        out.push_back(trim(cur));
    return out;
}

struct Token {
    enum Type { Word, Number, String, Punct } type;
    std::string text;
};

std::vector<Token> tokenize(const std::string& s) {
    std::vector<Token> out;
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            while (j < s.size() && s[j] != c)
                ++j;
            out.push_back({Token::String, s.substr(i, std::min(j + 1, s.size()) - i)});
            i = j + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            while (j < s.size() && std::isalnum(static_cast<unsigned char>(s[j])))
                ++j;
            out.push_back({Token::Number, s.substr(i, j - i)});
            i = j;
        } else if (identStart(s, i)) {
            std::size_t j = i + 1;
            while (j < s.size() && identChar(s[j]))
                ++j;
            out.push_back({Token::Word, s.substr(i, j - i)});
            i = j;
        } else {
            out.push_back({Token::Punct, std::string(1, c)});
            ++i;
        }
    }
    return out;
}

struct Operand {
    std::string expr;          // nasm text of the value or address, without brackets
    bool memory = false;
    int size = 0;              // 1, 2, 4 from PTR or the variable's definition
    bool explicitSize = false;
    bool reg = false, segReg = false, cl = false;
    std::string segment;       // an override, upper case
    std::string distance;      // "short ", "near "
    bool far = false;          // FAR PTR, or a FAR procedure's name
    int farSegment = -1;       // the segment of a far target
    std::string error;
};

class Translator {
public:
    Translator(const QByteArray& source, const std::vector<std::uint32_t>& paragraphs)
        : paragraphs_(paragraphs) {
        QByteArray text = source;
        text.replace("\r\n", "\n");
        text.replace('\r', '\n');
        for (const QByteArray& l : text.split('\n'))
            lines_.push_back(l.toStdString());
        if (!lines_.empty() && lines_.back().empty())
            lines_.pop_back();
    }

    Masm88Translation run() {
        collect();
        out_.segmentOfLine.assign(lines_.size() + 1, -1);
        out_.padding.assign(lines_.size() + 1, 0);
        out_.text = "bits 16\ncpu 8086\n[map sections nasm.map]\n";
        current_ = -1;
        bool ended = false;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            line_ = int(i) + 1;
            std::string nasm;
            if (!ended) {
                nasm = translateLine(lines_[i], &ended);
                out_.segmentOfLine[size_t(line_)] = current_;
            }
            out_.text += QByteArray::fromStdString(nasm) + '\n';
        }
        return std::move(out_);
    }

private:
    struct Parsed {
        std::string label, name, op, rest;
    };

    static std::string code(const std::string& line) {
        char quote = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == ';') {
                return trim(line.substr(0, i));
            }
        }
        return trim(line);
    }

    static std::string word(const std::string& s, std::size_t* end) {
        std::size_t i = 0;
        if (s.empty())
            return {};
        if (s[0] == '=' || s[0] == '%') {
            *end = 1;
            if (s[0] == '%')
                while (*end < s.size() && identChar(s[*end]))
                    ++*end;
            return s.substr(0, *end);
        }
        if (!identStart(s, 0))
            return {};
        while (i < s.size() && identChar(s[i]))
            ++i;
        *end = i;
        return s.substr(0, i);
    }

    static Parsed parse(const std::string& text) {
        Parsed p;
        std::string s = code(text);
        std::size_t end = 0;
        std::string w = word(s, &end);
        if (!w.empty() && end < s.size() && s[end] == ':' && (end + 1 >= s.size() || s[end + 1] != ':')) {
            p.label = upper(w);
            s = trim(s.substr(end + 1));
            w = word(s, &end);
        }
        if (w.empty()) {
            p.op = s.empty() ? "" : s; // something that is not a word: reported as unknown
            return p;
        }
        std::string rest = trim(s.substr(end));
        std::size_t end2 = 0;
        const std::string w2 = upper(word(rest, &end2));
        if (!w2.empty() && namedDirectives().count(w2) && !mnemonics().count(upper(w))) {
            p.name = upper(w);
            p.op = w2;
            p.rest = trim(rest.substr(end2));
        } else {
            p.op = upper(w);
            p.rest = rest;
        }
        return p;
    }

    // The symbols and segments of the whole source, before any line is translated.
    void collect() {
        int segment = -1;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const int line = int(i) + 1;
            const Parsed p = parse(lines_[i]);
            if (p.op == "END")
                break;
            const auto define = [&](const std::string& name, Symbol s) {
                s.segment = segment;
                if (!symbols_.count(name)) {
                    symbols_[name] = s;
                    out_.labelLine[name] = line;
                }
            };
            const int dataSize = p.op == "DB" ? 1 : p.op == "DW" ? 2 : p.op == "DD" ? 4 : 0;
            if (!p.label.empty())
                define(p.label, dataSize ? Symbol{Kind::Data, dataSize} : Symbol{Kind::Code});
            if (p.name.empty())
                continue;
            if (p.op == "SEGMENT") {
                auto it = std::find_if(out_.segments.begin(), out_.segments.end(),
                                       [&](const Masm88Segment& s) { return s.name == p.name; });
                if (it == out_.segments.end()) {
                    out_.segments.push_back({p.name, line});
                    it = out_.segments.end() - 1;
                }
                segment = int(it - out_.segments.begin());
                define(p.name, Symbol{Kind::Segment});
            } else if (p.op == "ENDS") {
                segment = -1;
            } else if (p.op == "PROC") {
                define(p.name, Symbol{Kind::Code, 0, upper(p.rest).find("FAR") != std::string::npos});
            } else if (p.op == "EQU" || p.op == "=") {
                define(p.name, Symbol{Kind::Const});
            } else if (dataSize) {
                define(p.name, Symbol{Kind::Data, dataSize});
            } else if (p.op == "LABEL") {
                const std::string t = upper(trim(p.rest));
                const int size = t == "BYTE" ? 1 : t == "WORD" ? 2 : t == "DWORD" ? 4 : 0;
                define(p.name, size ? Symbol{Kind::Data, size} : Symbol{Kind::Code, 0, t == "FAR"});
            }
        }
    }

    void fail(const std::string& what) {
        if (!failed_)
            out_.errors.push_back({line_, QStringLiteral("第%1行：%2").arg(line_).arg(QString::fromStdString(what))});
        failed_ = true;
    }

    std::string paragraphOf(int segment) const {
        const std::uint32_t p = segment >= 0 && std::size_t(segment) < paragraphs_.size() ? paragraphs_[size_t(segment)] : 0;
        return std::to_string(p);
    }

    std::string translateLine(const std::string& text, bool* ended) {
        failed_ = false;
        const Parsed p = parse(text);
        std::string out = p.label.empty() ? "" : "$" + p.label + ": ";
        const std::string& op = p.op;
        if (op.empty())
            return out;
        if (!p.name.empty())
            return out + named(p);
        if (op == "ASSUME" || ignoredDirectives().count(op))
            return out;
        if (op == "END") {
            std::size_t end = 0;
            out_.entryLabel = upper(word(trim(p.rest), &end));
            out_.endLine = line_;
            *ended = true;
            return out;
        }
        if (op == "ORG")
            return out + org(p.rest);
        if (op == "EVEN")
            return out + "align 2";
        if (op == "ALIGN")
            return out + "align " + expression(p.rest);
        if (op == "DB" || op == "DW" || op == "DD")
            return out + data(op, p.rest);
        if (prefixes().count(op)) {
            std::size_t end = 0;
            const std::string next = upper(word(p.rest, &end));
            if (!mnemonics().count(next)) {
                fail("前缀 " + op + " 后应为指令");
                return {};
            }
            return out + lower(op) + " " + instruction(next, trim(p.rest.substr(end)));
        }
        if (mnemonics().count(op))
            return out + instruction(op, p.rest);
        static const std::set<std::string> unsupported{
            "STRUC", "MACRO", "ENDM", "REPT", "IRP", "IRPC", "EXITM", "LOCAL", "INCLUDE", "INCLUDELIB", "EXTRN",
            "EXTERN", "GROUP", "RECORD", "IF", "IFE", "IFDEF", "IFNDEF", "IFB", "IFNB", "IF1", "IF2", "ELSE",
            "ENDIF", "COMMENT", ".MODEL", ".CODE", ".DATA", ".STACK", ".STARTUP", ".EXIT", ".186", ".286",
            ".386", ".RADIX", "DQ", "DT", "PURGE", "NAME"};
        if (unsupported.count(op) || op[0] == '.') {
            fail("不支持的伪指令 " + op);
            return {};
        }
        static const std::set<std::string> later{"PUSHA", "POPA", "ENTER", "LEAVE", "BOUND", "INSB", "INSW",
                                                 "OUTSB", "OUTSW", "MOVSX", "MOVZX", "PUSHAD", "POPAD",
                                                 "CMPS", "LODS", "MOVS", "SCAS", "STOS"};
        if (later.count(op))
            fail(op.size() == 4 ? "不支持带操作数的串指令 " + op + "（请写 " + op + "B 或 " + op + "W）"
                                : "8088 没有指令 " + op);
        else
            fail("未知的指令 " + op);
        return {};
    }

    std::string named(const Parsed& p) {
        const std::string name = "$" + p.name;
        const std::string& op = p.op;
        if (op == "SEGMENT") {
            const auto it = std::find_if(out_.segments.begin(), out_.segments.end(),
                                         [&](const Masm88Segment& s) { return s.name == p.name; });
            current_ = int(it - out_.segments.begin());
            inFar_ = false;
            // Sections lie where the segments do; a first translation lets nasm place them one after another.
            const std::string section = "section seg_" + p.name;
            if (out_.segments.size() == 1 || !paragraphs_.empty())
                return section + " start=" + std::to_string(std::stoul(paragraphOf(current_)) * 16) + " vstart=0";
            return section + (current_ == 0 ? "" : " follows=seg_" + out_.segments[size_t(current_ - 1)].name) +
                   " align=16 vstart=0";
        }
        if (op == "ENDS") {
            const int s = current_;
            current_ = -1;
            return s >= 0 ? name + " equ " + paragraphOf(s) : "";
        }
        if (op == "PROC") {
            inFar_ = upper(p.rest).find("FAR") != std::string::npos;
            return name + ":";
        }
        if (op == "ENDP") {
            inFar_ = false;
            return {};
        }
        if (op == "LABEL")
            return name + ":";
        if (op == "EQU" || op == "=") {
            for (const Token& t : tokenize(p.rest))
                if (t.text == "[" || registers16().count(upper(t.text)) || registers8().count(upper(t.text)) ||
                    segmentRegisters().count(upper(t.text))) {
                    fail("不支持文本替换的 EQU（" + p.name + " EQU " + trim(p.rest) + "）");
                    return {};
                }
            if (trim(p.rest).empty()) {
                fail("EQU 后缺少数值");
                return {};
            }
            return name + " equ " + expression(p.rest);
        }
        if (op == "DB" || op == "DW" || op == "DD")
            return name + ": " + data(op, p.rest);
        fail("不支持的伪指令 " + op);
        return {};
    }

    std::string org(const std::string& rest) {
        out_.padding[size_t(line_)] = 1;
        const std::string e = expression(rest);
        return "times (" + e + ")-($-$$) db 0";
    }

    std::string data(const std::string& op, const std::string& rest) {
        std::string out = lower(op) + " ";
        const std::vector<std::string> items = splitOperands(rest);
        if (items.empty()) {
            fail(op + " 后缺少数据");
            return {};
        }
        for (std::size_t i = 0; i < items.size(); ++i)
            out += (i ? "," : "") + expression(items[i]);
        return out;
    }

    // A value: symbols as `$NAME`, OFFSET dropped, MASM's word operators as nasm's.
    std::string expression(const std::string& text) {
        Operand o = operand(text, false);
        if (!o.error.empty())
            fail(o.error);
        return o.expr;
    }

    Operand operand(const std::string& text, bool target) {
        Operand o;
        const std::vector<Token> toks = tokenize(text);
        std::string e;
        bool offset = false, bracket = false;
        std::string wrapEnd;
        int words = 0, registers = 0;
        const auto put = [&](const std::string& s, bool wordLike) {
            if (wordLike && !e.empty() && (std::isalnum(static_cast<unsigned char>(e.back())) || e.back() == '$' ||
                                           e.back() == '_' || e.back() == ')' || e.back() == '\''))
                e += ' ';
            e += s;
        };
        for (std::size_t i = 0; i < toks.size(); ++i) {
            const Token& tk = toks[i];
            const std::string t = upper(tk.text);
            const bool nextPtr = i + 1 < toks.size() && upper(toks[i + 1].text) == "PTR";
            if (tk.type == Token::Word) {
                ++words;
                if (t == "OFFSET") {
                    offset = true;
                    --words;
                    continue;
                }
                if ((t == "BYTE" || t == "WORD" || t == "DWORD") && nextPtr) {
                    o.size = t == "BYTE" ? 1 : t == "WORD" ? 2 : 4;
                    o.explicitSize = true;
                    o.far = target && t == "DWORD";
                    ++i;
                    --words;
                    continue;
                }
                if ((t == "NEAR" || t == "FAR") && nextPtr) {
                    if (t == "FAR")
                        o.far = true;
                    else
                        o.distance = "near ";
                    ++i;
                    --words;
                    continue;
                }
                if (t == "SHORT") {
                    o.distance = "short ";
                    --words;
                    continue;
                }
                if (segmentRegisters().count(t) && i + 1 < toks.size() && toks[i + 1].text == ":") {
                    o.segment = t;
                    o.memory = true;
                    ++i;
                    --words;
                    continue;
                }
                if (registers16().count(t) || registers8().count(t) || segmentRegisters().count(t)) {
                    ++registers;
                    o.segReg = segmentRegisters().count(t) > 0;
                    o.cl = t == "CL";
                    if (!o.size && !bracket)
                        o.size = registers8().count(t) ? 1 : 2;
                    put(lower(t), true);
                    continue;
                }
                static const std::map<std::string, std::string> operators{
                    {"MOD", "%"}, {"SHL", "<<"}, {"SHR", ">>"}, {"AND", "&"}, {"OR", "|"}, {"XOR", "^"}, {"NOT", "~"}};
                if (const auto op = operators.find(t); op != operators.end()) {
                    --words;
                    e += op->second;
                    continue;
                }
                if (t == "HIGH" || t == "LOW") {
                    --words;
                    e += "((";
                    wrapEnd = t == "HIGH" ? ")>>8)&0FFH" + wrapEnd : ")&0FFH)" + wrapEnd;
                    continue;
                }
                if (t == "SEG") {
                    --words;
                    if (i + 1 < toks.size()) {
                        const auto s = symbols_.find(upper(toks[i + 1].text));
                        put(paragraphOf(s == symbols_.end() ? -1 : s->second.segment), true);
                        ++i;
                    }
                    continue;
                }
                if (t == "DUP") {
                    put("dup", true);
                    continue;
                }
                static const std::set<std::string> unsupported{"TYPE", "LENGTH", "SIZE", "THIS", "EQ", "NE", "LT",
                                                               "GT", "LE", "GE", "MASK", "WIDTH", ".TYPE", "PTR"};
                if (unsupported.count(t)) {
                    o.error = "不支持的运算符 " + t;
                    continue;
                }
                const auto s = symbols_.find(t);
                if (s != symbols_.end()) {
                    if (s->second.kind == Kind::Data && !offset) {
                        o.memory = true;
                        if (!o.size)
                            o.size = s->second.size;
                    }
                    if (s->second.kind == Kind::Code && s->second.far) {
                        o.far = o.far || target;
                        o.farSegment = s->second.segment;
                    }
                }
                offset = false;
                put("$" + t, true);
            } else if (tk.type == Token::Number || tk.type == Token::String) {
                put(tk.text, true);
            } else if (tk.text == "[") {
                o.memory = bracket = true;
                if (!e.empty() && e.back() != '+' && e.back() != '-' && e.back() != '(' && e.back() != '*')
                    e += '+';
            } else if (tk.text == "]") {
                bracket = false;
            } else {
                e += tk.text;
            }
        }
        e += wrapEnd;
        o.reg = registers == 1 && words == 1 && !o.memory;
        if (!o.reg && !o.memory)
            o.size = 0;
        o.expr = e;
        return o;
    }

    std::string memoryText(const Operand& o, bool withSize) const {
        std::string s;
        if (withSize && o.size)
            s = o.size == 1 ? "byte " : o.size == 2 ? "word " : "dword ";
        const bool bp = upper(o.expr).find("BP") != std::string::npos;
        std::string seg = o.segment;
        if ((seg == "DS" && !bp) || (seg == "SS" && bp))
            seg.clear(); // the default segment: MASM writes no prefix byte for it
        return s + "[" + (seg.empty() ? "" : lower(seg) + ":") + o.expr + "]";
    }

    std::string instruction(const std::string& op, const std::string& rest) {
        std::string m = op == "XLAT" ? "xlatb" : lower(op);
        if ((op == "RET") && inFar_)
            m = "retf";
        const std::vector<std::string> texts = splitOperands(rest);
        const bool jump = op == "JMP" || op == "CALL" || op[0] == 'J' || op.rfind("LOOP", 0) == 0;
        std::vector<Operand> ops;
        for (const std::string& t : texts) {
            ops.push_back(operand(t, jump));
            if (!ops.back().error.empty()) {
                fail(ops.back().error);
                return {};
            }
            if (t.empty()) {
                fail("操作数为空");
                return {};
            }
        }
        if (ops.size() > 2) {
            fail("操作数太多");
            return {};
        }
        std::string out = m;
        for (std::size_t i = 0; i < ops.size(); ++i) {
            const Operand& o = ops[i];
            out += i ? "," : " ";
            if (jump && !o.memory) {
                if (o.far && (op == "JMP" || op == "CALL"))
                    out += paragraphOf(o.farSegment) + ":" + o.expr;
                else
                    out += o.distance + o.expr;
                continue;
            }
            if (!o.memory) {
                out += o.expr;
                continue;
            }
            // A memory operand names its size when no register operand gives it (MASM takes it from the
            // variable's definition or PTR); a shift's CL gives none.
            bool sized = o.explicitSize;
            if (!sized) {
                sized = true;
                for (std::size_t j = 0; j < ops.size(); ++j)
                    if (j != i && ops[j].reg && !(isShift(op) && ops[j].cl))
                        sized = false;
            }
            if (jump && o.far)
                out += "far " + memoryText(o, false);
            else
                out += memoryText(o, sized);
        }
        return out;
    }

    std::vector<std::string> lines_;
    std::vector<std::uint32_t> paragraphs_;
    std::map<std::string, Symbol> symbols_;
    Masm88Translation out_;
    int line_ = 0;
    int current_ = -1;
    bool inFar_ = false;
    bool failed_ = false;
};

} // namespace

Masm88Translation translateMasm88(const QByteArray& source, const std::vector<std::uint32_t>& paragraphs) {
    return Translator(source, paragraphs).run();
}

} // namespace sim
