#include "app/startup.h"

#include "app/directories.h"
#include "app/texts.h"

HINSTANCE g_module;
HICON g_smallIcon;
HICON g_largeIcon;

namespace {

// The property sheet and every message box of a running interactive setup
// are dialog-class windows titled with the setup caption.
constexpr char kDialogClass[] = "#32770";

HICON LoadProgramIcon(int size) {
  return static_cast<HICON>(LoadImageA(g_module, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

int InitSetup(HINSTANCE module) {
  g_module = module;
  LoadTexts(module);

  HWND running = FindWindowA(kDialogClass, Text(IDS_SETUP_CAPTION));
  if (running) {
    SetForegroundWindow(running);
    ShowWindow(running, SW_RESTORE);
    return 0;
  }

  return ResolveDirectories();
}

void LoadProgramIcons() {
  g_smallIcon = LoadProgramIcon(16);
  g_largeIcon = LoadProgramIcon(32);
}
