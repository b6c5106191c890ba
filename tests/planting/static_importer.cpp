// What the setup must not be: a program that imports comctl32.dll
// statically, so that the loader looks for it beside the program first.
// It never calls it (a planted stand-in has nothing to call).
#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  if (commandLine[0] == '\x01') InitCommonControls();
  return 0;
}
