// "Send with Parvello" as Windows 11's first context menu asks for a
// command: an IExplorerCommand, given the selection as shell items. Its
// texts come from the same table as the classic menu's, and it sends as
// the classic command does, in the background.
#pragma once
#include <windows.h>
#include <shobjidl.h>

class ExplorerCommand final : public IExplorerCommand {
 public:
  ExplorerCommand();
  ~ExplorerCommand();

  STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* title) override;
  STDMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
  STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
  STDMETHODIMP GetCanonicalName(GUID* name) override;
  STDMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
  STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* context) override;
  STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
  STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

 private:
  volatile LONG references_;
};
