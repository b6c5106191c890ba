#include "product/drop_data.h"

#include <shlobj.h>
#include <string.h>

DropData::DropData(const std::vector<std::wstring>& paths) : paths_(paths) {}
DropData::~DropData() = default;

STDMETHODIMP DropData::QueryInterface(REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDataObject)) {
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DropData::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) DropData::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP DropData::QueryGetData(FORMATETC* format) {
  if (!format) return E_INVALIDARG;
  if (format->cfFormat != CF_HDROP || paths_.empty()) return DV_E_FORMATETC;
  return format->tymed & TYMED_HGLOBAL ? S_OK : DV_E_TYMED;
}

STDMETHODIMP DropData::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!medium) return E_INVALIDARG;
  HRESULT usable = QueryGetData(format);
  if (usable != S_OK) return usable;
  // DROPFILES, then every path with its zero, then one more zero.
  size_t characters = 1;
  for (const std::wstring& path : paths_) characters += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  if (!memory) return E_OUTOFMEMORY;
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& path : paths_) {
    memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = memory;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

STDMETHODIMP DropData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP DropData::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return SHCreateStdEnumFmtEtc(1, &format, out);
}
