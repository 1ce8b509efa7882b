#pragma once
// Reading a source file and cutting its bytes into lines at CR LF, a lone CR or a lone LF. A line end at the
// very end does not start another line; empty input has no lines.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace sourcetext {

// Calls f(QByteArrayView line) for every line, in order, without copying.
template <class F> void forEachLine(QByteArrayView bytes, F&& f) {
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c != '\n' && c != '\r')
            continue;
        f(QByteArrayView(p + start, i - start));
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        f(QByteArrayView(p + start, n - start));
}

// The whole file; raises Error "Cannot open file "<path>". <reason>" when it cannot be opened or read.
QByteArray readFile(const QString& path);

// The file's text (UTF-8 when gbk::looksLikeUtf8 finds it clearly UTF-8, GBK otherwise) with every line end
// made a single LF and no line end after the last line.
QString decodeLines(QByteArrayView bytes);

} // namespace sourcetext
