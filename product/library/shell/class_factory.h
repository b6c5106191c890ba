// The class factory of the library's two classes: the classic
// context-menu handler and the command of Windows 11's first menu.
#pragma once
#include <windows.h>
#include <unknwn.h>

enum class ServedClass { kContextMenu, kExplorerCommand };

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(ServedClass served);
  ~ClassFactory();

  STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  volatile LONG references_;
  ServedClass served_;
};
