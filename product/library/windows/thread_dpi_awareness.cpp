// The Options window's thread made DPI aware, where Windows can.
#include "windows/thread_dpi_awareness.h"

namespace {

typedef HANDLE(WINAPI* SetThreadDpiAwarenessContextFn)(HANDLE);

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

SetThreadDpiAwarenessContextFn SetContext() {
  return reinterpret_cast<SetThreadDpiAwarenessContextFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
}

}  // namespace

HANDLE MakeThreadDpiAware() {
  SetThreadDpiAwarenessContextFn set = SetContext();
  if (!set) return nullptr;
  HANDLE previous = set(kPerMonitorAwareV2);
  return previous ? previous : set(kPerMonitorAware);
}

void RestoreThreadDpiAwareness(HANDLE previous) {
  SetThreadDpiAwarenessContextFn set = SetContext();
  if (set && previous) set(previous);
}
