#include "source/SourceText.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"

#include <QFile>

namespace sourcetext {

QByteArray readFile(const QString& path) {
    QFile file(path);
    const auto fail = [&] {
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly))
        fail();
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail();
    return bytes;
}

QString decodeLines(QByteArrayView bytes) {
    QString text;
    if (gbk::looksLikeUtf8(bytes)) {
        text = gbk::decodeSource(bytes);
    } else {
        // The GBK decoder drops a lead byte left alone at the very end; a line end behind it makes it show.
        text = gbk::decode(bytes.toByteArray() + '\n');
        text.chop(1);
    }
    QString out;
    out.reserve(text.size());
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c != u'\n' && c != u'\r')
            continue;
        out.append(QStringView(p + start, i - start));
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n')
            ++i;
        start = i + 1;
        if (start < n)
            out.append(u'\n');
    }
    if (start < n)
        out.append(QStringView(p + start, n - start));
    return out;
}

} // namespace sourcetext
