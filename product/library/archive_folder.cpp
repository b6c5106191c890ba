#include "archive_folder.h"

#include <string.h>

const char kArchiveComment[] = "Parvello 1.1 archive";

namespace {

constexpr ULONGLONG kFileTimeDay = 24ULL * 60 * 60 * 10000000;

ULONGLONG Ticks(const FILETIME& time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

// Calls `act` for every .zip file of the folder that the product made.
template <typename Act>
void ForEachProductArchive(const std::wstring& folder, Act act) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*.zip").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring path = folder + L"\\" + found.cFileName;
    if (IsProductArchive(path)) act(path, found);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

bool IsProductArchive(const std::wstring& path) {
  const DWORD commentLength = static_cast<DWORD>(strlen(kArchiveComment));
  const DWORD tailSize = 22 + commentLength;  // the end record and its comment
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
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
  return product;
}

void DeleteOldArchives(const std::wstring& folder, DWORD days) {
  if (days == 0) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ForEachProductArchive(folder, [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
    // Whole days of age, so that no number of days can overflow.
    ULONGLONG written = Ticks(found.ftLastWriteTime);
    if (written < Ticks(now) && (Ticks(now) - written) / kFileTimeDay >= days) DeleteFileW(path.c_str());
  });
}

void DeleteAllArchives(const std::wstring& folder, std::vector<std::wstring>& left) {
  ForEachProductArchive(folder, [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
    SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (!DeleteFileW(path.c_str())) left.push_back(path);
  });
}
