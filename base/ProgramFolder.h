#pragma once
// Where the program's own files (asm/, pic/) live, and how stored paths are found on this file system.
#include <QString>

namespace programfolder {

// The folder of the running executable, ending in "/".
QString path();
// For tests and tools: use another folder as the program folder ("" restores the executable's).
void setOverride(const QString& folder);

// A stored path uses "\" as separator; here it is "/".
QString localSeparators(const QString& stored);

// The existing file for `path`: the path itself when it names a file, otherwise the one file whose every
// component matches without regard to letter case (teachers copy folders from other systems).
// Empty when nothing matches or the match is not a regular file.
QString findFile(const QString& path);

// Program folder + stored relative path, with separators converted and letter case resolved where needed.
// When no file matches, the composed path is returned unchanged (so callers can test for its existence).
QString resolve(const QString& storedRelative);

} // namespace programfolder
