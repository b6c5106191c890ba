// Opening the installed help at the overview when the wizard finishes:
// in the WinHelp viewer where the system has one, otherwise the same help
// as Compiled HTML Help in the HTML Help viewer.
#pragma once
#include <windows.h>

// Opens the overview. Shows nothing when it cannot; the setup still ends.
void OpenOverview(HWND page);

// The HTML Help viewer lives in the setup's own process (the WinHelp
// viewer is a program of its own): after the sheet has closed, the setup
// serves its window until the user closes it, so that it stays open as
// the WinHelp viewer does. Returns at once when none was opened.
void ServeOverviewViewer();
