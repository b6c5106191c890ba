// The DLLs the setup needs that are not KnownDLLs (version, comctl32) are
// never imported statically: Windows would look for them in the program's
// own folder first, and a DLL planted beside a downloaded setup would run
// with its rights. They are loaded from the system directory when first
// needed, through the functions below.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

// Limits every later DLL search of the process, the platform's own
// included, to the system directory where the platform can
// (SetDefaultDllDirectories, looked up at run time). The first thing the
// program does.
void RestrictDllSearch();

// The system directory's version.dll: VerInstallFileA. When the DLL or the
// function cannot be had, the answer is VIF_CANNOTREADSRC and nothing is
// installed.
DWORD SystemVerInstallFile(DWORD flags, LPSTR sourceName, LPSTR destinationName, LPSTR sourceDir,
                           LPSTR destinationDir, LPSTR currentDir, LPSTR tempName, PUINT tempNameLength);

// The system directory's comctl32.dll: InitCommonControlsEx (FALSE when
// missing) and PropertySheetA (-1 when missing).
BOOL SystemInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);
INT_PTR SystemPropertySheet(LPCPROPSHEETHEADERA header);

// The system directory's hhctrl.ocx: HtmlHelpW. The viewer's window when
// it opened one; null when the library, the function or the file cannot
// be had.
HWND SystemHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);

// A library of the system directory by its full path (see above), for
// the rarer imports that are looked up by their users; null when it
// cannot be loaded. It stays loaded for the rest of the process.
HMODULE SystemLibrary(const char* name);
