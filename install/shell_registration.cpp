#include "install/shell_registration.h"

#include <windows.h>
#include <string.h>

#include "app/texts.h"
#include "common/owned.h"
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

struct RegistrationStep {
  HKEY root;
  UINT keyText;
  int valueCount;
  RegistryValue values[2];
};

const TextRef kDefaultValue = {0, ""};
// The server is registered by its bare name; it lies in the system directory.
const char* const kLibraryName = g_embeddedFiles[0].installedName;

const RegistrationStep kSteps[] = {
    {HKEY_CLASSES_ROOT, IDS_CLASS_KEY, 1, {{kDefaultValue, {IDS_CLASS_DESCRIPTION, nullptr}}}},
    {HKEY_CLASSES_ROOT, IDS_SERVER_KEY, 2,
     {{kDefaultValue, {0, kLibraryName}}, {{0, "ThreadingModel"}, {0, "Apartment"}}}},
    {HKEY_CLASSES_ROOT, IDS_FILES_HANDLER_KEY, 1, {{kDefaultValue, {IDS_CLASS_ID, nullptr}}}},
    {HKEY_CLASSES_ROOT, IDS_DIRECTORY_HANDLER_KEY, 1, {{kDefaultValue, {IDS_CLASS_ID, nullptr}}}},
    {HKEY_LOCAL_MACHINE, IDS_APPROVED_KEY, 1, {{{IDS_CLASS_ID, nullptr}, {IDS_CLASS_DESCRIPTION, nullptr}}}},
    {HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, 2,
     {{{0, "DisplayName"}, {IDS_DISPLAY_NAME, nullptr}}, {{0, "UninstallString"}, {IDS_UNINSTALL_COMMAND, nullptr}}}},
};

// Returns 1 when the key was opened and every value of the step written.
int WriteStep(const RegistrationStep& step) {
  OwnedKey key;
  if (RegCreateKeyExA(step.root, Text(step.keyText), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
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

int RegisterShellExtension() {
  for (const RegistrationStep& step : kSteps)
    if (!WriteStep(step)) return 0;
  return 1;
}
