#include "harness/machine_snapshot.h"

#include <stdio.h>

#include <vector>

#include "harness/harness.h"

namespace {

// The system saves a key with everything below it in one call (walking
// HKLM\SOFTWARE value by value takes seconds). Wine writes its own text
// format; the modification times in it are dropped.
bool SaveKeyText(HKEY root, const std::string& path, REGSAM view, std::string& text) {
  HANDLE token;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
    TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  char folder[MAX_PATH], file[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "reg", 0, file)) return false;
  DeleteFileA(file);  // the key is saved to a new file only
  HKEY key;
  bool saved = false;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
    saved = RegSaveKeyA(key, file, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  std::vector<unsigned char> bytes;
  saved = saved && ReadFileBytes(file, bytes);
  DeleteFileA(file);
  if (!saved) return false;
  text.clear();
  size_t at = 0;
  std::string all(bytes.begin(), bytes.end());
  while (at < all.size()) {
    size_t end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(at, end - at);
    at = end + 1;
    if (line.compare(0, 6, "#time=") == 0) continue;
    if (!line.empty() && line[0] == '[') line = line.substr(0, line.rfind(']') + 1);
    text += line + "\n";
  }
  return true;
}

void AppendFolder(const std::string& folder, int depth, std::string& out) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> folders;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    char line[96];
    snprintf(line, sizeof line, " %lx %lu %lx.%lx\n", found.dwFileAttributes, found.nFileSizeLow,
             found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime);
    bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A folder's own time changes with its contents, which are listed.
    out += folder + "\\" + name + (isFolder ? " folder\n" : line);
    if (isFolder) folders.push_back(folder + "\\" + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  if (depth > 1)
    for (const std::string& child : folders) AppendFolder(child, depth - 1, out);
}

}  // namespace

std::string RegistryTree(HKEY root, const std::string& path, REGSAM view) {
  std::string text;
  return SaveKeyText(root, path, view, text) ? text : "[" + path + "] could not be saved\n";
}

std::string FolderTree(const std::string& folder, int depth) {
  std::string out;
  AppendFolder(folder, depth, out);
  return out;
}
