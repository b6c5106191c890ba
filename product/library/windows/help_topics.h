// The product's help, opened at a topic: the Compiled HTML Help file the
// setup installs in the Windows folder's HELP folder, shown by the
// system's HTML Help (hhctrl.ocx, loaded from the system folder), which
// every Windows since 7 has; WinHelp, which the setup also serves, is gone
// from Windows 10 on.
#pragma once
#include <windows.h>

// Topics, as pages of the help file.
extern const wchar_t kSettingsTopic[];

// The viewer's window at `topic`; null when the help file or the viewer
// cannot be had (the system's error is left for the caller).
HWND OpenHelpTopic(const wchar_t* topic);

// ServeHelpViewer (common/help_viewer.h) keeps it open after the window
// it was opened from.
