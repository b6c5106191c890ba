// Makes the object of the class it was asked for.
#include "shell/class_factory.h"

#include <new>

#include "shell/context_menu.h"
#include "shell/explorer_command.h"
#include "shell/module.h"

ClassFactory::ClassFactory(ServedClass served) : references_(1), served_(served) { ObjectCreated(); }
ClassFactory::~ClassFactory() { ObjectDestroyed(); }

STDMETHODIMP ClassFactory::QueryInterface(REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  IUnknown* made = nullptr;
  if (served_ == ServedClass::kExplorerCommand)
    made = static_cast<IExplorerCommand*>(new (std::nothrow) ExplorerCommand);
  else
    made = static_cast<IShellExtInit*>(new (std::nothrow) ContextMenu);
  if (!made) return E_OUTOFMEMORY;
  HRESULT result = made->QueryInterface(interfaceId, object);
  made->Release();
  return result;
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  LockServerCount(lock != FALSE);
  return S_OK;
}
