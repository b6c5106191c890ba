#include "packer.h"

#include <set>

#include "archive_folder.h"
#include "archive_name.h"
#include "send_progress.h"
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

// The form that reaches every name a file system holds: names that end in
// a dot or a blank, device names such as "nul.txt", paths beyond MAX_PATH.
std::wstring LongPath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

// The path as the user knows it.
std::wstring ShownPath(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
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

// The archive folder, told apart from every folder the packing meets: a
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

// Adds one selected item, and a folder's whole contents, under `name`.
class Packing {
 public:
  // The archive folder is never packed: the archive being written lies in
  // it, and reading it would fail on its own half-written file.
  Packing(ZipWriter& zip, const std::wstring& filters, const ArchiveFolderCheck& archiveFolder, SendProgress* progress)
      : zip_(zip), filters_(filters), archiveFolder_(archiveFolder), progress_(progress) {
    if (progress_) zip_.SetBlockHook(&Packing::Block, this);
  }

  bool Add(const std::wstring& path, const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
      Unread(path, GetLastError());  // gone meanwhile, or unreachable
      return true;
    }
    return Add(path, name, data.dwFileAttributes, data.ftLastWriteTime);
  }
  const std::wstring& Current() const { return current_; }
  // One line per item that could not be read, with the system's reason.
  const std::wstring& UnreadItems() const { return unread_; }

 private:
  // What a folder's listing says of its items is used as it is: asking
  // each file again costs as much as packing a small one.
  bool Add(const std::wstring& path, const std::string& name, DWORD attributes, const FILETIME& modified) {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (MatchesFilters(FileName(path), filters_)) return true;
      current_ = path;
      if (progress_ && !progress_->Advance(ShownPath(path), done_)) return Cancel();
      DWORD unopened = 0;
      bool ok = zip_.AddFile(name, path, attributes, &unopened);
      if (unopened) Unread(path, unopened);
      done_ += fileRead_;
      fileRead_ = 0;
      return ok;
    }
    if (archiveFolder_.Is(path)) return true;
    current_ = path;
    if (!zip_.AddFolder(name + "/", modified)) return false;
    // A folder that links elsewhere is packed empty: it may lead back up.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      // Its contents would be missing from an archive that looks whole.
      if (GetLastError() != ERROR_FILE_NOT_FOUND) Unread(path, GetLastError());
      return true;
    }
    bool ok = true;
    do {
      std::wstring child = found.cFileName;
      if (child == L"." || child == L"..") continue;
      ok = Add(path + L"\\" + child, name + "/" + Narrow(child, CP_UTF8), found.dwFileAttributes, found.ftLastWriteTime);
    } while (ok && FindNextFileW(search, &found));
    FindClose(search);
    return ok;
  }

  // Between the blocks of a large file the user may cancel too.
  static bool Block(void* self, uint64_t read) {
    auto* packing = static_cast<Packing*>(self);
    packing->fileRead_ = read;
    return packing->progress_->Advance(ShownPath(packing->current_), packing->done_ + read);
  }
  bool Cancel() {
    cancelled_ = true;
    return false;
  }

 public:
  bool Cancelled() const { return cancelled_ || zip_.Failure() == kZipCancelled; }

 private:
  void Unread(const std::wstring& path, DWORD error) {
    unread_ += ShownPath(path) + L" (" + SystemMessage(error) + L")\n";
  }

  ZipWriter& zip_;
  const std::wstring& filters_;
  const ArchiveFolderCheck& archiveFolder_;
  SendProgress* progress_;
  std::wstring current_;
  std::wstring unread_;
  ULONGLONG done_ = 0;      // bytes of the files packed so far
  ULONGLONG fileRead_ = 0;  // and of the file being packed
  bool cancelled_ = false;
};

