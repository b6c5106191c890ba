// The archive folder found or made, and the product's old archives in it deleted.
#include "packing/archive_folder.h"

#include <string.h>
#include <wctype.h>

#include "common/archive_folder_mark.h"
#include "common/owned.h"
#include "common/registry_views.h"
#include "settings/options.h"

const char kArchiveComment[] = "Parvello 1.1 archive";

namespace {

const std::string kRememberedFolders = std::string(kSettingsKey) + "\\Archive Folders";

constexpr ULONGLONG kFileTimeDay = 24ULL * 60 * 60 * 10000000;

ULONGLONG Ticks(const FILETIME& time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

// Whether a long name ends in ".zip" exactly: the search pattern "*.zip"
// also finds "kept.zip_old" and "kept.zipx", through their short names.
bool EndsInZip(const wchar_t* name) {
  size_t length = wcslen(name);
  return length > 4 && lstrcmpiW(name + length - 4, L".zip") == 0;
}

enum Mark { kNotOurs, kOurs, kUnreadable };

Mark MarkOf(const std::wstring& path);

// Calls `act` for every .zip file of the folder that the product made, and
// `unreadable` for every one that could not be opened to tell.
template <typename Act, typename Unreadable>
void ForEachProductArchive(const std::wstring& folder, Act act, Unreadable unreadable) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*.zip").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !EndsInZip(found.cFileName)) continue;
    std::wstring path = folder + L"\\" + found.cFileName;
    switch (MarkOf(path)) {
      case kOurs: act(path, found); break;
      case kUnreadable: unreadable(path); break;
      case kNotOurs: break;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

namespace {

Mark MarkOf(const std::wstring& path) {
  const DWORD commentLength = static_cast<DWORD>(strlen(kArchiveComment));
  const DWORD tailSize = 22 + commentLength;  // the end record and its comment
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kUnreadable;
  bool product = false;
  LARGE_INTEGER size, at;
  BYTE tail[64];
  DWORD got = 0;
  if (GetFileSizeEx(file, &size) && size.QuadPart >= tailSize && tailSize <= sizeof tail) {
    at.QuadPart = size.QuadPart - tailSize;
    if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, tail, tailSize, &got, nullptr) &&
        got == tailSize)
      product = memcmp(tail, "PK\x05\x06", 4) == 0 && tail[20] == commentLength && tail[21] == 0 &&
                memcmp(tail + 22, kArchiveComment, commentLength) == 0;
  }
  CloseHandle(file);
  return product ? kOurs : kNotOurs;
}

}  // namespace

void DeleteOldArchives(const std::wstring& folder, DWORD days) {
  if (days == 0) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ForEachProductArchive(folder, [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
    // Whole days of age, so that no number of days can overflow.
    ULONGLONG written = Ticks(found.ftLastWriteTime);
    if (written < Ticks(now) && (Ticks(now) - written) / kFileTimeDay >= days) DeleteFileW(path.c_str());
  }, [](const std::wstring&) {});
}

// An archive another program holds without sharing cannot even be told
// from the user's own: it stays, and is named.
void DeleteAllArchives(const std::wstring& folder, std::vector<std::wstring>& left) {
  ForEachProductArchive(
      folder,
      [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
        SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if (!DeleteFileW(path.c_str())) left.push_back(path);
      },
      [&](const std::wstring& path) { left.push_back(path + L" (in use: not checked)"); });
}

bool IsFullPath(const std::wstring& path) {
  bool drive = path.size() >= 2 && path[1] == L':' && iswalpha(path[0]) && (path.size() == 2 || path[2] == L'\\');
  bool share = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
  return drive || share;
}

DWORD MakeArchiveFolder(const std::wstring& folder) {
  std::wstring made = folder.back() == L':' ? folder + L"\\" : folder;  // a drive's root
  if (CreateDirectoryW(made.c_str(), nullptr)) {
    MarkAsOurFolder(folder);
    return 0;
  }
  DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS ? 0 : error;
}

void MarkAsOurFolder(const std::wstring& folder) {
  HANDLE mark = CreateFileW((folder + L"\\" + kArchiveFolderMarkW).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
}

// Something of the user's still in it keeps the folder, mark and all.
void RemoveOurFolder(const std::wstring& folder) {
  bool marked = false, other = false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0) continue;
    if (lstrcmpiW(found.cFileName, kArchiveFolderMarkW) == 0 && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      marked = true;
    else
      other = true;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  if (!marked || other) return;
  std::wstring mark = folder + L"\\" + kArchiveFolderMarkW;
  SetFileAttributesW(mark.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(mark.c_str()) && !RemoveDirectoryW(folder.c_str())) MarkAsOurFolder(folder);
}

void RememberArchiveFolder(const std::wstring& folder) {
  OwnedKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRememberedFolders.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_QUERY_VALUE | SettingsView(), nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
    return;
  if (RegQueryValueExW(key.Get(), folder.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) return;
  RegSetValueExW(key.Get(), folder.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> RememberedArchiveFolders() {
  std::vector<std::wstring> folders;
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRememberedFolders.c_str(), 0, KEY_QUERY_VALUE | SettingsView(),
                    key.Receive()) != ERROR_SUCCESS)
    return folders;
  // The value's name is the folder: names are up to 16,383 characters.
  std::vector<wchar_t> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (IsFullPath(std::wstring(name.data(), length))) folders.emplace_back(name.data(), length);
  }
  return folders;
}
