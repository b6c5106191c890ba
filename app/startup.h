// Process start-up: the state every road reads, written once on the main
// thread before any other thread exists.
#pragma once
#include <windows.h>

extern HINSTANCE g_module;
extern HICON g_smallIcon;  // 16x16, null when it could not be loaded
extern HICON g_largeIcon;  // 32x32, likewise

// Stores the module, loads the texts, steps aside for a running interactive
// setup (brought to the front) and resolves the directories. Returns 1 to
// go on, 0 when the process should end quietly.
int InitSetup(HINSTANCE module);

// The program icons, for the wizard's window only: making an icon connects
// the process to the display, which the unattended road need not pay for.
// Written once on the main thread before the wizard's sheet exists.
void LoadProgramIcons();
