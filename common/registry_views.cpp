#include "common/registry_views.h"

namespace {

// This process's own view first.
const RegistryView kOneView[] = {{0}};
#ifdef _WIN64
const RegistryView kTwoViews[] = {{KEY_WOW64_64KEY}, {KEY_WOW64_32KEY}};
#else
const RegistryView kTwoViews[] = {{KEY_WOW64_32KEY}, {KEY_WOW64_64KEY}};
#endif

#ifndef _WIN64
typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE, BOOL*);
typedef BOOL(WINAPI* IsWow64Process2Function)(HANDLE, USHORT*, USHORT*);

// A 32-bit process is on x64 Windows when WOW64 runs it and, where the
// system can say so, the machine beneath is x64.
bool RunsOnX64() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return false;
  auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process2")));
  USHORT processMachine = 0, nativeMachine = 0;
  if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine))
    return processMachine != IMAGE_FILE_MACHINE_UNKNOWN && nativeMachine == IMAGE_FILE_MACHINE_AMD64;
  auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
#endif

}  // namespace

bool SystemHasTwoViews() {
#ifdef _WIN64
  return true;
#else
  // Asked once; every thread that asks gets the same answer.
  static volatile LONG answer = -1;
  if (answer < 0) InterlockedExchange(&answer, RunsOnX64() ? 1 : 0);
  return answer == 1;
#endif
}

int ProductViews(const RegistryView** views) {
  if (SystemHasTwoViews()) {
    *views = kTwoViews;
    return 2;
  }
  *views = kOneView;
  return 1;
}

REGSAM SettingsView() { return SystemHasTwoViews() ? KEY_WOW64_32KEY : 0; }

REGSAM NativeView() { return SystemHasTwoViews() ? KEY_WOW64_64KEY : 0; }

LONG DeleteKeyInView(HKEY root, const char* path, REGSAM view) {
  typedef LONG(WINAPI * DeleteKeyEx)(HKEY, LPCSTR, REGSAM, DWORD);
  if (!view) return RegDeleteKeyA(root, path);
  HMODULE advapi = GetModuleHandleA("advapi32.dll");
  auto deleteKeyEx =
      advapi ? reinterpret_cast<DeleteKeyEx>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteKeyExA")))
             : nullptr;
  return deleteKeyEx ? deleteKeyEx(root, path, view, 0) : ERROR_CALL_NOT_IMPLEMENTED;
}
