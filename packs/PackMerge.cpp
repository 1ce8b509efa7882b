#include "packs/PackMerge.h"

#include "base/ErrorReport.h"
#include "engine/Catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace contentpack {

const char* const CatalogueFile = "QK740X.mdb";

namespace {

using Key = QPair<int, QString>;

Key keyOf(const CatalogueRow& r) { return {r.cpuType, r.name}; }

QString who(const CatalogueRow& r) {
    return QStringLiteral("[%1] %2").arg(cataloguesource::typeName(r.cpuType), r.name);
}

bool renameFile(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Refuses a target whose way from the working folder passes a link or a non-folder, so that nothing outside
// the working folder can be reached through it. Returns the folders that are still to be made.
QStringList checkWay(const QString& work, const QString& entry) {
    const QStringList parts = entry.split('/');
    QStringList toMake;
    QString path = work;
    for (int i = 0; i < parts.size(); ++i) {
        path += '/' + parts[i];
        const QFileInfo info(path);
        const bool last = i + 1 == parts.size();
        if (info.isSymLink())
            throw Error(QStringLiteral("%1 is a link; the pack's files are written only into the working folder").arg(path));
        if (!info.exists()) {
            if (!last)
                toMake << path;
            continue;
        }
        if (!last && !info.isDir())
            throw Error(QStringLiteral("cannot write %1: %2 is not a folder").arg(entry, path));
        if (last && !info.isFile())
            throw Error(QStringLiteral("cannot write %1: %2 is not a plain file").arg(entry, path));
    }
    return toMake;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    return f.readAll();
}

// What was placed so far, undone in reverse when the merge fails before its end.
struct Transaction {
    QStringList madeFolders;                // in the order made
    QStringList temps;                      // written, not yet placed
    QList<QPair<QString, QString>> backups; // target -> its old file's temporary name
    QStringList placed;                     // targets that now hold a new file

    void rollback() {
        for (const QString& t : temps)
            QFile::remove(t);
        for (const QString& p : placed)
            QFile::remove(p);
        for (const auto& [target, old] : backups)
            renameFile(old, target);
        for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it)
            QDir().rmdir(*it);
    }
};

} // namespace

