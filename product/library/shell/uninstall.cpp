// The uninstall entry's command, "Rundll32.exe parvello.dll,Uninstall":
// after a confirmation (none with "/S") it removes exactly what the setup
// wrote, and names in one message whatever it could not remove. With
// "/S" nothing is shown: the process ends with exit code 0 when all is
// removed and 1 otherwise.
#include <windows.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "common/architectures.h"
#include "common/first_menu_package.h"
#include "common/registry_views.h"
#include "packing/archive_folder.h"
#include "settings/options.h"
#include "shell/first_menu_removal.h"
#include "shell/module.h"
#include "shell/removal_at_restart.h"

namespace {

const char kCaption[] = "Parvello 1.1";
const std::string kClassKey = std::string("CLSID\\") + kClassIdText;
const char kFilesHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Parvello";
const char kDirectoryHandlerKey[] = "Directory\\shellex\\ContextMenuHandlers\\Parvello";
const char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kVendorKey[] = "SOFTWARE\\Quorvanta";
const char* const kHelpFiles[] = {"parvello.hlp", "parvello.cnt", "parvello.chm"};

// Removes a key of one view with everything below it. An absent key is no
// failure.
bool DeleteKeyTree(HKEY root, const std::string& path, REGSAM view) {
  HKEY key;
  LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key);
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
  for (const std::string& child : children) ok = DeleteKeyTree(root, path + "\\" + child, view) && ok;
  LONG deleted = DeleteKeyInView(root, path.c_str(), view);
  return ok && (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND);
}

bool DeleteApproval(REGSAM view) {
  HKEY key;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE | view, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  LONG deleted = RegDeleteValueA(key, kClassIdText);
  RegCloseKey(key);
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

// The vendor's key goes only when nothing else is left in it.
bool DeleteVendorKeyWhenEmpty() {
  HKEY key;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_READ | SettingsView(), &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  DWORD subkeys = 1, values = 1;
  LONG queried = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (queried != ERROR_SUCCESS) return false;
  if (subkeys || values) return true;
  LONG deleted = DeleteKeyInView(HKEY_LOCAL_MACHINE, kVendorKey, SettingsView());
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool DeleteFileIfThere(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return DeleteFileA(path.c_str()) != 0;
}

std::string WindowsFolder() {
  char windows[MAX_PATH];
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  std::string folder(windows, length < MAX_PATH ? length : 0);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

const char* ViewName(REGSAM view) {
  if (view == KEY_WOW64_32KEY) return " (32-bit view)";
  if (view == KEY_WOW64_64KEY) return " (64-bit view)";
  return "";
}

// The library of the other architecture, on 64-bit Windows: `reach` is
// where this process deletes it, `name` how the system names it when it
// starts (a 32-bit process reaches the real system32 through Sysnative,
// an alias that does not exist then).
void OtherLibrary(std::string& reach, std::string& name) {
  reach.clear();
  name.clear();
  char reached[MAX_PATH], named[MAX_PATH];
  if (!SystemFolderOfA(OtherMachine(), FolderName::kReached, reached, MAX_PATH) ||
      !SystemFolderOfA(OtherMachine(), FolderName::kNamed, named, MAX_PATH))
    return;
  reach = std::string(reached) + "\\parvello.dll";
  name = std::string(named) + "\\parvello.dll";
}

// Removes everything; what stays is named in `left`.
void RemoveProduct(std::vector<std::string>& left) {
  // The archives first: in the folder the settings name and in every
  // folder the product has made archives in before.
  ProductOptions options;
  ReadProductOptions(options);
  std::vector<std::wstring> folders = RememberedArchiveFolders();
  folders.push_back(ArchiveFolder(options));
  std::vector<std::wstring> archivesLeft;
  for (const std::wstring& folder : folders) {
    DeleteAllArchives(folder, archivesLeft);
    // Only a folder the product made, and only when nothing else is in it.
    RemoveOurFolder(folder);
  }
  for (const std::wstring& archive : archivesLeft) left.push_back(Narrow(archive, CP_ACP));
  // Windows 11's first menu, by the records in the uninstall entry.
  size_t leftBefore = left.size();
  RemoveFirstMenu(left);
  // While an archive or the first menu stays, so does what a second run
  // needs to find it: the settings with the record of the folders, and
  // the uninstall entry with the first menu's records.
  const bool finishLater = left.size() > leftBefore || !archivesLeft.empty();

  // The class, its server, the handlers and the approval in every view the
  // setup wrote them in; the uninstall entry and the settings once.
  const RegistryView* views = nullptr;
  int viewCount = ProductViews(&views);
  const struct {
    HKEY root;
    const char* rootName;
    std::string path;
    bool everyView;
    bool neededToFinish;
  } keys[] = {
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kClassKey, true, false},
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kFilesHandlerKey, true, false},
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kDirectoryHandlerKey, true, false},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kUninstallKeyPath, false, true},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kSettingsKey, false, true},
  };
  for (const auto& key : keys)
    for (int v = 0; v < (key.everyView ? viewCount : 1) && !(finishLater && key.neededToFinish); ++v) {
      REGSAM view = key.everyView ? views[v].flag : SettingsView();
      if (!DeleteKeyTree(key.root, key.path, view))
        left.push_back(std::string(key.rootName) + "\\" + key.path + ViewName(view));
    }
  for (int v = 0; v < viewCount; ++v)
    if (!DeleteApproval(views[v].flag))
      left.push_back(std::string("HKEY_LOCAL_MACHINE\\") + kApprovedKey + " (the value " + kClassIdText + ")" +
                     ViewName(views[v].flag));
  if (!DeleteVendorKeyWhenEmpty()) left.push_back(std::string("HKEY_LOCAL_MACHINE\\") + kVendorKey);

  for (const char* name : kHelpFiles) {
    std::string path = WindowsFolder() + "HELP\\" + name;
    if (!DeleteFileIfThere(path)) left.push_back(path);
  }
  // A second run needs the libraries to run at all.
  if (!left.empty()) return;

  // The other architecture's library goes now, unless a program of that
  // architecture (Explorer) has it loaded: then at the next start too.
  std::string reach, name;
  OtherLibrary(reach, name);
  if (!reach.empty() && !DeleteFileIfThere(reach) && !RemoveAtNextStart(reach, name)) left.push_back(name);

  // This library is loaded by Rundll32 right now: it goes at the next start.
  char library[MAX_PATH];
  DWORD length = GetModuleFileNameA(g_libraryModule, library, MAX_PATH);
  if (length && length < MAX_PATH && !RemoveAtNextStart(library, library))
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
  message += "\n\nRemove Parvello again once they are free, and it removes the rest.";
  MessageBoxA(window, message.c_str(), kCaption, MB_OK | MB_ICONWARNING);
}
