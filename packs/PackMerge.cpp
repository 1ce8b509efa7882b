#include "packs/PackMerge.h"

#include "base/ErrorReport.h"
#include "base/ReplaceFile.h"
#include "engine/Catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/statvfs.h>
#include <unistd.h>

namespace contentpack {

const char* const CatalogueFile = "QK740X.mdb";

namespace {

using Key = QPair<int, QString>;

Key keyOf(const CatalogueRow& r) { return {r.cpuType, r.name}; }

QString who(const CatalogueRow& r) {
    return QStringLiteral("[%1] %2").arg(cataloguesource::typeName(r.cpuType), r.name);
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

// The pack's files as the merge needs them, from memory or streamed from the zip.
struct PackFiles {
    QStringList names;
    std::function<qint64(const QString&)> size;
    std::function<void(const QString&, const std::function<void(const char*, qint64)>&)> read;
};

// Whether the file at `path` holds exactly the entry's bytes, compared chunk by chunk.
bool sameBytes(const PackFiles& pack, const QString& entry, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    if (f.size() != pack.size(entry))
        return false;
    struct Differs {};
    QByteArray mine;
    try {
        pack.read(entry, [&](const char* data, qint64 n) {
            mine.resize(static_cast<qsizetype>(n));
            if (f.read(mine.data(), n) != n || std::memcmp(mine.constData(), data, static_cast<std::size_t>(n)) != 0)
                throw Differs{};
        });
    } catch (const Differs&) {
        return false;
    }
    return true;
}

// The free space where `folder` is, or would be made; -1 when unknown.
qint64 freeBytes(QString folder) {
    while (!QFileInfo::exists(folder) && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    struct statvfs st;
    if (::statvfs(QFile::encodeName(folder).constData(), &st) != 0)
        return -1;
    return static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
}

MergeResult merge(const QList<CatalogueRow>& packRowList, const PackFiles& pack, const QString& workingFolder,
                  Conflicts mode) {
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
    for (const CatalogueRow& r : packRowList) {
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
    QStringList conflictingExperiments, conflictingFiles;
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
        if (!conflicting.contains(k)) {
            result.conflicts << QStringLiteral("experiment %1").arg(who(r));
            conflictingExperiments << who(r);
        }
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
    QStringList writes; // entry names
    QStringList folders;
    qint64 needed = 0;
    for (const QString& name : pack.names) {
        const QString entry = checkedEntryName(name);
        const QString target = work + '/' + entry;
        for (const QString& f : checkWay(work, entry))
            if (!folders.contains(f))
                folders << f;
        if (QFileInfo(target).isFile()) {
            if (sameBytes(pack, name, target))
                continue;
            result.conflicts << QStringLiteral("file %1").arg(entry);
            conflictingFiles << entry;
            if (mode != Conflicts::Replace)
                continue;
        }
        writes << name;
        needed += pack.size(name);
    }
    if (mode == Conflicts::Refuse && !result.conflicts.isEmpty())
        throw ConflictError(QStringLiteral("%1 conflict(s) with the working folder %2; nothing written:\n  %3")
                                .arg(result.conflicts.size())
                                .arg(QDir::toNativeSeparators(work), result.conflicts.join(QStringLiteral("\n  "))),
                            work, result.conflicts, conflictingExperiments, conflictingFiles);
    const bool writeCatalogue = result.added + result.replaced > 0;
    if (!writeCatalogue && writes.isEmpty())
        return result;

    // A folder that cannot take the files is told so before anything is written.
    const qint64 free = freeBytes(work);
    if (free >= 0 && needed > free)
        throw replacefile::NoSpaceError(QStringLiteral("cannot unpack into %1: no space left on the device (%2 MB "
                                                       "needed, %3 MB free)")
                                            .arg(QDir::toNativeSeparators(work))
                                            .arg(double(needed) / (1 << 20), 0, 'f', 1)
                                            .arg(double(free) / (1 << 20), 0, 'f', 1));

    QStringList madeFolders; // in the order made
    try {
        if (!workInfo.exists()) {
            // The working folder itself, and any missing folder above it, are made for the pack.
            QStringList above;
            for (QString p = work; !QFileInfo::exists(p); p = QFileInfo(p).absolutePath())
                above.prepend(p);
            for (const QString& p : above) {
                if (!QDir().mkdir(p))
                    throw Error(QStringLiteral("cannot make the working folder %1").arg(p));
                madeFolders << p;
            }
        }
        for (const QString& f : folders) {
            if (!QDir().mkdir(f))
                throw Error(QStringLiteral("cannot make the folder %1").arg(f));
            madeFolders << f;
        }
        // Each file is streamed into its scratch beside its target; all are placed together at the end.
        replacefile::FileSetReplace set;
        for (const QString& name : writes) {
            replacefile::ScratchFile& scratch = set.add(work + '/' + checkedEntryName(name));
            pack.read(name, [&scratch](const char* data, qint64 n) { scratch.write(data, n); });
        }
        if (writeCatalogue) {
            // The previous catalogue stays as the backup, as the editor keeps it.
            if (lock)
                set.add(cataloguePath + QStringLiteral(".bak")).copyFrom(cataloguePath);
            // Added last, so placed last: before its rename the old catalogue stands, after it the merged one.
            // The catalogue writer fills the scratch by a rename of its own.
            replacefile::ScratchFile& catalogue = set.add(cataloguePath);
            cataloguesource::writeCatalogue(catalogue.path(), result.catalogue);
        }
        set.commit();
    } catch (...) {
        for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it)
            QDir().rmdir(*it);
        throw;
    }
    result.filesWritten = static_cast<int>(writes.size());
    return result;
}

} // namespace

MergeResult mergePack(const Content& content, const QString& workingFolder, Conflicts mode) {
    PackFiles files;
    files.names = content.files.keys();
    files.size = [&content](const QString& entry) { return static_cast<qint64>(content.files.value(entry).size()); };
    files.read = [&content](const QString& entry, const std::function<void(const char*, qint64)>& sink) {
        const QByteArray bytes = content.files.value(entry);
        sink(bytes.constData(), bytes.size());
    };
    return merge(content.rows, files, workingFolder, mode);
}

MergeResult mergePack(const PackReader& reader, const QString& workingFolder, Conflicts mode) {
    PackFiles files;
    files.names = reader.files().keys();
    files.size = [&reader](const QString& entry) { return reader.files().value(entry); };
    files.read = [&reader](const QString& entry, const std::function<void(const char*, qint64)>& sink) {
        reader.read(entry, sink);
    };
    return merge(reader.rows(), files, workingFolder, mode);
}

} // namespace contentpack
