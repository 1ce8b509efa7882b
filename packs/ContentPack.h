#pragma once
// A content pack: experiments with the sources and pictures they name, carried from one working folder to
// another as one zip file. Its entries:
//   manifest.json            {"format": "labguide-pack", "version": 1, "experiments": [row entries in order]}
//   experiments/51/001.json  one row each, in the catalogue source's form (as `labtool catalogue export`)
//   asm/51|88|96/..., pic/...  the files the rows name, at their stored paths with "/" as separator
#include "engine/CatalogueSource.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

namespace contentpack {

// The format version written; packs of a higher version are refused.
constexpr int FormatVersion = 1;
extern const char* const FormatName;
extern const char* const ManifestEntry;

// Inflated sizes a pack may reach; a pack past them is refused before anything is written.
struct Limits {
    qint64 entryBytes = qint64(64) << 20;  // 64 MB per entry
    qint64 totalBytes = qint64(512) << 20; // 512 MB in all
    qint64 textBytes = qint64(16) << 20;   // the manifest and the experiments together, read into memory
    int entries = 10000;
};

struct Content {
    QList<CatalogueRow> rows;
    QMap<QString, QByteArray> files; // "asm/51/led.asm", "pic/chip/a.jpg" -> the file's bytes

    bool operator==(const Content&) const = default;
};

// A pack to write from the disk: the rows, and the file each entry's bytes are read from.
struct PackSources {
    QList<CatalogueRow> rows;
    QMap<QString, QString> files; // "asm/51/led.asm" -> the file found for it
};

// The files a row names, as pack entry names: its source under asm/<type>/ (types 1 to 3) and its two
// pictures under pic/; empty names are left out.
QStringList namedFiles(const CatalogueRow& row);


// The files of `files` that neither one of the rows nor a board drawing names; a pack carrying any of them is
// refused. Letter case is ignored, as the content lookup ignores it.
QStringList unnamedFiles(const QList<CatalogueRow>& rows, const QStringList& files);

// The rows with their files, found through the content lookup (working folder first, then program folder).
// Names found in neither go to `missing` as "[51] NAME: pic/x.jpg"; the pack is made without them.
// A stored name that leaves its folder (".." or an absolute path) raises Error.
Content collect(const QList<CatalogueRow>& rows, const QString& workingFolder, const QString& programFolder,
                QStringList* missing);
// The same lookup without reading the files: where each one is.
PackSources locate(const QList<CatalogueRow>& rows, const QString& workingFolder, const QString& programFolder,
                   QStringList* missing);

// A pack entry name made safe, or Error: "\" read as "/", no absolute path, drive, "." or ".." part, no
// empty part (a trailing "/" marks a folder entry), no control characters, and no part that is a reserved
// name: the program's scratch files (replacefile::ScratchPrefix) and those of earlier versions (".labpack-").
QString checkedEntryName(const QString& name);

// The manifest's text for the rows' entry names, and its reading: the row entry names in order. Raises Error
// for anything but a manifest this version understands (a newer version is named as such).
QByteArray formatManifest(const QStringList& rowEntries);
QStringList parseManifest(const QByteArray& json);

} // namespace contentpack
