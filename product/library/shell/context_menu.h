// The shell extension: initialised with the files and folders the user
// selected (CF_HDROP), it adds its command to their context menu, "Send
// with Parvello", which packs them and hands the archive to the mail
// client; with Shift held (extended verbs) also "Parvello Options...".
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

class ContextMenu final : public IShellExtInit, public IContextMenu {
 public:
  ContextMenu();
  ~ContextMenu();

  STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY programKey) override;

  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand, UINT flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* invocation) override;
  STDMETHODIMP GetCommandString(UINT_PTR command, UINT type, UINT* reserved, CHAR* name, UINT size) override;

 private:
  volatile LONG references_;
  std::vector<std::wstring> selection_;
  // The menu item's picture: the menu shows it as long as the menu lives,
  // which the shell keeps no longer than this object.
  HBITMAP menuIcon_ = nullptr;
};
