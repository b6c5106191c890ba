// A DLL to plant beside a program under the name of a system DLL: when it
// is loaded, it appends its own path to c:\planted-loads.log. It exports
// nothing, so a program that imports the real DLL statically fails to
// start once this one is taken instead; the log records it either way.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char line[MAX_PATH + 2];
  DWORD length = GetModuleFileNameA(instance, line, MAX_PATH);
  line[length++] = '\r';
  line[length++] = '\n';
  HANDLE log = CreateFileA("c:\\planted-loads.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log, line, length, &written, nullptr);
    CloseHandle(log);
  }
  return TRUE;
}
