#include "engine/linksheet.h"

#include "base/ErrorReport.h"

namespace {

constexpr bool isKept(unsigned char c) {
    return c == ',' || c == '>' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (c >= 'a' && c <= 'z');
}

constexpr char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

} // namespace

namespace {

// Appends the text's steps to `steps`; returns how many it appended.
qsizetype appendSteps(QByteArrayView text, QList<QByteArray>& steps) {
    const qsizetype before = steps.size();
    const auto* src = reinterpret_cast<const unsigned char*>(text.data());
    qsizetype b = 0, e = text.size();
    while (b < e && src[b] <= 0x20)
        ++b;
    while (e > b && src[e - 1] <= 0x20)
        --e;
    if (b == e)
        return 0;

    // Both passes in one walk over a copy: 0xA3 and CR become commas; LF becomes a comma too unless it ends a
    // CR LF pair (a text with lone LF line ends keeps its entries apart); then everything but the meaningful
    // characters becomes a blank.
    QByteArray t(e - b + 1, Qt::Uninitialized);
    qsizetype n = 0;
    unsigned char previous = 0;
    for (qsizetype i = b; i < e; ++i) {
        const unsigned char c = src[i];
        char out;
        if (c == 0xA3 || c == 0x0D)
            out = ',';
        else if (c == 0x0A)
            out = previous == 0x0D ? ' ' : ',';
        else
            out = isKept(c) ? char(c) : ' ';
        previous = c;
        t[n++] = out;
    }
    qsizetype pos = 0;
    while (pos < n && t[pos] == ',')
        ++pos;
    if (pos == n || t[n - 1] != ',')
        t[n++] = ',';

    // The text from `pos` on still holds a ">" as long as the last one lies at or after `pos`.
    qsizetype lastGt = -1;
    for (qsizetype i = n - 1; i >= pos; --i)
        if (t[i] == '>') {
            lastGt = i;
            break;
        }
    while (lastGt >= pos) {
        qsizetype comma = pos;
        while (t[comma] != ',')
            ++comma;
        qsizetype s = pos, f = comma;
        while (s < f && t[s] == ' ')
            ++s;
        while (f > s && t[f - 1] == ' ')
            --f;
        QByteArray step(f - s, Qt::Uninitialized);
        for (qsizetype i = s; i < f; ++i)
            step[i - s] = upper(t[i]);
        steps.append(std::move(step));
        pos = comma + 1;
        while (pos < n && t[pos] == ' ')
            ++pos;
    }
    return steps.size() - before;
}

} // namespace

QList<QByteArray> parseWiringSteps(QByteArrayView text) {
    QList<QByteArray> steps;
    appendSteps(text, steps);
    return steps;
}

void ParseWiring(QByteArrayView text, int32_t& lastStep) {
    if (!WiringSteps)
        throw Error(QStringLiteral("The wiring list does not exist."));
    WiringSteps->clear();
    lastStep += static_cast<int32_t>(appendSteps(text, *WiringSteps));
}
