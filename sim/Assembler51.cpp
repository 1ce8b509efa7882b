// The 8051 assembler: two passes over the source's lines.
//
// Pass 1 splits the lines, reads each into tokens, defines labels and symbols and gives every line its
// address. An 8051 instruction's length follows from its operands' spelling alone (A, Rn, @Ri, #…, C,
// /…, or an expression), never from a value, so pass 1 knows every address without evaluating operands;
// only ORG and DS need a value then, which must not refer forward. Pass 2 evaluates and encodes.
//
// EQU (and DATA, IDATA, XDATA, BIT, CODE) may refer to symbols defined further down: such a symbol is
// worked out when it is first needed, its chain of definitions followed with a bounded depth, a cycle an
// error. SET symbols take their values line by line, in each pass anew.
//
// Each line reports at most its first error; a symbol whose definition fails reports at its own line,
// once, and the lines that use it stay silent. Generic JMP and CALL (which as31 refuses) are LJMP and
// LCALL: always in reach, and their length is known without the target.
#include "sim/Assembler51.h"

#include "sim/Mcs51Opcodes.h"

#include "base/Gbk.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sim {
namespace {

using i64 = std::int64_t;
using u64 = std::uint64_t;
using mcs51::Operand;

constexpr int kMaxDepth = 100;            // nested parentheses, unary operators and symbol definitions
constexpr std::size_t kMaxErrors = 1000;  // listed; one more message counts the rest
constexpr i64 kMaxLiteral = 0xFFFFFFFFLL; // numbers are read up to 32 bits; values are 64-bit meanwhile

// ---------------------------------------------------------------- names known before the source

// clang-format off
enum class Kw : std::uint8_t { None, Mnemonic, Directive, Register, Operator };
enum Dir : std::uint8_t { dORG, dDB, dDW, dDS, dEND, dEQU, dSET, dDATA, dIDATA, dXDATA, dBIT, dCODE };
enum Reg : std::uint8_t { rA, rAB, rC, rDPTR, rPC, rR0 };
enum OpWord : std::uint8_t { wMOD, wSHL, wSHR, wAND, wOR, wXOR, wNOT, wHIGH, wLOW, wEQ, wNE, wLT, wLE, wGT, wGE };

// What a value stands for, as far as the operand checks care: a byte address of the SFR or DATA kind
// (P1, ACC, X DATA 30H), a bit address (P1.0, TI, F BIT 20H.1), or a plain number.
enum class Type : std::uint8_t { Number, Byte, Bit };

// Operand spellings, as the lookup of forms knows them (< 32, five bits each in a key).
enum Cls : std::uint8_t {
    cNone, cA, cAB, cC, cDPTR, cR0, cR7 = cR0 + 7, cAtR0, cAtR1, cAtDptr, cAtADptr, cAtAPc, cImm, cNotBit, cExpr
};
// clang-format on

Cls classOf(Operand o) {
    switch (o) {
    case Operand::None:
        return cNone;
    case Operand::A:
        return cA;
    case Operand::AB:
        return cAB;
    case Operand::C:
        return cC;
    case Operand::DPTR:
        return cDPTR;
    case Operand::AtR0:
        return cAtR0;
    case Operand::AtR1:
        return cAtR1;
    case Operand::AtDptr:
        return cAtDptr;
    case Operand::AtADptr:
        return cAtADptr;
    case Operand::AtAPc:
        return cAtAPc;
    case Operand::Imm8:
    case Operand::Imm16:
        return cImm;
    case Operand::NotBit:
        return cNotBit;
    case Operand::Direct:
    case Operand::Bit:
    case Operand::Rel:
    case Operand::Addr11:
    case Operand::Addr16:
        return cExpr;
    default:
        return static_cast<Cls>(cR0 + (static_cast<int>(o) - static_cast<int>(Operand::R0)));
    }
}

std::uint32_t formKey(int mnemonic, const Cls c[3]) {
    return static_cast<std::uint32_t>(mnemonic) << 15 | c[0] << 10 | c[1] << 5 | c[2];
}

struct Builtin {
    std::string name;
    Kw kw = Kw::None;
    std::uint8_t sub = 0; // mnemonic index, Dir, Reg or OpWord
    Type type = Type::Number;
    int value = 0; // predefined SFRs and bits
};

struct Builtins {
    std::vector<Builtin> list;
    std::unordered_map<std::string, int> index;
    std::vector<std::string> mnemonics;
    std::unordered_map<std::uint32_t, std::uint8_t> forms; // formKey -> opcode
    std::vector<std::array<std::uint8_t, 4>> guessLength;  // [mnemonic][operand count]: for lines in error

    int add(std::string name, Kw kw, int sub, Type type = Type::Number, int value = 0) {
        const int id = static_cast<int>(list.size());
        index.emplace(name, id);
        list.push_back({std::move(name), kw, static_cast<std::uint8_t>(sub), type, value});
        return id;
    }

