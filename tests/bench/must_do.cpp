// The benchmark's second floor: what the setup's start-up must do on every
// road, and nothing else: load its caption text and look for the window of
// a running interactive setup (which connects to the desktop).
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  char caption[255];
  if (LoadStringA(instance, 1, caption, sizeof caption) <= 0) return 1;
  return FindWindowA("#32770", caption) ? 2 : 0;
}
