// The HTML Help viewer lives in the process that opened it, unlike the
// WinHelp viewer, a program of its own: the setup and the Options window
// serve its window after their own has closed, so that it stays open.
#pragma once
#include <windows.h>

// Dispatches this thread's messages until `viewer` is closed; returns at
// once for no window.
void ServeHelpViewer(HWND viewer);
