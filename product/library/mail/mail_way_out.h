// What happens to an archive that no Simple MAPI client takes: the new
// Outlook, when it is installed, gets it as an unsent draft; otherwise the
// archive goes on the clipboard as a file, its folder opens with it
// selected, and the user is told where it is. The archive is never deleted
// here: it is the user's only copy of what was packed.
#pragma once
#include <windows.h>

#include <string>

// `reason` says why no client took it. 1 when the new Outlook was started
// with the draft; 0 otherwise, with `problem` telling the user where the
// archive is and how to attach it. `quiet`: no folder window.
int HandOverWithoutMapi(const std::wstring& archive, const std::wstring& reason, bool quiet, std::wstring& problem);
