// The classic context-menu handler: the selection from the data object,
// the menu items, their texts for the status bar, and the command.
#include "shell/context_menu.h"

#include <shellapi.h>

#include "settings/options.h"
#include "shell/background_send.h"
#include "shell/menu_commands.h"
#include "shell/menu_icon.h"
#include "shell/module.h"
#include "shell/shell_selection.h"
#include "windows/options_window.h"

namespace {

constexpr UINT kNoCommand = ~0u;

// The command named by verb or by offset, in either character set. A
// Unicode caller's wide verb is the one that counts: its ANSI one may be
// missing or say something else.
UINT CommandNamed(const CMINVOKECOMMANDINFO* invocation) {
  UINT offset = kNoCommand;
  if (invocation->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (invocation->fMask & CMIC_MASK_UNICODE) &&
      reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(invocation)->lpVerbW) {
    const wchar_t* verb = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(invocation)->lpVerbW;
    if (IS_INTRESOURCE(verb)) {
      offset = LOWORD(reinterpret_cast<UINT_PTR>(verb));
    } else {
      for (UINT i = 0; i < kMenuCommandCount; ++i)
        if (lstrcmpiW(verb, MenuCommandAt(i).verbW) == 0) offset = i;
    }
  } else if (IS_INTRESOURCE(invocation->lpVerb)) {
    offset = LOWORD(reinterpret_cast<UINT_PTR>(invocation->lpVerb));
  } else {
    for (UINT i = 0; i < kMenuCommandCount; ++i)
      if (lstrcmpiA(invocation->lpVerb, MenuCommandAt(i).verb) == 0) offset = i;
  }
  return offset < kMenuCommandCount ? offset : kNoCommand;
}

HRESULT CopyOut(UINT type, const char* text, const wchar_t* wide, CHAR* name, UINT size) {
  if (!name || size == 0) return E_INVALIDARG;
  if (type & GCS_UNICODE)
    lstrcpynW(reinterpret_cast<LPWSTR>(name), wide, static_cast<int>(size));
  else
    lstrcpynA(name, text, static_cast<int>(size));
  return S_OK;
}

}  // namespace

ContextMenu::ContextMenu() : references_(1) { ObjectCreated(); }
ContextMenu::~ContextMenu() {
  if (menuIcon_) DeleteObject(menuIcon_);
  ObjectDestroyed();
}

STDMETHODIMP ContextMenu::QueryInterface(REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IShellExtInit))
    *object = static_cast<IShellExtInit*>(this);
  else if (IsEqualIID(interfaceId, IID_IContextMenu))
    *object = static_cast<IContextMenu*>(this);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ContextMenu::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) ContextMenu::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ContextMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
  selection_.clear();
  if (!data) return E_INVALIDARG;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
  HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  if (drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      UINT length = DragQueryFileW(drop, i, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      DragQueryFileW(drop, i, &path[0], length + 1);
      path.resize(length);
      if (!AddToSelection(selection_, path)) {
        selection_.clear();
        break;
      }
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return selection_.empty() ? E_INVALIDARG : S_OK;
}

STDMETHODIMP ContextMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand, UINT flags) {
  // Only the default command is wanted (a double click): this is not it.
  if ((flags & CMF_DEFAULTONLY) || selection_.empty() || firstCommand > lastCommand)
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
  if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, firstCommand + kSendCommand, MenuCommandAt(kSendCommand).text))
    return HRESULT_FROM_WIN32(GetLastError());
  // ShowIcon: the product's icon beside the command.
  ProductOptions options;
  ReadProductOptions(options);
  if (options.showIcon) {
    if (!menuIcon_) menuIcon_ = MakeMenuIcon();
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = menuIcon_;
    if (menuIcon_) SetMenuItemInfoW(menu, index, TRUE, &item);
  }
  UINT offsets = kSendCommand + 1;
  if ((flags & CMF_EXTENDEDVERBS) && firstCommand + kOptionsCommand <= lastCommand &&
      InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_STRING, firstCommand + kOptionsCommand,
                  MenuCommandAt(kOptionsCommand).text))
    offsets = kOptionsCommand + 1;
  return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, offsets);
}

STDMETHODIMP ContextMenu::GetCommandString(UINT_PTR command, UINT type, UINT*, CHAR* name, UINT size) {
  if (command >= kMenuCommandCount) return E_INVALIDARG;
  const MenuCommand& named = MenuCommandAt(static_cast<UINT>(command));
  switch (type) {
    case GCS_VERBA:
    case GCS_VERBW:
      return CopyOut(type, named.verb, named.verbW, name, size);
    case GCS_HELPTEXTA:
    case GCS_HELPTEXTW:
      return CopyOut(type, named.help, named.helpW, name, size);
    case GCS_VALIDATEA:
    case GCS_VALIDATEW:
      return S_OK;
  }
  return E_INVALIDARG;
}

STDMETHODIMP ContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* invocation) {
  if (!invocation || invocation->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_INVALIDARG;
  UINT command = CommandNamed(invocation);
  if (command == kNoCommand) return E_INVALIDARG;
  if (command == kOptionsCommand) {
    if (StartOptionsWindow()) return S_OK;
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  if (selection_.empty()) return E_UNEXPECTED;
  bool quiet = (invocation->fMask & CMIC_MASK_FLAG_NO_UI) != 0;
  if ((invocation->fMask & CMIC_MASK_ASYNCOK) && SendInBackground(selection_, invocation->hwnd, quiet)) return S_OK;
  return SendWithParvello(selection_, invocation->hwnd, quiet);
}
