#pragma once
// The zip side of a content pack (libzip): writing one, and reading one that may come from anywhere.
#include "packs/ContentPack.h"

namespace contentpack {

// Writes the pack to `path` (libzip writes beside it and renames). Raises Error.
void writePack(const QString& path, const Content& content);

// Reads and checks a whole pack before anything is used: a damaged zip, an entry past the limits (by its
// declared size and by the bytes it actually inflates to), an unsafe or duplicate entry name, a link or
// other non-plain entry, an entry outside manifest.json, experiments/, asm/51|88|96/ and pic/, a manifest
// of a newer version, and a row lacking columns all raise Error naming the pack's fault.
Content readPack(const QString& path, const Limits& limits = {});
Content readPack(const QByteArray& bytes, const Limits& limits = {});

} // namespace contentpack
