#pragma once
// One file for names that differ only in letter case, as on the system the program came from.
#include <QString>

namespace filecase {

// The existing file in `path`'s folder whose name equals `path`'s name without regard to letter case; when
// several spellings exist, the first in byte order, whatever spelling was asked for, so that every caller
// names the same one. When none exists, `path` itself (a writer then creates it with that spelling).
// "\" in `path` counts as "/"; a relative path is taken from the working folder.
QString resolve(const QString& path);

} // namespace filecase
