#include "install/pending_deletions.h"

#include "app/directories.h"
#include "common/architectures.h"
#include "common/owned.h"

namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingOperations[] = L"PendingFileRenameOperations";

// The file's name as the system sees it at start-up: the real system
// folder of each architecture, never a redirected or Sysnative one.
int NamedPath(DWORD destinationKind, const char* name, wchar_t* path) {
  char folder[kPathSize];
  if (destinationKind == kToSystemDir || destinationKind == kToOtherSystemDir) {
    WORD machine = destinationKind == kToSystemDir ? OwnMachine() : OtherMachine();
    if (!SystemFolderOfA(machine, FolderName::kNamed, folder, kPathSize) || !AddBackslash(folder)) return 0;
  } else {
    lstrcpynA(folder, g_destinationDirs[destinationKind], kPathSize);
  }
  char full[kPathSize];
  return JoinPath(full, folder, name) && MultiByteToWideChar(CP_ACP, 0, full, -1, path, kPathSize) > 0;
}

// The entry's path without the "\??\" the system writes before it.
const wchar_t* Unprefixed(const wchar_t* entry) {
  return entry[0] == L'\\' && entry[1] == L'?' && entry[2] == L'?' && entry[3] == L'\\' ? entry + 4 : entry;
}

}  // namespace

int KeepAtNextStart(DWORD destinationKind, const char* name) {
  wchar_t path[kPathSize];
  if (destinationKind >= kDestinationKinds || !NamedPath(destinationKind, name, path)) return 0;
  OwnedKey key;
  LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive());
  if (opened != ERROR_SUCCESS) return 0;
  DWORD type = 0, size = 0;
  LONG queried = RegQueryValueExW(key.Get(), kPendingOperations, nullptr, &type, nullptr, &size);
  if (queried == ERROR_FILE_NOT_FOUND) return 1;
  if (queried != ERROR_SUCCESS || type != REG_MULTI_SZ) return 0;
  // Room for two more zeros, should the stored list lack its own.
  DWORD count = size / sizeof(wchar_t) + 2;
  HANDLE heap = GetProcessHeap();
  auto* list = static_cast<wchar_t*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, count * sizeof(wchar_t)));
  auto* kept = static_cast<wchar_t*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, count * sizeof(wchar_t)));
  int result = 0;
  if (list && kept && RegQueryValueExW(key.Get(), kPendingOperations, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(list), &size) == ERROR_SUCCESS) {
    // Pairs of source and target; an empty target deletes the source.
    DWORD at = 0, out = 0;
    bool changed = false;
    while (at < count - 1 && list[at]) {
      const wchar_t* source = list + at;
      DWORD sourceLength = lstrlenW(source) + 1;
      const wchar_t* target = source + sourceLength;
      DWORD targetLength = at + sourceLength < count ? lstrlenW(target) + 1 : 1;
      bool ours = target[0] == L'\0' && lstrcmpiW(Unprefixed(source), path) == 0;
      if (ours) {
        changed = true;
      } else {
        memcpy(kept + out, source, (sourceLength + targetLength) * sizeof(wchar_t));
        out += sourceLength + targetLength;
      }
      at += sourceLength + targetLength;
    }
    if (!changed)
      result = 1;
    else if (out == 0)
      result = RegDeleteValueW(key.Get(), kPendingOperations) == ERROR_SUCCESS;
    else
      result = RegSetValueExW(key.Get(), kPendingOperations, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept),
                              (out + 1) * sizeof(wchar_t)) == ERROR_SUCCESS;
  }
  if (list) HeapFree(heap, 0, list);
  if (kept) HeapFree(heap, 0, kept);
  return result;
}
