// The product's settings read from its key, with the setup's defaults.
#include "settings/options.h"

#include "common/owned.h"
#include "common/registry_views.h"
#include "packing/archive_folder.h"

const char kSettingsKey[] = "SOFTWARE\\Quorvanta\\Parvello";

namespace {

// Every value the library uses, with its place in the options.
struct NumberValue {
  const wchar_t* name;
  DWORD ProductOptions::*field;
};
const NumberValue kNumbers[] = {
    {L"ShowIcon", &ProductOptions::showIcon},
    {L"HideProgressDialog", &ProductOptions::hideProgressDialog},
    {L"AskConfirmationOnCancel", &ProductOptions::askConfirmationOnCancel},
    {L"UseParentFolder", &ProductOptions::useParentFolder},
    {L"UseClicked", &ProductOptions::useClicked},
    {L"UseCustom", &ProductOptions::useCustom},
    {L"LowPriority", &ProductOptions::lowPriority},
    {L"Retention", &ProductOptions::retention},
    {L"Mailer", &ProductOptions::mailer},
    {L"MaxArchiveKilobytes", &ProductOptions::maxArchiveKilobytes},
    {L"CheckRejectedTypes", &ProductOptions::checkRejectedTypes},
};
struct TextValue {
  const wchar_t* name;
  std::wstring ProductOptions::*field;
};
const TextValue kTexts[] = {
    {L"NameTemplate", &ProductOptions::nameTemplate},
    {L"FileFilters", &ProductOptions::fileFilters},
    {L"TemporaryFolder", &ProductOptions::temporaryFolder},
    {L"UserDefinedCmdLine", &ProductOptions::userDefinedCmdLine},
};

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
  OwnedKey key;
  // One settings key serves the library of both architectures.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | SettingsView(), key.Receive()) != ERROR_SUCCESS)
    return;
  for (const NumberValue& number : kNumbers) ReadNumber(key.Get(), number.name, options.*number.field);
  for (const TextValue& text : kTexts) ReadText(key.Get(), text.name, options.*text.field);
}

ProductOptions WithChanges(const ProductOptions& stored, const ProductOptions& shown, const ProductOptions& now) {
  ProductOptions changed = stored;
  for (const NumberValue& number : kNumbers)
    if (now.*number.field != shown.*number.field) changed.*number.field = now.*number.field;
  for (const TextValue& text : kTexts)
    if (now.*text.field != shown.*text.field) changed.*text.field = now.*text.field;
  return changed;
}

int WriteChangedOptions(const ProductOptions& before, const ProductOptions& changed, DWORD& error) {
  error = ERROR_SUCCESS;
  OwnedKey key;
  LONG result = ERROR_SUCCESS;
  auto open = [&] {
    if (!key.Get())
      result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE | SettingsView(), nullptr, key.Receive(), nullptr);
    return result == ERROR_SUCCESS;
  };
  for (const NumberValue& number : kNumbers) {
    const DWORD& value = changed.*number.field;
    if (value == before.*number.field) continue;
    if (!open() || (result = RegSetValueExW(key.Get(), number.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                            sizeof value)) != ERROR_SUCCESS)
      break;
  }
  for (const TextValue& text : kTexts) {
    if (result != ERROR_SUCCESS) break;
    const std::wstring& value = changed.*text.field;
    if (value == before.*text.field) continue;
    if (!open()) break;
    result = RegSetValueExW(key.Get(), text.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  // Archives made in the earlier folder stay the uninstall's to find.
  if (result == ERROR_SUCCESS && changed.temporaryFolder != before.temporaryFolder)
    RememberArchiveFolder(ArchiveFolder(before));
  error = static_cast<DWORD>(result);
  return result == ERROR_SUCCESS;
}

int MayChangeOptions() {
  OwnedKey key;
  LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_SET_VALUE | SettingsView(), key.Receive());
  // A missing key is made by the first write; whether that may is told then.
  return result != ERROR_ACCESS_DENIED;
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