    Builtins() {
        for (int code = 0; code < 256; ++code) {
            const mcs51::Opcode& op = mcs51::kOpcodes[static_cast<std::size_t>(code)];
            if (!op.defined())
                continue;
            auto it = std::find(mnemonics.begin(), mnemonics.end(), op.mnemonic);
            const int m = static_cast<int>(it - mnemonics.begin());
            if (it == mnemonics.end()) {
                mnemonics.emplace_back(op.mnemonic);
                guessLength.push_back({1, 1, 1, 1});
            }
            Cls c[3];
            for (std::size_t i = 0; i < 3; ++i)
                c[i] = classOf(op.operands[i]);
            forms.emplace(formKey(m, c), static_cast<std::uint8_t>(code)); // AJMP/ACALL: the first of eight
            auto& guess =
                guessLength[static_cast<std::size_t>(m)][static_cast<std::size_t>(op.operandCount())];
            guess = std::max(guess, op.length);
        }
        // Generic JMP and CALL: LJMP and LCALL.
        const Cls expr[3] = {cExpr, cNone, cNone};
        const int jmp =
            static_cast<int>(std::find(mnemonics.begin(), mnemonics.end(), "JMP") - mnemonics.begin());
        forms.emplace(formKey(jmp, expr), 0x02);
        guessLength[static_cast<std::size_t>(jmp)][1] = 3;
        mnemonics.emplace_back("CALL");
        guessLength.push_back({1, 3, 1, 1});
        forms.emplace(formKey(static_cast<int>(mnemonics.size()) - 1, expr), 0x12);
        for (std::size_t m = 0; m < mnemonics.size(); ++m)
            add(mnemonics[m], Kw::Mnemonic, static_cast<int>(m));

        const char* directives[] = {"ORG", "DB",   "DW",    "DS",    "END", "EQU",
                                    "SET", "DATA", "IDATA", "XDATA", "BIT", "CODE"};
        for (int d = 0; d < 12; ++d)
            add(directives[d], Kw::Directive, d);
        const char* registers[] = {"A",  "AB", "C",  "DPTR", "PC", "R0", "R1",
                                   "R2", "R3", "R4", "R5",   "R6", "R7"};
        for (int r = 0; r < 13; ++r)
            add(registers[r], Kw::Register, r);
        const char* words[] = {"MOD", "SHL", "SHR", "AND", "OR", "XOR", "NOT", "HIGH",
                               "LOW", "EQ",  "NE",  "LT",  "LE", "GT",  "GE"};
        for (int w = 0; w < 15; ++w)
            add(words[w], Kw::Operator, w);

        // The 8052's special function registers and bits.
        const std::pair<const char*, int> sfrs[] = {
            {"P0", 0x80},     {"SP", 0x81},   {"DPL", 0x82},  {"DPH", 0x83},   {"PCON", 0x87},
            {"TCON", 0x88},   {"TMOD", 0x89}, {"TL0", 0x8A},  {"TL1", 0x8B},   {"TH0", 0x8C},
            {"TH1", 0x8D},    {"P1", 0x90},   {"SCON", 0x98}, {"SBUF", 0x99},  {"P2", 0xA0},
            {"IE", 0xA8},     {"P3", 0xB0},   {"IP", 0xB8},   {"T2CON", 0xC8}, {"RCAP2L", 0xCA},
            {"RCAP2H", 0xCB}, {"TL2", 0xCC},  {"TH2", 0xCD},  {"PSW", 0xD0},   {"ACC", 0xE0},
            {"B", 0xF0}};
        for (const auto& [name, value] : sfrs)
            add(name, Kw::None, 0, Type::Byte, value);
        const std::pair<const char*, int> bits[] = {
            {"IT0", 0x88},   {"IE0", 0x89},  {"IT1", 0x8A},  {"IE1", 0x8B},    {"TR0", 0x8C},  {"TF0", 0x8D},
            {"TR1", 0x8E},   {"TF1", 0x8F},  {"T2", 0x90},   {"T2EX", 0x91},   {"RI", 0x98},   {"TI", 0x99},
            {"RB8", 0x9A},   {"TB8", 0x9B},  {"REN", 0x9C},  {"SM2", 0x9D},    {"SM1", 0x9E},  {"SM0", 0x9F},
            {"EX0", 0xA8},   {"ET0", 0xA9},  {"EX1", 0xAA},  {"ET1", 0xAB},    {"ES", 0xAC},   {"ET2", 0xAD},
            {"EA", 0xAF},    {"RXD", 0xB0},  {"TXD", 0xB1},  {"INT0", 0xB2},   {"INT1", 0xB3}, {"T0", 0xB4},
            {"T1", 0xB5},    {"WR", 0xB6},   {"RD", 0xB7},   {"PX0", 0xB8},    {"PT0", 0xB9},  {"PX1", 0xBA},
            {"PT1", 0xBB},   {"PS", 0xBC},   {"PT2", 0xBD},  {"CP_RL2", 0xC8}, {"C_T2", 0xC9}, {"TR2", 0xCA},
            {"EXEN2", 0xCB}, {"TCLK", 0xCC}, {"RCLK", 0xCD}, {"EXF2", 0xCE},   {"TF2", 0xCF},  {"P", 0xD0},
            {"OV", 0xD2},    {"RS0", 0xD3},  {"RS1", 0xD4},  {"F0", 0xD5},     {"AC", 0xD6},   {"CY", 0xD7}};
        for (const auto& [name, value] : bits)
            add(name, Kw::None, 0, Type::Bit, value);
    }
};

const Builtins& builtins() {
    static const Builtins b;
    return b;
}

// ---------------------------------------------------------------- tokens and lines

enum class T : std::uint8_t { Ident, Number, String, Dollar, Punct };

// Two-character operators, as Token::op.
constexpr char kShl = 'L', kShr = 'R', kLe = 'l', kGe = 'g', kNe = 'n', kEqEq = 'e';

struct Token {
    T type;
    char op = 0;           // Punct
    std::uint32_t pos = 0; // in the source; a String's first byte after the quote
    std::uint32_t len = 0; // a String's bytes between the quotes (doubled quotes not yet undone)
    std::int32_t id = -1;  // Ident
    i64 value = 0;         // Number
};

enum class Kind : std::uint8_t { Empty, Instruction, Db, Dw, Ds, Org, Define, End };

struct Line {
    std::uint32_t begin = 0, end = 0;  // the source line, without its line break
    std::uint32_t tok = 0, tokEnd = 0; // its tokens
    std::uint32_t arg = 0;             // the first token after the mnemonic or directive
    std::uint32_t address = 0;
    std::uint32_t size = 0; // bytes emitted or reserved
    std::int32_t name = -1; // the symbol an EQU … BIT line defines
    Kind kind = Kind::Empty;
    Dir dir = dORG;
    std::uint8_t opcode = 0;
    bool failed = false;   // has reported its error
    bool forward = false;  // ORG/DS whose value referred forward in pass 1
    bool listed = true;    // before END (or END itself)
    bool hasValue = false; // a definition line with its value, for the listing
    i64 value = 0;
};

enum class SymKind : std::uint8_t { None, Predefined, Label, Equ, Set };
enum class State : std::uint8_t { Unresolved, Resolving, Resolved, Failed };

struct Symbol {
    SymKind kind = SymKind::None;
    State state = State::Unresolved;
    Type type = Type::Number;
    Dir dir = dEQU;
    std::int32_t line = -1;
    i64 value = 0;
    std::uint32_t namePos = 0, nameLen = 0; // as written where it is defined
};

enum class St : std::uint8_t { Ok, Unknown, Fail }; // Fail: the error is reported already

struct Value {
    i64 v = 0;
    Type type = Type::Number;
};

struct Operand51 {
    Cls cls = cNone;
    std::uint32_t b = 0, e = 0; // the expression's tokens (after # or /)
};

QString hexAddress(i64 v) {
    if (v < 0 || v > 0xFFFFFF)
        return QString::number(v);
    QString s = QString::number(v, 16).toUpper();
    if (s.size() < 4)
        s = QString(4 - s.size(), '0') + s;
    return (s[0].isLetter() ? "0" : "") + s + "H";
}

QString hexByte(i64 v) {
    if (v < 0 || v > 0xFFFF)
        return QString::number(v);
    QString s = QString::number(v, 16).toUpper();
    if (s.size() < 2)
        s = "0" + s;
    return (s[0].isLetter() ? "0" : "") + s + "H";
}

// Source text for a message: UTF-8 when it reads as such, GBK otherwise (ASCII either way).
QString decodeText(const char* bytes, qsizetype size) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(bytes, size));
    return utf8.hasError() ? gbk::decode(QByteArrayView(bytes, size)) : s;
}

bool isIdentStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '?';
}
bool isIdentChar(unsigned char c) {
    return isIdentStart(c) || (c >= '0' && c <= '9');
}
bool isSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == 0x1A;
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// ---------------------------------------------------------------- the assembler

class Assembler {
public:
    explicit Assembler(const QByteArray& source)
        : src_(source.constData()),
          size_(static_cast<std::uint32_t>(std::min<qsizetype>(source.size(), 0x7FFFFFFF))), b_(builtins()) {
        syms_.resize(b_.list.size());
        for (std::size_t id = 0; id < b_.list.size(); ++id)
            if (b_.list[id].kw == Kw::None) {
                syms_[id].kind = SymKind::Predefined;
                syms_[id].state = State::Resolved;
                syms_[id].type = b_.list[id].type;
                syms_[id].value = b_.list[id].value;
            }
    }

    AsmResult run() {
        splitLines();
        pass_ = 1;
        std::uint32_t address = 0;
        bool overflowReported = false;
        for (std::size_t li = 0; li < lines_.size() && !ended_; ++li)
            pass1Line(static_cast<int>(li), address, overflowReported);
        pass_ = 2;
        for (Symbol& s : syms_)
            if (s.kind == SymKind::Set)
                s.state = State::Unresolved;
        // Code memory up to the end of the highest line that emits (a short program needs no 64 KiB).
        std::size_t span = 0;
        for (const Line& l : lines_)
            if ((l.kind == Kind::Instruction || l.kind == Kind::Db || l.kind == Kind::Dw) && !l.failed)
                span = std::max<std::size_t>(span,
                                             std::min<std::size_t>(std::size_t(l.address) + l.size, 0x10000));
        mem_.assign(span, 0xFF);
        owner_.assign(span, -1);
        for (std::size_t li = 0; li < lines_.size() && lines_[li].listed; ++li) {
            const Line& l = lines_[li];
            if (!l.failed)
                pass2Line(static_cast<int>(li));
            else if (l.kind == Kind::Define && l.dir == dSET && l.name >= 0)
                syms_[static_cast<std::size_t>(l.name)].state =
                    State::Failed; // reported; its uses stay silent
        }
        return finish();
    }

private:
    // ------------------------------------------------------------ errors

