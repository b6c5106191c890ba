// The Options window, "Parvello Options": every setting the library uses,
// shown and changed in the settings key the setup writes. It runs in a
// process of its own, Rundll32's, so that the shell never waits for it and
// a window with administrator rights can take its place.
#pragma once
#include <windows.h>

// "Rundll32.exe parvello.dll,Options": shows the window until it closes.
extern "C" void CALLBACK Options(HWND window, HINSTANCE, LPSTR arguments, int);

// Starts the window in a Rundll32 of this library's own architecture.
// 1 when it started, 0 otherwise (the system's error is left set).
int StartOptionsWindow();
