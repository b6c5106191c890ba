#include "module.h"

#include <new>

#include "class_factory.h"

HINSTANCE g_libraryModule;

const CLSID kParvelloClassId = {0x5c2e81f0, 0x3d47, 0x4b9a, {0x9e, 0x16, 0x7a, 0x0f, 0x93, 0xd2, 0xc4, 0xb5}};
const char kClassIdText[] = "{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}";

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
  if (!IsEqualCLSID(classId, kParvelloClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* factory = new (std::nothrow) ClassFactory;
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
