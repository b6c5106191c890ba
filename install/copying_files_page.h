// The wizard's Copying Files page: Next starts the copy worker; the page
// moves on when the worker presses Next after the last step, and ends the
// process when the worker has reported a failure.
#pragma once
#include <windows.h>

INT_PTR CALLBACK CopyingFilesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
