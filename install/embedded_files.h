// The product's files that the setup carries as "FILE" resources in SZDD
// form, and the installer that puts one of them in place.
#pragma once
#include <windows.h>

#include "app/system_dlls.h"

constexpr int kFileNameSize = 257;  // a name of up to 256 characters and the terminator
constexpr DWORD kEmbeddedFileCount = 5;
// The installation's first three steps install files: the library of
// every architecture the system's shell loads, the help files, the
// WinHelp contents.
constexpr DWORD kFileSteps = 3;

struct EmbeddedFile {
  WORD resourceId;                    // 0: not embedded, copied from the current directory
  // Literals of at most 256 characters; kept as pointers, not as the
  // fixed-size fields they fit, whose zeros would only fill the program.
  const char* storedName;     // compressed name, also the temporary copy's name
  const char* installedName;  // name at the destination
  DWORD destinationKind;              // index into g_destinationDirs
};

// 0 the library (system directory), 1 the help file, 2 its contents file
// (both help directory), 3 the library of the other architecture (its
// system directory, on 64-bit Windows only), 4 the help as Compiled HTML
// Help (help directory), for systems without the WinHelp viewer.
extern const EmbeddedFile g_embeddedFiles[kEmbeddedFileCount];

// Installs record `index` of the table, dated 1999-07-01 01:10:00 local
// time. Returns 1 when the file is in place, 0 otherwise; shows nothing,
// the caller reports.
int InstallEmbeddedFile(DWORD index);

// Installs the files of file step `step` (below kFileSteps): step 0 the
// library of this program's architecture and, on 64-bit Windows, that of
// the other; step 1 the help file in both forms; step 2 its contents
// file. Returns 1 when all are in place; otherwise 0, with the record
// that failed in `failed`.
int InstallFileStep(DWORD step, DWORD& failed);

// The platform's version installer (VerInstallFileA of the system's
// version.dll); a test hands in one that answers as Windows does when the
// destination is in use, which Wine never does.
typedef DWORD (*VersionInstaller)(DWORD flags, LPSTR sourceName, LPSTR destinationName, LPSTR sourceDir,
                                  LPSTR destinationDir, LPSTR currentDir, LPSTR tempName, PUINT tempNameLength);

// The same for a record given directly.
int InstallFileRecord(const EmbeddedFile& record, VersionInstaller installer = SystemVerInstallFile);
