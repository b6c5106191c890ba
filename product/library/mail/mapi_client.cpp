// The default Simple MAPI client and the architecture of its library.
#include "mail/mapi_client.h"

#include "base/text.h"
#include "common/owned.h"
#include "common/registry_views.h"

namespace {

const wchar_t kMailClients[] = L"Software\\Clients\\Mail";

struct Place {
  HKEY root;
  REGSAM view;
};

// Where the default and the clients' keys are looked for. Windows 7 and
// later share Software\Clients between the two views; earlier 64-bit
// Windows kept it per view, so the other view is a last resort.
int MailPlaces(Place* places) {
  int count = 0;
  places[count++] = {HKEY_CURRENT_USER, 0};
  places[count++] = {HKEY_LOCAL_MACHINE, NativeView()};
  if (SystemHasTwoViews()) places[count++] = {HKEY_LOCAL_MACHINE, NativeView() ^ (KEY_WOW64_32KEY | KEY_WOW64_64KEY)};
  return count;
}

// A text value, expanded when it is REG_EXPAND_SZ; empty when missing.
std::wstring TextValue(HKEY key, const wchar_t* name) {
  wchar_t text[MAX_PATH];
  DWORD type = 0, size = sizeof text - sizeof(wchar_t);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return L"";
  text[size / sizeof(wchar_t)] = L'\0';
  return type == REG_SZ ? text : Expanded(text);
}

std::wstring FromInstaller(const std::wstring& component) {
  typedef INT(WINAPI * LocateComponent)(LPCWSTR, LPWSTR, DWORD*);
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (component.empty() || !length || length >= MAX_PATH) return L"";
  HMODULE msi = LoadLibraryExW((std::wstring(folder, length) + L"\\msi.dll").c_str(), nullptr, 0);
  if (!msi) return L"";
  auto locate = reinterpret_cast<LocateComponent>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiLocateComponentW")));
  wchar_t path[MAX_PATH] = L"";
  DWORD size = MAX_PATH;
  constexpr INT kInstalledLocally = 3;  // INSTALLSTATE_LOCAL
  bool found = locate && locate(component.c_str(), path, &size) == kInstalledLocally;
  FreeLibrary(msi);
  return found ? path : L"";
}

// The library a client's key names, made a full path.
std::wstring LibraryOf(HKEY client) {
  std::wstring library = TextValue(client, L"DLLPathEx");
  if (library.empty()) library = TextValue(client, L"DLLPath");
  if (library.empty()) return FromInstaller(TextValue(client, L"MSIComponentID"));
  if (library.find(L'\\') != std::wstring::npos) return library;
  wchar_t found[MAX_PATH];
  DWORD length = SearchPathW(nullptr, library.c_str(), nullptr, MAX_PATH, found, nullptr);
  return length && length < MAX_PATH ? found : L"";
}

}  // namespace

std::wstring DefaultMailClientName() {
  Place places[3];
  int count = MailPlaces(places);
  std::wstring name;
  for (int i = 0; i < count && name.empty(); ++i) {
    OwnedKey key;
    if (RegOpenKeyExW(places[i].root, kMailClients, 0, KEY_QUERY_VALUE | places[i].view, key.Receive()) == ERROR_SUCCESS)
      name = TextValue(key.Get(), nullptr);
  }
  return name.find(L'\\') == std::wstring::npos ? name : L"";
}

int FindMapiClientLibrary(std::wstring& library) {
  library.clear();
  Place places[3];
  int count = MailPlaces(places);
  std::wstring name = DefaultMailClientName();
  if (name.empty()) return 0;
  // A per-user default may name a client registered for the machine.
  for (int i = 0; i < count && library.empty(); ++i) {
    OwnedKey client;
    if (RegOpenKeyExW(places[i].root, (std::wstring(kMailClients) + L"\\" + name).c_str(), 0,
                      KEY_QUERY_VALUE | places[i].view, client.Receive()) == ERROR_SUCCESS)
      library = LibraryOf(client.Get());
  }
  return library.empty() ? 0 : 1;
}
