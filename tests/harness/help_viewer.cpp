#include "harness/help_viewer.h"

#include <tlhelp32.h>

#include "harness/harness.h"

namespace {
constexpr int kTopicText = 0x701;  // the viewer's rich edit control
}

HWND WaitForHelpViewer(DWORD processId, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindVisibleWindow("MS_WINHELP", processId)) != nullptr; }, timeoutMs);
  return found;
}

std::string HelpViewerText(HWND viewer) { return ControlText(GetDlgItem(viewer, kTopicText)); }

void EndHelpViewers() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, "winhlp32.exe") != 0) continue;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
}
