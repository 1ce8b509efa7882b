// The assembly scanner on arbitrary bytes: the whole input as one line, and each of its lines. Every token
// advances, tokens tile the line up to its end or its first 0 byte, and each token is of the kind its first
// byte calls for. Also the editor's GBK map over the same bytes taken as UTF-8, and the HTML listing of them.
#include "source/AsmHighlighters.h"
#include "source/GbkLineMap.h"
#include "source/HtmlListing.h"
#include "source/SourceText.h"
#include "source/SynHighlighterAsm.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

void scanLine(TSynAsmSyn& syn, QByteArrayView line) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const void* nul = line.empty() ? nullptr : std::memchr(line.data(), 0, static_cast<size_t>(line.size()));
    const int limit = nul ? static_cast<int>(static_cast<const char*>(nul) - line.data()) : static_cast<int>(line.size());
    int expected = 0;
    for (syn.StartLine(line, 0); !syn.AtLineEnd(); syn.NextToken()) {
        const int start = syn.TokenStart();
        const int len = syn.TokenLength();
        const int kind = syn.TokenKind();
        check(start == expected);
        check(len > 0);
        check(start + len <= limit);
        check(kind >= 0 && kind <= 7 && kind != tkNull);
        check(syn.TokenAttribute() != nullptr);
        const unsigned char first = bytes[start];
        switch (kind) {
        case tkComment: check(first == ';' || first == '#' || first == '/'); break;
        case tkString: check(first == '"' || first == '\''); break;
        case tkNumber: check(first >= '0' && first <= '9'); break;
        case tkKey: check(syn.IsKeyword(syn.TokenView())); break;
        case tkSpace: check(first >= 1 && first <= 32); break;
        default: break;
        }
        expected = start + len;
    }
    check(expected == limit);
    check(syn.TokenKind() == tkNull);
    syn.NextToken(); // the end stays the end
    check(syn.AtLineEnd() && syn.TokenStart() == limit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSynAsmSyn syn;
    static GbkLineMap map;
    const QByteArrayView all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    scanLine(syn, all);
    sourcetext::forEachLine(all, [&](QByteArrayView line) {
        check(!line.contains('\n') && !line.contains('\r'));
        scanLine(syn, line);
        // The map from the editor's UTF-8 to GBK: offsets never go back and end at the line's length.
        map.build(line.data(), static_cast<int>(line.size()));
        int last = 0;
        for (qsizetype i = 0; i <= map.gbk().size(); ++i) {
            const int off = map.utf8Offset(static_cast<int>(i));
            check(off >= last && off <= line.size());
            last = off;
        }
        check(map.utf8Offset(static_cast<int>(map.gbk().size())) == line.size());
        scanLine(syn, map.gbk());
    });
    // The listing is a whole page whatever the bytes: no raw markup characters or NULs leak from the source.
    static const auto listed = asmhighlighters::create(51);
    const QByteArray page = htmllisting::render(all, *listed, QStringLiteral("fuzz"));
    check(page.endsWith("</pre>\n</body>\n</html>\n"));
    check(!page.contains('\0'));
    const qsizetype body = page.indexOf("<pre>") + 5;
    QByteArray text = page.mid(body, page.size() - body - 23);
    for (int k = 0; k < 8; ++k)
        text.replace("<span class=\"k" + QByteArray::number(k) + "\">", "");
    text.replace("</span>", "");
    for (const char c : text)
        check(c != '"' && c != '<' && c != '>');
    return 0;
}