MergeResult mergePack(const Content& content, const QString& workingFolder, Conflicts mode) {
    const QString work = QDir::cleanPath(QFileInfo(workingFolder.isEmpty() ? QStringLiteral(".") : workingFolder)
                                             .absoluteFilePath());
    const QFileInfo workInfo(work);
    if (workInfo.exists() && !workInfo.isDir())
        throw Error(QStringLiteral("%1 is not a folder").arg(work));
    if (workInfo.exists() && ::access(QFile::encodeName(work).constData(), W_OK) != 0)
        throw Error(QStringLiteral("cannot write to the working folder %1: %2").arg(work, QString::fromLocal8Bit(std::strerror(errno))));

    const QString cataloguePath = work + '/' + QLatin1String(CatalogueFile);
    MergeResult result;
    QList<CatalogueRow> existing;
    // Held until the new catalogue is in place: nobody opens the old one meanwhile.
    std::unique_ptr<CatalogueConnection> lock;
    if (QFileInfo(cataloguePath).isSymLink())
        throw Error(QStringLiteral("%1 is a link; the catalogue is written only into the working folder").arg(cataloguePath));
    if (QFileInfo::exists(cataloguePath)) {
        lock = std::make_unique<CatalogueConnection>(cataloguesource::connectionString(cataloguePath, cataloguesource::DefaultPassword, true));
        try {
            lock->open();
        } catch (const CatalogueInUse&) {
            throw CatalogueInUse(QStringLiteral("the catalogue %1 is in use by labguide; close labguide and try again")
                                     .arg(QDir::toNativeSeparators(cataloguePath)));
        }
        existing = cataloguesource::readCatalogue(*lock);
    }

    // The experiments: by (type, name); the pack's rows of one key stay together in the pack's order.
    QList<Key> packOrder;
    QHash<Key, QList<CatalogueRow>> packRows;
    for (const CatalogueRow& r : content.rows) {
        if (!packRows.contains(keyOf(r)))
            packOrder << keyOf(r);
        packRows[keyOf(r)] << r;
        result.packKeys.insert(keyOf(r));
    }
    // A key whose rows in the catalogue equal the pack's is already merged: no conflict, nothing to write.
    QHash<Key, QList<CatalogueRow>> existingRows;
    for (const CatalogueRow& r : existing)
        existingRows[keyOf(r)] << r;
    QSet<Key> conflicting, emitted, same;
    for (const CatalogueRow& r : existing) {
        const Key k = keyOf(r);
        if (!packRows.contains(k)) {
            result.catalogue << r;
            continue;
        }
        if (existingRows[k] == packRows[k]) {
            result.catalogue << r;
            if (!same.contains(k))
                result.unchanged += static_cast<int>(packRows[k].size());
            same.insert(k);
            continue;
        }
        if (!conflicting.contains(k))
            result.conflicts << QStringLiteral("experiment %1").arg(who(r));
        conflicting.insert(k);
        if (mode == Conflicts::Replace) {
            if (!emitted.contains(k)) {
                result.catalogue << packRows[k];
                result.replaced += static_cast<int>(packRows[k].size());
                emitted.insert(k);
            }
        } else {
            result.catalogue << r;
        }
    }
    for (const Key& k : packOrder) {
        if (same.contains(k))
            continue;
        if (conflicting.contains(k)) {
            if (mode == Conflicts::Skip)
                result.kept += static_cast<int>(packRows[k].size());
            continue;
        }
        result.catalogue << packRows[k];
        result.added += static_cast<int>(packRows[k].size());
    }

    // The files: an identical one is left alone, a different one is a conflict.
    QList<QPair<QString, const QByteArray*>> writes;
    QStringList folders;
    for (auto it = content.files.begin(); it != content.files.end(); ++it) {
        const QString entry = checkedEntryName(it.key());
        const QString target = work + '/' + entry;
        for (const QString& f : checkWay(work, entry))
            if (!folders.contains(f))
                folders << f;
        if (QFileInfo(target).isFile()) {
            if (fileBytes(target) == it.value())
                continue;
            result.conflicts << QStringLiteral("file %1").arg(entry);
            if (mode != Conflicts::Replace)
                continue;
        }
        writes << qMakePair(target, &it.value());
    }
    if (mode == Conflicts::Refuse && !result.conflicts.isEmpty())
        throw Error(QStringLiteral("%1 conflict(s) with the working folder %2; nothing written (choose to replace or "
                                   "to skip them):\n  %3")
                        .arg(result.conflicts.size())
                        .arg(QDir::toNativeSeparators(work), result.conflicts.join(QStringLiteral("\n  "))));
    const bool writeCatalogue = result.added + result.replaced > 0;
    if (!writeCatalogue && writes.isEmpty())
        return result;

    Transaction t;
    const QString newCatalogue = work + QStringLiteral("/.labpack-") + QLatin1String(CatalogueFile);
    try {
        if (!workInfo.exists()) {
            // The working folder itself, and any missing folder above it, are made for the pack.
            QStringList above;
            for (QString p = work; !QFileInfo::exists(p); p = QFileInfo(p).absolutePath())
                above.prepend(p);
            for (const QString& p : above) {
                if (!QDir().mkdir(p))
                    throw Error(QStringLiteral("cannot make the working folder %1").arg(p));
                t.madeFolders << p;
            }
        }
        for (const QString& f : folders) {
            if (!QDir().mkdir(f))
                throw Error(QStringLiteral("cannot make the folder %1").arg(f));
            t.madeFolders << f;
        }
        QStringList temps;
        for (const auto& [target, bytes] : writes) {
            const QString temp = QFileInfo(target).absolutePath() + QStringLiteral("/.labpack-") + QFileInfo(target).fileName();
            QFile f(temp);
            t.temps << temp;
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(*bytes) != bytes->size() || !f.flush())
                throw Error(QStringLiteral("cannot write %1: %2").arg(temp, f.errorString()));
            temps << temp;
        }
        if (writeCatalogue) {
            t.temps << newCatalogue << newCatalogue + QStringLiteral(".part");
            cataloguesource::writeCatalogue(newCatalogue, result.catalogue);
        }
        // Placing: each old file is moved aside before its new one takes its name.
        for (int i = 0; i < writes.size(); ++i) {
            const QString& target = writes[i].first;
            if (QFileInfo::exists(target)) {
                const QString old = QFileInfo(target).absolutePath() + QStringLiteral("/.labpack-old-") + QFileInfo(target).fileName();
                if (!renameFile(target, old))
                    throw Error(QStringLiteral("cannot replace %1: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
                t.backups << qMakePair(target, old);
            }
            if (!renameFile(temps[i], target))
                throw Error(QStringLiteral("cannot write %1: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
            t.temps.removeOne(temps[i]);
            t.placed << target;
        }
        // The catalogue last, in one rename: before it the old catalogue stands, after it the merged one.
        if (writeCatalogue && !renameFile(newCatalogue, cataloguePath))
            throw Error(QStringLiteral("cannot write %1: %2").arg(cataloguePath, QString::fromLocal8Bit(std::strerror(errno))));
    } catch (...) {
        t.rollback();
        throw;
    }
    for (const auto& backup : t.backups)
        QFile::remove(backup.second);
    result.filesWritten = static_cast<int>(writes.size());
    return result;
}

} // namespace contentpack
