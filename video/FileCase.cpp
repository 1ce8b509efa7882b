#include "video/FileCase.h"

#include <QDir>
#include <QFileInfo>

namespace filecase {

QString resolve(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo info(p);
    const QString name = info.fileName();
    if (name.isEmpty())
        return p;
    QDir dir = info.dir();
    QStringList matches;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            matches.append(entry);
    if (matches.isEmpty())
        return p;
    std::sort(matches.begin(), matches.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    return dir.filePath(matches.front());
}

} // namespace filecase
