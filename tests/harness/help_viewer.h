// The platform's help viewer (winhlp32.exe) as the tests see it: its main
// window, the text of the topic it shows, and its end.
#pragma once
#include <windows.h>

#include "harness/harness.h"

#include <string>

// A visible main window of the viewer (class "MS_WINHELP"), of the given
// process or of any when 0; null on time-out.
HWND WaitForHelpViewer(DWORD processId = 0, DWORD timeoutMs = kPatienceMs);
// The text of the topic the viewer shows (its rich edit control).
std::string HelpViewerText(HWND viewer);
// Ends every running viewer, so that none outlives a test.
void EndHelpViewers();
