#include "app/system_dlls.h"

#include <winver.h>

#include "app/directories.h"

namespace {

// One function of a DLL of the system directory, found on its first use.
// Each is used from one thread only (the version installer from the copy
// worker or the main thread, the common controls and HTML Help from the
// UI thread).
struct LateImport {
  const char* library;
  const char* function;
  FARPROC address;
};

enum LateImportId { kVerInstallFile, kInitCommonControlsEx, kPropertySheet, kHtmlHelp };
LateImport g_lateImports[] = {
    {"version.dll", "VerInstallFileA", nullptr},
    {"comctl32.dll", "InitCommonControlsEx", nullptr},
    {"comctl32.dll", "PropertySheetA", nullptr},
    {"hhctrl.ocx", "HtmlHelpW", nullptr},
};

// Not in the headers of older platforms.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);

HMODULE Kernel() { return GetModuleHandleA("kernel32.dll"); }

bool g_searchRestricted;

// By full path; the library's own imports are then looked for in the
// system directory as well (only there, where the search is restricted).
HMODULE LoadSystemLibrary(const char* name) {
  char directory[kPathSize], path[kPathSize];
  UINT length = GetSystemDirectoryA(directory, kPathSize);
  if (length == 0 || length >= kPathSize - 1) return nullptr;
  if (!AddBackslash(directory) || !JoinPath(path, directory, name)) return nullptr;
  return LoadLibraryExA(path, nullptr, g_searchRestricted ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Libraries the platform loads by name on behalf of the common controls,
// in ways that do not honour the restricted search (Wine's theming code
// delay-loads msimg32 for its TransparentBlt, and delay loads search the
// program's folder): loaded first from the system directory, the later
// load by name finds them in memory.
const char* const kCommonControlsHelpers[] = {"msimg32.dll"};

FARPROC Resolve(LateImportId id) {
  LateImport& import = g_lateImports[id];
  if (!import.address) {
    if (id == kInitCommonControlsEx || id == kPropertySheet)
      for (const char* helper : kCommonControlsHelpers) LoadSystemLibrary(helper);
    // The library stays loaded for the rest of the process.
    if (HMODULE library = LoadSystemLibrary(import.library)) import.address = GetProcAddress(library, import.function);
  }
  return import.address;
}

}  // namespace

void RestrictDllSearch() {
  auto restrict = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(Kernel(), "SetDefaultDllDirectories")));
  g_searchRestricted = restrict && restrict(kSearchSystem32);
}

DWORD SystemVerInstallFile(DWORD flags, LPSTR sourceName, LPSTR destinationName, LPSTR sourceDir,
                           LPSTR destinationDir, LPSTR currentDir, LPSTR tempName, PUINT tempNameLength) {
  typedef DWORD(APIENTRY * Fn)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, PUINT);
  auto install = reinterpret_cast<Fn>(reinterpret_cast<void*>(Resolve(kVerInstallFile)));
  if (!install) return VIF_CANNOTREADSRC;
  return install(flags, sourceName, destinationName, sourceDir, destinationDir, currentDir, tempName, tempNameLength);
}

BOOL SystemInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
  typedef BOOL(WINAPI * Fn)(const INITCOMMONCONTROLSEX*);
  auto init = reinterpret_cast<Fn>(reinterpret_cast<void*>(Resolve(kInitCommonControlsEx)));
  return init ? init(classes) : FALSE;
}

INT_PTR SystemPropertySheet(LPCPROPSHEETHEADERA header) {
  typedef INT_PTR(WINAPI * Fn)(LPCPROPSHEETHEADERA);
  auto show = reinterpret_cast<Fn>(reinterpret_cast<void*>(Resolve(kPropertySheet)));
  return show ? show(header) : -1;
}

HWND SystemHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) {
  typedef HWND(WINAPI * Fn)(HWND, const wchar_t*, UINT, DWORD_PTR);
  auto help = reinterpret_cast<Fn>(reinterpret_cast<void*>(Resolve(kHtmlHelp)));
  return help ? help(caller, file, command, data) : nullptr;
}

HMODULE SystemLibrary(const char* name) { return LoadSystemLibrary(name); }
