// Stand-in for the Parvello shell-extension library: a well-formed in-process
// COM server that exports the entry points the setup registers and runs, but
// does not yet offer its context-menu handler. The setup program only
// carries and installs this file.
#include <windows.h>

extern "C" {

// Refuses every class until the context-menu handler is part of the library.
HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID, void** object) {
  if (object) *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_OK; }

// Run by the uninstall entry as "Rundll32.exe parvello.dll,Uninstall".
// The stand-in removes nothing yet.
void CALLBACK Uninstall(HWND, HINSTANCE, LPSTR, int) {}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

}
