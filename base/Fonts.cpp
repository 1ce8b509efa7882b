#include "base/Fonts.h"

#include <QFont>
#include <QStringList>

namespace fonts {

void installSubstitutions() {
    const QString cjk = QStringLiteral("WenQuanYi Zen Hei");
    const QString sans = QStringLiteral("Liberation Sans");
    const QString mono = QStringLiteral("Liberation Mono");
    QFont::insertSubstitutions(QStringLiteral("隶书"), {cjk});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {cjk});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {sans, cjk});
    QFont::insertSubstitutions(QStringLiteral("Courier New"), {mono, QStringLiteral("WenQuanYi Zen Hei Mono")});
}

} // namespace fonts
