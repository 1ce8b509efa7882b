#include "editor/ViewerLines.h"

#include "viewers/U_Edit.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace editor {

namespace {

const QString NoLineStart = QStringLiteral("，。、；：！？）》”’,.;:!?)");
const QString NoLineEnd = QStringLiteral("（《“‘(");
const QString GoodEnd = QStringLiteral("，。、；：！？）”");

bool ascii(QChar c) { return c.unicode() < 0x80; }

class Breaker {
public:
    Breaker() : metrics_(TFrmEdit::textFont()), orphan_(metrics_.horizontalAdvance(QStringLiteral("中中中中"))) {}

    qreal width(const QString& s) const { return metrics_.horizontalAdvance(s); }

    // Whether a line may end before s[k].
    static bool allowed(const QString& s, qsizetype k) {
        const QChar a = s[k - 1], b = s[k];
        return !b.isLowSurrogate() && !NoLineStart.contains(b) && !NoLineEnd.contains(a) && !(ascii(a) && ascii(b));
    }

    QStringList breakLine(QString rest) const {
        QStringList lines;
        while (width(rest) > ViewerLineLimit) {
            qsizetype n = 1;
            while (n < rest.size() && width(rest.left(n + 1)) <= ViewerLineLimit)
                ++n;
            QList<qsizetype> candidates; // from the longest line down
            for (qsizetype k = n; k > 0; --k)
                if (k < rest.size() && allowed(rest, k))
                    candidates << k;
            auto first = [&](const QList<qsizetype>& ks, auto&& good) -> std::optional<qsizetype> {
                for (qsizetype k : ks)
                    if (good(k))
                        return k;
                return std::nullopt;
            };
            std::optional<qsizetype> chosen = first(candidates, [&](qsizetype k) {
                return GoodEnd.contains(rest[k - 1]) && width(rest.left(k)) >= 0.6 * ViewerLineLimit;
            });
            if (!chosen)
                chosen = first(candidates, [&](qsizetype k) {
                    return ascii(rest[k - 1]) != ascii(rest[k]) && width(rest.left(k)) >= 0.8 * ViewerLineLimit;
                });
            if (!chosen && !candidates.isEmpty())
                chosen = candidates.first();
            if (!chosen)
                break; // one long ASCII phrase: left whole rather than cut inside a word
            if (width(rest.mid(*chosen)) < orphan_) {
                QList<qsizetype> earlier;
                for (qsizetype k = *chosen - 1; k > 0; --k)
                    if (allowed(rest, k))
                        earlier << k;
                std::optional<qsizetype> better = first(earlier, [&](qsizetype k) {
                    return GoodEnd.contains(rest[k - 1]) && width(rest.left(k)) >= 0.4 * ViewerLineLimit;
                });
                if (!better)
                    better = first(earlier, [&](qsizetype k) { return width(rest.mid(k)) >= orphan_; });
                if (better)
                    chosen = better;
            }
            lines << rest.left(*chosen).trimmed();
            rest = rest.mid(*chosen).trimmed();
        }
        lines << rest;
        return lines;
    }

private:
    QFontMetricsF metrics_;
    qreal orphan_;
};

} // namespace


QString breakViewerLines(const QString& text) {
    // The viewer starts a line at CR LF, LF or CR alike.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList paragraphs = text.split(lineBreak);
    const Breaker breaker;
    bool fits = true;
    for (const QString& p : paragraphs)
        fits = fits && breaker.width(p) <= ViewerLineLimit;
    if (fits)
        return text;
    QStringList lines;
    for (const QString& p : paragraphs)
        lines << breaker.breakLine(p);
    return lines.join(QStringLiteral("\r\n"));
}

CatalogueRow withViewerLines(CatalogueRow row) {
    for (QString CatalogueRow::*field : {&CatalogueRow::purpose, &CatalogueRow::requirement, &CatalogueRow::description})
        row.*field = breakViewerLines(row.*field);
    return row;
}

} // namespace editor
