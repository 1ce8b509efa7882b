#include "base/ContentFolder.h"

#include "base/ProgramFolder.h"

#include <QDir>

namespace contentfolder {

static QString& workingOverride() {
    static QString folder;
    return folder;
}

static QString withSlash(QString folder) {
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

QString workingFolder() {
    const QString& set = workingOverride();
    return withSlash(set.isEmpty() ? QDir::currentPath() : set);
}

void setWorkingFolder(const QString& folder) { workingOverride() = folder; }

QString find(const QString& storedRelative, const QString& working, const QString& program) {
    const QString relative = programfolder::localSeparators(storedRelative);
    for (const QString& root : {working, program}) {
        if (root.isEmpty())
            continue;
        const QString found = programfolder::findFile(withSlash(root) + relative);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString find(const QString& storedRelative) { return find(storedRelative, workingFolder(), programfolder::path()); }

QString resolve(const QString& storedRelative) {
    const QString found = find(storedRelative);
    return found.isEmpty() ? programfolder::path() + programfolder::localSeparators(storedRelative) : found;
}

} // namespace contentfolder
