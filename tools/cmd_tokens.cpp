// labtool tokens FILE: the assembly highlighter's tokens of every line of a source file, computed on the
// file's raw bytes.
#include "tools/Command.h"

#include "source/SourceText.h"
#include "source/SynHighlighterAsm.h"

namespace {

int runTokens(const QStringList& args) {
    if (args.size() != 1)
        throw labtool::UsageError(QStringLiteral("expected one FILE"));
    const QByteArray bytes = sourcetext::readFile(args.first());
    TSynAsmSyn scanner;
    QByteArray out;
    out.reserve(bytes.size() * 4);
    int lineNumber = 0;
    sourcetext::forEachLine(bytes, [&](QByteArrayView line) {
        ++lineNumber;
        const QByteArray prefix = QByteArray::number(lineNumber) + ' ';
        for (scanner.StartLine(line, lineNumber - 1); !scanner.AtLineEnd(); scanner.NextToken()) {
            out += prefix;
            out += QByteArray::number(scanner.TokenStart());
            out += ' ';
            out += QByteArray::number(scanner.TokenLength());
            out += ' ';
            out += QByteArray::number(scanner.TokenKind());
            out += '\n';
        }
        if (out.size() > (1 << 20)) {
            labtool::writeOut(out);
            out.clear();
        }
    });
    labtool::writeOut(out);
    return labtool::Ok;
}

} // namespace

LABTOOL_COMMAND({"tokens",
                 "labtool tokens FILE\n"
                 "  prints one line per token of every source line: LINE START LENGTH KIND\n"
                 "  (LINE from 1, START a byte offset from 0, KIND: comment 0, identifier 1, keyword 2,\n"
                 "  number 4, space 5, string 6, symbol 7)",
                 false, &runTokens});
