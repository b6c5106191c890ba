#include "wizard/overview_help.h"

#include "app/directories.h"
#include "app/system_dlls.h"
#include "common/help_viewer.h"
#include "install/embedded_files.h"

namespace {

// The overview topic of both help files.
constexpr DWORD kOverviewContext = 0xC0000110;
constexpr DWORD kWinHelpRecord = 1, kHtmlHelpRecord = 4;
constexpr UINT kHelpContext = 0x000F;  // HH_HELP_CONTEXT

HWND g_htmlHelpViewer;

// The one reason to take WinHelp: the Windows Help program is there to
// show it. Microsoft ships it with Windows up to XP and as a download for
// Vista to 8.1; Windows 10 and later have none, and their winhlp32.exe
// only says so (Microsoft's article 917607). HTML Help is part of every
// Windows since 7.
bool SystemHasWinHelpViewer() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  // The program's manifest names Windows 10: the version is not capped.
  if (!GetVersionExA(&version) || version.dwMajorVersion >= 10) return false;
  char viewer[kPathSize];
  return JoinPath(viewer, g_windowsDir, "winhlp32.exe") && GetFileAttributesA(viewer) != INVALID_FILE_ATTRIBUTES;
}

// A help file as installed, named with its folder: the viewers look for
// a bare name in their own places, which need not include the help folder.
bool HelpFilePath(DWORD record, char* path) {
  return JoinPath(path, g_helpDir, g_embeddedFiles[record].installedName) != 0;
}

}  // namespace

void OpenOverview(HWND page) {
  char path[kPathSize];
  if (SystemHasWinHelpViewer()) {
    if (HelpFilePath(kWinHelpRecord, path)) WinHelpA(page, path, HELP_CONTEXT, kOverviewContext);
    return;
  }
  wchar_t widePath[kPathSize];
  if (!HelpFilePath(kHtmlHelpRecord, path) || !MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kPathSize)) return;
  // Owned by no window: the sheet is about to close.
  g_htmlHelpViewer = SystemHtmlHelp(nullptr, widePath, kHelpContext, kOverviewContext);
}

void ServeOverviewViewer() { ServeHelpViewer(g_htmlHelpViewer); }
