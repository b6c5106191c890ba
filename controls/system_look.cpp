// The user's display as the custom controls ask for it: high contrast and scale.
#include "controls/system_look.h"

bool HighContrastOn() {
#ifdef PARVELLO_TEST_SEAMS
  // Wine cannot switch high contrast on; a test build can be told it is.
  char told[2];
  if (GetEnvironmentVariableA("PARVELLO_TEST_HIGH_CONTRAST", told, sizeof told) == 1 && told[0] == '1') return true;
#endif
  HIGHCONTRASTA contrast = {sizeof contrast, 0, nullptr};
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

UINT WindowDpi(HWND window) {
  // user32 is loaded by every window program: no search for it happens.
  typedef UINT(WINAPI * DpiForWindow)(HWND);
  static DpiForWindow dpiForWindow =
      reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (window && dpiForWindow) {
    UINT dpi = dpiForWindow(window);
    if (dpi) return dpi;
  }
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}