    void error(int line, const QString& text) {
        Line& l = lines_[static_cast<std::size_t>(line)];
        if (l.failed)
            return;
        l.failed = true;
        errors_.push_back({line + 1, QStringLiteral("第%1行：%2").arg(line + 1).arg(text)});
    }
    St fail(int line, const QString& text) {
        error(line, text);
        return St::Fail;
    }
    QString text(std::uint32_t b, std::uint32_t e) const { // the source text of tokens [b, e)
        if (b >= e)
            return {};
        const Token& first = toks_[b];
        const Token& last = toks_[e - 1];
        std::uint32_t from = first.pos - (first.type == T::String ? 1 : 0);
        std::uint32_t to = last.pos + last.len + (last.type == T::String ? 1 : 0);
        to = std::min(to, size_);
        return decodeText(src_ + from, static_cast<qsizetype>(to - from)).simplified();
    }
    QString text(const Token& t) const { return decodeText(src_ + t.pos, t.len); }

    // ------------------------------------------------------------ lines and tokens

    void splitLines() {
        std::uint32_t p = 0;
        if (size_ >= 3 && static_cast<unsigned char>(src_[0]) == 0xEF &&
            static_cast<unsigned char>(src_[1]) == 0xBB && static_cast<unsigned char>(src_[2]) == 0xBF)
            p = 3; // a UTF-8 byte-order mark
        lines_.reserve(size_ / 24 + 1);
        while (p < size_ || lines_.empty()) {
            const void* nl = std::memchr(src_ + p, '\n', size_ - p);
            const std::uint32_t e =
                nl ? static_cast<std::uint32_t>(static_cast<const char*>(nl) - src_) : size_;
            Line l;
            l.begin = p;
            l.end = e > p && src_[e - 1] == '\r' ? e - 1 : e;
            lines_.push_back(l);
            if (!nl)
                break;
            p = e + 1;
        }
    }

    int intern(std::uint32_t pos, std::uint32_t len) {
        key_.resize(len);
        for (std::uint32_t i = 0; i < len; ++i)
            key_[i] = upper(src_[pos + i]);
        if (auto it = b_.index.find(key_); it != b_.index.end())
            return it->second;
        auto [it, added] = user_.emplace(key_, static_cast<int>(syms_.size()));
        if (added)
            syms_.emplace_back();
        return it->second;
    }

    // Reads a number spelled 0FFH, 1010B, 17O, 17Q, 123D, 123 or 0x1F.
    bool number(std::uint32_t pos, std::uint32_t len, i64& out) const {
        const char* s = src_ + pos;
        int radix = 10;
        std::uint32_t from = 0, to = len;
        if (len > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            radix = 16;
            from = 2;
        } else {
            switch (upper(s[len - 1])) {
            case 'H':
                radix = 16;
                --to;
                break;
            case 'B':
                radix = 2;
                --to;
                break;
            case 'O':
            case 'Q':
                radix = 8;
                --to;
                break;
            case 'D':
                radix = 10;
                --to;
                break;
            default:
                break;
            }
        }
        if (from >= to)
            return false;
        u64 v = 0;
        for (std::uint32_t i = from; i < to; ++i) {
            const char c = upper(s[i]);
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'Z' ? c - 'A' + 10 : 99;
            if (d >= radix)
                return false;
            v = v * static_cast<u64>(radix) + static_cast<u64>(d);
            if (v > static_cast<u64>(kMaxLiteral))
                return false;
        }
        out = static_cast<i64>(v);
        return true;
    }

