// What happens to an archive that no Simple MAPI client takes: the new
// Outlook, when it is installed, gets it as an unsent draft; otherwise the
// archive goes on the clipboard as a file, its folder opens with it
// selected, and the user is told where it is. The archive is never deleted
// here: it is the user's only copy of what was packed.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// `reason` says why no client took it. 1 when the new Outlook was started
// with the draft; 0 otherwise, with `problem` telling the user where the
// archive is and how to attach it. `quiet`: no folder window.
// Several parts: one draft each, or all on the clipboard and selected.
int HandOverWithoutMapi(const std::vector<std::wstring>& archives, const std::wstring& reason, bool quiet,
                        std::wstring& problem);
