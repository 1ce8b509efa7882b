#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace programfolder {

static QString& overrideFolder() {
    static QString folder;
    return folder;
}

QString path() {
    QString folder = overrideFolder();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

void setOverride(const QString& folder) { overrideFolder() = folder; }

QString localSeparators(const QString& stored) {
    QString s = stored;
    s.replace('\\', '/');
    return s;
}

QString findFile(const QString& path) {
    const QString p = localSeparators(path);
    QFileInfo exact(p);
    if (exact.isFile())
        return p;
    if (p.isEmpty())
        return {};
    // Walk from the first existing ancestor down, matching each missing part without regard to case.
    const bool absolute = p.startsWith('/');
    const QStringList parts = p.split('/', Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QStringLiteral(".");
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        const QString candidate = current == "/" ? "/" + part : current + "/" + part;
        if (part == "." || part == ".." || QFileInfo::exists(candidate)) {
            current = candidate;
            continue;
        }
        QDir dir(current);
        const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString found;
        for (const QString& e : entries) {
            if (e.compare(part, Qt::CaseInsensitive) == 0) {
                found = e;
                break;
            }
        }
        if (found.isEmpty())
            return {};
        current = current == "/" ? "/" + found : current + "/" + found;
    }
    if (!absolute && current.startsWith("./"))
        current = current.mid(2);
    return QFileInfo(current).isFile() ? current : QString();
}

QString resolve(const QString& storedRelative) {
    const QString composed = path() + localSeparators(storedRelative);
    const QString found = findFile(composed);
    return found.isEmpty() ? composed : found;
}

} // namespace programfolder
