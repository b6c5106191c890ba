#include "app/unattended.h"

#include <windows.h>
#include <string.h>

#include "app/texts.h"
#include "common/owned.h"
#include "install/embedded_files.h"
#include "install/first_menu.h"
#include "install/shell_registration.h"
#include "settings/product_settings.h"

namespace {

constexpr char kErrorLogPath[] = "c:\\vozaziza.err";
// Beside it, what an installation that succeeded has to tell: Windows 11's
// first menu that could not be registered. UTF-8 text.
constexpr char kNoticeLogPath[] = "c:\\vozaziza.log";
constexpr char kDefaultSection[] = "Default Setup";
constexpr char kFirstMenuKey[] = "FirstContextMenu";

// Big enough for "Unable to open file %s." with the longest command line
// Windows passes (32,767 characters); anything longer is cut.
constexpr size_t kMessageSize = 33024;
char g_message[kMessageSize];

void SetMessage(const char* text) {
  strncpy(g_message, text, kMessageSize - 1);
  g_message[kMessageSize - 1] = '\0';
}

// Text 29 with `argument` in place of its "%s", bounded by the buffer.
void SetOpenFailedMessage(const char* argument) {
  const char* pattern = Text(IDS_OPEN_FAILED);
  const char* slot = strstr(pattern, "%s");
  size_t out = 0;
  auto append = [&](const char* from, size_t length) {
    size_t room = kMessageSize - 1 - out;
    if (length > room) length = room;
    memcpy(g_message + out, from, length);
    out += length;
  };
  if (slot) {
    append(pattern, static_cast<size_t>(slot - pattern));
    append(argument, strlen(argument));
    append(slot + 2, strlen(slot + 2));
  } else {
    append(pattern, strlen(pattern));
  }
  g_message[out] = '\0';
}

void RemoveLog(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  DeleteFileA(path);
}

wchar_t g_notice[kFirstMenuNoticeSize];
char g_noticeBytes[3 * kFirstMenuNoticeSize + 3];

// The notice with a byte-order mark, so that Notepad reads it as UTF-8.
// Nothing to do about a log that cannot be written: the run succeeded.
void WriteNoticeLog() {
  memcpy(g_noticeBytes, "\xEF\xBB\xBF", 3);
  int size =
      WideCharToMultiByte(CP_UTF8, 0, g_notice, -1, g_noticeBytes + 3, sizeof g_noticeBytes - 3, nullptr, nullptr);
  if (size <= 1) return;
  OwnedHandle log(
      CreateFileA(kNoticeLogPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (log.IsValid()) WriteFile(log.Get(), g_noticeBytes, static_cast<DWORD>(size - 1 + 3), &written, nullptr);
}

// The whole log is the message and its terminating zero byte. Returns 1
// when it is written whole.
int WriteErrorLog() {
  OwnedHandle log(CreateFileA(kErrorLogPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log.IsValid()) return 0;
  DWORD size = static_cast<DWORD>(strlen(g_message) + 1), written = 0;
  return WriteFile(log.Get(), g_message, size, &written, nullptr) && written == size;
}

// Reads every settings key from `section` into `record`, each with its
// value in `fallback` as default, also when the script has no such
// section: the profile function does not hand a default back unchanged
// (it drops trailing blanks and, in Wine, a pair of enclosing quotes), so
// copying the defaults instead would store other values on a computer
// without a section than on one whose section lacks the key.
void ReadSection(const char* scriptPath, const char* section, const ProductSettings& fallback,
                 ProductSettings& record) {
  for (const SettingField& field : g_settingFields) {
    BYTE* target = reinterpret_cast<BYTE*>(&record) + field.offset;
    const BYTE* defaultValue = reinterpret_cast<const BYTE*>(&fallback) + field.offset;
    if (field.textSize) {
      GetPrivateProfileStringA(section, field.name, reinterpret_cast<const char*>(defaultValue),
                               reinterpret_cast<char*>(target), field.textSize, scriptPath);
    } else {
      DWORD fallbackNumber;
      memcpy(&fallbackNumber, defaultValue, sizeof fallbackNumber);
      DWORD number = GetPrivateProfileIntA(section, field.name, static_cast<INT>(fallbackNumber), scriptPath);
      memcpy(target, &number, sizeof number);
    }
  }
}

// "FirstContextMenu=0" in the computer's section or, failing that, in the
// default one keeps Windows 11's first menu off, for a machine whose
// policy forbids sideloaded packages.
int FirstMenuWanted(const char* scriptPath) {
  char computerName[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = sizeof computerName;
  UINT byDefault = GetPrivateProfileIntA(kDefaultSection, kFirstMenuKey, 1, scriptPath);
  if (!GetComputerNameA(computerName, &length)) return byDefault != 0;
  return GetPrivateProfileIntA(computerName, kFirstMenuKey, byDefault, scriptPath) != 0;
}

int InstallProduct(const char* scriptPath) {
  DWORD failed = 0;
  for (DWORD step = 0; step < kFileSteps; ++step)
    if (!InstallFileStep(step, failed)) return 0;
  if (!RegisterShellExtension()) return 0;
  if (FirstMenuWanted(scriptPath) && !InstallFirstMenu(g_notice)) WriteNoticeLog();
  // Without the computer's name the per-computer section cannot be found;
  // storing settings that may be wrong for this machine would be worse
  // than reporting the run as failed.
  if (!ReadSetupScript(scriptPath)) return 0;
  if (!WriteProductSettings()) return 0;
  char folder[kPathSize];
  GetTemporaryFolder(folder);
  MakeArchiveFolder(folder);
  return 1;
}

}  // namespace

int ReadSetupScript(const char* scriptPath) {
  // The built-in defaults: numbers from the table, empty texts, and the
  // folder recorded by an earlier installation (or the default one).
  static ProductSettings builtIn;
  memset(&builtIn, 0, sizeof builtIn);
  for (const SettingField& field : g_settingFields)
    if (!field.textSize) memcpy(reinterpret_cast<BYTE*>(&builtIn) + field.offset, &field.builtInDefault, sizeof(DWORD));
  GetTemporaryFolder(builtIn.TemporaryFolder);

  ReadSection(scriptPath, kDefaultSection, builtIn, g_sectionDefaults);

  char computerName[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = sizeof computerName;
  if (!GetComputerNameA(computerName, &length)) return 0;
  ReadSection(scriptPath, computerName, g_sectionDefaults, g_effectiveSettings);
  return 1;
}

UnattendedOutcome RunUnattendedSetup(const char* argument) {
  int succeeded = 0;
  SetMessage(Text(IDS_SETUP_FAILED));
  RemoveLog(kErrorLogPath);
  RemoveLog(kNoticeLogPath);

  OFSTRUCT script = {};
  script.cBytes = sizeof script;
  if (OpenFile(argument, &script, OF_EXIST) == HFILE_ERROR) {
    SetOpenFailedMessage(argument);
  } else {
    succeeded = InstallProduct(script.szPathName);
  }

  if (succeeded) return kUnattendedInstalled;
  return WriteErrorLog() ? kUnattendedFailureLogged : kUnattendedFailureUnreported;
}
