#include "options.h"

#include "common/registry_views.h"

const char kSettingsKey[] = "SOFTWARE\\Quorvanta\\Parvello";

namespace {

void ReadNumber(HKEY key, const wchar_t* name, DWORD& value) {
  DWORD type = 0, number = 0, size = sizeof number;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof number)
    value = number;
}

void ReadText(HKEY key, const wchar_t* name, std::wstring& value) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS) return;
  text.resize(wcsnlen(text.c_str(), text.size()));
  value = text;
}

}  // namespace

void ReadProductOptions(ProductOptions& options) {
  options = ProductOptions();
  HKEY key;
  // One settings key serves the library of both architectures.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | SettingsView(), &key) != ERROR_SUCCESS) return;
  ReadNumber(key, L"ShowIcon", options.showIcon);
  ReadNumber(key, L"HideProgressDialog", options.hideProgressDialog);
  ReadNumber(key, L"AskConfirmationOnCancel", options.askConfirmationOnCancel);
  ReadNumber(key, L"UseParentFolder", options.useParentFolder);
  ReadNumber(key, L"UseClicked", options.useClicked);
  ReadNumber(key, L"UseCustom", options.useCustom);
  ReadNumber(key, L"LowPriority", options.lowPriority);
  ReadNumber(key, L"Retention", options.retention);
  ReadNumber(key, L"Mailer", options.mailer);
  ReadText(key, L"NameTemplate", options.nameTemplate);
  ReadText(key, L"FileFilters", options.fileFilters);
  ReadText(key, L"TemporaryFolder", options.temporaryFolder);
  ReadText(key, L"UserDefinedCmdLine", options.userDefinedCmdLine);
  RegCloseKey(key);
}

// %VARIABLE% is the user's own (an administrator writes %TEMP%\Parvello
// for everyone); the folder's trailing backslashes go, so that a name
// joined to it has one.
std::wstring ArchiveFolder(const ProductOptions& options) {
  if (!options.temporaryFolder.empty()) {
    std::wstring folder = options.temporaryFolder;
    DWORD size = ExpandEnvironmentStringsW(folder.c_str(), nullptr, 0);
    std::wstring expanded(size, L'\0');
    DWORD got = size ? ExpandEnvironmentStringsW(folder.c_str(), &expanded[0], size) : 0;
    if (got && got <= size) folder = expanded.substr(0, got - 1);
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
  }
  return DefaultArchiveFolder();
}

std::wstring DefaultArchiveFolder() {
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  std::wstring folder = length && length <= MAX_PATH ? std::wstring(temp, length) : L"C:\\";
  if (folder.back() != L'\\') folder += L'\\';
  return folder + L"Temporary Archive Files";
}
