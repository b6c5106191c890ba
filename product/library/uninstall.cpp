// The uninstall entry's command, "Rundll32.exe parvello.dll,Uninstall":
// after a confirmation (none with "/S") it removes exactly what the setup
// wrote, and names in one message whatever it could not remove. With
// "/S" nothing is shown: the process ends with exit code 0 when all is
// removed and 1 otherwise.
#include <windows.h>

#include <string>
#include <vector>

#include "archive_folder.h"
#include "module.h"
#include "options.h"
#include "text.h"

namespace {

const char kCaption[] = "Parvello 1.1";
const std::string kClassKey = std::string("CLSID\\") + kClassIdText;
const char kFilesHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Parvello";
const char kDirectoryHandlerKey[] = "Directory\\shellex\\ContextMenuHandlers\\Parvello";
const char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvello";
const char kVendorKey[] = "SOFTWARE\\Quorvanta";
const char* const kHelpFiles[] = {"parvello.hlp", "parvello.cnt"};

// Removes a key with everything below it. An absent key is no failure.
bool DeleteKeyTree(HKEY root, const std::string& path) {
  HKEY key;
  LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  std::vector<std::string> children;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.push_back(name);
  }
  RegCloseKey(key);
  bool ok = true;
  for (const std::string& child : children) ok = DeleteKeyTree(root, path + "\\" + child) && ok;
  LONG deleted = RegDeleteKeyA(root, path.c_str());
  return ok && (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND);
}

bool DeleteApproval() {
  HKEY key;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  LONG deleted = RegDeleteValueA(key, kClassIdText);
  RegCloseKey(key);
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

// The vendor's key goes only when nothing else is left in it.
bool DeleteVendorKeyWhenEmpty() {
  HKEY key;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  DWORD subkeys = 1, values = 1;
  LONG queried = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (queried != ERROR_SUCCESS) return false;
  if (subkeys || values) return true;
  LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVendorKey);
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool DeleteFileIfThere(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return DeleteFileA(path.c_str()) != 0;
}

std::string WindowsHelpFolder() {
  char windows[MAX_PATH];
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  std::string folder(windows, length < MAX_PATH ? length : 0);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + "HELP\\";
}

// Removes everything; what stays is named in `left`.
void RemoveProduct(std::vector<std::string>& left) {
  // The archive folder is where the settings say, so they are read first.
  ProductOptions options;
  ReadProductOptions(options);
  std::wstring archives = ArchiveFolder(options);

  const struct {
    HKEY root;
    const char* rootName;
    std::string path;
  } keys[] = {
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kClassKey},
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kFilesHandlerKey},
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kDirectoryHandlerKey},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kUninstallKey},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kSettingsKey},
  };
  for (const auto& key : keys)
    if (!DeleteKeyTree(key.root, key.path)) left.push_back(std::string(key.rootName) + "\\" + key.path);
  if (!DeleteApproval())
    left.push_back(std::string("HKEY_LOCAL_MACHINE\\") + kApprovedKey + " (the value " + kClassIdText + ")");
  if (!DeleteVendorKeyWhenEmpty()) left.push_back(std::string("HKEY_LOCAL_MACHINE\\") + kVendorKey);

  for (const char* name : kHelpFiles) {
    std::string path = WindowsHelpFolder() + name;
    if (!DeleteFileIfThere(path)) left.push_back(path);
  }

  std::vector<std::wstring> archivesLeft;
  DeleteAllArchives(archives, archivesLeft);
  for (const std::wstring& archive : archivesLeft) left.push_back(Narrow(archive, CP_ACP));
  RemoveDirectoryW(archives.c_str());  // only when nothing else is in it

  // The library is loaded by Rundll32 right now: it goes at the next start.
  char library[MAX_PATH];
  DWORD length = GetModuleFileNameA(g_libraryModule, library, MAX_PATH);
  if (length && length < MAX_PATH && !MoveFileExA(library, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    left.push_back(std::string(library) + " (to be deleted when Windows starts)");
}

bool IsQuiet(const char* arguments) {
  std::string text = arguments ? arguments : "";
  size_t first = text.find_first_not_of(" \t");
  size_t last = text.find_last_not_of(" \t\r\n");
  if (first == std::string::npos) return false;
  text = text.substr(first, last - first + 1);
  return text == "/S" || text == "/s";
}

}  // namespace

extern "C" void CALLBACK Uninstall(HWND window, HINSTANCE, LPSTR arguments, int) {
  bool quiet = IsQuiet(arguments);
  if (!quiet && MessageBoxA(window,
                            "Parvello 1.1 and all of its components will be removed from this computer.\n\n"
                            "Do you want to go on?",
                            kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;

  std::vector<std::string> left;
  RemoveProduct(left);
  if (quiet) ExitProcess(left.empty() ? 0 : 1);

  if (left.empty()) {
    MessageBoxA(window,
                "Parvello 1.1 has been removed. Its library is deleted when Windows starts the next time.",
                kCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::string message = "Parvello 1.1 has been removed, except for these, which could not be removed:\n";
  for (const std::string& item : left) message += "\n" + item;
  MessageBoxA(window, message.c_str(), kCaption, MB_OK | MB_ICONWARNING);
}
