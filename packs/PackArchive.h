#pragma once
// The zip side of a content pack (libzip): writing one, and reading one that may come from anywhere.
#include "packs/ContentPack.h"

#include <functional>
#include <memory>

namespace contentpack {

// Writes the pack to `path` (libzip writes beside it and renames). Raises Error.
void writePack(const QString& path, const Content& content);
// The same with each file streamed from its place on disk as the zip is written, never held whole.
void writePack(const QString& path, const PackSources& sources);

// An opened pack, checked as a whole before anything is used: a damaged zip, entries past the limits by their
// declared sizes, an unsafe, reserved or duplicate entry name, a link or other non-plain entry, an entry
// outside manifest.json, experiments/, asm/51|88|96/ and pic/, a name that is both a file and a folder, a
// manifest of a newer version, a row lacking columns, and files that neither an experiment nor a board
// drawing names (all of them named) raise Error naming the pack's fault. The manifest and the rows are read
// into memory; the files are read one at a time, in chunks, when asked.
class PackReader {
public:
    explicit PackReader(const QString& path, const Limits& limits = {});
    // The bytes stay the caller's and must outlive the reader.
    explicit PackReader(const QByteArray& bytes, const Limits& limits = {});
    ~PackReader();
    PackReader(const PackReader&) = delete;
    PackReader& operator=(const PackReader&) = delete;

    const QList<CatalogueRow>& rows() const;
    // The file entries ("asm/51/led.asm", "pic/a.jpg") in name order, with their declared sizes.
    const QMap<QString, qint64>& files() const;
    // Streams one file's bytes to `sink` in chunks of at most 64 KiB. Raises Error when its bytes are damaged
    // (CRC) or do not add up to the declared size; what `sink` raises passes through.
    void read(const QString& entry, const std::function<void(const char* data, qint64 size)>& sink) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A whole pack read into memory (small packs, tests): PackReader's checks, then every file's bytes.
Content readPack(const QString& path, const Limits& limits = {});
Content readPack(const QByteArray& bytes, const Limits& limits = {});

} // namespace contentpack
