// The external location of the sparse package, shared by setup and uninstall.
#include "common/first_menu_package.h"

#include "common/owned.h"
#include "common/registry_views.h"

int FirstMenuFolder(char* folder, DWORD size) {
  if (size) folder[0] = '\0';
  if (!SystemHasTwoViews()) return 0;
  // A 32-bit process's own %ProgramFiles% is the x86 one: the system's
  // record in the native view names the 64-bit folder.
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                    KEY_QUERY_VALUE | NativeView(), key.Receive()) != ERROR_SUCCESS)
    return 0;
  char programFiles[MAX_PATH];
  DWORD type = 0, bytes = sizeof programFiles - 1;
  if (RegQueryValueExA(key.Get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(programFiles), &bytes) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0)
    return 0;
  programFiles[bytes] = '\0';
  DWORD length = lstrlenA(programFiles);
  while (length && programFiles[length - 1] == '\\') programFiles[--length] = '\0';
  if (!length || length + 1 + sizeof kFirstMenuFolderName > size) return 0;
  lstrcpynA(folder, programFiles, size);
  lstrcatA(folder, "\\");
  lstrcatA(folder, kFirstMenuFolderName);
  return 1;
}
