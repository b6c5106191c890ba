// A second floor: a GUI program that does nothing but imports the same
// system libraries as the setup, so that Wine loads and initialises them
// (user32 connects to the display) exactly as it does for the setup.
#include <windows.h>
#include <shlwapi.h>
#include <winver.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  // Never true when started by the benchmark; keeps the imports.
  if (commandLine[0] == '\x01') {
    MessageBeep(0);
    RegCloseKey(nullptr);
    PathFileExistsA(commandLine);
    GetFileVersionInfoSizeA(commandLine, nullptr);
  }
  return 0;
}
