#include "context_menu.h"

#include <shellapi.h>

#include <new>

#include "mail_handover.h"
#include "menu_icon.h"
#include "module.h"
#include "options_window.h"
#include "packer.h"
#include "send_progress.h"

namespace {

// The commands: sending, and the Options window, which the menu offers
// with Shift held (an extended verb), as Windows offers its own extras.
struct Command {
  const char* text;
  const char* verb;
  const wchar_t* verbW;
  const char* help;
  const wchar_t* helpW;
};
const Command kCommands[] = {
    {"Send with Parvello", "ParvelloSend", L"ParvelloSend",
     "Packs the selected files and folders into a ZIP archive and attaches it to a new mail message.",
     L"Packs the selected files and folders into a ZIP archive and attaches it to a new mail message."},
    {"Parvello Options...", "ParvelloOptions", L"ParvelloOptions", "Shows and changes Parvello's settings.",
     L"Shows and changes Parvello's settings."},
};
constexpr UINT kCommandCount = sizeof kCommands / sizeof kCommands[0];
constexpr UINT kSendCommand = 0;  // the commands' offsets
constexpr UINT kOptionsCommand = 1;
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
      for (UINT i = 0; i < kCommandCount; ++i)
        if (lstrcmpiW(verb, kCommands[i].verbW) == 0) offset = i;
    }
  } else if (IS_INTRESOURCE(invocation->lpVerb)) {
    offset = LOWORD(reinterpret_cast<UINT_PTR>(invocation->lpVerb));
  } else {
    for (UINT i = 0; i < kCommandCount; ++i)
      if (lstrcmpiA(invocation->lpVerb, kCommands[i].verb) == 0) offset = i;
  }
  return offset < kCommandCount ? offset : kNoCommand;
}

HRESULT CopyOut(UINT type, const char* text, const wchar_t* wide, CHAR* name, UINT size) {
  if (!name || size == 0) return E_INVALIDARG;
  if (type & GCS_UNICODE)
    lstrcpynW(reinterpret_cast<LPWSTR>(name), wide, static_cast<int>(size));
  else
    lstrcpynA(name, text, static_cast<int>(size));
  return S_OK;
}

// A command the caller lets run on (CMIC_MASK_ASYNCOK): packing a large
// selection takes seconds, which the shell's window should not wait.
struct BackgroundSend {
  std::vector<std::wstring> selection;
  HWND owner;
  bool quiet;
};

DWORD WINAPI RunBackgroundSend(void* parameter) {
  auto* job = static_cast<BackgroundSend*>(parameter);
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the shell's folder window
  SendWithParvello(job->selection, job->owner, job->quiet);
  if (SUCCEEDED(com)) CoUninitialize();
  delete job;
  ObjectDestroyed();
  // The job held the library loaded: it lets go of it as the thread ends.
  FreeLibraryAndExitThread(g_libraryModule, 0);
}

bool SendInBackground(const std::vector<std::wstring>& selection, HWND owner, bool quiet) {
  BackgroundSend* job = new (std::nothrow) BackgroundSend{selection, owner, quiet};
  HMODULE self = nullptr;
  if (!job || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                  reinterpret_cast<LPCWSTR>(&RunBackgroundSend), &self)) {
    delete job;
    return false;
  }
  ObjectCreated();  // the server stays while the job runs
  HANDLE thread = CreateThread(nullptr, 0, RunBackgroundSend, job, 0, nullptr);
  if (!thread) {
    ObjectDestroyed();
    FreeLibrary(self);
    delete job;
    return false;
  }
  CloseHandle(thread);
  return true;
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
      // A drive's root is no item to mail: with one in the selection the
      // command is not offered.
      bool root = (path.size() == 3 && path[1] == L':' && path[2] == L'\\') ||
                  (path.size() == 2 && path[1] == L':');
      if (root) {
        selection_.clear();
        break;
      }
      while (path.size() > 3 && path.back() == L'\\') path.pop_back();
      if (!path.empty()) selection_.push_back(path);
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
  if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, firstCommand + kSendCommand, kCommands[kSendCommand].text))
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
                  kCommands[kOptionsCommand].text))
    offsets = kOptionsCommand + 1;
  return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, offsets);
}

STDMETHODIMP ContextMenu::GetCommandString(UINT_PTR command, UINT type, UINT*, CHAR* name, UINT size) {
  if (command >= kCommandCount) return E_INVALIDARG;
  const Command& named = kCommands[command];
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

namespace {

// The user decides whether an archive without the unread items is sent.
bool AskToSendWithout(const std::wstring& unread, void* owner) {
  std::wstring question = L"Parvello cannot read these items:\n" + unread +
                          L"\nSend the archive without them? Choose No to send nothing.";
  return MessageBoxW(static_cast<HWND>(owner), question.c_str(), L"Parvello",
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

HRESULT SendWithParvello(const std::vector<std::wstring>& selection, HWND owner, bool quiet) {
  ProductOptions options;
  ReadProductOptions(options);
  PackOutcome pack;
  {
    SendProgress progress(owner, !quiet && options.hideProgressDialog == 0, options.askConfirmationOnCancel != 0);
    pack = PackSelection(selection, options, quiet ? nullptr : AskToSendWithout, owner, &progress);
    // Once Cancel is pressed nothing goes out before the question is answered.
    if (pack.packed && !progress.Finish()) {
      DeleteFileW(pack.archive.c_str());
      pack.cancelled = true;
    }
  }
  if (pack.cancelled) return HRESULT_FROM_WIN32(ERROR_CANCELLED);
  std::wstring problem = pack.problem;
  HRESULT result = S_OK;
  if (!pack.packed)
    result = E_FAIL;
  else if (!HandToMailClient(pack.archive, options, quiet, problem))
    result = HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
  if (FAILED(result) && !quiet) MessageBoxW(owner, problem.c_str(), L"Parvello", MB_OK | MB_ICONEXCLAMATION);
  return result;
}
