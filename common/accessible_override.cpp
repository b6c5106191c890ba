// The accessible object of a custom control, over the platform's own for its static.
#include "common/accessible_override.h"

#include <oleacc.h>

#include <new>

namespace {

typedef HRESULT(WINAPI* CreateStdAccessibleObjectFn)(HWND, LONG, REFIID, void**);
typedef LRESULT(WINAPI* LresultFromObjectFn)(REFIID, WPARAM, LPUNKNOWN);
typedef BSTR(WINAPI* SysAllocStringFn)(const OLECHAR*);

// From the system directory by full path, never from the program's folder;
// the library stays loaded for the rest of the process.
template <typename Function>
Function Import(const char* library, const char* name) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(library) >= MAX_PATH) return nullptr;
  path[length] = '\\';
  lstrcpyA(path + length + 1, library);
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Found on first use, on the thread that owns the windows. Plain globals:
// a guarded local static would bring the C++ runtime into the library.
CreateStdAccessibleObjectFn g_createStandard;
LresultFromObjectFn g_answer;
SysAllocStringFn g_allocate;

// The IID of IAccessible, written out: mingw's import library has it, but
// the setup takes nothing from oleacc at load time.
const IID kAccessibleId = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const IID kDispatchId = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kUnknownId = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kMarshalId = {0x00000003, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// A BSTR of `text`, or S_FALSE with null when there is none.
HRESULT AnswerText(const wchar_t* text, BSTR* answer) {
  if (!answer) return E_POINTER;
  *answer = nullptr;
  if (!text || !text[0]) return S_FALSE;
  if (!g_allocate) g_allocate = Import<SysAllocStringFn>("oleaut32.dll", "SysAllocString");
  if (!g_allocate) return E_OUTOFMEMORY;
  *answer = g_allocate(text);
  return *answer ? S_OK : E_OUTOFMEMORY;
}

constexpr int kFactSize = 256;

void Widen(wchar_t* to, const char* from, bool* given) {
  *given = from != nullptr;
  to[0] = L'\0';
  if (from && !MultiByteToWideChar(CP_ACP, 0, from, -1, to, kFactSize)) to[kFactSize - 1] = L'\0';
}

class AccessibleOverride final : public IAccessible {
 public:
  AccessibleOverride(HWND control, IAccessible* platform, const AccessibleFacts& facts)
      : references_(1), control_(control), platform_(platform), role_(facts.role), extraState_(facts.extraState),
        actionMessage_(facts.actionMessage) {
    Widen(name_, facts.name, &hasName_);
    Widen(value_, facts.value, &hasValue_);
    bool hasAction;  // an empty action is none
    Widen(action_, facts.defaultAction, &hasAction);
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    // The platform's own marshaller would hand the platform's object over
    // in our stead: this one is marshalled the standard way.
    if (IsEqualIID(id, kMarshalId)) return E_NOINTERFACE;
    if (!IsEqualIID(id, kUnknownId) && !IsEqualIID(id, kDispatchId) && !IsEqualIID(id, kAccessibleId))
      return platform_->QueryInterface(id, object);  // what else the platform's object offers
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      platform_->Release();
      this->~AccessibleOverride();
      HeapFree(GetProcessHeap(), 0, this);
    }
    return left;
  }

  // IDispatch: the platform's, for the few clients that still script it.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return platform_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return platform_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return platform_->GetIDsOfNames(id, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* wrongArgument) override {
    return platform_->Invoke(member, id, locale, flags, parameters, result, exception, wrongArgument);
  }

  // IAccessible: the control's own facts for itself, the platform's for the rest.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return platform_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return platform_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return platform_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child) || !hasName_) return platform_->get_accName(child, name);
    return AnswerText(name_, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!IsSelf(child) || !hasValue_) return platform_->get_accValue(child, value);
    return AnswerText(value_, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return platform_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child) || !role_) return platform_->get_accRole(child, role);
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    HRESULT result = platform_->get_accState(child, state);
    if (IsSelf(child) && SUCCEEDED(result) && state && state->vt == VT_I4) state->lVal |= extraState_;
    return result;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return platform_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return platform_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return platform_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return platform_->get_accFocus(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return platform_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!IsSelf(child)) return platform_->get_accDefaultAction(child, action);
    return AnswerText(action_, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return platform_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return platform_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return platform_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return platform_->accHitTest(x, y, child);
  }
  // Posted: the client does not wait on what the action shows (a link's
  // error box, say). A control that is gone by now acts no more.
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return platform_->accDoDefaultAction(child);
    if (!actionMessage_) return DISP_E_MEMBERNOTFOUND;
    return IsWindow(control_) && PostMessageA(control_, actionMessage_, 0, 0) ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return platform_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return platform_->put_accValue(child, value);
  }

 private:
  ~AccessibleOverride() = default;
  LONG references_;
  HWND control_;
  IAccessible* platform_;
  DWORD role_;
  DWORD extraState_;
  UINT actionMessage_;
  bool hasName_, hasValue_;
  wchar_t name_[kFactSize], value_[kFactSize], action_[kFactSize];
};

}  // namespace

LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
  if (!g_createStandard) g_createStandard = Import<CreateStdAccessibleObjectFn>("oleacc.dll", "CreateStdAccessibleObject");
  if (!g_answer) g_answer = Import<LresultFromObjectFn>("oleacc.dll", "LresultFromObject");
  if (!g_createStandard || !g_answer) return 0;
  IAccessible* platform = nullptr;
  if (FAILED(g_createStandard(control, OBJID_CLIENT, kAccessibleId, reinterpret_cast<void**>(&platform))) || !platform)
    return 0;
  // The process heap rather than operator new, which would bring the C++
  // runtime's exception support along.
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(AccessibleOverride));
  if (!memory) {
    platform->Release();
    return 0;
  }
  AccessibleOverride* object = new (memory) AccessibleOverride(control, platform, facts);
  LRESULT result = g_answer(kAccessibleId, wParam, static_cast<IAccessible*>(object));
  object->Release();
  return result;
}
