#include "common/architectures.h"

#include "common/owned.h"
#include "common/registry_views.h"

namespace {

typedef UINT(WINAPI* SystemWow64DirectoryW)(LPWSTR, UINT);

void* KernelFunction(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel ? reinterpret_cast<void*>(GetProcAddress(kernel, name)) : nullptr;
}

// Ends the folder of `length` characters without a backslash, and appends
// `tail` when there is room.
int Finish(wchar_t* folder, UINT size, UINT length, const wchar_t* tail) {
  if (!length || length >= size) {
    if (size) folder[0] = L'\0';
    return 0;
  }
  while (length > 1 && folder[length - 1] == L'\\') folder[--length] = L'\0';
  if (static_cast<UINT>(lstrlenW(tail)) >= size - length) {
    folder[0] = L'\0';
    return 0;
  }
  lstrcpyW(folder + length, tail);
  return 1;
}

}  // namespace

WORD OwnMachine() {
#ifdef _WIN64
  return IMAGE_FILE_MACHINE_AMD64;
#else
  return IMAGE_FILE_MACHINE_I386;
#endif
}

WORD OtherMachine() {
  if (!SystemHasTwoViews()) return 0;
  return OwnMachine() == IMAGE_FILE_MACHINE_I386 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
}

int SystemFolderOf(WORD machine, FolderName form, wchar_t* folder, UINT size) {
  if (!size) return 0;
  folder[0] = L'\0';
  if (!machine || (machine != OwnMachine() && machine != OtherMachine())) return 0;
  // The 32-bit folder is named by its real name (SysWOW64 on 64-bit
  // Windows): "System32" would name the 64-bit one to anyone else.
  if (machine == IMAGE_FILE_MACHINE_I386 && SystemHasTwoViews()) {
    auto wow64Directory = reinterpret_cast<SystemWow64DirectoryW>(KernelFunction("GetSystemWow64DirectoryW"));
    return wow64Directory && Finish(folder, size, wow64Directory(folder, size), L"");
  }
  if (machine == OwnMachine()) return Finish(folder, size, GetSystemDirectoryW(folder, size), L"");
  // A 32-bit process and the 64-bit folder.
  return Finish(folder, size, GetSystemWindowsDirectoryW(folder, size),
                form == FolderName::kReached ? L"\\Sysnative" : L"\\System32");
}

int SystemFolderOfA(WORD machine, FolderName form, char* folder, UINT size) {
  wchar_t wide[MAX_PATH];
  if (!size) return 0;
  folder[0] = '\0';
  if (!SystemFolderOf(machine, form, wide, MAX_PATH)) return 0;
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, folder, static_cast<int>(size), nullptr, &lossy);
  if (length > 0 && !lossy) return 1;
  folder[0] = '\0';
  return 0;
}

WORD ImageMachine(const wchar_t* path) {
  OwnedHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return 0;
  IMAGE_DOS_HEADER dos = {};
  DWORD read = 0;
  if (!ReadFile(file.Get(), &dos, sizeof dos, &read, nullptr) || read != sizeof dos ||
      dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
    return 0;
  if (SetFilePointer(file.Get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  struct {
    DWORD signature;
    IMAGE_FILE_HEADER header;
  } nt = {};
  if (!ReadFile(file.Get(), &nt, sizeof nt, &read, nullptr) || read != sizeof nt || nt.signature != IMAGE_NT_SIGNATURE)
    return 0;
  return nt.header.Machine;
}
