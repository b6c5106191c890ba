// The benchmark's floor: a Windows GUI program that does nothing, started
// the same way as the setup.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
