// The library's COM entry points and the counts behind DllCanUnloadNow.
#include "shell/module.h"

#include <new>

#include "shell/class_factory.h"

HINSTANCE g_libraryModule;

const CLSID kParvelloClassId = {0x5c2e81f0, 0x3d47, 0x4b9a, {0x9e, 0x16, 0x7a, 0x0f, 0x93, 0xd2, 0xc4, 0xb5}};
const char kClassIdText[] = "{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}";
const CLSID kExplorerCommandClassId = {0xfaa2f33b, 0x6b6e, 0x4e9b, {0x80, 0xdc, 0xef, 0xac, 0x27, 0xae, 0xdc, 0x51}};
const char kExplorerCommandClassIdText[] = "{faa2f33b-6b6e-4e9b-80dc-efac27aedc51}";

namespace {
volatile LONG g_objects;
volatile LONG g_locks;
}  // namespace

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void LockServerCount(bool lock) {
  if (lock)
    InterlockedIncrement(&g_locks);
  else
    InterlockedDecrement(&g_locks);
}

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ServedClass served;
  if (IsEqualCLSID(classId, kParvelloClassId))
    served = ServedClass::kContextMenu;
  else if (IsEqualCLSID(classId, kExplorerCommandClassId))
    served = ServedClass::kExplorerCommand;
  else
    return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* factory = new (std::nothrow) ClassFactory(served);
  if (!factory) return E_OUTOFMEMORY;
  HRESULT result = factory->QueryInterface(interfaceId, object);
  factory->Release();
  return result;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_libraryModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

}
