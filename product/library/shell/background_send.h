// Sending a selection: packing it with the progress window and handing the
// archive to the mail client, on the caller's thread or on one of its own
// so that the shell's window does not wait.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Packs `selection` and hands the archive on; a failure is shown in one
// message box owned by `owner` unless `quiet`. S_OK, or the failure.
HRESULT SendWithParvello(const std::vector<std::wstring>& selection, HWND owner, bool quiet);

// The same on a thread of its own, which holds the library loaded while it
// runs. 1 when the thread started, 0 when it could not (nothing was sent).
int SendInBackground(const std::vector<std::wstring>& selection, HWND owner, bool quiet);
