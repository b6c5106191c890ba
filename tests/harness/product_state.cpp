#include "harness/product_state.h"

#include <string.h>

#include <vector>

#include "harness/harness.h"

const char kErrorLog[] = "c:\\vozaziza.err";
const char kClassKey[] = "CLSID\\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}";
const char kServerKey[] = "CLSID\\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}\\InProcServer32";
const char kFilesHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Parvello";
const char kDirectoryHandlerKey[] = "Directory\\shellex\\ContextMenuHandlers\\Parvello";
const char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvello";
const char kSettingsKey[] = "SOFTWARE\\Quorvanta\\Parvello";
const char kClassId[] = "{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}";

static void RemoveFile(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

// Deletes a key with everything below it in one view of the registry.
static void DeleteTree(HKEY root, const std::string& key, REGSAM view) {
  size_t split = key.rfind('\\');
  HKEY parent;
  if (RegOpenKeyExA(root, key.substr(0, split).c_str(), 0, KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS) return;
  RegDeleteTreeA(parent, key.substr(split + 1).c_str());
  RegCloseKey(parent);
}

void ResetProductState() {
  const std::string files[] = {
      kErrorLog,
      SystemDir() + "parvello.dll",
      OtherSystemDir() + "parvello.dll",
      HelpDir() + "parvello.hlp",
      HelpDir() + "parvello.cnt",
      HelpDir() + "parvello.chm",
      WindowsDir() + "parvello.dl_",
      WindowsDir() + "parvel32.dl_",
      WindowsDir() + "parvel64.dl_",
      WindowsDir() + "parvello.hl_",
      WindowsDir() + "parvello.cn_",
      WindowsDir() + "parvello.ch_",
  };
  for (const std::string& file : files) {
    RemoveFile(file);
    RemoveDirectoryA(file.c_str());
  }
  CreateDirectoryA(HelpDir().c_str(), nullptr);

  for (REGSAM view : {kView32, kView64}) {
    for (const char* key : {kClassKey, kFilesHandlerKey, kDirectoryHandlerKey}) DeleteTree(HKEY_CLASSES_ROOT, key, view);
    for (const char* key : {kUninstallKey, kSettingsKey}) DeleteTree(HKEY_LOCAL_MACHINE, key, view);
    HKEY approved;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE | view, &approved) == ERROR_SUCCESS) {
      RegDeleteValueA(approved, kClassId);
      RegCloseKey(approved);
    }
  }
}

void RemoveArchiveFolder(const std::string& folder) {
  const std::string mark = folder + "\\parvello.folder";
  SetFileAttributesA(mark.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(mark.c_str());
  RemoveDirectoryA(folder.c_str());
}

bool ReadStringValue(HKEY root, const char* key, const char* name, std::string& value, DWORD* size, REGSAM view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  char data[4096];
  DWORD type = 0, length = sizeof data;
  LONG r = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &length);
  RegCloseKey(handle);
  if (r != ERROR_SUCCESS || type != REG_SZ) return false;
  if (size) *size = length;
  value.assign(data, strnlen(data, length));
  return true;
}

bool ReadDwordValue(HKEY root, const char* key, const char* name, DWORD& value, REGSAM view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  DWORD type = 0, length = sizeof value;
  LONG r = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &length);
  RegCloseKey(handle);
  return r == ERROR_SUCCESS && type == REG_DWORD && length == sizeof value;
}

