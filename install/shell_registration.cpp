#include "install/shell_registration.h"

#include <windows.h>
#include <string.h>

#include "app/directories.h"
#include "app/texts.h"
#include "common/owned.h"
#include "common/registry_views.h"
#include "install/embedded_files.h"

namespace {

// A text of the entry: a string-table text when `textId` is set, else the
// literal.
struct TextRef {
  UINT textId;
  const char* literal;
  const char* Get() const { return textId ? Text(textId) : literal; }
};

// A REG_SZ value of text `data`, or of the text `text()` makes at
// registration time, or a REG_DWORD value of `number()`.
struct RegistryValue {
  TextRef name;  // the empty text names the key's unnamed value
  TextRef data;
  const char* (*text)() = nullptr;
  DWORD (*number)() = nullptr;
};

// Where a step's key lives: in every view the product is registered in,
// or once, with the settings (the uninstall entry).
enum StepViews { kEveryView, kSettingsView };

struct RegistrationStep {
  HKEY root;
  UINT keyText;
  StepViews views;
  int valueCount;
  RegistryValue values[9];
};

const TextRef kDefaultValue = {0, ""};
// The server is registered by its bare name; it lies in the system
// directory of the view's architecture.
const char* const kLibraryName = g_embeddedFiles[0].installedName;

// What Apps & Features and deployment tools read besides the name and the
// command: the installed library's icon, the silent command, the size.
char g_displayIcon[kPathSize];
char g_quietUninstall[kTextSize + 4];

const char* DisplayIcon() {
  if (!JoinPath(g_displayIcon, g_systemDir, kLibraryName) ||
      lstrlenA(g_displayIcon) + 2 >= static_cast<int>(sizeof g_displayIcon))
    return kLibraryName;
  lstrcatA(g_displayIcon, ",0");
  return g_displayIcon;
}

const char* QuietUninstallCommand() {
  lstrcpynA(g_quietUninstall, Text(IDS_UNINSTALL_COMMAND), kTextSize);
  lstrcatA(g_quietUninstall, " /S");
  return g_quietUninstall;
}

// Kilobytes of every file the installation put in place, rounded up.
DWORD InstalledKilobytes() {
  ULONGLONG bytes = 0;
  for (const EmbeddedFile& file : g_embeddedFiles) {
    char path[kPathSize];
    WIN32_FILE_ATTRIBUTE_DATA data;
    const char* directory = g_destinationDirs[file.destinationKind];
    if (directory[0] && JoinPath(path, directory, file.installedName) &&
        GetFileAttributesExA(path, GetFileExInfoStandard, &data))
      bytes += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return static_cast<DWORD>((bytes + 1023) / 1024);
}

DWORD One() { return 1; }

const RegistrationStep kSteps[] = {
    {HKEY_CLASSES_ROOT, IDS_CLASS_KEY, kEveryView, 1, {{kDefaultValue, {IDS_CLASS_DESCRIPTION, nullptr}}}},
    {HKEY_CLASSES_ROOT, IDS_SERVER_KEY, kEveryView, 2,
     {{kDefaultValue, {0, kLibraryName}}, {{0, "ThreadingModel"}, {0, "Apartment"}}}},
    {HKEY_CLASSES_ROOT, IDS_FILES_HANDLER_KEY, kEveryView, 1, {{kDefaultValue, {IDS_CLASS_ID, nullptr}}}},
    {HKEY_CLASSES_ROOT, IDS_DIRECTORY_HANDLER_KEY, kEveryView, 1, {{kDefaultValue, {IDS_CLASS_ID, nullptr}}}},
    {HKEY_LOCAL_MACHINE, IDS_APPROVED_KEY, kEveryView, 1,
     {{{IDS_CLASS_ID, nullptr}, {IDS_CLASS_DESCRIPTION, nullptr}}}},
    {HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, kSettingsView, 9,
     {{{0, "DisplayName"}, {IDS_DISPLAY_NAME, nullptr}},
      {{0, "UninstallString"}, {IDS_UNINSTALL_COMMAND, nullptr}},
      {{0, "DisplayVersion"}, {0, "1.1.0.0"}},
      {{0, "Publisher"}, {0, "Quorvanta"}},
      {{0, "DisplayIcon"}, {0, nullptr}, DisplayIcon},
      {{0, "EstimatedSize"}, {0, nullptr}, nullptr, InstalledKilobytes},
      {{0, "QuietUninstallString"}, {0, nullptr}, QuietUninstallCommand},
      {{0, "NoModify"}, {0, nullptr}, nullptr, One},
      {{0, "NoRepair"}, {0, nullptr}, nullptr, One}}},
};

// Returns 1 when the key was opened in `view` and every value of the step
// written.
int WriteStep(const RegistrationStep& step, REGSAM view) {
  OwnedKey key;
  if (RegCreateKeyExA(step.root, Text(step.keyText), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                      KEY_WRITE | view, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
    return 0;
  for (int i = 0; i < step.valueCount; ++i) {
    const RegistryValue& value = step.values[i];
    LONG written;
    if (value.number) {
      DWORD number = value.number();
      written = RegSetValueExA(key.Get(), value.name.Get(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof number);
    } else {
      const char* data = value.text ? value.text() : value.data.Get();
      written = RegSetValueExA(key.Get(), value.name.Get(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                               static_cast<DWORD>(strlen(data) + 1));
    }
    if (written != ERROR_SUCCESS) return 0;
  }
  return 1;
}

}  // namespace

// Each view gets the class, its server, the handlers and the approval in
// order, this program's own view first; the uninstall entry comes last.
int RegisterShellExtension() {
  const RegistryView* views = nullptr;
  int viewCount = ProductViews(&views);
  for (int v = 0; v < viewCount; ++v)
    for (const RegistrationStep& step : kSteps)
      if (step.views == kEveryView && !WriteStep(step, views[v].flag)) return 0;
  for (const RegistrationStep& step : kSteps)
    if (step.views == kSettingsView && !WriteStep(step, SettingsView())) return 0;
  return 1;
}
