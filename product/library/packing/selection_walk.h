// The first stage of packing: the selection walked into the list of what
// the archive will hold, in its order. Folders are taken whole (a folder
// that links elsewhere empty), files the filters match and the archive
// folder are left out, two selected items of one name are numbered, and
// what cannot be listed is named rather than silently missing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class SendProgress;

// One member to be: what the folder's listing said of it.
struct PackEntry {
  std::wstring path;  // in the "\\?\" form
  std::string name;   // in the archive: UTF-8, "/" between folders, a folder's with a "/" at its end
  DWORD attributes;
  FILETIME modified;
  ULONGLONG size;  // a file's, when listed: it may change before it is read
  bool folder;
};

struct SelectionWalk {
  std::vector<PackEntry> entries;
  std::wstring unread;    // one line per item that could not be listed, with the system's reason
  ULONGLONG bytes = 0;    // of the files, for the progress window's bar
  bool cancelled = false;
  bool tooMany = false;   // more entries than an archive holds: the walk stopped there
};

// Walks `selection` into `walk`. `progress`, when given, may cancel
// between folders. Answers 1 when the walk went through, 0 when the user
// cancelled or the entries outgrew `mostEntries`.
bool WalkSelection(const std::vector<std::wstring>& selection, const std::wstring& filters,
                   const std::wstring& archiveFolder, size_t mostEntries, SendProgress* progress,
                   SelectionWalk& walk);

// Whether `name` matches one of the semicolon-separated wildcards
// (* and ?, without regard to case).
bool MatchesFilters(const std::wstring& name, const std::wstring& filters);

// One line naming an item that could not be read, with the system's reason.
std::wstring UnreadLine(const std::wstring& path, DWORD error);
