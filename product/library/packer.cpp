#include "packer.h"

#include <set>

#include "archive_folder.h"
#include "archive_name.h"
#include "text.h"
#include "zip_writer.h"

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

std::wstring SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::wstring message = text ? text : L"";
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return message;
}

// Adds one selected item, and a folder's whole contents, under `name`.
class Packing {
 public:
  Packing(ZipWriter& zip, const std::wstring& filters) : zip_(zip), filters_(filters) {}

  bool Add(const std::wstring& path, const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return true;  // gone meanwhile
    return Add(path, name, data.dwFileAttributes, data.ftLastWriteTime);
  }
  const std::wstring& Current() const { return current_; }

 private:
  // What a folder's listing says of its items is used as it is: asking
  // each file again costs as much as packing a small one.
  bool Add(const std::wstring& path, const std::string& name, DWORD attributes, const FILETIME& modified) {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (MatchesFilters(FileName(path), filters_)) return true;
      current_ = path;
      return zip_.AddFile(name, path, attributes);
    }
    current_ = path;
    if (!zip_.AddFolder(name + "/", modified)) return false;
    // A folder that links elsewhere is packed empty: it may lead back up.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool ok = true;
    do {
      std::wstring child = found.cFileName;
      if (child == L"." || child == L"..") continue;
      ok = Add(path + L"\\" + child, name + "/" + Narrow(child, CP_UTF8), found.dwFileAttributes, found.ftLastWriteTime);
    } while (ok && FindNextFileW(search, &found));
    FindClose(search);
    return ok;
  }

  ZipWriter& zip_;
  const std::wstring& filters_;
  std::wstring current_;
};

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

PackOutcome PackSelection(const std::vector<std::wstring>& selection, const ProductOptions& options) {
  PackOutcome outcome;
  std::wstring folder = ArchiveFolder(options);
  if (CreateDirectoryW(folder.c_str(), nullptr)) {
    MarkAsOurFolder(folder);
  } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
    outcome.problem = L"Parvello cannot make its archive folder " + folder + L":\n" + SystemMessage(GetLastError());
    return outcome;
  }
  DeleteOldArchives(folder, options.retention);

  SYSTEMTIME now;
  GetLocalTime(&now);
  std::wstring final = FreeArchivePath(folder, ArchiveBaseName(options, selection, now));
  // Written under a name of its own first: a half-written archive is never
  // taken for one, and is removed on every failure.
  std::wstring partial =
      folder + L"\\~parvello-" + Decimal(GetCurrentProcessId()) + L"-" + Decimal(GetTickCount()) + L".tmp";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (final.empty() || file == INVALID_HANDLE_VALUE) {
    DWORD error = final.empty() ? ERROR_FILE_EXISTS : GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileW(partial.c_str());
    outcome.problem = L"Parvello cannot write an archive in " + folder + L":\n" + SystemMessage(error);
    return outcome;
  }

  int previousPriority = GetThreadPriority(GetCurrentThread());
  if (options.lowPriority) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  ZipWriter zip(file);
  Packing packing(zip, options.fileFilters);
  std::set<std::wstring> topNames;  // two selected items of one name get distinct names
  bool ok = true;
  for (const std::wstring& item : selection) {
    std::wstring name = FileName(item);
    if (name.empty()) continue;
    std::wstring unique = name;
    for (int n = 2; !topNames.insert(Lowered(unique)).second; ++n)
      unique = name + L" (" + Decimal(n) + L")";
    if (!(ok = packing.Add(item, Narrow(unique, CP_UTF8)))) break;
  }
  bool empty = ok && zip.Entries() == 0;
  ok = ok && !empty && zip.Finish(kArchiveComment);
  SetThreadPriority(GetCurrentThread(), previousPriority);
  CloseHandle(file);

  if (ok && MoveFileW(partial.c_str(), final.c_str())) {
    outcome.packed = true;
    outcome.archive = final;
    return outcome;
  }
  DWORD moveError = GetLastError();
  DeleteFileW(partial.c_str());
  if (empty) {
    outcome.problem = L"There is nothing to pack: the file filters leave out every selected file, or the "
                      L"selection no longer exists.";
  } else {
    switch (zip.Failure()) {
      case kZipReadFailed:
        outcome.problem = L"Parvello cannot read " + packing.Current() + L":\n" + SystemMessage(zip.SystemError());
        break;
      case kZipTooLarge:
        outcome.problem = L"The archive would hold a file of 4 GB or more, or grow to 4 GB: more than a ZIP "
                          L"archive of Parvello holds.";
        break;
      case kZipTooManyEntries:
        outcome.problem = L"The selection holds more than 65,535 files and folders: more than a ZIP archive of "
                          L"Parvello holds.";
        break;
      default:
        outcome.problem = L"Parvello cannot write the archive in " + folder + L":\n" +
                          SystemMessage(zip.Failure() == kZipWriteFailed ? zip.SystemError() : moveError);
    }
  }
  return outcome;
}
