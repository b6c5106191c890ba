#include "app/directories.h"

#include <string.h>

#include "common/architectures.h"
#include "common/first_menu_package.h"
#include "common/registry_views.h"

char g_windowsDir[kPathSize];
char g_systemDir[kPathSize];
char g_helpDir[kPathSize];
char g_tempDir[kPathSize];
char g_otherSystemDir[kPathSize];
char g_firstMenuDir[kPathSize];
const char* const g_destinationDirs[kDestinationKinds] = {g_windowsDir, g_systemDir, g_helpDir, g_otherSystemDir,
                                                          g_firstMenuDir};

namespace {

// The query functions answer the length they wrote, 0 on failure, or the
// size they would need when the buffer is too small. One character stays
// free for the backslash.
int Finish(char* buffer, UINT written) {
  if (written == 0 || written >= kPathSize - 1) {
    buffer[0] = '\0';
    return 0;
  }
  return AddBackslash(buffer);
}

}  // namespace

int JoinPath(char* path, const char* directory, const char* name) {
  size_t dirLength = strlen(directory);
  size_t nameLength = strlen(name);
  if (dirLength + nameLength >= kPathSize) {
    path[0] = '\0';
    return 0;
  }
  memcpy(path, directory, dirLength);
  memcpy(path + dirLength, name, nameLength + 1);
  return 1;
}

int AddBackslash(char* path) {
  size_t length = strlen(path);
  if (length && path[length - 1] == '\\') return 1;
  if (length + 1 >= kPathSize) return 0;
  path[length] = '\\';
  path[length + 1] = '\0';
  return 1;
}

static DWORD AttributesOf(const char* path) {
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  DWORD attributes = GetFileAttributesA(path);
  SetErrorMode(previous);
  return attributes;
}

int PathExists(const char* path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

int IsDirectory(const char* path) {
  DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ResolveDirectories() {
  if (!Finish(g_windowsDir, GetWindowsDirectoryA(g_windowsDir, kPathSize))) return 0;
  if (!JoinPath(g_helpDir, g_windowsDir, "HELP\\")) return 0;
  if (!Finish(g_systemDir, GetSystemDirectoryA(g_systemDir, kPathSize))) return 0;
  if (!Finish(g_tempDir, GetTempPathA(kPathSize, g_tempDir))) return 0;
  if (!SystemHasTwoViews()) return 1;
  if (FirstMenuFolder(g_firstMenuDir, kPathSize - 1)) AddBackslash(g_firstMenuDir);
  return SystemFolderOfA(OtherMachine(), FolderName::kReached, g_otherSystemDir, kPathSize) &&
         AddBackslash(g_otherSystemDir);
}
