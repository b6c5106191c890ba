#include "class_factory.h"

#include <new>

#include "context_menu.h"
#include "module.h"

ClassFactory::ClassFactory() : references_(1) { ObjectCreated(); }
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
  ContextMenu* menu = new (std::nothrow) ContextMenu;
  if (!menu) return E_OUTOFMEMORY;
  HRESULT result = menu->QueryInterface(interfaceId, object);
  menu->Release();
  return result;
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  LockServerCount(lock != FALSE);
  return S_OK;
}
