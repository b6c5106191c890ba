// The command of Windows 11's first context menu.
#include "shell/explorer_command.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "resource_ids.h"
#include "settings/options.h"
#include "shell/background_send.h"
#include "shell/menu_commands.h"
#include "shell/module.h"
#include "shell/shell_selection.h"

namespace {

// The items' file-system paths. 0 when an item has none (a Control Panel
// item, a phone's folder, a member of a ZIP folder) or is a drive's root,
// or when there are no items: the command is then not offered.
int SelectionOf(IShellItemArray* items, std::vector<std::wstring>& selection) {
  selection.clear();
  DWORD count = 0;
  if (!items || FAILED(items->GetCount(&count)) || count == 0) return 0;
  for (DWORD i = 0; i < count; ++i) {
    IShellItem* item = nullptr;
    if (FAILED(items->GetItemAt(i, &item))) return 0;
    PWSTR path = nullptr;
    HRESULT named = item->GetDisplayName(SIGDN_FILESYSPATH, &path);
    item->Release();
    if (FAILED(named) || !path) return 0;
    int added = AddToSelection(selection, path);
    CoTaskMemFree(path);
    if (!added) return 0;
  }
  return selection.empty() ? 0 : 1;
}

// A copy the shell frees with CoTaskMemFree.
HRESULT ShellCopy(const wchar_t* text, LPWSTR* copy) {
  if (!copy) return E_POINTER;
  size_t bytes = (lstrlenW(text) + 1) * sizeof(wchar_t);
  *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*copy) return E_OUTOFMEMORY;
  CopyMemory(*copy, text, bytes);
  return S_OK;
}

}  // namespace

ExplorerCommand::ExplorerCommand() : references_(1) { ObjectCreated(); }
ExplorerCommand::~ExplorerCommand() { ObjectDestroyed(); }

STDMETHODIMP ExplorerCommand::QueryInterface(REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IExplorerCommand)) {
    *object = static_cast<IExplorerCommand*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ExplorerCommand::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) ExplorerCommand::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ExplorerCommand::GetTitle(IShellItemArray*, LPWSTR* title) {
  return ShellCopy(MenuCommandAt(kSendCommand).textW, title);
}

// The library's own icon as a resource reference ("path,-id"): the shell
// loads it at the size its menu draws, from the same icon the classic
// menu's picture is made of. None when ShowIcon is off, as there.
STDMETHODIMP ExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
  if (!icon) return E_POINTER;
  *icon = nullptr;
  ProductOptions options;
  ReadProductOptions(options);
  if (!options.showIcon) return E_NOTIMPL;
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(g_libraryModule, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  std::wstring reference = std::wstring(path, length) + L",-" + Decimal(IDI_PRODUCT);
  return ShellCopy(reference.c_str(), icon);
}

STDMETHODIMP ExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* tip) {
  return ShellCopy(MenuCommandAt(kSendCommand).helpW, tip);
}

STDMETHODIMP ExplorerCommand::GetCanonicalName(GUID* name) {
  if (!name) return E_POINTER;
  *name = kExplorerCommandClassId;
  return S_OK;
}

STDMETHODIMP ExplorerCommand::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
  if (!state) return E_POINTER;
  std::vector<std::wstring> selection;
  *state = SelectionOf(items, selection) ? ECS_ENABLED : ECS_HIDDEN;
  return S_OK;
}

// Returns at once: the selection is packed and handed over on a thread of
// the command's own, with the progress window and its Cancel.
STDMETHODIMP ExplorerCommand::Invoke(IShellItemArray* items, IBindCtx*) {
  std::vector<std::wstring> selection;
  if (!SelectionOf(items, selection)) return E_INVALIDARG;
  if (SendInBackground(selection, nullptr, false)) return S_OK;
  return SendWithParvello(selection, nullptr, false);
}

STDMETHODIMP ExplorerCommand::GetFlags(EXPCMDFLAGS* flags) {
  if (!flags) return E_POINTER;
  *flags = ECF_DEFAULT;
  return S_OK;
}

STDMETHODIMP ExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
  if (commands) *commands = nullptr;
  return E_NOTIMPL;
}
