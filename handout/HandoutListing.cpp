#include "handout/HandoutListing.h"

#include "source/AsmHighlighters.h"
#include "source/GbkLineMap.h"
#include "source/SourceText.h"

namespace handout {

namespace {

constexpr int kTab = 8;

// Appends text to the line at its column, tabs expanded; control characters other than tab show as U+FFFD.
void append(ListingLine& line, const QString& text, const TSynHighlighterAttributes* a) {
    Run run;
    run.column = line.columns;
    if (a) {
        run.foreground = a->Foreground();
        run.background = a->Background();
        run.bold = a->Style().has(TFontStyle::Bold);
        run.italic = a->Style().has(TFontStyle::Italic);
    }
    for (QChar c : text) {
        if (c == u'\t') {
            const int to = (line.columns / kTab + 1) * kTab;
            run.text += QString(to - line.columns, u' ');
            line.columns = to;
            continue;
        }
        if (c.unicode() < 0x20)
            c = QChar(0xFFFD);
        run.text += c;
        line.columns += columnsOf(c);
    }
    if (!run.text.isEmpty())
        line.runs.append(run);
}

// Kinds the highlighter reports outside its attribute table are plain text.
const TSynHighlighterAttributes* kindAttribute(const TSynAsmSyn& h, int kind) {
    return kind >= 0 && kind < 8 ? h.KindAttribute(kind) : nullptr;
}

} // namespace

QList<ListingLine> colourLines(QByteArrayView fileBytes, int cpuType) {
    static const int kAsmTypes[] = {0, 51, 88, 96, 0};
    std::unique_ptr<TSynAsmSyn> highlighter =
        asmhighlighters::create(cpuType >= 1 && cpuType <= 4 ? kAsmTypes[cpuType] : 0);
    const QByteArray text = sourcetext::decodeLines(fileBytes).toUtf8();
    QList<ListingLine> lines;
    GbkLineMap map;
    const qsizetype total = text.size();
    int lineNumber = 0;
    for (qsizetype from = 0; total > 0 && from <= total; ++lineNumber) {
        qsizetype to = text.indexOf('\n', from);
        if (to < 0)
            to = total;
        const char* p = text.constData() + from;
        const int n = int(to - from);
        from = to + 1;
        ListingLine line;
        int done = 0;
        if (highlighter) {
            map.build(p, n);
            for (highlighter->StartLine(map.gbk(), lineNumber); !highlighter->AtLineEnd(); highlighter->NextToken()) {
                const int end = map.utf8Offset(highlighter->TokenStart() + highlighter->TokenLength());
                if (end <= done)
                    continue;
                append(line, QString::fromUtf8(p + done, end - done), kindAttribute(*highlighter, highlighter->TokenKind()));
                done = end;
            }
        }
        append(line, QString::fromUtf8(p + done, n - done), nullptr);
        lines.append(line);
    }
    return lines;
}

} // namespace handout
