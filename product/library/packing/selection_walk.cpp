// The selection walked into the ordered list of the archive's members.
#include "packing/selection_walk.h"

#include <set>

#include "base/text.h"
#include "windows/send_progress.h"

namespace {

// CharLowerW lowers a single character handed over in place of a pointer.
wchar_t Lower(wchar_t c) {
  return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(CharLowerW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
}

std::wstring Lowered(std::wstring text) {
  if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool Matches(const wchar_t* name, const wchar_t* pattern, size_t patternLength) {
  const wchar_t *star = nullptr, *resume = nullptr;
  const wchar_t* end = pattern + patternLength;
  while (*name) {
    if (pattern < end && (*pattern == L'?' || Lower(*pattern) == Lower(*name))) {
      ++pattern;
      ++name;
    } else if (pattern < end && *pattern == L'*') {
      star = pattern++;
      resume = name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (pattern < end && *pattern == L'*') ++pattern;
  return pattern == end;
}

// A folder as the file system knows it, whatever the spelling of its path
// (short or long names, case, a trailing separator, "\\?\").
struct FolderIdentity {
  bool known = false;
  DWORD volume = 0, indexHigh = 0, indexLow = 0;
  bool operator==(const FolderIdentity& other) const {
    return known && other.known && volume == other.volume && indexHigh == other.indexHigh &&
           indexLow == other.indexLow;
  }
};

FolderIdentity IdentityOf(const std::wstring& path) {
  FolderIdentity identity;
  HANDLE folder = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return identity;
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileInformationByHandle(folder, &information)) {
    identity.known = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
  }
  CloseHandle(folder);
  return identity;
}

// The archive folder, told apart from every folder the walk meets: a
// cheap look at the last name (long or short) first, the identity only for
// a folder that may be it.
class ArchiveFolderCheck {
 public:
  explicit ArchiveFolderCheck(const std::wstring& given) : identity_(IdentityOf(LongPath(given))) {
    // Wine's GetLongPathNameW takes no "\\?\" form of a short name.
    const std::wstring folder = ShownPath(given);
    wchar_t name[MAX_PATH];
    DWORD length = GetLongPathNameW(folder.c_str(), name, MAX_PATH);
    longName_ = FileName(length && length < MAX_PATH ? std::wstring(name, length) : folder);
    length = GetShortPathNameW(folder.c_str(), name, MAX_PATH);
    shortName_ = FileName(length && length < MAX_PATH ? std::wstring(name, length) : folder);
  }
  bool Is(const std::wstring& path) const {
    std::wstring name = FileName(path);
    if (lstrcmpiW(name.c_str(), longName_.c_str()) != 0 && lstrcmpiW(name.c_str(), shortName_.c_str()) != 0)
      return false;
    return IdentityOf(path) == identity_;
  }

 private:
  FolderIdentity identity_;
  std::wstring longName_, shortName_;
};

// The walk's state while it descends.
struct Walker {
  const std::wstring& filters;
  const ArchiveFolderCheck& archiveFolder;
  size_t mostEntries;
  SendProgress* progress;
  SelectionWalk& walk;
};

// Adds one item, and a folder's whole contents, under `name`. What a
// folder's listing says of its items is used as it is: asking each file
// again costs as much as packing a small one. Answers 0 when cancelled.
bool Add(Walker& walker, const std::wstring& path, const std::string& name, DWORD attributes,
         const FILETIME& modified, ULONGLONG size) {
  SelectionWalk& walk = walker.walk;
  // Walking a selection of millions on would only delay the failure.
  if (walk.entries.size() >= walker.mostEntries) {
    walk.tooMany = true;
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (MatchesFilters(FileName(path), walker.filters)) return true;
    walk.entries.push_back({path, name, attributes, modified, size, false});
    walk.bytes += size;
    return true;
  }
  // The archive folder is never packed: the archive being written lies in
  // it, and reading it would fail on its own half-written file.
  if (walker.archiveFolder.Is(path)) return true;
  if (walker.progress && !walker.progress->Advance(ShownPath(path), 0)) return false;
  walk.entries.push_back({path, name + "/", attributes, modified, 0, true});
  // A folder that links elsewhere is packed empty: it may lead back up.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // Its contents would be missing from an archive that looks whole.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) walk.unread += UnreadLine(path, GetLastError());
    return true;
  }
  bool ok = true;
  do {
    std::wstring child = found.cFileName;
    if (child == L"." || child == L"..") continue;
    ok = Add(walker, path + L"\\" + child, name + "/" + Narrow(child, CP_UTF8), found.dwFileAttributes,
             found.ftLastWriteTime, (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
  } while (ok && FindNextFileW(search, &found));
  FindClose(search);
  return ok;
}

// The name of a second, third... selected item of one name: the number
// goes before a file's extension ("report (2).txt").
std::wstring Numbered(const std::wstring& name, bool folder, int n) {
  size_t dot = name.find_last_of(L'.');
  std::wstring suffix = L" (" + Decimal(n) + L")";
  if (folder || dot == std::wstring::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

}  // namespace

bool MatchesFilters(const std::wstring& name, const std::wstring& filters) {
  size_t at = 0;
  while (at <= filters.size()) {
    size_t end = filters.find(L';', at);
    if (end == std::wstring::npos) end = filters.size();
    size_t first = filters.find_first_not_of(L' ', at);
    size_t last = filters.find_last_not_of(L' ', end == 0 ? 0 : end - 1);
    if (first != std::wstring::npos && first < end && last >= first &&
        Matches(name.c_str(), filters.c_str() + first, last - first + 1))
      return true;
    at = end + 1;
  }
  return false;
}

std::wstring UnreadLine(const std::wstring& path, DWORD error) {
  return ShownPath(path) + L" (" + SystemMessage(error) + L")\n";
}

bool WalkSelection(const std::vector<std::wstring>& selection, const std::wstring& filters,
                   const std::wstring& archiveFolder, size_t mostEntries, SendProgress* progress,
                   SelectionWalk& walk) {
  const ArchiveFolderCheck check(archiveFolder);
  Walker walker = {filters, check, mostEntries, progress, walk};
  std::set<std::wstring> topNames;  // two selected items of one name get distinct names
  for (const std::wstring& item : selection) {
    std::wstring name = FileName(item);
    if (name.empty()) continue;
    const std::wstring path = LongPath(item);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
      walk.unread += UnreadLine(path, GetLastError());  // gone meanwhile, or unreachable
      continue;
    }
    std::wstring unique = name;
    for (int n = 2; !topNames.insert(Lowered(unique)).second; ++n)
      unique = Numbered(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, n);
    if (!Add(walker, path, Narrow(unique, CP_UTF8), data.dwFileAttributes, data.ftLastWriteTime,
             (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow)) {
      walk.cancelled = !walk.tooMany;
      return false;
    }
  }
  return true;
}
