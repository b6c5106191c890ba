#include "settings/mail_client.h"

#include <string.h>

#include "app/texts.h"
#include "common/owned.h"
#include "common/registry_views.h"

namespace {

constexpr char kClientsKey[] = "SOFTWARE\\Clients\\Mail";

// The names the system gives its default mail client, in the order they
// are compared (whole and case-sensitive), with the client they mean.
struct KnownDefault {
  const char* name;
  DWORD number;
};
const KnownDefault kKnownDefaults[] = {
    {"Microsoft Outlook", 1}, {"Outlook Express", 2}, {"Calypso", 7}, {"Eudora", 6}, {"The Bat!", 8},
};

// Reads a value of any type into `buffer` and gives back the text it
// holds: up to its first zero byte, which must lie inside the data read.
// 0 when the value is missing, too long, or holds no terminated text.
int QueryText(HKEY key, const char* name, char* buffer, DWORD size) {
  DWORD length = size;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &length) != ERROR_SUCCESS ||
      memchr(buffer, '\0', length) == nullptr) {
    buffer[0] = '\0';
    return 0;
  }
  return 1;
}

int OpenSettingsForWriting(OwnedKey& key) {
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, Text(IDS_SETTINGS_KEY), 0, const_cast<char*>(""),
                         REG_OPTION_NON_VOLATILE, KEY_WRITE | SettingsView(), nullptr, key.Receive(),
                         nullptr) == ERROR_SUCCESS;
}

int WriteMailer(HKEY key, DWORD number) {
  return RegSetValueExA(key, "Mailer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
         ERROR_SUCCESS;
}

}  // namespace

DWORD DetectDefaultMailClient() {
  OwnedKey key;
  // Windows' own mail settings write the native view.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClientsKey, 0, KEY_READ | NativeView(), key.Receive()) != ERROR_SUCCESS)
    return 0;
  char name[kCommandLineSize];
  if (!QueryText(key.Get(), "", name, sizeof name)) return 0;
  for (const KnownDefault& known : kKnownDefaults)
    if (strcmp(name, known.name) == 0) return known.number;
  return 0;
}

void ReadStoredMailChoice(MailChoice& choice) {
  choice.number = 1;
  choice.commandLine[0] = '\0';
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Text(IDS_SETTINGS_KEY), 0, KEY_READ | SettingsView(), key.Receive()) !=
      ERROR_SUCCESS)
    return;

  // Whatever type "Mailer" has, at most its first four bytes are taken.
  DWORD size = sizeof choice.number;
  if (RegQueryValueExA(key.Get(), "Mailer", nullptr, nullptr, reinterpret_cast<BYTE*>(&choice.number), &size) !=
      ERROR_SUCCESS)
    choice.number = DetectDefaultMailClient();
  else if (choice.number > static_cast<DWORD>(kMailClientCount))
    choice.number = 1;

  QueryText(key.Get(), "UserDefinedCmdLine", choice.commandLine, sizeof choice.commandLine);
}

int StorePredefinedChoice(DWORD number) {
  OwnedKey key;
  return OpenSettingsForWriting(key) && WriteMailer(key.Get(), number);
}

int StoreUserDefinedChoice(const char* commandLine) {
  OwnedKey key;
  if (!OpenSettingsForWriting(key) || !WriteMailer(key.Get(), kUserDefinedMailer)) return 0;
  DWORD size = static_cast<DWORD>(strnlen(commandLine, kCommandLineSize - 1));
  char text[kCommandLineSize];
  memcpy(text, commandLine, size);
  text[size] = '\0';
  return RegSetValueExA(key.Get(), "UserDefinedCmdLine", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size + 1) ==
         ERROR_SUCCESS;
}
