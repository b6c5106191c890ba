// What the user's display asks of the custom controls: the colours of a
// high-contrast scheme, and the scale (dots per inch) a window is shown at.
#pragma once
#include <windows.h>

// True while a high-contrast scheme is on: the controls then draw in the
// scheme's colours (GetSysColor) instead of their own.
bool HighContrastOn();

// The dots per inch `window` is shown at: its monitor's where the system
// tells (Windows 10 1607 and later), else the screen's. A null window
// gives the screen's. 96 is 100%.
UINT WindowDpi(HWND window);
