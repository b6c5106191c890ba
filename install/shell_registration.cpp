#include "install/shell_registration.h"

#include <windows.h>
#include <string.h>

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

struct RegistryValue {
  TextRef name;  // the empty text names the key's unnamed value
  TextRef data;
};

// Where a step's key lives: in every view the product is registered in,
// or once, with the settings (the uninstall entry).
enum StepViews { kEveryView, kSettingsView };

struct RegistrationStep {
  HKEY root;
  UINT keyText;
  StepViews views;
  int valueCount;
  RegistryValue values[2];
};

const TextRef kDefaultValue = {0, ""};
// The server is registered by its bare name; it lies in the system
// directory of the view's architecture.
const char* const kLibraryName = g_embeddedFiles[0].installedName;

const RegistrationStep kSteps[] = {
    {HKEY_CLASSES_ROOT, IDS_CLASS_KEY, kEveryView, 1, {{kDefaultValue, {IDS_CLASS_DESCRIPTION, nullptr}}}},
    {HKEY_CLASSES_ROOT, IDS_SERVER_KEY, kEveryView, 2,
     {{kDefaultValue, {0, kLibraryName}}, {{0, "ThreadingModel"}, {0, "Apartment"}}}},
    {HKEY_CLASSES_ROOT, IDS_FILES_HANDLER_KEY, kEveryView, 1, {{kDefaultValue, {IDS_CLASS_ID, nullptr}}}},
    {HKEY_CLASSES_ROOT, IDS_DIRECTORY_HANDLER_KEY, kEveryView, 1, {{kDefaultValue, {IDS_CLASS_ID, nullptr}}}},
    {HKEY_LOCAL_MACHINE, IDS_APPROVED_KEY, kEveryView, 1,
     {{{IDS_CLASS_ID, nullptr}, {IDS_CLASS_DESCRIPTION, nullptr}}}},
    {HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, kSettingsView, 2,
     {{{0, "DisplayName"}, {IDS_DISPLAY_NAME, nullptr}}, {{0, "UninstallString"}, {IDS_UNINSTALL_COMMAND, nullptr}}}},
};

// Returns 1 when the key was opened in `view` and every value of the step
// written.
int WriteStep(const RegistrationStep& step, REGSAM view) {
  OwnedKey key;
  if (RegCreateKeyExA(step.root, Text(step.keyText), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                      KEY_WRITE | view, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
    return 0;
  for (int i = 0; i < step.valueCount; ++i) {
    const char* data = step.values[i].data.Get();
    DWORD size = static_cast<DWORD>(strlen(data) + 1);
    if (RegSetValueExA(key.Get(), step.values[i].name.Get(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data), size) !=
        ERROR_SUCCESS)
      return 0;
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
