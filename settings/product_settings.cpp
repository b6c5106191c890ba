#include "settings/product_settings.h"

#include <string.h>

#include "app/texts.h"
#include "common/archive_folder_mark.h"
#include "common/owned.h"
#include "common/registry_views.h"

#define NUMBER_SETTING(field, value) {#field, offsetof(ProductSettings, field), 0, value}
#define TEXT_SETTING(field) {#field, offsetof(ProductSettings, field), sizeof(ProductSettings::field), 0}

const SettingField g_settingFields[kSettingCount] = {
    NUMBER_SETTING(ShowIcon, 1),
    NUMBER_SETTING(HideProgressDialog, 0),
    NUMBER_SETTING(AskConfirmationOnCancel, 1),
    NUMBER_SETTING(UseParentFolder, 1),
    NUMBER_SETTING(UseMostOften, 1),
    NUMBER_SETTING(UseClicked, 1),
    NUMBER_SETTING(UseCustom, 0),
    TEXT_SETTING(NameTemplate),
    TEXT_SETTING(FileFilters),
    NUMBER_SETTING(LowPriority, 1),
    TEXT_SETTING(TemporaryFolder),
    NUMBER_SETTING(Retention, 7),
    NUMBER_SETTING(Mailer, 1),
    TEXT_SETTING(UserDefinedCmdLine),
};

#undef NUMBER_SETTING
#undef TEXT_SETTING

ProductSettings g_sectionDefaults;
ProductSettings g_effectiveSettings;

namespace {

constexpr DWORD kRecordedFolderSize = 260;
constexpr char kDefaultFolderName[] = "Temporary Archive Files";
// The folder is checked and created right after this value is written.
constexpr int kTemporaryFolderField = 10;

int WriteSetting(HKEY key, const SettingField& field, const ProductSettings& settings) {
  const BYTE* data = reinterpret_cast<const BYTE*>(&settings) + field.offset;
  if (field.textSize) {
    const char* text = reinterpret_cast<const char*>(data);
    DWORD size = static_cast<DWORD>(strnlen(text, field.textSize - 1) + 1);
    // A text filled to its last character is stored with its own zero,
    // never with a byte read past the field.
    char bounded[kPathSize];
    memcpy(bounded, text, size - 1);
    bounded[size - 1] = '\0';
    return RegSetValueExA(key, field.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bounded), size) == ERROR_SUCCESS;
  }
  return RegSetValueExA(key, field.name, 0, REG_DWORD, data, sizeof(DWORD)) == ERROR_SUCCESS;
}

// A folder such as "%TEMP%\Parvello" is each user's own, which the product
// makes at a user's first send: it is not the installing account's to make.
int NamesVariables(const char* folder) {
  char expanded[kPathSize];
  DWORD length = ExpandEnvironmentStringsA(folder, expanded, kPathSize);
  return length && length <= kPathSize && lstrcmpA(expanded, folder) != 0;
}

int EnsureFolder(const char* folder) {
  if (IsDirectory(folder) || NamesVariables(folder)) return 1;
  return MakeArchiveFolder(folder);
}

}  // namespace

int MakeArchiveFolder(const char* folder) {
  if (NamesVariables(folder) || !CreateDirectoryA(folder, nullptr)) return 0;
  char mark[kPathSize];
  char directory[kPathSize];
  lstrcpynA(directory, folder, kPathSize);
  if (AddBackslash(directory) && JoinPath(mark, directory, kArchiveFolderMark)) {
    OwnedHandle file(CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr));
  }
  return 1;
}

void GetTemporaryFolder(char* folder) {
  if (!JoinPath(folder, g_tempDir, kDefaultFolderName)) folder[0] = '\0';

  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Text(IDS_SETTINGS_KEY), 0, KEY_READ | SettingsView(), key.Receive()) !=
      ERROR_SUCCESS)
    return;
  BYTE recorded[kRecordedFolderSize];
  DWORD size = sizeof recorded;
  if (RegQueryValueExA(key.Get(), "TemporaryFolder", nullptr, nullptr, recorded, &size) != ERROR_SUCCESS) return;
  // Anything but a terminated, non-empty text leaves the default standing.
  if (size == 0 || memchr(recorded, '\0', size) == nullptr || recorded[0] == '\0') return;
  memcpy(folder, recorded, strlen(reinterpret_cast<char*>(recorded)) + 1);
}

int WriteProductSettings() {
  OwnedKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, Text(IDS_SETTINGS_KEY), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                      KEY_WRITE | SettingsView(), nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
    return 0;
  for (int i = 0; i < kSettingCount; ++i) {
    if (!WriteSetting(key.Get(), g_settingFields[i], g_effectiveSettings)) return 0;
    if (i == kTemporaryFolderField && !EnsureFolder(g_effectiveSettings.TemporaryFolder)) return 0;
  }
  return 1;
}
