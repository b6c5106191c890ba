// The traces an installation leaves, and a clean slate for each test.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

extern const char kErrorLog[];  // "c:\vozaziza.err"
extern const char kClassKey[];
extern const char kServerKey[];
extern const char kFilesHandlerKey[];
extern const char kDirectoryHandlerKey[];
extern const char kApprovedKey[];
extern const char kUninstallKey[];
extern const char kSettingsKey[];
extern const char kClassId[];

// The registry views of the test machine (64-bit Wine, as 64-bit Windows):
// the settings key and the uninstall key live in the 32-bit one, whichever
// architecture reads them; the shell's entries in both. A view of 0 below
// is the test program's own.
constexpr REGSAM kView32 = KEY_WOW64_32KEY;
constexpr REGSAM kView64 = KEY_WOW64_64KEY;
constexpr REGSAM kSettingsView = KEY_WOW64_32KEY;

// Removes every file, key and value an installation or an earlier test may
// have left, in both views and both system directories, and makes sure the
// help directory exists.
void ResetProductState();

// Removes an empty archive folder, and the hidden mark the product leaves
// in a folder it made.
void RemoveArchiveFolder(const std::string& folder);

// Reads a REG_SZ value; false when absent or of another type. `size`
// receives the stored data size.
bool ReadStringValue(HKEY root, const char* key, const char* name, std::string& value, DWORD* size = nullptr,
                     REGSAM view = 0);
bool ReadDwordValue(HKEY root, const char* key, const char* name, DWORD& value, REGSAM view = 0);
bool KeyExists(HKEY root, const char* key, REGSAM view = 0);
// The names of a key's values, in the registry's order (Wine's is sorted);
// empty without key.
std::vector<std::string> ValueNames(HKEY root, const char* key, REGSAM view = 0);

// Writes a value of the settings key, making the key when needed.
bool WriteSettingsValue(const char* name, DWORD type, const void* data, DWORD size);

// Writes a value for the life of the object and then puts back what was
// there before: the old data, or no value (and no key, when the key was
// made for it).
class ScopedValue {
 public:
  ScopedValue(HKEY root, const char* key, const char* name, REGSAM view = 0);
  ~ScopedValue();
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;
  bool Set(DWORD type, const void* data, DWORD size);
  bool SetText(const char* text);  // REG_SZ with its zero
  bool Remove();                   // no value while the object lives

 private:
  HKEY root_;
  std::string key_, name_;
  REGSAM view_;
  bool hadKey_ = false, hadValue_ = false;
  DWORD type_ = 0;
  std::string data_;
};

// 1999-07-01 01:10:00 local time in UTC, with the bias in force now: the
// date every installed file carries.
FILETIME InstalledFileStamp();
bool SameTime(const FILETIME& a, const FILETIME& b);

// The entries of PendingFileRenameOperations: pairs of source and target,
// the target empty for a deletion at the next start.
std::vector<std::wstring> PendingRenames();

// The installed files (date and bytes) and every registry entry of the
// registration in both views, as one text: two installations compare equal
// exactly when they left the same traces (the settings aside).
std::string InstalledProductState();
