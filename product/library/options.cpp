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
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return;
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

std::wstring ArchiveFolder(const ProductOptions& options) {
  if (!options.temporaryFolder.empty()) return options.temporaryFolder;
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  std::wstring folder = length && length <= MAX_PATH ? std::wstring(temp, length) : L"C:\\";
  if (folder.back() != L'\\') folder += L'\\';
  return folder + L"Temporary Archive Files";
}
