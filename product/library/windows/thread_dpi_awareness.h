// Rundll32 declares no DPI awareness, and a library cannot declare it for
// its host: the Options window's thread asks for per-monitor awareness
// itself, so that Windows draws it at the display's scale, not stretched.
#pragma once
#include <windows.h>

// Makes the calling thread per-monitor aware (v2, or v1 where v2 is
// unknown) where the system has thread awareness (Windows 10 1607 and
// later); returns what to give back to RestoreThreadDpiAwareness, null
// when nothing changed.
HANDLE MakeThreadDpiAware();
void RestoreThreadDpiAwareness(HANDLE previous);
