// Which registry view holds what, for the setup and the product alike.
//
// On 64-bit Windows a 32-bit process's HKLM\SOFTWARE and HKCR\CLSID are
// the 32-bit view and its system32 is SysWOW64, while Explorer, a 64-bit
// process, reads the 64-bit view and loads 64-bit libraries only. So:
// - the class, its server, the two handler keys and the approval are
//   written in every view the system has, each naming the library of that
//   view's architecture (the handler keys are shared by both views since
//   Windows 7; writing them twice is harmless);
// - the settings key and the uninstall key live once, in the 32-bit view,
//   where the 32-bit setup has always written them without a flag;
// - the system's default mail client is read from the native view, which
//   Windows' own mail settings write.
// On 32-bit Windows, and on ARM64 Windows (whose Explorer loads neither
// library), there is one view and no view flag is ever passed.
#pragma once
#include <windows.h>

struct RegistryView {
  REGSAM flag;  // KEY_WOW64_32KEY or KEY_WOW64_64KEY; 0 on a system of one view
};

// Whether the system is x64 Windows, with a 32-bit and a 64-bit view.
bool SystemHasTwoViews();

// The views the product is registered and installed in, this process's
// own first; returns how many (1 or 2).
int ProductViews(const RegistryView** views);

// The flag for the settings key and the uninstall key.
REGSAM SettingsView();

// The flag for the system's own entries, such as its default mail client.
REGSAM NativeView();

// RegDeleteKeyExA where a view is named (looked up at run time: 32-bit
// Windows XP lacks it), RegDeleteKeyA otherwise.
LONG DeleteKeyInView(HKEY root, const char* path, REGSAM view);