// The bytes of the files below `path`, for the progress window's bar.
ULONGLONG BytesBelow(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  ULONGLONG bytes = 0;
  do {
    if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0) continue;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      bytes += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    else if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      bytes += BytesBelow(path + L"\\" + found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return bytes;
}

ULONGLONG SelectionBytes(const std::vector<std::wstring>& selection) {
  ULONGLONG bytes = 0;
  for (const std::wstring& item : selection) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(LongPath(item).c_str(), GetFileExInfoStandard, &data)) continue;
    bytes += data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                 ? BytesBelow(LongPath(item))
                 : (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return bytes;
}

// The name of a second, third... selected item of one name: the number
// goes before a file's extension ("report (2).txt").
std::wstring Numbered(const std::wstring& path, const std::wstring& name, int n) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  size_t dot = name.find_last_of(L'.');
  std::wstring suffix = L" (" + Decimal(n) + L")";
  if (folder || dot == std::wstring::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

// A name for the archive while it is written: unique in the folder across
// processes, threads and sends in one tick.
HANDLE CreatePartial(const std::wstring& folder, std::wstring& partial) {
  static volatile LONG counter;
  for (int attempt = 0; attempt < 100; ++attempt) {
    partial = folder + L"\\~parvello-" + Decimal(GetCurrentProcessId()) + L"-" + Decimal(GetCurrentThreadId()) + L"-" +
              Decimal(static_cast<unsigned long>(InterlockedIncrement(&counter))) + L".tmp";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
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

PackOutcome PackSelection(const std::vector<std::wstring>& selection, const ProductOptions& options,
                          SendWithoutThem ask, void* context, SendProgress* progress) {
  PackOutcome outcome;
  std::wstring folder = ArchiveFolder(options);
  if (!IsFullPath(folder)) {
    outcome.problem = L"The archive folder in Parvello's settings, " + folder +
                      L", is not a full path (such as C:\\Archives or %TEMP%\\Parvello). Ask your administrator "
                      L"to set TemporaryFolder.";
    return outcome;
  }
  // A folder this user may not make or write in (the installing
  // administrator's own, say) gives way to the user's default folder.
  std::wstring partial;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD makeError = 0, writeError = 0;
  for (int choice = 0; choice < 2 && file == INVALID_HANDLE_VALUE; ++choice) {
    if (choice == 1) {
      DWORD error = makeError ? makeError : writeError;
      if (error != ERROR_ACCESS_DENIED || !lstrcmpiW(folder.c_str(), DefaultArchiveFolder().c_str())) break;
      folder = DefaultArchiveFolder();
    }
    makeError = MakeArchiveFolder(folder);
    // Through "\\?\": a deep folder leaves the partial name no room otherwise.
    file = makeError ? INVALID_HANDLE_VALUE : CreatePartial(LongPath(folder), partial);
    writeError = makeError || file != INVALID_HANDLE_VALUE ? 0 : GetLastError();
  }
  if (makeError) {
    outcome.problem = L"Parvello cannot make its archive folder " + folder + L":\n" + SystemMessage(makeError);
    return outcome;
  }
  if (file == INVALID_HANDLE_VALUE) {
    outcome.problem = L"Parvello cannot write an archive in " + folder + L":\n" + SystemMessage(writeError);
    return outcome;
  }
  DeleteOldArchives(folder, options.retention);

  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::wstring base = ArchiveBaseName(options, selection, now);

  int previousPriority = GetThreadPriority(GetCurrentThread());
  if (options.lowPriority) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  ZipWriter zip(file);
  const ArchiveFolderCheck archiveFolder(folder);
  if (progress && progress->Shown()) progress->SetTotal(SelectionBytes(selection));
  Packing packing(zip, options.fileFilters, archiveFolder, progress);
  std::set<std::wstring> topNames;  // two selected items of one name get distinct names
  bool ok = true;
  for (const std::wstring& item : selection) {
    std::wstring name = FileName(item);
    if (name.empty()) continue;
    std::wstring unique = name;
    for (int n = 2; !topNames.insert(Lowered(unique)).second; ++n) unique = Numbered(item, name, n);
    if (!(ok = packing.Add(LongPath(item), Narrow(unique, CP_UTF8)))) break;
  }
  bool empty = ok && zip.Entries() == 0;
  ok = ok && !empty && zip.Finish(kArchiveComment);
  SetThreadPriority(GetCurrentThread(), previousPriority);
  CloseHandle(file);
  // Never an archive that silently lacks a selected file.
  bool cancelled = packing.Cancelled();
  if (ok && !packing.UnreadItems().empty() && !(ask && ask(packing.UnreadItems(), context))) {
    ok = false;
    cancelled = ask != nullptr;
  }

  // Another send may take the free name first: the next free one is tried.
  std::wstring final;
  DWORD moveError = ERROR_FILE_EXISTS;
  for (int attempt = 0; ok && attempt < 20; ++attempt) {
    final = FreeArchivePath(folder, base, moveError);
    if (final.empty()) break;
    if (MoveFileW(partial.c_str(), final.c_str())) {
      RememberArchiveFolder(folder);
      outcome.packed = true;
      outcome.archive = final;
      return outcome;
    }
    moveError = GetLastError();
    if (moveError != ERROR_ALREADY_EXISTS && moveError != ERROR_FILE_EXISTS) break;
  }
  DeleteFileW(partial.c_str());
  if (cancelled) {
    outcome.cancelled = true;
  } else if (zip.Failure() == kZipNoFailure && !packing.UnreadItems().empty()) {
    outcome.problem = L"Parvello cannot read these items, so nothing was sent:\n" + packing.UnreadItems();
  } else if (empty) {
    outcome.problem = L"There is nothing to pack: the file filters leave out every selected file, or the "
                      L"selection no longer exists.";
  } else {
    switch (zip.Failure()) {
      case kZipReadFailed:
        outcome.problem = L"Parvello cannot read " + ShownPath(packing.Current()) + L":\n" + SystemMessage(zip.SystemError());
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
