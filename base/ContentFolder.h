#pragma once
// Where sources and pictures are found: the working folder's asm/ and pic/ first (a teacher's own content,
// writable), then the program folder's (the shipped content, which may belong to root).
#include <QString>

namespace contentfolder {

// The working folder, ending in "/": the one set, or else the process's current folder. The program works
// in the folder of its catalogue; labtool sets the folder of the catalogue it was given.
QString workingFolder();
// "" returns to the current folder.
void setWorkingFolder(const QString& folder);

// The existing file a stored relative path names ("asm\51\led.asm", "pic\chip\a.jpg"): looked up under
// `working` first, then under `program`, with "\" read as "/" and letter case resolved where the exact name
// is missing. Empty when neither folder holds it.
QString find(const QString& storedRelative, const QString& working, const QString& program);
// The same with the working folder above and the program folder of programfolder::path().
QString find(const QString& storedRelative);

// find(), or when nothing matches the path composed under the program folder, as before (callers test it).
QString resolve(const QString& storedRelative);

} // namespace contentfolder