bool KeyExists(HKEY root, const char* key, REGSAM view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::vector<std::string> ValueNames(HKEY root, const char* key, REGSAM view) {
  std::vector<std::string> names;
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumValueA(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  RegCloseKey(handle);
  return names;
}

bool WriteSettingsValue(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE | kSettingsView, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

ScopedValue::ScopedValue(HKEY root, const char* key, const char* name, REGSAM view)
    : root_(root), key_(key), name_(name), view_(view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return;
  hadKey_ = true;
  char data[4096];
  DWORD size = sizeof data;
  if (RegQueryValueExA(handle, name, nullptr, &type_, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
    hadValue_ = true;
    data_.assign(data, size);
  }
  RegCloseKey(handle);
}

ScopedValue::~ScopedValue() {
  if (!hadKey_) {
    DeleteTree(root_, key_, view_);
    return;
  }
  if (hadValue_)
    Set(type_, data_.data(), static_cast<DWORD>(data_.size()));
  else
    Remove();
}

bool ScopedValue::Set(DWORD type, const void* data, DWORD size) {
  HKEY handle;
  if (RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_WRITE | view_, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(handle, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return ok;
}

bool ScopedValue::SetText(const char* text) { return Set(REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)); }

bool ScopedValue::Remove() {
  HKEY handle;
  if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE | view_, &handle) != ERROR_SUCCESS) return true;
  LONG r = RegDeleteValueA(handle, name_.c_str());
  RegCloseKey(handle);
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

namespace {

// "name=type:bytes" for every value of a key, or "absent".
std::string ValuesOf(HKEY root, const char* key, const char* onlyValue, REGSAM view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return "absent";
  std::string out;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[2048];
    DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
    if (RegEnumValueA(handle, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) break;
    if (onlyValue && strcmp(name, onlyValue) != 0) continue;
    out += std::string(name) + "=" + std::to_string(type) + ":" +
           std::string(reinterpret_cast<char*>(data), dataLength) + ";";
  }
  RegCloseKey(handle);
  return out;
}

std::string FileState(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return "absent";
  std::vector<unsigned char> bytes;
  ReadFileBytes(path, bytes);
  return std::to_string(info.ftLastWriteTime.dwHighDateTime) + "." + std::to_string(info.ftLastWriteTime.dwLowDateTime) +
         " " + std::string(bytes.begin(), bytes.end());
}

}  // namespace

FILETIME InstalledFileStamp() {
  TIME_ZONE_INFORMATION zone;
  DWORD mode = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias
                           : mode == TIME_ZONE_ID_STANDARD ? zone.StandardBias : 0);
  SYSTEMTIME local = {1999, 7, 0, 1, 1, 10, 0, 0};
  FILETIME asIfUtc;
  SystemTimeToFileTime(&local, &asIfUtc);
  ULARGE_INTEGER t;
  t.LowPart = asIfUtc.dwLowDateTime;
  t.HighPart = asIfUtc.dwHighDateTime;
  t.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(bias) * 60 * 10000000LL);
  FILETIME result = {t.LowPart, t.HighPart};
  return result;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

std::vector<std::wstring> PendingRenames() {
  std::vector<std::wstring> entries;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return entries;
  std::vector<wchar_t> data(32768);
  DWORD type = 0, size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) == ERROR_SUCCESS &&
      type == REG_MULTI_SZ) {
    // The list ends with one more empty text.
    size_t count = size / sizeof(wchar_t);
    for (size_t at = 0; at < count;) {
      std::wstring entry(&data[at], wcsnlen(&data[at], count - at));
      entries.push_back(entry);
      at += entry.size() + 1;
    }
    if (entries.size() % 2 == 1 && entries.back().empty()) entries.pop_back();
  }
  RegCloseKey(key);
  return entries;
}

std::string InstalledProductState() {
  std::string state;
  for (const std::string& file : {SystemDir() + "parvello.dll", OtherSystemDir() + "parvello.dll",
                                  HelpDir() + "parvello.hlp", HelpDir() + "parvello.cnt", HelpDir() + "parvello.chm"})
    state += file + ": " + FileState(file) + "\n";
  for (REGSAM view : {kView32, kView64}) {
    const std::string in = " (view " + std::to_string(view) + "): ";
    for (const char* key : {kClassKey, kServerKey, kFilesHandlerKey, kDirectoryHandlerKey})
      state += std::string(key) + in + ValuesOf(HKEY_CLASSES_ROOT, key, nullptr, view) + "\n";
    state += std::string(kApprovedKey) + in + ValuesOf(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, view) + "\n";
    state += std::string(kUninstallKey) + in + ValuesOf(HKEY_LOCAL_MACHINE, kUninstallKey, nullptr, view) + "\n";
  }
  return state;
}
