// What a program may have changed on the machine, as text to compare:
// every key and value below a registry key, every file below a folder.
#pragma once
#include <windows.h>

#include <string>

// Every key with its values, as the system saves them, without times; in
// the given view (0: the program's own).
std::string RegistryTree(HKEY root, const std::string& path, REGSAM view = 0);

// One line per file and folder below `folder` (to `depth` levels): its
// path, attributes, size and last write time.
std::string FolderTree(const std::string& folder, int depth);
