#include "source/HtmlListing.h"

#include "source/GbkLineMap.h"
#include "source/SourceText.h"

namespace {

// The editor's plain colours: window text on the window (the text area's standard colours).
constexpr const char* kText = "#000000";
constexpr const char* kBackground = "#ffffff";
constexpr int kKinds = 8;

QByteArray cssOf(const TSynHighlighterAttributes* a) {
    QByteArray css;
    if (!a)
        return css;
    if (a->Foreground().isValid())
        css += "color:" + a->Foreground().name().toLatin1() + ";";
    if (a->Background().isValid())
        css += "background-color:" + a->Background().name().toLatin1() + ";";
    const TFontStyles s = a->Style();
    if (s.has(TFontStyle::Bold))
        css += "font-weight:bold;";
    if (s.has(TFontStyle::Italic))
        css += "font-style:italic;";
    if (s.has(TFontStyle::Underline) || s.has(TFontStyle::StrikeOut)) {
        css += "text-decoration:";
        if (s.has(TFontStyle::Underline))
            css += " underline";
        if (s.has(TFontStyle::StrikeOut))
            css += " line-through";
        css += ";";
    }
    return css;
}

// UTF-8 text made safe for a <pre>: markup escaped, control characters other than tab shown as U+FFFD.
void appendEscaped(QByteArray& out, const char* p, int n) {
    for (int i = 0; i < n; ++i) {
        const char c = p[i];
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
}

} // namespace

namespace htmllisting {

QByteArray render(QByteArrayView fileBytes, TSynCustomHighlighter& highlighter, const QString& title) {
    const QByteArray text = sourcetext::decodeLines(fileBytes).toUtf8();
    QByteArray out;
    out.reserve(text.size() * 3 + 1024);
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
    const QByteArray t = title.toUtf8();
    appendEscaped(out, t.constData(), static_cast<int>(t.size()));
    out += "</title>\n<style>\n";
    out += QByteArray("body{margin:0;background:") + kBackground + ";}\n";
    out += QByteArray("pre{margin:0;padding:4px;font-family:\"Courier New\",\"Liberation Mono\",monospace;font-size:13px;"
                      "tab-size:8;-moz-tab-size:8;color:") + kText + ";background:" + kBackground + ";}\n";
    bool styled[kKinds] = {};
    for (int k = 0; k < kKinds; ++k) {
        const QByteArray css = cssOf(highlighter.KindAttribute(k));
        styled[k] = !css.isEmpty();
        if (styled[k])
            out += ".k" + QByteArray::number(k) + "{" + css + "}\n";
    }
    out += "</style>\n</head>\n<body>\n<pre>";

    GbkLineMap map;
    // decodeLines joined the lines with single LFs: every LF separates two lines.
    const qsizetype total = text.size();
    int lineNumber = 0;
    for (qsizetype from = 0; total > 0 && from <= total;) {
        qsizetype to = text.indexOf('\n', from);
        if (to < 0)
            to = total;
        const QByteArrayView line(text.constData() + from, to - from);
        from = to + 1;
        if (lineNumber > 0)
            out += '\n';
        const int n = static_cast<int>(line.size());
        map.build(line.data(), n);
        int done = 0;
        for (highlighter.StartLine(map.gbk(), lineNumber); !highlighter.AtLineEnd(); highlighter.NextToken()) {
            const int end = map.utf8Offset(highlighter.TokenStart() + highlighter.TokenLength());
            if (end <= done)
                continue;
            const int kind = highlighter.TokenKind();
            const bool span = kind >= 0 && kind < kKinds && styled[kind];
            if (span)
                out += "<span class=\"k" + QByteArray::number(kind) + "\">";
            appendEscaped(out, line.data() + done, end - done);
            if (span)
                out += "</span>";
            done = end;
        }
        appendEscaped(out, line.data() + done, n - done); // after a 0 byte: plain
        ++lineNumber;
    }
    out += "</pre>\n</body>\n</html>\n";
    return out;
}

} // namespace htmllisting
