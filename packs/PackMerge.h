#pragma once
// Merging a content pack into a working folder: its catalogue QK740X.mdb (by type and name), asm/ and pic/.
#include "packs/ContentPack.h"
#include "packs/PackArchive.h"

#include "base/ErrorReport.h"

#include <QSet>

namespace contentpack {

extern const char* const CatalogueFile; // QK740X.mdb

enum class Conflicts {
    Refuse,  // any conflict is an error and nothing is written
    Replace, // the pack's experiments and files win
    Skip,    // the working folder's experiments and files stay
};

// A merge refused for its conflicts (Conflicts::Refuse): nothing was written. The message lists them; each
// caller adds how they may be settled in its own words.
class ConflictError : public Error {
public:
    ConflictError(const QString& message, QString folder, QStringList conflicts, QStringList experiments,
                  QStringList files)
        : Error(message), folder(std::move(folder)), conflicts(std::move(conflicts)),
          experiments(std::move(experiments)), files(std::move(files)) {}
    QString folder;          // the working folder, as given to the merge made absolute
    QStringList conflicts;   // as MergeResult::conflicts spells them
    QStringList experiments; // "[51] NAME"
    QStringList files;       // "pic/x.jpg"
};

struct MergeResult {
    QList<CatalogueRow> catalogue;         // the working folder's catalogue after the merge
    QSet<QPair<int, QString>> packKeys;    // (type, name) of the pack's experiments
    QStringList conflicts;                 // "experiment [51] NAME", "file pic/x.jpg"
    int added = 0, replaced = 0, kept = 0; // experiments
    int unchanged = 0;                     // experiments the catalogue already holds as the pack does
    int filesWritten = 0;
};

// Merges a pack into `workingFolder` (made when missing). The catalogue is opened with its exclusive lock for
// the whole merge, so a running labguide makes it fail (CatalogueInUse). Every file is streamed into a scratch
// file beside its target; then the files, the catalogue's backup (QK740X.mdb.bak, the catalogue replaced)
// and the new catalogue, last, are placed together (replacefile::FileSetReplace): any failure puts back what
// was placed, so the folder holds either the old state or the new one. Files too large for the free space
// are refused before anything is written. Nothing is written outside the working folder: a link on the way
// to a target is refused. Raises ConflictError (Conflicts::Refuse), Error, replacefile::NoSpaceError when the
// device is full.
MergeResult mergePack(const PackReader& pack, const QString& workingFolder, Conflicts conflicts);
// The same for a pack in memory (readPack).
MergeResult mergePack(const Content& content, const QString& workingFolder, Conflicts conflicts);

} // namespace contentpack
