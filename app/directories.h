// The directories setup works with, resolved once at start-up; each ends
// in a backslash.
#pragma once
#include <windows.h>

constexpr int kPathSize = 520;

extern char g_windowsDir[kPathSize];
extern char g_systemDir[kPathSize];
extern char g_helpDir[kPathSize];  // the Windows directory followed by "HELP\"
extern char g_tempDir[kPathSize];
// On 64-bit Windows, the system directory of the other architecture as
// this process reaches it: SysWOW64 for the 64-bit twin, Sysnative (the
// alias through which a 32-bit process reaches the real system32, without
// switching redirection off) for the 32-bit program. Empty elsewhere.
extern char g_otherSystemDir[kPathSize];
// On 64-bit Windows, the product's own folder in the 64-bit Program Files,
// which holds the sparse package of Windows 11's first menu and the
// library it names. Empty elsewhere, or when it cannot be resolved.
extern char g_firstMenuDir[kPathSize];

// Destination kinds of the embedded files index this table.
enum DestinationKind : DWORD {
  kToWindowsDir = 0,
  kToSystemDir = 1,
  kToHelpDir = 2,
  kToOtherSystemDir = 3,
  kToFirstMenuDir = 4,
  kDestinationKinds = 5
};
extern const char* const g_destinationDirs[kDestinationKinds];

// Fills the directories. Returns 1, or 0 when one the setup cannot do
// without cannot be resolved (the product's own folder is not among them).
int ResolveDirectories();

// Copies `directory` and `name` into `path` (kPathSize). Returns 1, or 0
// when the result would not fit (path is then the empty text).
int JoinPath(char* path, const char* directory, const char* name);

// Adds a backslash to `path` (kPathSize) unless it ends in one. Returns 0
// when there is no room for it.
int AddBackslash(char* path);

// Whether a file or folder of that name exists, and whether it is a
// folder. No "insert a disk" box is ever shown for a missing drive. These
// stand in for shlwapi's, which would cost every start of the program a
// library (and, under Wine, shcore too) for three small questions.
int PathExists(const char* path);
int IsDirectory(const char* path);