    // Tokens of line li up to its comment; false (and the error reported) on a character or number that
    // cannot be read.
    bool lex(int li) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        l.tok = static_cast<std::uint32_t>(toks_.size());
        std::uint32_t p = l.begin;
        const std::uint32_t e = l.end;
        bool ok = true;
        while (p < e && ok) {
            const unsigned char c = static_cast<unsigned char>(src_[p]);
            if (isSpace(c)) {
                ++p;
            } else if (c == ';') {
                break;
            } else if (isIdentStart(c)) {
                std::uint32_t q = p + 1;
                while (q < e && isIdentChar(static_cast<unsigned char>(src_[q])))
                    ++q;
                Token t{T::Ident};
                t.pos = p;
                t.len = q - p;
                t.id = intern(p, q - p);
                toks_.push_back(t);
                p = q;
            } else if (c >= '0' && c <= '9') {
                std::uint32_t q = p + 1;
                while (q < e && isIdentChar(static_cast<unsigned char>(src_[q])))
                    ++q;
                Token t{T::Number};
                t.pos = p;
                t.len = q - p;
                if (!number(p, q - p, t.value)) {
                    ok = false;
                    error(li, QStringLiteral("非法的数字 %1").arg(text(t)));
                }
                toks_.push_back(t);
                p = q;
            } else if (c == '\'' || c == '"') {
                std::uint32_t q = p + 1;
                while (true) {
                    if (q >= e) {
                        ok = false;
                        error(li, QStringLiteral("字符串缺少结束的引号"));
                        break;
                    }
                    if (static_cast<unsigned char>(src_[q]) == c) {
                        if (q + 1 < e && static_cast<unsigned char>(src_[q + 1]) == c) {
                            q += 2; // a doubled quote stands for itself
                            continue;
                        }
                        break;
                    }
                    ++q;
                }
                Token t{T::String};
                t.op = static_cast<char>(c);
                t.pos = p + 1;
                t.len = q - p - 1;
                toks_.push_back(t);
                p = q + 1;
            } else if (c == '$') {
                Token t{T::Dollar};
                t.pos = p;
                t.len = 1;
                toks_.push_back(t);
                ++p;
            } else {
                const char n = p + 1 < e ? src_[p + 1] : 0;
                char op = 0;
                std::uint32_t len = 2;
                if (c == '<' && n == '<')
                    op = kShl;
                else if (c == '>' && n == '>')
                    op = kShr;
                else if (c == '<' && n == '=')
                    op = kLe;
                else if (c == '>' && n == '=')
                    op = kGe;
                else if ((c == '<' && n == '>') || (c == '!' && n == '='))
                    op = kNe;
                else if (c == '=' && n == '=')
                    op = kEqEq;
                else if (std::string_view(",:#/@+-*().=<>&|^~%").find(static_cast<char>(c)) !=
                         std::string_view::npos) {
                    op = static_cast<char>(c);
                    len = 1;
                }
                if (!op) {
                    ok = false;
                    error(li, c >= 0x21 && c < 0x7F
                                  ? QStringLiteral("非法字符 %1").arg(QChar(c))
                                  : QStringLiteral("非法字符（全角符号和汉字只能写在注释或字符串里）"));
                    break;
                }
                Token t{T::Punct};
                t.op = op;
                t.pos = p;
                t.len = len;
                toks_.push_back(t);
                p += len;
            }
        }
        l.tokEnd = static_cast<std::uint32_t>(toks_.size());
        return ok;
    }

    bool isPunct(std::uint32_t i, std::uint32_t e, char op) const {
        return i < e && toks_[i].type == T::Punct && toks_[i].op == op;
    }
    Kw kwOf(const Token& t) const {
        return t.type == T::Ident && t.id < static_cast<int>(b_.list.size())
                   ? b_.list[static_cast<std::size_t>(t.id)].kw
                   : Kw::None;
    }
    int subOf(const Token& t) const { return b_.list[static_cast<std::size_t>(t.id)].sub; }
    bool isKw(std::uint32_t i, std::uint32_t e, Kw kw, int sub) const {
        return i < e && kwOf(toks_[i]) == kw && subOf(toks_[i]) == sub;
    }

    // ------------------------------------------------------------ symbols

    // Whether the name `t` may be defined by the user at line li; reports why not.
    bool definable(int li, const Token& t) {
        const Kw kw = kwOf(t);
        if (kw == Kw::Register || kw == Kw::Operator) {
            error(li, QStringLiteral("%1 是保留字，不能用作符号").arg(text(t)));
            return false;
        }
        const Symbol& s = syms_[static_cast<std::size_t>(t.id)];
        if (s.kind == SymKind::None || s.kind == SymKind::Predefined)
            return true; // the user's definition replaces a predefined SFR or bit name
        error(li, QStringLiteral("符号 %1 重复定义").arg(text(t)));
        return false;
    }

    void defineLabel(int li, const Token& t, std::uint32_t address) {
        if (!definable(li, t))
            return;
        Symbol& s = syms_[static_cast<std::size_t>(t.id)];
        s = Symbol{SymKind::Label, State::Resolved, Type::Number, dEQU, li, static_cast<i64>(address), t.pos,
                   t.len};
    }

    // Works out an EQU-like symbol's value; errors are reported at its defining line.
    St resolve(int id, int depth, Value& out) {
        Symbol& s = syms_[static_cast<std::size_t>(id)];
        if (s.state == State::Resolved) {
            out = {s.value, s.type};
            return St::Ok;
        }
        if (s.state == State::Failed)
            return St::Fail;
        const auto name = [&] { return QString::fromLatin1(src_ + s.namePos, s.nameLen); };
        if (s.state == State::Resolving) {
            if (pass_ == 1) {
                unknown_ = unknown_ < 0 ? id : unknown_;
                return St::Unknown;
            }
            s.state = State::Failed;
            return fail(s.line, QStringLiteral("符号 %1 循环定义").arg(name()));
        }
        if (depth >= kMaxDepth) {
            s.state = State::Failed;
            return fail(s.line, QStringLiteral("符号 %1 的定义嵌套过深").arg(name()));
        }
        s.state = State::Resolving;
        const Line& l = lines_[static_cast<std::size_t>(s.line)];
        Value v;
        const St st = evaluate(s.line, l.arg, l.tokEnd, l.address, v, depth + 1);
        Symbol& r = syms_[static_cast<std::size_t>(id)]; // (the table does not grow while evaluating)
        if (r.state == State::Failed)                    // a cycle through this symbol, reported
            return St::Fail;
        if (st == St::Ok) {
            r.value = v.v;
            r.type = r.dir == dEQU || r.dir == dSET ? v.type
                     : r.dir == dBIT                ? Type::Bit
                     : r.dir == dDATA               ? Type::Byte
                                                    : Type::Number;
            r.state = State::Resolved;
            out = {r.value, r.type};
        } else {
            r.state = st == St::Unknown ? State::Unresolved : State::Failed;
        }
        return st;
    }

    St symbolValue(int li, const Token& t, int depth, Value& out) {
        Symbol& s = syms_[static_cast<std::size_t>(t.id)];
        switch (s.kind) {
        case SymKind::None:
            if (pass_ == 1) {
                unknown_ = unknown_ < 0 ? t.id : unknown_;
                return St::Unknown;
            }
            return fail(li, QStringLiteral("未定义的符号 %1").arg(text(t)));
        case SymKind::Predefined:
        case SymKind::Label:
            out = {s.value, s.type};
            return St::Ok;
        case SymKind::Set:
            if (s.state == State::Resolved) {
                out = {s.value, s.type};
                return St::Ok;
            }
            if (s.state == State::Failed)
                return St::Fail;
            if (pass_ == 1) {
                unknown_ = unknown_ < 0 ? t.id : unknown_;
                return St::Unknown;
            }
            return fail(li, QStringLiteral("符号 %1 在 SET 赋值之前使用").arg(text(t)));
        case SymKind::Equ:
            return resolve(t.id, depth, out);
        }
        return St::Fail;
    }

    // ------------------------------------------------------------ expressions

    struct Cur {
        std::uint32_t i, e;
        int line;
        i64 dollar;
        int depth;
    };

    // Evaluates tokens [b, e) as one expression.
    St evaluate(int li, std::uint32_t b, std::uint32_t e, i64 dollar, Value& out, int depth = 0) {
        Cur c{b, e, li, dollar, depth};
        if (b >= e)
            return fail(li, QStringLiteral("缺少操作数"));
        const St st = orExpr(c, out);
        if (st == St::Ok && c.i < c.e)
            return fail(li, QStringLiteral("表达式中多出 %1").arg(text(c.i, c.e)));
        return st;
    }

    bool enter(Cur& c) { return ++c.depth <= kMaxDepth; }

    bool word(const Cur& c, int w) const { return isKw(c.i, c.e, Kw::Operator, w); }
    bool punct(const Cur& c, char op) const { return isPunct(c.i, c.e, op); }

    St orExpr(Cur& c, Value& v) {
        St st = andExpr(c, v);
        while (st == St::Ok && (word(c, wOR) || word(c, wXOR) || punct(c, '|') || punct(c, '^'))) {
            const bool isXor = word(c, wXOR) || punct(c, '^');
            ++c.i;
            Value r;
            if ((st = andExpr(c, r)) != St::Ok)
                break;
            v = {isXor ? (v.v ^ r.v) : (v.v | r.v), Type::Number};
        }
        return st;
    }

    St andExpr(Cur& c, Value& v) {
        St st = notExpr(c, v);
        while (st == St::Ok && (word(c, wAND) || punct(c, '&'))) {
            ++c.i;
            Value r;
            if ((st = notExpr(c, r)) != St::Ok)
                break;
            v = {v.v & r.v, Type::Number};
        }
        return st;
    }

    St notExpr(Cur& c, Value& v) {
        if (!word(c, wNOT))
            return compare(c, v);
        ++c.i;
        if (!enter(c))
            return fail(c.line, QStringLiteral("表达式嵌套过深"));
        const St st = notExpr(c, v);
        --c.depth;
        v = {~v.v & 0xFFFF, Type::Number}; // a 16-bit complement, as Intel's assembler has it
        return st;
    }

    int compareOp(const Cur& c) const {
        if (c.i >= c.e)
            return -1;
        const Token& t = toks_[c.i];
        if (t.type == T::Punct) {
            switch (t.op) {
            case '=':
            case kEqEq:
                return wEQ;
            case kNe:
                return wNE;
            case '<':
                return wLT;
            case kLe:
                return wLE;
            case '>':
                return wGT;
            case kGe:
                return wGE;
            default:
                return -1;
            }
        }
        if (kwOf(t) == Kw::Operator && subOf(t) >= wEQ)
            return subOf(t);
        return -1;
    }

    St compare(Cur& c, Value& v) {
        St st = sum(c, v);
        for (int op; st == St::Ok && (op = compareOp(c)) >= 0;) {
            ++c.i;
            Value r;
            if ((st = sum(c, r)) != St::Ok)
                break;
            const bool t = op == wEQ   ? v.v == r.v
                           : op == wNE ? v.v != r.v
                           : op == wLT ? v.v < r.v
                           : op == wLE ? v.v <= r.v
                           : op == wGT ? v.v > r.v
                                       : v.v >= r.v;
            v = {t ? 0xFFFF : 0, Type::Number};
        }
        return st;
    }

    St sum(Cur& c, Value& v) {
        St st = product(c, v);
        while (st == St::Ok && (punct(c, '+') || punct(c, '-'))) {
            const bool minus = punct(c, '-');
            ++c.i;
            Value r;
            if ((st = product(c, r)) != St::Ok)
                break;
            v = {static_cast<i64>(minus ? static_cast<u64>(v.v) - static_cast<u64>(r.v)
                                        : static_cast<u64>(v.v) + static_cast<u64>(r.v)),
                 Type::Number};
        }
        return st;
    }

    St product(Cur& c, Value& v) {
        St st = unary(c, v);
        while (st == St::Ok) {
            char op = 0;
            if (punct(c, '*'))
                op = '*';
            else if (punct(c, '/'))
                op = '/';
            else if (punct(c, '%') || word(c, wMOD))
                op = '%';
            else if (punct(c, kShl) || word(c, wSHL))
                op = kShl;
            else if (punct(c, kShr) || word(c, wSHR))
                op = kShr;
            else
                break;
            ++c.i;
            Value r;
            if ((st = unary(c, r)) != St::Ok)
                break;
            i64 x = 0;
            switch (op) {
            case '*':
                x = static_cast<i64>(static_cast<u64>(v.v) * static_cast<u64>(r.v));
                break;
            case '/':
            case '%':
                if (r.v == 0)
                    return fail(c.line, QStringLiteral("除数为零"));
                if (r.v == -1) // (the one quotient that overflows)
                    x = op == '/' ? static_cast<i64>(0 - static_cast<u64>(v.v)) : 0;
                else
                    x = op == '/' ? v.v / r.v : v.v % r.v;
                break;
            case kShl:
                x = r.v < 0 || r.v >= 64 ? 0 : static_cast<i64>(static_cast<u64>(v.v) << r.v);
                break;
            default: {
                const u64 left =
                    v.v < 0 ? static_cast<u64>(v.v) & 0xFFFF : static_cast<u64>(v.v); // 16-bit, as Intel's
                x = r.v < 0 || r.v >= 64 ? 0 : static_cast<i64>(left >> r.v);
            }
            }
            v = {x, Type::Number};
        }
        return st;
    }

    St unary(Cur& c, Value& v) {
        const bool minus = punct(c, '-'), plus = punct(c, '+'), tilde = punct(c, '~');
        const bool high = word(c, wHIGH), low = word(c, wLOW);
        if (!(minus || plus || tilde || high || low))
            return postfix(c, v);
        ++c.i;
        if (!enter(c))
            return fail(c.line, QStringLiteral("表达式嵌套过深"));
        const St st = unary(c, v);
        --c.depth;
        if (st != St::Ok)
            return st;
        if (minus)
            v = {static_cast<i64>(0 - static_cast<u64>(v.v)), Type::Number};
        else if (tilde)
            v = {~v.v & 0xFFFF, Type::Number};
        else if (high)
            v = {(v.v >> 8) & 0xFF, Type::Number};
        else if (low)
            v = {v.v & 0xFF, Type::Number};
        return St::Ok;
    }

    // A primary, or byte.bit: P1.0, ACC.7, 20H.3, FLAGS.2.
    St postfix(Cur& c, Value& v) {
        const std::uint32_t from = c.i;
        St st = primary(c, v);
        if (st != St::Ok || !punct(c, '.'))
            return st;
        ++c.i;
        Value bit;
        if ((st = primary(c, bit)) != St::Ok)
            return st;
        if (bit.v < 0 || bit.v > 7)
            return fail(c.line, QStringLiteral("位号必须是 0～7（%1）").arg(text(from, c.i)));
        if (v.v >= 0x20 && v.v <= 0x2F)
            v = {(v.v - 0x20) * 8 + bit.v, Type::Bit};
        else if (v.v >= 0x80 && v.v <= 0xFF && v.v % 8 == 0)
            v = {v.v + bit.v, Type::Bit};
        else
            return fail(c.line, QStringLiteral("%1 不可位寻址（%2）").arg(text(from, c.i), hexByte(v.v)));
        return St::Ok;
    }

    St primary(Cur& c, Value& v) {
        if (c.i >= c.e)
            return fail(c.line, QStringLiteral("表达式不完整"));
        const Token& t = toks_[c.i];
        switch (t.type) {
        case T::Number:
            ++c.i;
            v = {t.value, Type::Number};
            return St::Ok;
        case T::Dollar:
            ++c.i;
            v = {c.dollar, Type::Number};
            return St::Ok;
        case T::String: {
            ++c.i;
            const std::string bytes = unquote(t);
            if (bytes.empty() || bytes.size() > 2)
                return fail(c.line, QStringLiteral("字符常量只能有一到两个字符"));
            i64 x = 0;
            for (const char ch : bytes)
                x = x << 8 | static_cast<unsigned char>(ch);
            v = {x, Type::Number};
            return St::Ok;
        }
        case T::Ident: {
            const Kw kw = kwOf(t);
            if (kw == Kw::Register || kw == Kw::Operator)
                return fail(c.line, QStringLiteral("%1 不能用在表达式里").arg(text(t)));
            ++c.i;
            return symbolValue(c.line, t, c.depth, v);
        }
        case T::Punct:
            if (t.op == '(') {
                ++c.i;
                if (!enter(c))
                    return fail(c.line, QStringLiteral("表达式嵌套过深"));
                const St st = orExpr(c, v);
                --c.depth;
                if (st != St::Ok)
                    return st;
                if (!punct(c, ')'))
                    return fail(c.line, QStringLiteral("缺少右括号"));
                ++c.i;
                return St::Ok;
            }
            return fail(c.line, QStringLiteral("表达式有误：%1").arg(text(t)));
        }
        return St::Fail;
    }

    std::string unquote(const Token& t) const {
        std::string out;
        out.reserve(t.len);
        for (std::uint32_t i = 0; i < t.len; ++i) {
            out += src_[t.pos + i];
            if (src_[t.pos + i] == t.op)
                ++i; // the second of a doubled quote
        }
        return out;
    }

    // ------------------------------------------------------------ operands

    // Splits tokens [b, e) at the commas outside parentheses; false when one is empty or there are more
    // than three.
    bool splitOperands(std::uint32_t b, std::uint32_t e,
                       std::array<std::pair<std::uint32_t, std::uint32_t>, 3>& out, int& n) const {
        n = 0;
        if (b >= e)
            return true;
        int depth = 0;
        std::uint32_t start = b;
        for (std::uint32_t i = b; i <= e; ++i) {
            if (i == e || (depth == 0 && isPunct(i, e, ','))) {
                if (start == i || n == 3)
                    return false;
                out[static_cast<std::size_t>(n++)] = {start, i};
                start = i + 1;
            } else if (isPunct(i, e, '(')) {
                ++depth;
            } else if (isPunct(i, e, ')')) {
                depth = std::max(0, depth - 1);
            }
        }
        return true;
    }

    bool isReg(std::uint32_t i, int reg) const {
        return kwOf(toks_[i]) == Kw::Register && subOf(toks_[i]) == reg;
    }

    Operand51 classify(std::uint32_t b, std::uint32_t e) const {
        const std::uint32_t n = e - b;
        const Token& t = toks_[b];
        if (n == 1 && kwOf(t) == Kw::Register) {
            const int r = subOf(t);
            if (r == rPC)
                return {cNone};
            return {r >= rR0   ? static_cast<Cls>(cR0 + (r - rR0))
                    : r == rA  ? cA
                    : r == rAB ? cAB
                    : r == rC  ? cC
                               : cDPTR};
        }
        if (isPunct(b, e, '@')) {
            if (n == 2 && isReg(b + 1, rR0))
                return {cAtR0};
            if (n == 2 && isReg(b + 1, rR0 + 1))
                return {cAtR1};
            if (n == 2 && isReg(b + 1, rDPTR))
                return {cAtDptr};
            if (n == 4 && isPunct(b + 2, e, '+')) {
                const bool aFirst = isReg(b + 1, rA);
                const std::uint32_t other = aFirst ? b + 3 : b + 1;
                if (aFirst || isReg(b + 3, rA)) {
                    if (isReg(other, rDPTR))
                        return {cAtADptr};
                    if (isReg(other, rPC))
                        return {cAtAPc};
                }
            }
            return {cNone};
        }
        if (isPunct(b, e, '#'))
            return n > 1 ? Operand51{cImm, b + 1, e} : Operand51{cNone};
        if (isPunct(b, e, '/'))
            return n > 1 ? Operand51{cNotBit, b + 1, e} : Operand51{cNone};
        return {cExpr, b, e};
    }

    // ------------------------------------------------------------ pass 1

    void pass1Line(int li, std::uint32_t& address, bool& overflowReported) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        l.address = address;
        if (!lex(li)) { // the address goes on as if the line were empty, but its label counts
            if (l.tokEnd - l.tok >= 2 && toks_[l.tok].type == T::Ident && isPunct(l.tok + 1, l.tokEnd, ':'))
                defineLabel(li, toks_[l.tok], address);
            return;
        }
        std::uint32_t k = l.tok;
        const std::uint32_t e = l.tokEnd;
        if (k == e)
            return;
        if (toks_[k].type == T::Dollar && k + 1 < e && toks_[k + 1].type == T::Ident &&
            toks_[k + 1].pos == toks_[k].pos + 1)
            return; // a control line of Intel's and Keil's assemblers ($NOMOD51, $INCLUDE(…)): nothing for us
        int label = -1; // token index
        if (toks_[k].type == T::Ident && isPunct(k + 1, e, ':')) {
            label = static_cast<int>(k);
            k += 2;
        }
        if (k == e) {
            defineLabel(li, toks_[static_cast<std::size_t>(label)], address);
            return;
        }
        const Token& t = toks_[k];
        if (t.type != T::Ident) {
            if (label >= 0)
                defineLabel(li, toks_[static_cast<std::size_t>(label)], address);
            error(li, QStringLiteral("语法错误：%1").arg(text(k, e)));
            return;
        }
        const Kw kw = kwOf(t);
        const auto defining = [&](std::uint32_t i) {
            return i < e && kwOf(toks_[i]) == Kw::Directive && subOf(toks_[i]) >= dEQU;
        };
        const auto reserving = [&](std::uint32_t i) {
            return i < e && kwOf(toks_[i]) == Kw::Directive &&
                   (subOf(toks_[i]) == dDB || subOf(toks_[i]) == dDW || subOf(toks_[i]) == dDS);
        };
        if (kw == Kw::Mnemonic) {
            if (label >= 0)
                defineLabel(li, toks_[static_cast<std::size_t>(label)], address);
            instruction1(li, k);
        } else if (label < 0 && kw != Kw::Directive && defining(k + 1)) {
            define1(li, k, k + 1);
        } else if (label >= 0 && kw == Kw::Directive && subOf(t) >= dEQU) {
            define1(li, static_cast<std::uint32_t>(label), k); // "X: EQU 5"
        } else if (kw == Kw::Directive) {
            directive1(li, label, k, address);
        } else if (label < 0 && reserving(k + 1)) {
            directive1(li, static_cast<int>(k), k + 1, address); // "TABLE DB 1,2": a label without its colon
        } else {
            if (label >= 0)
                defineLabel(li, toks_[static_cast<std::size_t>(label)], address);
            error(li, QStringLiteral("未知的指令 %1").arg(text(t)));
        }
        if (l.kind == Kind::Instruction || l.kind == Kind::Db || l.kind == Kind::Dw || l.kind == Kind::Ds) {
            if (static_cast<u64>(l.address) + l.size > 0x10000) {
                if (!overflowReported)
                    error(li, QStringLiteral("代码超出 64K 地址空间"));
                overflowReported = true;
                l.failed = true;
            }
            address = l.address + l.size;
        } else if (l.kind == Kind::Org) {
            address = l.address;
            overflowReported = false;
        }
    }

    void instruction1(int li, std::uint32_t k) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        l.kind = Kind::Instruction;
        l.arg = k + 1;
        const int m = subOf(toks_[k]);
        std::array<std::pair<std::uint32_t, std::uint32_t>, 3> ops;
        int n = 0;
        Cls c[3] = {cNone, cNone, cNone};
        bool ok = splitOperands(l.arg, l.tokEnd, ops, n);
        for (int i = 0; ok && i < n; ++i)
            ok = (c[i] = classify(ops[static_cast<std::size_t>(i)].first,
                                  ops[static_cast<std::size_t>(i)].second)
                             .cls) != cNone;
        if (ok) {
            if (const auto it = b_.forms.find(formKey(m, c)); it != b_.forms.end()) {
                l.opcode = it->second;
                l.size = mcs51::kOpcodes[l.opcode].length;
                return;
            }
        }
        l.size = b_.guessLength[static_cast<std::size_t>(m)][static_cast<std::size_t>(std::min(n, 3))];
        error(li, QStringLiteral("操作数不合法"));
    }

    // NAME EQU|SET|DATA|IDATA|XDATA|BIT|CODE expression; `nameTok` is the name, `dirTok` the directive.
    void define1(int li, std::uint32_t nameTok, std::uint32_t dirTok) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        l.kind = Kind::Define;
        l.dir = static_cast<Dir>(subOf(toks_[dirTok]));
        l.arg = dirTok + 1;
        const Token& name = toks_[nameTok];
        if (name.type != T::Ident) {
            error(li, QStringLiteral("语法错误"));
            return;
        }
        l.name = name.id;
        Symbol& s = syms_[static_cast<std::size_t>(name.id)];
        if (l.dir == dSET && s.kind == SymKind::Set) {
            // SET again: a new value from here on
        } else if (!definable(li, name)) {
            l.name = -1;
            return;
        }
        if (l.arg >= l.tokEnd) {
            error(li, QStringLiteral("缺少操作数"));
            l.name = -1;
            return;
        }
        Symbol& sym = syms_[static_cast<std::size_t>(name.id)];
        sym.kind = l.dir == dSET ? SymKind::Set : SymKind::Equ;
        sym.dir = l.dir;
        sym.line = li;
        sym.namePos = name.pos;
        sym.nameLen = name.len;
        sym.state = State::Unresolved;
        Value v;
        unknown_ = -1;
        if (l.dir == dSET) {
            const St st = evaluate(li, l.arg, l.tokEnd, l.address, v);
            sym.state = st == St::Ok        ? State::Resolved
                        : st == St::Unknown ? State::Unresolved
                                            : State::Failed;
            sym.value = v.v;
            sym.type = v.type;
        } else {
            resolve(l.name, 0, v);
        }
    }

    // ORG, DB, DW, DS, END, with an optional label (token index or -1).
    void directive1(int li, int label, std::uint32_t k, std::uint32_t address) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        l.dir = static_cast<Dir>(subOf(toks_[k]));
        l.arg = k + 1;
        const auto labelHere = [&] {
            if (label >= 0)
                defineLabel(li, toks_[static_cast<std::size_t>(label)], l.address);
        };
        switch (l.dir) {
        case dORG:
        case dDS: {
            l.kind = l.dir == dORG ? Kind::Org : Kind::Ds;
            if (l.dir == dDS)
                labelHere();
            Value v;
            unknown_ = -1;
            const St st = evaluate(li, l.arg, l.tokEnd, address, v);
            if (st == St::Unknown) {
                l.forward = true; // pass 2 tells whether the symbol is undefined or defined too late
                l.name = unknown_;
            } else if (st == St::Ok) {
                if (l.dir == dORG && (v.v < 0 || v.v > 0xFFFF))
                    error(li, QStringLiteral("ORG 地址超出范围（%1）").arg(v.v));
                else if (l.dir == dDS && (v.v < 0 || v.v > 0x10000))
                    error(li, QStringLiteral("DS 的长度不合法（%1）").arg(v.v));
                else if (l.dir == dORG)
                    l.address = static_cast<std::uint32_t>(v.v);
                else
                    l.size = static_cast<std::uint32_t>(v.v);
            }
            if (l.dir == dORG)
                labelHere();
            return;
        }
        case dDB:
        case dDW: {
            labelHere();
            l.kind = l.dir == dDB ? Kind::Db : Kind::Dw;
            std::uint32_t items = 0, bytes = 0, start = l.arg;
            int depth = 0;
            for (std::uint32_t i = l.arg; i <= l.tokEnd; ++i) {
                if (i == l.tokEnd || (depth == 0 && isPunct(i, l.tokEnd, ','))) {
                    if (start == i) {
                        error(li, QStringLiteral("缺少操作数"));
                        return;
                    }
                    ++items;
                    if (l.dir == dDB && i - start == 1 && toks_[start].type == T::String)
                        bytes += static_cast<std::uint32_t>(unquote(toks_[start]).size());
                    else
                        bytes += l.dir == dDB ? 1 : 2;
                    start = i + 1;
                } else if (isPunct(i, l.tokEnd, '(')) {
                    ++depth;
                } else if (isPunct(i, l.tokEnd, ')')) {
                    depth = std::max(0, depth - 1);
                }
            }
            l.size = bytes;
            return;
        }
        case dEND:
            labelHere();
            l.kind = Kind::End;
            ended_ = true;
            for (std::size_t i = static_cast<std::size_t>(li) + 1; i < lines_.size(); ++i)
                lines_[i].listed = false;
            return;
        default:
            labelHere();
            error(li, QStringLiteral("%1 前面缺少符号名").arg(text(toks_[k])));
            return;
        }
    }

    // ------------------------------------------------------------ pass 2

    void pass2Line(int li) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        switch (l.kind) {
        case Kind::Empty:
        case Kind::End:
            return;
        case Kind::Instruction:
            instruction2(li);
            return;
        case Kind::Db:
        case Kind::Dw:
            data2(li);
            return;
        case Kind::Org:
        case Kind::Ds:
            if (l.forward) {
                Value v;
                if (evaluate(li, l.arg, l.tokEnd, l.address, v) == St::Ok) {
                    const Symbol* s = l.name >= 0 ? &syms_[static_cast<std::size_t>(l.name)] : nullptr;
                    const QString name =
                        s && s->nameLen ? QString::fromLatin1(src_ + s->namePos, s->nameLen) : QString();
                    error(li, QStringLiteral("%1 的值不能引用后面才定义的符号 %2")
                                  .arg(l.dir == dORG ? "ORG" : "DS", name));
                }
            }
            return;
        case Kind::Define:
            define2(li);
            return;
        }
    }

    void define2(int li) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        if (l.name < 0)
            return;
        Symbol& s = syms_[static_cast<std::size_t>(l.name)];
        Value v;
        St st;
        if (l.dir == dSET) {
            st = evaluate(li, l.arg, l.tokEnd, l.address, v);
            s.state = st == St::Ok ? State::Resolved : State::Failed;
            s.value = v.v;
            s.type = v.type;
        } else {
            st = resolve(l.name, 0, v);
        }
        if (st != St::Ok)
            return;
        l.hasValue = true;
        l.value = v.v;
        const char* what = nullptr;
        if ((l.dir == dDATA || l.dir == dIDATA) && (v.v < 0 || v.v > 0xFF))
            what = l.dir == dDATA ? "DATA" : "IDATA";
        else if (l.dir == dBIT && (v.v < 0 || v.v > 0xFF))
            what = "BIT";
        else if ((l.dir == dXDATA || l.dir == dCODE) && (v.v < 0 || v.v > 0xFFFF))
            what = l.dir == dXDATA ? "XDATA" : "CODE";
        if (what)
            error(li, QStringLiteral("%1 地址超出范围（%2）").arg(what).arg(v.v));
    }

    bool put(int li, std::uint32_t address, std::uint8_t byte) {
        if (address >= owner_.size())
            return false;
        const int other = owner_[address];
        if (other >= 0 && other != li) {
            error(li, QStringLiteral("地址 %1 处与第%2行的代码重叠").arg(hexAddress(address)).arg(other + 1));
            return false;
        }
        owner_[address] = li;
        mem_[address] = byte;
        return true;
    }

    // An 8-bit value: -256 … 255, or a 16-bit value whose high byte is FFH (NOT 80H).
    bool byteValue(int li, i64 v, std::uint8_t& out) {
        if ((v >= -256 && v <= 255) || (v >= 0xFF00 && v <= 0xFFFF)) {
            out = static_cast<std::uint8_t>(v & 0xFF);
            return true;
        }
        error(li, QStringLiteral("数值超出 8 位范围（%1）").arg(v));
        return false;
    }
    bool wordValue(int li, i64 v, std::uint16_t& out) {
        if (v >= -32768 && v <= 0xFFFF) {
            out = static_cast<std::uint16_t>(v & 0xFFFF);
            return true;
        }
        error(li, QStringLiteral("数值超出 16 位范围（%1）").arg(v));
        return false;
    }

    void data2(int li) {
        Line& l = lines_[static_cast<std::size_t>(li)];
        std::uint32_t address = l.address, start = l.arg;
        int depth = 0;
        for (std::uint32_t i = l.arg; i <= l.tokEnd; ++i) {
            if (!(i == l.tokEnd || (depth == 0 && isPunct(i, l.tokEnd, ',')))) {
                if (isPunct(i, l.tokEnd, '('))
                    ++depth;
                else if (isPunct(i, l.tokEnd, ')'))
                    depth = std::max(0, depth - 1);
                continue;
            }
            if (l.kind == Kind::Db && i - start == 1 && toks_[start].type == T::String) {
                for (const char ch : unquote(toks_[start]))
                    if (!put(li, address++, static_cast<std::uint8_t>(ch)))
                        return;
            } else {
                Value v;
                if (evaluate(li, start, i, l.address, v) != St::Ok)
                    return;
                if (l.kind == Kind::Db) {
                    std::uint8_t b;
                    if (!byteValue(li, v.v, b) || !put(li, address++, b))
                        return;
                } else {
                    std::uint16_t w;
                    if (!wordValue(li, v.v, w) || !put(li, address++, static_cast<std::uint8_t>(w >> 8)) ||
                        !put(li, address++, static_cast<std::uint8_t>(w & 0xFF)))
                        return;
                }
            }
            start = i + 1;
        }
    }

    void instruction2(int li) {
        const Line& l = lines_[static_cast<std::size_t>(li)];
        const mcs51::Opcode& row = mcs51::kOpcodes[l.opcode];
        std::array<std::pair<std::uint32_t, std::uint32_t>, 3> ops;
        int n = 0;
        splitOperands(l.arg, l.tokEnd, ops, n);
        std::uint8_t bytes[3] = {l.opcode, 0, 0};
        int count = 1;
        const i64 next = static_cast<i64>(l.address) + row.length;
        for (int i = 0; i < n; ++i) {
            const Operand kind = row.operands[static_cast<std::size_t>(i)];
            const Operand51 o =
                classify(ops[static_cast<std::size_t>(i)].first, ops[static_cast<std::size_t>(i)].second);
            if (o.cls != cImm && o.cls != cNotBit && o.cls != cExpr)
                continue; // a register, spelled in the opcode
            Value v;
            if (evaluate(li, o.b, o.e, l.address, v) != St::Ok)
                return;
            switch (kind) {
            case Operand::Imm8:
                if (!byteValue(li, v.v, bytes[count++]))
                    return;
                break;
            case Operand::Imm16:
            case Operand::Addr16: {
                std::uint16_t w;
                if (kind == Operand::Addr16 && (v.v < 0 || v.v > 0xFFFF)) {
                    error(li, QStringLiteral("地址超出范围（%1）").arg(v.v));
                    return;
                }
                if (!wordValue(li, v.v, w))
                    return;
                bytes[count++] = static_cast<std::uint8_t>(w >> 8);
                bytes[count++] = static_cast<std::uint8_t>(w & 0xFF);
                break;
            }
            case Operand::Direct:
                if (v.v < 0 || v.v > 0xFF) {
                    error(li, QStringLiteral("直接地址超出范围（%1）").arg(hexByte(v.v)));
                    return;
                }
                if (v.type == Type::Bit) {
                    error(li, QStringLiteral("%1 是位地址，这里要的是字节地址").arg(text(o.b, o.e)));
                    return;
                }
                bytes[count++] = static_cast<std::uint8_t>(v.v);
                break;
            case Operand::Bit:
            case Operand::NotBit:
                if (v.v < 0 || v.v > 0xFF) {
                    error(li, QStringLiteral("位地址超出范围（%1）").arg(hexByte(v.v)));
                    return;
                }
                if (v.type == Type::Byte) {
                    error(li,
                          QStringLiteral("%1 是字节地址，这里要的是位地址（例如 P1.0）").arg(text(o.b, o.e)));
                    return;
                }
                bytes[count++] = static_cast<std::uint8_t>(v.v);
                break;
            case Operand::Rel: {
                const i64 offset = v.v - next;
                if (v.v < 0 || v.v > 0xFFFF || offset < -128 || offset > 127) {
                    error(li, QStringLiteral("跳转目标超出范围（相对偏移 %1）").arg(offset));
                    return;
                }
                bytes[count++] = static_cast<std::uint8_t>(offset & 0xFF);
                break;
            }
            case Operand::Addr11:
                if (v.v < 0 || v.v > 0xFFFF || (v.v & 0xF800) != (next & 0xF800)) {
                    error(li,
                          QStringLiteral("%1 目标不在同一 2K 页")
                              .arg(QLatin1StringView(row.mnemonic.data(), qsizetype(row.mnemonic.size()))));
                    return;
                }
                bytes[0] = static_cast<std::uint8_t>(l.opcode | ((v.v >> 8) & 7) << 5);
                bytes[count++] = static_cast<std::uint8_t>(v.v & 0xFF);
                break;
            default:
                break;
            }
        }
        if (l.opcode == 0x85) // MOV direct,direct: the source byte first
            std::swap(bytes[1], bytes[2]);
        for (int i = 0; i < count; ++i)
            if (!put(li, l.address + static_cast<std::uint32_t>(i), bytes[i]))
                return;
    }

    // ------------------------------------------------------------ results

    AsmResult finish() {
        AsmResult r;
        std::stable_sort(errors_.begin(), errors_.end(),
                         [](const AsmError& a, const AsmError& b) { return a.line < b.line; });
        if (errors_.size() > kMaxErrors) {
            const int line = errors_[kMaxErrors].line;
            const std::size_t rest = errors_.size() - kMaxErrors;
            errors_.resize(kMaxErrors);
            errors_.push_back(
                {line, QStringLiteral("第%1行：此行起还有 %2 个错误未列出").arg(line).arg(rest)});
        }
        r.errors = std::move(errors_);

        int top = -1;
        for (int a = static_cast<int>(owner_.size()) - 1; a >= 0; --a)
            if (owner_[static_cast<std::size_t>(a)] >= 0) {
                top = a;
                break;
            }
        if (r.errors.empty() && top >= 0) {
            r.image.assign(mem_.begin(), mem_.begin() + top + 1);
            r.used.resize(static_cast<std::size_t>(top) + 1);
            for (int a = 0; a <= top; ++a)
                r.used[static_cast<std::size_t>(a)] = owner_[static_cast<std::size_t>(a)] >= 0;
        }

        QByteArray& out = r.listing;
        out.reserve(static_cast<qsizetype>(size_) + static_cast<qsizetype>(lines_.size()) * 20);
        char buf[64];
        for (std::size_t li = 0; li < lines_.size(); ++li) {
            const Line& l = lines_[li];
            const int line = static_cast<int>(li) + 1;
            const bool emits =
                (l.kind == Kind::Instruction || l.kind == Kind::Db || l.kind == Kind::Dw) && l.listed;
            const bool placed = l.listed && l.address <= 0xFFFF &&
                                (emits || l.kind == Kind::Ds || l.kind == Kind::Org || labelOnly(l));
            std::uint32_t shown = 0;
            if (emits && l.size > 0 && l.address <= 0xFFFF) {
                r.lineAt.emplace(static_cast<std::uint32_t>(l.address & 0xFFFF), line);
                r.addressOf.emplace(line, static_cast<std::uint32_t>(l.address & 0xFFFF));
            } else if (l.kind == Kind::Ds && l.listed && l.address <= 0xFFFF) {
                r.addressOf.emplace(line, static_cast<std::uint32_t>(l.address & 0xFFFF));
            }
            // "0100  75 81 60     MAIN:   MOV SP,#60H": four bytes a row, more on rows of their own.
            if (placed) {
                std::snprintf(buf, sizeof buf, "%04X  ", l.address);
                out += buf;
                shown = appendBytes(out, l, 0);
            } else if (l.kind == Kind::Define && l.hasValue && l.listed) {
                std::snprintf(buf, sizeof buf, "      =%04llX       ",
                              static_cast<unsigned long long>(l.value & 0xFFFF));
                out += buf;
            } else {
                out += QByteArray(18, ' ');
            }
            out += QByteArrayView(src_ + l.begin, l.end - l.begin);
            out += '\n';
            while (emits && shown < l.size && l.address + shown < owner_.size() &&
                   owner_[l.address + shown] == static_cast<int>(li)) {
                std::snprintf(buf, sizeof buf, "%04X  ", l.address + shown);
                out += buf;
                const std::uint32_t more = appendBytes(out, l, shown);
                shown += more;
                while (out.endsWith(' '))
                    out.chop(1);
                out += '\n';
                if (!more)
                    break;
            }
        }
        return r;
    }

    bool labelOnly(const Line& l) const {
        return l.kind == Kind::Empty && !l.failed && l.tokEnd - l.tok == 2 && toks_[l.tok].type == T::Ident &&
               isPunct(l.tok + 1, l.tokEnd, ':');
    }

    // Up to four of a line's bytes from `from` on, padded to the width of four; returns how many.
    std::uint32_t appendBytes(QByteArray& out, const Line& l, std::uint32_t from) const {
        const bool emits = l.kind == Kind::Instruction || l.kind == Kind::Db || l.kind == Kind::Dw;
        std::uint32_t n = 0;
        char buf[4];
        for (; emits && n < 4 && from + n < l.size && l.address + from + n < owner_.size(); ++n) {
            const std::uint32_t a = l.address + from + n;
            if (owner_[a] != static_cast<int>(&l - lines_.data()))
                break;
            std::snprintf(buf, sizeof buf, "%02X", mem_[a]);
            out += buf;
            out += ' ';
        }
        out += QByteArray(static_cast<qsizetype>(12 - 3 * n), ' ');
        return n;
    }

    const char* src_;
    std::uint32_t size_;
    const Builtins& b_;
    int pass_ = 1;
    bool ended_ = false;
    int unknown_ = -1; // the first symbol that pass 1 could not yet value
    std::vector<Line> lines_;
    std::vector<Token> toks_;
    std::vector<Symbol> syms_;
    std::unordered_map<std::string, int> user_;
    std::string key_;
    std::vector<AsmError> errors_;
    std::vector<std::uint8_t> mem_;
    std::vector<int> owner_;
};

} // namespace

AsmResult assemble51(const QByteArray& source) {
    return Assembler(source).run();
}

} // namespace sim
