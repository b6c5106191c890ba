// The class factory of the context-menu handler.
#pragma once
#include <windows.h>
#include <unknwn.h>

class ClassFactory final : public IClassFactory {
 public:
  ClassFactory();
  ~ClassFactory();

  STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  volatile LONG references_;
};
